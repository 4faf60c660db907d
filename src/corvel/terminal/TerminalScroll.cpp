// Line feed, index and scrolling: whole lines move up and down inside the
// scroll region (into scroll-back when the region starts at the top), and
// columns move sideways inside the left and right margins.

#include <algorithm>

#include "corvel/base/Diagnostics.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {

namespace {

const char* boolText(bool value) { return value ? "true" : "false"; }

// Copies the margin columns of one line into another, clamped to both lines.
void copyMarginCells(BufferLine& to, const BufferLine& from, int left, int right)
{
    const int end = std::min({right + 1, to.count(), from.count()});
    if (end > left)
        to.copyFrom(from, left, left, end - left);
}

void fillMarginCells(BufferLine& line, const CharData& cell, int left, int right)
{
    const int end = std::min(right + 1, line.count());
    if (end > left)
        line.fill(cell, left, end - left);
}

// Without left and right margins every column is inside them.
bool marginsHold(const Buffer& b) { return !b.marginMode || (b.x() >= b.marginLeft && b.x() <= b.marginRight); }

// Moves the lines first+1 .. last up by one and puts the line that was at
// first (or, with up false, moves first .. last-1 down and puts the line
// that was at last) into the freed slot, blanked to `fill`. Lines are moved
// by reference, never copied or allocated.
void rotateLines(CircularBufferLineList& lines, int first, int last, bool up, const CharData& fill, int cols)
{
    std::shared_ptr<BufferLine> line = lines.get(up ? first : last);
    if (up) {
        for (int r = first; r < last; ++r)
            lines.set(r, lines.get(r + 1));
    } else {
        for (int r = last; r > first; --r)
            lines.set(r, lines.get(r - 1));
    }
    if (line->count() != cols)
        line->resize(cols, fill);
    line->fill(fill, 0, line->count());
    line->isWrapped = false;
    line->renderMode = BufferLine::RenderLineMode::single;
    lines.set(up ? last : first, std::move(line));
}

// Clamps a count from the parser's first parameter: 0 and 1 both mean 1.
int countParam(const SequenceParams& pars, int limit)
{
    const int64_t n = std::max<int64_t>(pars[0], 1);
    return static_cast<int>(std::min<int64_t>(n, std::max(limit, 1)));
}

} // namespace

Attribute Terminal::eraseAttr() const { return Attribute(Attribute::Color::defaultColor, curAttr.bg()); }

void Terminal::ensureBlankLine()
{
    const Attribute erase = eraseAttr();
    if (blankLine_->count() == cols && blankLine_->count() > 0 && (*blankLine_)[0].attribute == erase)
        return;
    blankLine_ = std::make_unique<BufferLine>(cols, CharData(erase, 0, 1));
}

BufferLine& Terminal::cursorLine() { return buffer_->lines()[buffer_->yBase() + buffer_->y()]; }

