// Relative and absolute cursor moves, tab-stop clearing and the left and
// right margins. Only setCursor() and restrictCursor() mark rows; the view
// draws the cursor from x and y on its own.

#include <algorithm>

#include "corvel/terminal/Terminal.h"

namespace corvel {

namespace {

// A count: 0 and 1 both mean 1; large values stay within int.
int countParam(const SequenceParams& pars, int index = 0)
{
    return static_cast<int>(std::clamp<int64_t>(pars.at(index, 0), 1, INT_MAX / 2));
}

// A 1-based position made 0-based: 0 and 1 both give the first.
int positionParam(const SequenceParams& pars, int index = 0) { return countParam(pars, index) - 1; }

} // namespace

void Terminal::cmdCursorUp(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    const int top = b.y() < b.scrollTop() ? 0 : b.scrollTop();
    b.setY(std::max(b.y() - countParam(pars), top));
}

void Terminal::cmdCursorDown(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    const int bottom = b.y() > b.scrollBottom() ? rows - 1 : b.scrollBottom();
    b.setY(std::min(b.y() + countParam(pars), bottom));
}

// In origin mode CHA counts from the left margin and stops at the right one.
void Terminal::cmdCursorCharAbsolute(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    const bool margins = modes_.originMode && modes_.marginMode;
    b.setX(std::min(positionParam(pars) + (margins ? b.marginLeft : 0), margins ? b.marginRight : cols - 1));
}

// HPA counts from the origin as CHA does.
void Terminal::cmdCharPosAbsolute(const SequenceParams& pars, const Intermediates& collect)
{
    cmdCursorCharAbsolute(pars, collect);
}

// HPR and VPR pass the margins and the scroll region, except in origin mode,
// where they stay inside them as CUP does.
void Terminal::cmdHPositionRelative(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    const int right = modes_.originMode && modes_.marginMode ? b.marginRight : cols - 1;
    b.setX(std::min(b.x() + countParam(pars), right));
}

// VPA counts from the top of the scroll region in origin mode and stays
// inside it, as CUP does.
void Terminal::cmdLinePosAbsolute(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    if (modes_.originMode)
        b.setY(static_cast<int>(std::min<int64_t>(int64_t{positionParam(pars)} + b.scrollTop(), b.scrollBottom())));
    else
        b.setY(std::min(countParam(pars), rows) - 1);
}

void Terminal::cmdVPositionRelative(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    b.setY(std::min(b.y() + countParam(pars), modes_.originMode ? b.scrollBottom() : rows - 1));
}

void Terminal::cmdHVPosition(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    const int row = positionParam(pars, 0) + (modes_.originMode ? b.scrollTop() : 0);
    if (row >= 0)
        b.setY(std::min(row, rows - 1));
    const int col
        = (pars.size() >= 2 ? positionParam(pars, 1) : 0) + (modes_.originMode && modes_.marginMode ? b.marginLeft : 0);
    b.setX(std::min(col, cols - 1));
}

void Terminal::cmdTabClear(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    Buffer& b = *buffer_;
    switch (pars[0]) {
    case 0: b.tabClear(b.x()); break;
    case 3: b.tabStops.assign(b.tabStops.size(), false); break;
    default: break;
    }
}

void Terminal::cmdSetMargins(const SequenceParams& pars, const Intermediates& collect)
{
    if (!collect.empty())
        return;
    Buffer& b = *buffer_;
    const int64_t left = std::max<int64_t>(pars[0] - 1, 0);
    const int64_t right = std::clamp<int64_t>(pars.size() >= 2 ? pars[1] - 1 : cols - 1, 0, cols - 1);
    b.marginRight = static_cast<int>(right);
    b.marginLeft = static_cast<int>(std::min(left, right));
}

} // namespace corvel
