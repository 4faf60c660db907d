// Cursor placement: holding the cursor on the screen and moving it.

#include <algorithm>

#include "corvel/terminal/Terminal.h"

namespace corvel {

void Terminal::restrictCursor(bool setToMaximum)
{
    Buffer& b = *buffer_;
    const bool pending = b.pendingWrap();
    b.setX(std::clamp(b.x(), 0, cols - 1));
    if (modes_.originMode)
        b.setY(std::clamp(b.y(), b.scrollTop(), b.scrollBottom()));
    else
        b.setY(std::clamp(b.y(), 0, rows - 1));
    if (!setToMaximum)
        b.setPendingWrap(pending);
    updateRange(b, b.y());
}

void Terminal::setCursor(int col, int row)
{
    Buffer& b = *buffer_;
    updateRange(b.y());
    if (modes_.originMode) {
        // In origin mode the position stays inside the margins, as it
        // stays inside the scroll region.
        const bool margins = modes_.marginMode;
        b.setX(std::min(col + (margins ? b.marginLeft : 0), margins ? b.marginRight : cols - 1));
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
    int limit = modes_.marginMode ? b.marginRight : cols - 1;
    if (b.x() > limit)
        limit = cols - 1;
    b.setX(static_cast<int>(std::min<int64_t>(int64_t{b.x()} + n, limit)));
}

void Terminal::cursorBackward(int count)
{
    Buffer& b = *buffer_;
    int64_t n = std::max(count, 1);
    const bool reverseWrap = modes_.wraparound && modes_.reverseWraparound;
    if (b.pendingWrap()) {
        // Under reverse wrap the first step only takes back the pending wrap.
        b.setPendingWrap(false);
        if (reverseWrap && --n == 0)
            return;
    }
    const int left = modes_.marginMode ? b.marginLeft : 0;
    if (!reverseWrap) {
        const int limit = b.x() < left ? 0 : left;
        b.setX(static_cast<int>(std::max<int64_t>(int64_t{b.x()} - n, limit)));
        return;
    }

    // Reverse wrap: from the left limit (or left of it) the cursor goes to
    // the right limit of the row above; from the top of the scroll region
    // to its bottom row; from row 0 above the region nowhere.
    const int right = modes_.marginMode ? b.marginRight : cols - 1;
    const int regionRows = b.scrollBottom() - b.scrollTop() + 1;
    const int64_t cycle = int64_t{regionRows} * (right - left + 1);
    int x = b.x();
    int y = b.y();
    bool cycled = false;
    while (n > 0) {
        if (x > left) {
            const int64_t step = std::min<int64_t>(n, x - left);
            x -= static_cast<int>(step);
            n -= step;
            continue;
        }
        if (y > b.scrollTop() && y <= b.scrollBottom()) {
            BufferLine& line = b.lines()[b.yBase() + y];
            if (line.isWrapped && !modes_.marginMode)
                line.isWrapped = false;
            --y;
        } else if (y == b.scrollTop()) {
            y = b.scrollBottom();
        } else if (y > 0) {
            --y;
        } else {
            break;
        }
        x = right;
        --n;
        if (!cycled && y >= b.scrollTop() && y <= b.scrollBottom() && n >= cycle) {
            // Inside the region the moves repeat every cycle steps: skip the
            // whole rounds, whose rows all lose their wrap marks.
            if (!modes_.marginMode) {
                for (int r = b.scrollTop() + 1; r <= b.scrollBottom(); ++r)
                    b.lines()[b.yBase() + r].isWrapped = false;
            }
            n %= cycle;
            cycled = true;
        }
    }
    b.setY(y);
    b.setX(x);
}

} // namespace corvel