void Terminal::scroll(bool isWrapped)
{
    Buffer& b = *buffer_;
    CircularBufferLineList& lines = b.lines();
    ensureBlankLine();
    blankLine_->isWrapped = isWrapped;

    const int topRow = b.yBase() + b.scrollTop();
    const int bottomRow = b.yBase() + b.scrollBottom();
    const bool partialWidth = modes_.marginMode && (b.marginLeft > 0 || b.marginRight < cols - 1);

    if (partialWidth) {
        for (int r = topRow; r < bottomRow; ++r) {
            BufferLine& line = lines[r];
            copyMarginCells(line, lines[r + 1], b.marginLeft, b.marginRight);
            line.isWrapped = false;
            b.clearImagesFromLine(r);
            line.renderMode = BufferLine::RenderLineMode::single;
        }
        BufferLine& bottom = lines[bottomRow];
        fillMarginCells(bottom, CharData(eraseAttr(), 0, 1), b.marginLeft, b.marginRight);
        bottom.isWrapped = false;
        b.clearImagesFromLine(bottomRow);
        bottom.renderMode = BufferLine::RenderLineMode::single;
    } else if (b.scrollTop() > 0) {
        if (bottomRow >= lines.count()) {
            writeDiagnosticf("scroll: bottomRow %d >= lines.count %d, state: yBase=%d scrollTop=%d scrollBottom=%d "
                             "isAlternate=%s",
                             bottomRow,
                             lines.count(),
                             b.yBase(),
                             b.scrollTop(),
                             b.scrollBottom(),
                             boolText(isCurrentBufferAlternate()));
            return;
        }
        // The region's top line leaves the screen; it is reused as the new
        // bottom line instead of allocating one.
        if (b.hasAnyImages())
            b.clearImagesFromLine(topRow);
        std::shared_ptr<BufferLine> discarded = lines.get(topRow);
        if (b.scrollBottom() > b.scrollTop()
            && !lines.shiftElements(topRow + 1, b.scrollBottom() - b.scrollTop(), -1)) {
            writeDiagnosticf(
                "Assertion on scroll, state was: bottomRow=%d topRow=%d yDisp=%d linesTop=%d isAlternate=%s",
                bottomRow,
                topRow,
                b.yDisp(),
                b.linesTop,
                boolText(isCurrentBufferAlternate()));
            discarded = std::make_shared<BufferLine>(*blankLine_);
        }
        discarded->copyFrom(*blankLine_);
        discarded->renderMode = BufferLine::RenderLineMode::single;
        lines.set(bottomRow, std::move(discarded));
    } else {
        auto dropAdjustment = [&] {
            if (b.hasScrollback())
                b.linesTop += 1;
            if (userScrolling)
                b.setYDisp(std::max(b.yDisp() - 1, 0));
        };
        const bool full = lines.count() == lines.maxLength();
        if (bottomRow == lines.count() - 1) {
            if (full) {
                // The oldest line becomes the new bottom line in place: a copy
                // of the template into its cells, with no allocation and no
                // pointer moved.
                if (b.hasAnyImages())
                    b.clearImagesFromLine(0);
                // A synchronized-output frame that shows the line keeps it.
                if (synchronizedOutputBuffer && keepLineForSynchronizedOutput(b, 0))
                    lines.set(0, std::make_shared<BufferLine>(*blankLine_));
                BufferLine& oldest = lines[0];
                oldest.copyFrom(*blankLine_);
                oldest.renderMode = BufferLine::RenderLineMode::single;
                lines.rotateOldestToNewest();
                dropAdjustment();
            } else {
                lines.push(std::make_shared<BufferLine>(*blankLine_));
                b.setYBase(b.yBase() + 1);
                if (!userScrolling)
                    b.setYDisp(b.yDisp() + 1);
            }
        } else {
            if (full && synchronizedOutputBuffer)
                keepLineForSynchronizedOutput(b, 0);
            std::vector<std::shared_ptr<BufferLine>> items{std::make_shared<BufferLine>(*blankLine_)};
            lines.splice(bottomRow + 1, 0, std::move(items), [](int) {});
            if (full) {
                dropAdjustment();
            } else {
                b.setYBase(b.yBase() + 1);
                if (!userScrolling)
                    b.setYDisp(b.yDisp() + 1);
            }
        }
    }

    if (!userScrolling)
        b.setYDisp(b.yBase());
    updateRange(b.scrollTop(), true);
    updateRange(b.scrollBottom(), true);
    if (!b.hasScrollback()) {
        updateRange(b.scrollTop());
        updateRange(b.scrollBottom());
    }
    if (b.hasAnyImages())
        updateKittyRelativePlacementsForCurrentBuffer();
    if (tdel)
        tdel->scrolled(*this, b.yDisp());
}

void Terminal::cmdIndex()
{
    restrictCursor(true);
    Buffer& b = *buffer_;
    if (b.y() == b.scrollBottom()) {
        if (marginsHold(b))
            scroll(false);
    } else if (b.y() < rows - 1) {
        // Inside the region, and below it down to the last row.
        b.setY(b.y() + 1);
    }
}

// NEL: an index, then a carriage return.
void Terminal::cmdNextLine()
{
    cmdIndex();
    cmdCarriageReturn();
}

void Terminal::emitLineFeed()
{
    if (tdel)
        tdel->linefeed(*this);
}

