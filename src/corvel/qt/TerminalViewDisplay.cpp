// Feeding, display updates, scrolling and sending.

#include <algorithm>
#include <climits>

#include <QAccessible>

#include "corvel/qt/CaretView.h"
#include "corvel/qt/TerminalDebugView.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/qt/TerminalViewDelegate.h"
#include "corvel/terminal/SelectionService.h"

namespace corvel {

namespace {

constexpr uint8_t pageUpKey[] = {0x1b, '[', '5', '~'};
constexpr uint8_t pageDownKey[] = {0x1b, '[', '6', '~'};

std::span<const uint8_t> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

} // namespace

void TerminalView::feed(std::span<const uint8_t> bytes)
{
    if (allowMouseReporting)
        selection_->setActive(false);
    search_->invalidate();
    terminal_->parser().parse(bytes);
    queuePendingDisplay();
}

void TerminalView::feed(std::string_view text) { feed(bytesOf(text)); }

void TerminalView::queuePendingDisplay()
{
    if (pendingDisplay_)
        return;
    pendingDisplay_ = true;
    std::optional<std::chrono::nanoseconds> since;
    if (lastDisplayUpdate_.isValid())
        since = std::chrono::nanoseconds(lastDisplayUpdate_.nsecsElapsed());
    displayTimer_.start(displayWait(since));
}

std::chrono::milliseconds TerminalView::displayWait(std::optional<std::chrono::nanoseconds> sinceLastUpdate)
{
    if (!sinceLastUpdate || *sinceLastUpdate >= displayDelay)
        return std::chrono::milliseconds(0);
    return std::chrono::ceil<std::chrono::milliseconds>(displayDelay
                                                        - std::max(*sinceLastUpdate, std::chrono::nanoseconds(0)));
}

void TerminalView::updateDisplay(bool notifyAccessibility)
{
    updateCursorPosition();
    if (debug)
        debug->updateDebugInfo();
    Buffer& shown = terminal_->displayBuffer();
    const std::optional<Terminal::UpdateRange> range = terminal_->getUpdateRange();
    const std::optional<Terminal::UpdateRange> ringRange = terminal_->getScrollInvariantUpdateRange();
    if (!range && !ringRange) {
        if (notifyUpdateChanges && terminalDelegate_) {
            const int row = shown.yDisp() + shown.y();
            terminalDelegate_->rangeChanged(*this, row, row);
        }
        pendingDisplay_ = false;
        return;
    }
    if (notifyUpdateChanges && terminalDelegate_) {
        if (range)
            terminalDelegate_->rangeChanged(*this, range->startY, range->endY);
        else
            terminalDelegate_->rangeChanged(*this, ringRange->startY - shown.yDisp(), ringRange->endY - shown.yDisp());
    }
    terminal_->clearUpdateRange();

    // Rows of the displayed screen to draw again. Changed ring lines count
    // from the scroll position, and changed screen rows from the screen's
    // first line, so that changes stay in place while the view is scrolled
    // back.
    const int rows = terminal_->rows;
    int first = INT_MAX;
    int last = -1;
    const auto include = [&](int from, int to) {
        from = std::max(from, 0);
        to = std::min(to, rows);
        if (from > to || from >= rows)
            return;
        first = std::min(first, from);
        last = std::max(last, to);
    };
    if (ringRange)
        include(ringRange->startY - shown.yDisp(), ringRange->endY - shown.yDisp());
    if (range) {
        const int offset = shown.yBase() - shown.yDisp();
        include(range->startY + offset, range->endY + offset);
    }
    if (last >= 0) {
        invalidateRows(first, std::min(last, rows - 1), last >= rows - 1);
        if (notifyAccessibility)
            announceChangedRows(first, std::min(last, rows - 1));
    }
    pendingDisplay_ = false;
}

std::optional<TerminalView::AccessibleChange> TerminalView::accessibleChange(int first, int last)
{
    Buffer& shown = terminal_->displayBuffer();
    const int firstLine = shown.yDisp() + std::max(first, 0);
    const int lastLine = std::min(shown.yDisp() + last, shown.lines().count() - 1);
    if (lastLine < firstLine)
        return std::nullopt;
    const std::string text = terminal_->getDisplayText(Position(0, firstLine), Position(shown.cols(), lastLine));
    // The offset counts cells over the screen's lines, as selectedRange() does.
    const long long offset = static_cast<long long>(firstLine) * shown.cols();
    return AccessibleChange{static_cast<int>(std::min<long long>(offset, INT_MAX)), QString::fromStdString(text)};
}

void TerminalView::announceChangedRows(int first, int last)
{
    // Only a listening assistive technology pays for the text.
    if (!QAccessible::isActive())
        return;
    const std::optional<AccessibleChange> change = accessibleChange(first, last);
    if (!change)
        return;
    QAccessibleValueChangeEvent value(this, change->text);
    QAccessible::updateAccessibility(&value);
    QAccessibleTextUpdateEvent update(this, change->offset, QString(), change->text);
    QAccessible::updateAccessibility(&update);
}

// ---- scrolling ----------------------------------------------------------------

double TerminalView::scrollThumbsize()
{
    if (terminal_->isDisplayBufferAlternate())
        return 0;
    Buffer& shown = terminal_->displayBuffer();
    const int count = shown.lines().count();
    if (count <= 0)
        return 1;
    return std::max(static_cast<double>(shown.rows()) / count, minimumScrollThumb);
}

double TerminalView::scrollPosition()
{
    if (terminal_->isDisplayBufferAlternate())
        return 0;
    Buffer& shown = terminal_->displayBuffer();
    const int maximum = shown.lines().count() - shown.rows();
    if (shown.yDisp() <= 0)
        return 0;
    if (shown.yDisp() < maximum)
        return static_cast<double>(shown.yDisp()) / maximum;
    return 1;
}

bool TerminalView::canScroll()
{
    if (terminal_->isDisplayBufferAlternate())
        return false;
    Buffer& shown = terminal_->displayBuffer();
    return shown.hasScrollback() && shown.rows() < shown.lines().count();
}

void TerminalView::scrollToPosition(double position)
{
    Buffer& shown = terminal_->displayBuffer();
    const int maximum = std::max(0, shown.lines().count() - shown.rows());
    const int row = std::clamp(static_cast<int>(position * maximum), 0, maximum);
    if (row != shown.yDisp())
        scrollTo(row, true);
}

void TerminalView::scrollTo(int row, bool notifyAccessibility)
{
    if (row == terminal_->displayBuffer().yDisp())
        return;
    terminal_->scrollDisplayTo(row);
    terminal_->updateFullScreen();
    updateDisplay(notifyAccessibility);
    if (terminalDelegate_)
        terminalDelegate_->scrolled(*this, scrollPosition());
    refreshScroller();
}

void TerminalView::scrollUp(int lines) { scrollTo(std::max(terminal_->displayBuffer().yDisp() - lines, 0), true); }

void TerminalView::scrollDown(int lines)
{
    Buffer& shown = terminal_->displayBuffer();
    scrollTo(std::max(std::min(shown.yDisp() + lines, shown.lines().count() - shown.rows()), 0), true);
}

void TerminalView::scrollToBottom() { scrollTo(terminal_->displayBuffer().yBase(), true); }

void TerminalView::pageUp()
{
    if (terminal_->isDisplayBufferAlternate()) {
        send(std::span<const uint8_t>(pageUpKey));
        return;
    }
    Buffer& shown = terminal_->displayBuffer();
    scrollTo(std::max(shown.yDisp() - shown.rows(), 0), true);
}

void TerminalView::pageDown()
{
    if (terminal_->isDisplayBufferAlternate()) {
        send(std::span<const uint8_t>(pageDownKey));
        return;
    }
    scrollDown(terminal_->displayBuffer().rows());
}

void TerminalView::ensureCaretIsVisible()
{
    Buffer& shown = terminal_->displayBuffer();
    const int cursorRow = shown.y() + shown.yBase();
    if (cursorRow < shown.yDisp() || cursorRow >= shown.yDisp() + shown.rows())
        scrollTo(shown.yBase(), true);
}

// ---- sending --------------------------------------------------------------------

void TerminalView::send(std::span<const uint8_t> data)
{
    ensureCaretIsVisible();
    if (terminalDelegate_)
        terminalDelegate_->send(*this, data);
}

void TerminalView::send(std::string_view text) { send(bytesOf(text)); }

void TerminalView::sendKeyUp() { send(terminal_->modes().applicationCursor ? "\x1bOA" : "\x1b[A"); }
void TerminalView::sendKeyDown() { send(terminal_->modes().applicationCursor ? "\x1bOB" : "\x1b[B"); }
void TerminalView::sendKeyLeft() { send(terminal_->modes().applicationCursor ? "\x1bOD" : "\x1b[D"); }
void TerminalView::sendKeyRight() { send(terminal_->modes().applicationCursor ? "\x1bOC" : "\x1b[C"); }

} // namespace corvel
