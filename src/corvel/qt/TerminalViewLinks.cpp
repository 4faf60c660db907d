// Links: the hover highlight, the URL preview while Ctrl is held, and the
// link a click opens.

#include <algorithm>
#include <set>

#include <QCursor>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>

#include "corvel/qt/TerminalView.h"
#include "corvel/terminal/HyperlinkPayload.h"
#include "corvel/terminal/LinkDetector.h"

namespace corvel {

namespace {

std::vector<TerminalView::LinkRowRange> rowRangesOf(const LinkMatch& match)
{
    std::vector<TerminalView::LinkRowRange> ranges;
    for (const LinkMatch::RowRange& r : match.rowRanges)
        ranges.push_back({r.row, r.range.lowerBound, r.range.upperBound});
    return ranges;
}

} // namespace

std::optional<std::string> TerminalView::payloadString(Position at)
{
    return LinkDetector(terminal_->displayBuffer(), terminal_->cols, terminal_->graphemeTable()).payloadString(at);
}

void TerminalView::setLinkHighlightMode(LinkHighlightMode mode)
{
    linkHighlightRange.reset();
    linkHighlightMode_ = mode;
    updateMouseTracking();
    invalidateVisibleRows();
}

void TerminalView::invalidateVisibleRows()
{
    terminal_->updateFullScreen();
    queuePendingDisplay();
}

void TerminalView::setLinkHighlightRange(std::optional<std::vector<LinkRowRange>> range)
{
    if (range == linkHighlightRange)
        return;
    std::optional<std::vector<LinkRowRange>> old = std::move(linkHighlightRange);
    linkHighlightRange = std::move(range);
    invalidateLinkHighlight(old, linkHighlightRange);
    queuePendingDisplay();
}

void TerminalView::invalidateLinkHighlight(const std::optional<std::vector<LinkRowRange>>& oldRange,
                                           const std::optional<std::vector<LinkRowRange>>& newRange)
{
    std::set<int> rows;
    for (const auto* list : {&oldRange, &newRange})
        if (*list)
            for (const LinkRowRange& r : **list)
                rows.insert(r.row);
    Buffer& shown = terminal_->displayBuffer();
    for (int row : rows) {
        const int screenRow = row - shown.yDisp();
        // Marked by ring line, so that the row is found while the view is scrolled back.
        if (screenRow >= 0 && screenRow < terminal_->rows)
            terminal_->updateRange(shown, row - shown.yBase());
    }
}

void TerminalView::updateHoverLink(Position at, std::optional<bool> commandOverride)
{
    const bool command = commandOverride.value_or(commandActive);
    const bool hovers = linkHighlightMode_ == LinkHighlightMode::hover
        || (linkHighlightMode_ == LinkHighlightMode::hoverWithModifier && command);
    if (!hovers) {
        setLinkHighlightRange(std::nullopt);
        return;
    }
    Buffer& shown = terminal_->displayBuffer();
    const std::optional<Position> position = terminal_->resolveLinkLocation(LinkLookupLocation::buffer(at), shown);
    std::optional<LinkMatch> match;
    if (position) {
        match = terminal_->explicitLinkMatch(*position, shown);
        if (!match)
            match = terminal_->implicitLinkMatch(*position, shown);
    }
    if (match)
        setLinkHighlightRange(rowRangesOf(*match));
    else
        setLinkHighlightRange(std::nullopt);
}

std::optional<TerminalView::LinkToOpen> TerminalView::linkForClick(Position at, bool hasCommandModifier)
{
    Buffer& shown = terminal_->displayBuffer();
    const std::optional<Position> position = terminal_->resolveLinkLocation(LinkLookupLocation::buffer(at), shown);
    if (!position)
        return std::nullopt;
    std::optional<LinkMatch> match = terminal_->explicitLinkMatch(*position, shown);
    if (!match)
        match = terminal_->implicitLinkMatch(*position, shown);
    if (!match)
        return std::nullopt;

    bool opens = false;
    switch (linkHighlightMode_) {
    case LinkHighlightMode::hover: opens = linkHighlightRange == rowRangesOf(*match); break;
    case LinkHighlightMode::hoverWithModifier:
        opens = hasCommandModifier && linkHighlightRange == rowRangesOf(*match);
        break;
    case LinkHighlightMode::always: opens = match->isExplicit; break;
    case LinkHighlightMode::alwaysWithModifier: opens = match->isExplicit && hasCommandModifier; break;
    }
    if (!opens)
        return std::nullopt;
    if (match->isExplicit)
        if (const std::optional<std::string> payload = payloadString(*position))
            if (std::optional<HyperlinkPayload> parsed = HyperlinkPayload::parse(*payload))
                return LinkToOpen{std::move(parsed->url), std::move(parsed->params)};
    return LinkToOpen{std::move(match->text), {}};
}

// ---- the link modifier and the preview ---------------------------------------------

void TerminalView::previewUrl(const std::string& payload)
{
    const std::optional<HyperlinkPayload> parsed = HyperlinkPayload::parse(payload);
    if (!parsed)
        return;
    if (!urlPreview_) {
        urlPreview_ = new QLabel(this);
        urlPreview_->setObjectName(QStringLiteral("urlPreview"));
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPixelSize(12);
        urlPreview_->setFont(font);
        urlPreview_->setContentsMargins(6, 2, 6, 3);
        urlPreview_->setAutoFillBackground(true);
        urlPreview_->setAttribute(Qt::WA_TransparentForMouseEvents);
        urlPreview_->setTextFormat(Qt::PlainText);
    }
    // Inverted terminal colours.
    QPalette palette = urlPreview_->palette();
    palette.setColor(QPalette::Window, colors_.nativeForeground);
    palette.setColor(QPalette::WindowText, colors_.nativeBackground);
    urlPreview_->setPalette(palette);
    const QString url = QString::fromStdString(parsed->url);
    const int room = std::max(textAreaWidth() - 12, 40);
    urlPreview_->setText(QFontMetrics(urlPreview_->font()).elidedText(url, Qt::ElideMiddle, room));
    urlPreview_->setToolTip(url);
    urlPreview_->adjustSize();
    urlPreview_->move(0, height() - urlPreview_->height());
    urlPreview_->show();
    urlPreview_->raise();
}

void TerminalView::turnOffUrlPreview()
{
    if (!commandActive)
        return;
    commandActive = false;
    updateMouseTracking();
    delete urlPreview_;
    urlPreview_ = nullptr;
    if (linkHighlightMode_ == LinkHighlightMode::hoverWithModifier)
        setLinkHighlightRange(std::nullopt);
    if (linkHighlightMode_ == LinkHighlightMode::alwaysWithModifier)
        invalidateVisibleRows();
}

void TerminalView::linkModifierChanged(bool down)
{
    if (!down) {
        turnOffUrlPreview();
        return;
    }
    commandActive = true;
    updateMouseTracking();
    const QPointF global(QCursor::pos());
    const std::optional<QPointF> pointer = pointerMapping_ ? pointerMapping_(global) : mapFromGlobal(global);
    if (pointer && textAreaRect().contains(pointer->toPoint())) {
        const MouseHit hit = calculateMouseHit(*pointer);
        if (const std::optional<std::string> payload = payloadString(hit.grid))
            previewUrl(*payload);
        updateHoverLink(hit.grid);
    }
    if (linkHighlightMode_ == LinkHighlightMode::alwaysWithModifier)
        invalidateVisibleRows();
}

} // namespace corvel