void Terminal::reverseIndex()
{
    restrictCursor(true);
    Buffer& b = *buffer_;
    if (b.y() != b.scrollTop()) {
        if (b.y() > 0)
            b.setY(b.y() - 1);
        return;
    }
    if (!marginsHold(b))
        return;

    CircularBufferLineList& lines = b.lines();
    const int h = b.yBase() + b.scrollTop();
    const int topRow = h;
    const int bottomRow = b.yBase() + b.scrollBottom();
    if (h >= lines.count()) {
        writeDiagnosticf("reverseIndex: start index %d >= lines.count %d, state: y=%d yBase=%d scrollTop=%d "
                         "scrollBottom=%d isAlternate=%s",
                         h,
                         lines.count(),
                         b.y(),
                         b.yBase(),
                         b.scrollTop(),
                         b.scrollBottom(),
                         boolText(isCurrentBufferAlternate()));
        return;
    }
    const CharData erase(eraseAttr(), 0, 1);
    const bool partialWidth = modes_.marginMode && (b.marginLeft > 0 || b.marginRight < cols - 1);
    if (!partialWidth) {
        // The region's bottom line is discarded; it comes back as the new top line.
        b.clearImagesFromLine(bottomRow);
        std::shared_ptr<BufferLine> discarded = lines.get(bottomRow);
        if (!lines.shiftElements(h, b.scrollBottom() - b.scrollTop(), 1)) {
            writeDiagnosticf("Assertion on reverseIndex, state was: y=%d scrollTop=%d  yDisp=%d linesTop=%d "
                             "isAlternate=%s",
                             b.y(),
                             b.scrollTop(),
                             b.yDisp(),
                             b.linesTop,
                             boolText(isCurrentBufferAlternate()));
            discarded = std::make_shared<BufferLine>(cols, erase);
        }
        if (discarded->count() != cols)
            discarded->resize(cols, erase);
        discarded->fill(erase, 0, discarded->count());
        discarded->isWrapped = false;
        discarded->renderMode = BufferLine::RenderLineMode::single;
        lines.set(h, std::move(discarded));
    } else {
        for (int r = bottomRow; r > topRow; --r) {
            BufferLine& line = lines[r];
            copyMarginCells(line, lines[r - 1], b.marginLeft, b.marginRight);
            line.isWrapped = false;
            b.clearImagesFromLine(r);
            line.renderMode = BufferLine::RenderLineMode::single;
        }
        BufferLine& top = lines[topRow];
        fillMarginCells(top, erase, b.marginLeft, b.marginRight);
        top.isWrapped = false;
        b.clearImagesFromLine(topRow);
        top.renderMode = BufferLine::RenderLineMode::single;
    }
    updateRange(b.scrollTop());
    updateRange(b.scrollBottom());
}

void Terminal::cmdScrollUp(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    CircularBufferLineList& lines = b.lines();
    const int regionHeight = b.scrollBottom() - b.scrollTop() + 1;
    // Scrolling a region by more than its height leaves it as blank as
    // scrolling it by exactly its height.
    const int count = std::min(countParam(pars, 2 * rows), regionHeight);
    const int topRow = b.yBase() + b.scrollTop();
    const int bottomRow = b.yBase() + b.scrollBottom();
    if (modes_.marginMode) {
        for (int i = 0; i < count; ++i) {
            for (int r = topRow; r < bottomRow; ++r)
                copyMarginCells(lines[r], lines[r + 1], b.marginLeft, b.marginRight);
            fillMarginCells(lines[bottomRow], CharData::Null, b.marginLeft, b.marginRight);
        }
    } else {
        for (int i = 0; i < count; ++i) {
            if (b.hasAnyImages())
                b.clearImagesFromLine(topRow);
            rotateLines(lines, topRow, bottomRow, true, CharData::Null, cols);
        }
    }
    updateRange(b.scrollTop());
    updateRange(b.scrollBottom());
}

void Terminal::cmdScrollDown(const SequenceParams& pars)
{
    Buffer& b = *buffer_;
    CircularBufferLineList& lines = b.lines();
    const int regionHeight = b.scrollBottom() - b.scrollTop() + 1;
    const int count = std::min(countParam(pars, rows), regionHeight);
    const int topRow = b.yBase() + b.scrollTop();
    const int bottomRow = b.yBase() + b.scrollBottom();
    for (int i = 0; i < count; ++i) {
        for (int r = bottomRow; r > topRow; --r)
            copyMarginCells(lines[r], lines[r - 1], b.marginLeft, b.marginRight);
        fillMarginCells(lines[topRow], CharData::Null, b.marginLeft, b.marginRight);
    }
    updateRange(b.scrollTop());
    updateRange(b.scrollBottom());
}

