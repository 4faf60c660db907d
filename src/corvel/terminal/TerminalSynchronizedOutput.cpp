// Synchronized output (private mode 2026): while a program draws a frame,
// the view shows a frozen copy of the screen taken when the frame began.

#include <algorithm>
#include <chrono>
#include <memory>

#include "corvel/terminal/Terminal.h"

namespace corvel {

void Terminal::beginSynchronizedOutput()
{
    if (synchronizedOutputActive) {
        if (!synchronizedOutputBuffer)
            synchronizedOutputBuffer = snapshotBuffer(*buffer_);
        scheduleSynchronizedOutputTimeout();
        return;
    }
    synchronizedOutputActive = true;
    synchronizedOutputBuffer = snapshotBuffer(*buffer_);
    synchronizedOutputBufferIsAlternate = isCurrentBufferAlternate();
    scheduleSynchronizedOutputTimeout();
    if (tdel)
        tdel->synchronizedOutputChanged(*this, true);
}

void Terminal::endSynchronizedOutput()
{
    if (!synchronizedOutputActive)
        return;
    synchronizedOutputActive = false;
    synchronizedOutputBuffer.reset();
    synchronizedOutputBufferIsAlternate = false;
    synchronizedOutputTimeoutItem.cancel();
    synchronizedOutputTimeoutItem = {};
    updateRange(0);
    updateRange(rows - 1);
    if (tdel)
        tdel->synchronizedOutputChanged(*this, false);
}

// The view scrolls what it shows: a frozen frame while one is shown. The
// live screen moves with it only when it is the frame's own screen (a
// program may have switched screens inside the frame), and never past its
// own lines.
void Terminal::scrollDisplayTo(int row)
{
    if (synchronizedOutputBuffer) {
        synchronizedOutputBuffer->setYDisp(std::clamp(row, 0, synchronizedOutputBuffer->yBase()));
        if (isCurrentBufferAlternate() != synchronizedOutputBufferIsAlternate)
            return;
    }
    buffer_->setYDisp(std::clamp(row, 0, buffer_->yBase()));
}

// Each begin pushes the deadline to the timeout after the latest begin.
// Without an executor nothing is scheduled: the frame ends on the explicit
// end, a reset or a resize.
void Terminal::scheduleSynchronizedOutputTimeout()
{
    synchronizedOutputTimeoutItem.cancel();
    synchronizedOutputTimeoutItem = {};
    if (!executor_)
        return;
    const auto delay = std::chrono::duration_cast<Executor::Duration>(
        std::chrono::duration<double>(synchronizedOutputTimeoutSeconds));
    std::weak_ptr<int> alive = lifetime_;
    synchronizedOutputTimeoutItem = executor_->postDelayed(delay, [this, alive] {
        if (alive.expired() || !synchronizedOutputActive)
            return;
        endSynchronizedOutput();
    });
}

// A copy of what the view can show: the rows from the top of the view (or
// of the screen, whichever is higher) down are copied. Older scroll-back
// lines, which output does not edit, are shared with the live screen when
// the view first reads them, so a frame costs the visible rows, not the
// scroll-back. Ring indexes stay those of the source, so positions read
// from the copy mean the same lines. A line that output drops or reuses
// meanwhile (a full ring, ED 3) is first handed to the copy
// (keepLineForSynchronizedOutput), so the frame keeps showing it.
std::unique_ptr<Buffer> Terminal::snapshotBuffer(Buffer& source)
{
    auto copy = std::make_unique<Buffer>(source.cols(), source.rows(), tabStopWidth, source.scrollback());
    copy->scroll = [](bool) {};
    CircularBufferLineList& from = source.lines();
    CircularBufferLineList& to = copy->lines();
    if (to.maxLength() != from.maxLength())
        to.setMaxLength(from.maxLength());
    const int count = from.count();
    to.setCount(count);
    const int firstCopied = std::clamp(std::min(source.yDisp(), source.yBase()), 0, count);
    for (int i = firstCopied; i < count; ++i)
        to.set(i, std::make_shared<BufferLine>(from[i]));
    // The copy never pushes, so its slot numbers are its line indexes. Live
    // lines move up by the lines a full ring dropped since the copy was made;
    // a line that is gone reads as blank.
    const int linesTopAtCopy = source.linesTop;
    const int cols = source.cols();
    to.makeEmpty = [&source, linesTopAtCopy, cols](int slot) {
        const int index = slot - (source.linesTop - linesTopAtCopy);
        if (index >= 0 && index < source.lines().count())
            return source.lines().get(index);
        return std::make_shared<BufferLine>(cols);
    };
    copy->setLinesWithImagesCount(source.linesWithImagesCount());
    copy->setYBase(source.yBase());
    copy->setYDisp(source.yDisp());
    copy->linesTop = source.linesTop;
    copy->setX(source.x());
    copy->setY(source.y());
    copy->setPendingWrap(source.pendingWrap());
    copy->setScrollTop(source.scrollTop());
    copy->setScrollBottom(source.scrollBottom());
    copy->tabStops = source.tabStops;
    copy->savedX = source.savedX;
    copy->savedY = source.savedY;
    copy->savedPendingWrap = source.savedPendingWrap;
    copy->savedAttr = source.savedAttr;
    copy->savedCharsets = source.savedCharsets;
    copy->savedGLevel = source.savedGLevel;
    copy->savedOriginMode = source.savedOriginMode;
    copy->marginLeft = source.marginLeft;
    copy->marginRight = source.marginRight;
    copy->insertMode = source.insertMode;
    copy->marginMode = source.marginMode;
    copy->wraparound = source.wraparound;
    return copy;
}

bool Terminal::keepLineForSynchronizedOutput(Buffer& screen, int index)
{
    Buffer* shown = synchronizedOutputBufferIsAlternate ? altBuffer_.get() : normalBuffer_.get();
    if (!synchronizedOutputBuffer || &screen != shown)
        return false;
    CircularBufferLineList& frame = synchronizedOutputBuffer->lines();
    // The inverse of the copy's mapping from its slots to live lines.
    const int slot = index + (screen.linesTop - synchronizedOutputBuffer->linesTop);
    if (slot < 0 || slot >= frame.count())
        return false;
    const std::shared_ptr<BufferLine>& line = screen.lines().get(index);
    const BufferLine* held = frame.stored(slot);
    if (held && held != line.get())
        return false; // the frame has a copy of its own
    frame.set(slot, line);
    return true;
}

} // namespace corvel
