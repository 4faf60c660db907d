// Cursor positioning, erasing, inserting and deleting characters and
// columns, the scroll region, the saved cursor, the alignment pattern and
// line sizes.

#include <algorithm>

#include "corvel/terminal/Terminal.h"

namespace corvel {

namespace {
int positionParam(const SequenceParams& pars, int index)
{
    const int64_t p = pars.at(index, 0);
    return static_cast<int>(std::clamp<int64_t>(p, 1, INT_MAX / 2)) - 1;
}

int countParam(const SequenceParams& pars) { return positionParam(pars, 0) + 1; }

// DECIC (insert) and DECDC: n blank columns in at the cursor's column, or
// n columns out there, on every row of the scroll region up to the right
// margin; the rows no longer wrap. False, changing nothing, when the cursor
// is outside the scroll region or its column outside the margins.
bool shiftRegionColumns(Buffer& b, bool insert, bool marginMode, int cols, int n, const CharData& space)
{
    const int x = b.x();
    if (b.y() < b.scrollTop() || b.y() > b.scrollBottom())
        return false;
    const bool outside = insert ? x > b.marginRight || (marginMode && x < b.marginLeft)
                                : marginMode && (x < b.marginLeft || x > b.marginRight);
    if (outside)
        return false;
    const int rightMargin = marginMode ? b.marginRight : cols - 1;
    for (int row = b.scrollTop(); row <= b.scrollBottom(); ++row) {
        BufferLine& line = b.lines()[b.yBase() + row];
        if (insert)
            line.insertCells(x, n, rightMargin, space);
        else
            line.deleteCells(x, n, rightMargin, space);
        line.isWrapped = false;
    }
    return true;
}
} // namespace

void Terminal::cmdCursorPosition(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    const int row = positionParam(pars, 0);
    const int col = pars.size() >= 2 ? positionParam(pars, 1) : 0;
    setCursor(col, row);
}

void Terminal::cmdEraseInDisplay(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    // Erasing at the cursor takes back a pending wrap, as the editing
    // commands below do.
    b.setPendingWrap(false);
    const CharData erase(eraseAttr(), 0, 1);
    const int y = b.y();
    const int x = b.x();
    switch (pars[0]) {
    case 0: {
        updateRange(y);
        BufferLine& line = cursorLine();
        const int end = std::min(cols, line.count());
        if (x < end)
            line.fill(erase, x, end - x);
        if (x == 0)
            line.isWrapped = false;
        for (int row = y + 1; row < rows; ++row)
            resetBufferLine(row, false);
        updateRange(rows - 1);
        break;
    }
    case 1: {
        updateRange(y);
        BufferLine& line = cursorLine();
        const int end = std::min(x + 1, line.count());
        if (end > 0)
            line.fill(erase, 0, end);
        line.isWrapped = false;
        if (x + 1 >= cols && y + 1 < rows)
            b.lines()[b.yBase() + y + 1].isWrapped = false;
        for (int row = y - 1; row >= 0; --row)
            resetBufferLine(row, false);
        updateRange(0);
        break;
    }
    case 2: eraseScreen(); break;
    case 3: {
        CircularBufferLineList& lines = b.lines();
        const int excess = lines.count() - rows;
        if (excess > 0) {
            // A synchronized-output frame keeps the scroll-back it began with.
            for (int i = 0; synchronizedOutputBuffer && i < excess; ++i)
                keepLineForSynchronizedOutput(b, i);
            lines.trimStart(excess);
            b.linesTop = 0;
            b.setYBase(std::max(b.yBase() - excess, 0));
            b.setYDisp(std::max(b.yDisp() - excess, 0));
        }
        break;
    }
    default: break;
    }
}

void Terminal::eraseScreen()
{
    updateRange(rows - 1);
    for (int row = rows - 1; row >= 0; --row)
        resetBufferLine(row, true);
    clearAllKittyImages();
    updateRange(0);
}

void Terminal::cmdEraseInLine(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    b.setPendingWrap(false);
    const CharData erase(eraseAttr(), 0, 1);
    BufferLine& line = cursorLine();
    const int x = b.x();
    int from = 0;
    int to = 0;
    switch (pars[0]) {
    case 0:
        from = x;
        to = std::min(cols, line.count());
        break;
    case 1: to = std::min(x + 1, line.count()); break;
    case 2: to = std::min(cols, line.count()); break;
    default: break;
    }
    if (to > from)
        line.fill(erase, from, to - from);
    updateRange(b.y());
}

void Terminal::cmdSetScrollRegion(const SequenceParams& pars, const Intermediates& collect)
{
    if (!collect.empty())
        return;
    Buffer& b = *buffer_;
    const int64_t top = std::max<int64_t>(pars[0] - 1, 0);
    const int64_t bottom = pars.size() >= 2 && pars[1] != 0 ? std::min<int64_t>(pars[1], rows) : rows;
    if (top < bottom - 1) {
        b.setScrollTop(static_cast<int>(top));
        b.setScrollBottom(static_cast<int>(bottom - 1));
    }
    setCursor(0, 0);
}

// The saved cursor is the position with its pending wrap, the rendition,
// the character-set slots with the one in use, and origin mode; auto-wrap,
// reverse wrap and the margin mode are not part of it.
void Terminal::cmdSaveCursor(const SequenceParams& /*pars*/, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    b.savedX = b.x();
    b.savedY = b.y();
    b.savedPendingWrap = b.pendingWrap();
    b.savedAttr = curAttr;
    b.savedCharsets = gCharsets;
    b.savedGLevel = gLevel;
    b.savedOriginMode = modes_.originMode;
}

void Terminal::cmdRestoreCursor(const SequenceParams& /*pars*/, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    b.setX(std::clamp(b.savedX, 0, cols - 1));
    b.setY(std::clamp(b.savedY, 0, rows - 1));
    b.setPendingWrap(b.savedPendingWrap);
    curAttr = b.savedAttr;
    gCharsets = b.savedCharsets;
    setgLevel(b.savedGLevel);
    modes_.originMode = b.savedOriginMode;
}

void Terminal::cmdEraseChars(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    b.setPendingWrap(false);
    BufferLine& line = cursorLine();
    const int x = b.x();
    const int end = static_cast<int>(std::min<int64_t>(int64_t{x} + countParam(pars), line.count()));
    if (end > x)
        line.fill(CharData(eraseAttr(), 0, 1), x, end - x);
    updateRange(b.y());
}

void Terminal::cmdInsertChars(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    const int x = b.x();
    if (modes_.marginMode && (x < b.marginLeft || x > b.marginRight))
        return;
    b.setPendingWrap(false);
    const int rightMargin = modes_.marginMode ? b.marginRight : cols - 1;
    cursorLine().insertCells(x, countParam(pars), rightMargin, CharData(eraseAttr(), 0, 1));
    updateRange(b.y());
}

void Terminal::cmdDeleteChars(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    const int x = b.x();
    int n = countParam(pars);
    if (modes_.marginMode) {
        if (x < b.marginLeft || x > b.marginRight)
            return;
        n = std::min(n, b.marginRight - x + 1);
    }
    b.setPendingWrap(false);
    const int rightMargin = modes_.marginMode ? b.marginRight : cols - 1;
    cursorLine().deleteCells(x, n, rightMargin, CharData(eraseAttr(), 0, 1));
    updateRange(b.y());
}

// DECIC and DECDC work on every row of the scroll region.
void Terminal::cmdInsertColumns(const SequenceParams& pars)
{
    Buffer& b = *buffer_;
    if (!shiftRegionColumns(b, true, modes_.marginMode, cols, countParam(pars), CharData(eraseAttr(), 32, 1)))
        return;
    updateRange(b.scrollTop());
    updateRange(b.scrollBottom());
}

void Terminal::cmdDeleteColumns(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    if (!shiftRegionColumns(b, false, modes_.marginMode, cols, countParam(pars), CharData(eraseAttr(), 32, 1)))
        return;
    updateRange(b.scrollTop());
    updateRange(b.scrollBottom());
}

// DECALN also returns the scroll region and the margins to the whole screen
// and leaves origin mode, so the cursor goes to the screen's top-left.
void Terminal::cmdScreenAlignmentPattern()
{
    Buffer& b = *buffer_;
    Attribute attribute(curAttr.fg(), curAttr.bg());
    attribute.setUnderlineColor(curAttr.underlineColor());
    const CharData cell(attribute, 'E', 1);
    b.setScrollTop(0);
    b.setScrollBottom(rows - 1);
    b.resetMargins();
    modes_.originMode = false;
    setCursor(0, 0);
    for (int row = 0; row < rows; ++row) {
        BufferLine& line = b.lines()[b.yBase() + row];
        line.fill(cell, 0, line.count());
        line.isWrapped = false;
    }
    updateFullScreen();
    setCursor(0, 0);
}

void Terminal::setLineRenderMode(BufferLine::RenderLineMode mode)
{
    cursorLine().renderMode = mode;
    updateRange(buffer_->y());
}

} // namespace corvel
