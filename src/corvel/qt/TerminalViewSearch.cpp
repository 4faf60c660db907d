// Search in the scroll-back, the find bar and the find commands.

#include <algorithm>

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>

#include "corvel/qt/FindPasteboard.h"
#include "corvel/qt/TerminalFindBarView.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/terminal/SelectionService.h"

namespace corvel {

// ---- search -------------------------------------------------------------------------

bool TerminalView::findNext(const std::string& term, const SearchOptions& options, bool scrollToResult)
{
    return findHit(term, options, scrollToResult, true);
}

bool TerminalView::findPrevious(const std::string& term, const SearchOptions& options, bool scrollToResult)
{
    return findHit(term, options, scrollToResult, false);
}

bool TerminalView::findHit(const std::string& term, const SearchOptions& options, bool scrollToResult, bool forwards)
{
    if (!search_ || !selection_)
        return false;
    // The search continues from what is selected now.
    search_->lastSelection.reset();
    if (selection_->active()) {
        Position start = selection_->start();
        Position end = selection_->end();
        if (Position::compare(start, end) == Position::compareResult::after)
            std::swap(start, end);
        search_->lastSelection = SearchSelection{start, end};
    }
    const std::optional<SearchResult> hit
        = forwards ? search_->findNext(term, options) : search_->findPrevious(term, options);
    if (!hit) {
        if (selection_->active())
            selection_->selectNone();
        if (findBar_)
            findBar_->keepClearOf(QRect());
        return false;
    }
    const SearchSelection extent = SearchService::extentOf(*hit, terminal_->cols);
    selection_->setSelection(extent.start, extent.end);
    if (scrollToResult)
        scrollToReveal(hit->row);
    if (findBar_)
        findBar_->keepClearOf(hitArea(*hit));
    return true;
}

QRect TerminalView::hitArea(const SearchResult& hit) const
{
    const int cols = std::max(terminal_->cols, 1);
    const long long first = hit.col + static_cast<long long>(hit.row) * cols;
    const long long last = first + std::max(hit.size, 1) - 1;
    const int top = hit.row - terminal_->displayBuffer().yDisp();
    const int bottom = static_cast<int>(last / cols) - terminal_->displayBuffer().yDisp();
    const double cw = cellDimension_.width();
    const double ch = cellDimension_.height();
    // A hit over several rows covers them from edge to edge.
    const double left = top == bottom ? cw * hit.col : 0;
    const double right = top == bottom ? cw * static_cast<double>(last % cols + 1) : cw * cols;
    return QRectF(left, ch * top, right - left, ch * (bottom - top + 1)).toAlignedRect();
}

void TerminalView::clearSearch()
{
    search_->reset();
    if (findBar_)
        findBar_->keepClearOf(QRect());
    if (selection_->active())
        selection_->selectNone();
}

void TerminalView::scrollToReveal(int row)
{
    Buffer& shown = terminal_->displayBuffer();
    const int rows = shown.rows();
    if (rows <= 0 || terminal_->isDisplayBufferAlternate())
        return;
    if (row >= shown.yDisp() && row <= shown.yDisp() + rows - 1)
        return;
    const int top = std::clamp(row - rows / 2, 0, std::max(shown.lines().count() - rows, 0));
    scrollTo(top, true);
}

// ---- the find bar -----------------------------------------------------------------------

TerminalFindBarView* TerminalView::ensureFindBar()
{
    if (findBar_)
        return findBar_;
    findBar_ = new TerminalFindBarView(this);
    findBar_->hide();
    findBar_->setTrailingInset(scrollerWidth() + 8);
    const QPointer<TerminalView> view(this);
    findBar_->onSearchChanged = [view](const QString& term) {
        if (view)
            view->handleFindBarSearchChanged(term.toStdString());
    };
    findBar_->onFindNext = [view] {
        if (view)
            view->performFind(true);
    };
    findBar_->onFindPrevious = [view] {
        if (view)
            view->performFind(false);
    };
    findBar_->onClose = [view] {
        if (view)
            view->hideFindBar();
    };
    findBar_->onOptionsChanged = [view](const SearchOptions& options) {
        if (!view)
            return;
        view->findBarOptions = options;
        // With the same term this moves on to the next hit the options allow.
        if (!view->findBarTerm.empty())
            view->findNext(view->findBarTerm, options, true);
    };
    return findBar_;
}

void TerminalView::showFindBar(bool prefillSelection)
{
    TerminalFindBarView* bar = ensureFindBar();
    bar->show();
    bar->raise();
    QString prefill;
    if (prefillSelection && selection_->active())
        prefill = QString::fromStdString(selection_->selectedText());
    if (prefill.isEmpty())
        prefill = FindPasteboard::string();
    if (!prefill.isEmpty()) {
        bar->searchField()->setText(prefill);
        handleFindBarSearchChanged(prefill.toStdString());
    }
    bar->searchField()->setFocus(Qt::OtherFocusReason);
    bar->searchField()->selectAll();
}

void TerminalView::hideFindBar()
{
    if (findBar_)
        findBar_->hide();
    setFocus(Qt::OtherFocusReason);
}

void TerminalView::handleFindBarSearchChanged(const std::string& term)
{
    findBarTerm = term;
    if (!term.empty()) {
        FindPasteboard::setString(QString::fromStdString(term));
        findNext(term, findBarOptions, true);
        return;
    }
    search_->reset();
    if (findBar_)
        findBar_->keepClearOf(QRect());
    if (selection_->active())
        selection_->selectNone();
}

void TerminalView::performFind(bool next)
{
    const QString text = findBar_ && findBar_->isVisible() ? findBar_->searchField()->text() : FindPasteboard::string();
    if (text.isEmpty())
        return;
    FindPasteboard::setString(text);
    const SearchOptions options = findBar_ ? findBar_->options() : SearchOptions();
    if (next)
        findNext(text.toStdString(), options, true);
    else
        findPrevious(text.toStdString(), options, true);
}

void TerminalView::setFindPasteboardFromSelection()
{
    if (!selection_->active())
        return;
    const std::string text = selection_->selectedText();
    if (!text.empty())
        FindPasteboard::setString(QString::fromStdString(text));
}

void TerminalView::performFindCommand(FindCommand command)
{
    switch (command) {
    case FindCommand::showFindInterface: showFindBar(true); break;
    case FindCommand::nextMatch: performFind(true); break;
    case FindCommand::previousMatch: performFind(false); break;
    case FindCommand::useSelectionForFind:
        setFindPasteboardFromSelection();
        showFindBar(true);
        break;
    case FindCommand::hideFindInterface: hideFindBar(); break;
    case FindCommand::showReplaceInterface:
    case FindCommand::hideReplaceInterface: break;
    }
}

bool TerminalView::isFindCommandEnabled(FindCommand command) const
{
    return command != FindCommand::useSelectionForFind || selection_->active();
}

} // namespace corvel
