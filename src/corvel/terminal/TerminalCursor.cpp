// Cursor placement: holding the cursor on the screen and moving it.

#include <algorithm>

#include "corvel/terminal/Terminal.h"

namespace corvel {

void Terminal::restrictCursor(bool setToMaximum)
{
    Buffer& b = *buffer_;
    b.setX(std::clamp(b.x(), 0, setToMaximum ? cols - 1 : cols));
    if (originMode)
        b.setY(std::clamp(b.y(), b.scrollTop(), b.scrollBottom()));
    else
        b.setY(std::clamp(b.y(), 0, rows - 1));
    updateRange(b, b.y());
}

void Terminal::setCursor(int col, int row)
{
    Buffer& b = *buffer_;
    updateRange(b.y());
    if (originMode) {
        b.setX(col + (marginMode ? b.marginLeft : 0));
        b.setY(row + b.scrollTop());
    } else {
        b.setX(col);
        b.setY(row);
    }
    restrictCursor(true);
}

void Terminal::cursorForward(int count)
{
    Buffer& b = *buffer_;
    const int n = std::max(count, 1);
    int limit = marginMode ? b.marginRight : cols - 1;
    if (b.x() > limit)
        limit = cols - 1;
    b.setX(static_cast<int>(std::min<int64_t>(int64_t{b.x()} + n, limit)));
}

void Terminal::cursorBackward(int count)
{
    Buffer& b = *buffer_;
    const int n = std::max(count, 1);
    int limit = marginMode ? b.marginLeft : 0;
    if (b.x() < limit)
        limit = 0;
    b.setX(static_cast<int>(std::max<int64_t>(int64_t{b.x()} - n, limit)));
}

} // namespace corvel