void Terminal::cmdInsertLines(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    const int y = b.y();
    if (y < b.scrollTop() || y > b.scrollBottom())
        return;
    CircularBufferLineList& lines = b.lines();
    // More lines than the rows from the cursor to the region's bottom blank
    // the same rows as exactly that many.
    const int count = std::min(countParam(pars, 2 * lines.maxLength()), b.scrollBottom() - y + 1);
    const CharData erase(eraseAttr(), 0, 1);
    if (modes_.marginMode) {
        if (marginsHold(b)) {
            for (int i = 0; i < count; ++i) {
                for (int r = b.yBase() + b.scrollBottom(); r > b.yBase() + y; --r)
                    copyMarginCells(lines[r], lines[r - 1], b.marginLeft, b.marginRight);
                fillMarginCells(lines[b.yBase() + y], erase, b.marginLeft, b.marginRight);
            }
        }
    } else {
        const int bottomRow = b.yBase() + b.scrollBottom();
        for (int i = 0; i < count; ++i) {
            if (b.hasAnyImages())
                b.clearImagesFromLine(bottomRow);
            rotateLines(lines, b.yBase() + y, bottomRow, false, erase, cols);
        }
    }
    updateRange(y);
    updateRange(b.scrollBottom());
}

void Terminal::cmdDeleteLines(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    restrictCursor(true);
    Buffer& b = *buffer_;
    const int y = b.y();
    CircularBufferLineList& lines = b.lines();
    const int requested = countParam(pars, rows + 1);
    const bool outside = y < b.scrollTop() || y > b.scrollBottom() || (modes_.marginMode && !marginsHold(b));
    if (!outside) {
        const int count = std::min(requested, b.scrollBottom() - y + 1);
        const CharData erase(eraseAttr(), 0, 1);
        const int bottomRow = b.yBase() + b.scrollBottom();
        if (modes_.marginMode) {
            for (int i = 0; i < count; ++i) {
                for (int r = b.yBase() + y; r < bottomRow; ++r)
                    copyMarginCells(lines[r], lines[r + 1], b.marginLeft, b.marginRight);
                fillMarginCells(lines[bottomRow], erase, b.marginLeft, b.marginRight);
            }
        } else {
            for (int i = 0; i < count; ++i) {
                if (b.hasAnyImages())
                    b.clearImagesFromLine(b.yBase() + y);
                rotateLines(lines, b.yBase() + y, bottomRow, true, erase, cols);
            }
        }
    }
    updateRange(y);
    updateRange(b.scrollBottom());
}

void Terminal::columnIndex(bool back)
{
    Buffer& b = *buffer_;
    if (back) {
        if (b.x() == b.marginLeft)
            columnScroll(true, b.x());
        else
            cursorBackward(1);
        return;
    }
    // At the right margin the columns move, also with a wrap pending there.
    if (b.x() == b.marginRight)
        columnScroll(false, b.marginLeft);
    else
        cursorForward(1);
}

void Terminal::columnScroll(bool back, int at)
{
    Buffer& b = *buffer_;
    if (b.y() < b.scrollTop() || b.y() > b.scrollBottom() || !marginsHold(b))
        return;
    const int edge = modes_.marginMode ? b.marginRight : cols - 1;
    const CharData space(eraseAttr(), ' ', 1);
    CircularBufferLineList& lines = b.lines();
    for (int r = b.yBase() + b.scrollTop(); r <= b.yBase() + b.scrollBottom(); ++r) {
        BufferLine& line = lines[r];
        const int right = std::min(edge, line.count() - 1);
        if (at > right)
            continue;
        if (back)
            line.insertCells(at, 1, right, space);
        else
            line.deleteCells(at, 1, right, space);
    }
    updateRange(b.scrollTop());
    updateRange(b.scrollBottom());
}

void Terminal::resetBufferLine(int y, bool clearImages)
{
    Buffer& b = *buffer_;
    const int index = b.yBase() + y;
    if (clearImages)
        b.clearImagesFromLine(index);
    BufferLine& line = b.lines()[index];
    const int n = std::min(cols, line.count());
    if (n > 0)
        line.fill(CharData(eraseAttr(), 0, 1), 0, n);
    line.isWrapped = false;
    line.renderMode = BufferLine::RenderLineMode::single;
    updateRange(y);
}

} // namespace corvel
