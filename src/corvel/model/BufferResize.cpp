#include <algorithm>
#include <climits>

#include "corvel/base/Diagnostics.h"
#include "corvel/model/Buffer.h"

namespace corvel {

// Gives every line the ring holds, used or not, newCols cells. Empty slots
// stay empty: the ring's factory makes lines of the screen's width once the
// new size is in place.
void Buffer::resizeStoredLines(int newCols)
{
    lines_.forEachStored([newCols](const std::shared_ptr<BufferLine>& line) {
        if (line)
            line->resize(newCols, CharData::Null);
    });
}

void Buffer::resize(int newCols, int newRows)
{
    newCols = std::max(newCols, 1);
    newRows = std::max(newRows, 1);

    // Margins that span the whole width keep doing so; narrowed ones are
    // clamped to the new width.
    if (!marginMode || (marginLeft == 0 && marginRight == cols_ - 1) || newCols - 1 < marginRight)
        marginRight = newCols - 1;
    if (!marginMode)
        marginLeft = 0;
    if (marginLeft >= marginRight)
        marginLeft = marginRight;

    const int newMaxLength = getCorrectBufferLength(newRows);
    // The ring grows before any line moves.
    if (lines_.maxLength() < newMaxLength)
        lines_.setMaxLength(newMaxLength);

    int pulled = 0;
    if (lines_.count() > 0) {
        if (cols_ < newCols)
            resizeStoredLines(newCols);

        if (rows_ < newRows) {
            // Rows come back from the scroll-back while there is any; blank
            // rows are added at the bottom after that.
            for (int r = rows_; r < newRows; ++r) {
                if (lines_.count() >= newRows + yBase_)
                    continue;
                if (yBase_ > 0 && lines_.count() <= yBase_ + r + pulled + 1) {
                    --yBase_;
                    ++pulled;
                    if (yDisp_ > 0)
                        --yDisp_;
                } else {
                    lines_.push(std::make_shared<BufferLine>(newCols, CharData::Null, false));
                }
            }
        } else if (rows_ > newRows) {
            // Rows below the cursor go first; once the cursor's row is the
            // last, the top rows move into the scroll-back.
            for (int r = rows_; r > newRows; --r) {
                if (lines_.count() <= newRows + yBase_)
                    continue;
                if (lines_.count() > yBase_ + y_ + 1) {
                    lines_.pop();
                } else {
                    ++yBase_;
                    ++yDisp_;
                }
            }
        }

        if (newMaxLength < lines_.maxLength()) {
            const int excess = lines_.count() - newMaxLength;
            if (excess > 0) {
                // On a screen without scroll-back the excess is the rows that
                // just moved up off the screen; the saved row follows them.
                lines_.trimStart(excess);
                yBase_ = std::max(yBase_ - excess, 0);
                yDisp_ = std::max(yDisp_ - excess, 0);
                savedY = std::max(savedY - excess, 0);
            }
            lines_.setMaxLength(newMaxLength);
        }
    } else if (newMaxLength < lines_.maxLength()) {
        lines_.setMaxLength(newMaxLength);
    }

    // The cursor stays on its content: rows pulled from the scroll-back push
    // it down.
    if (pendingWrap_ && newCols != cols_) {
        // A pending wrap stands for the column after the last one; on a
        // wider screen that column exists.
        ++x_;
        pendingWrap_ = false;
    }
    x_ = std::min(x_, newCols - 1);
    y_ = std::min(y_, newRows - 1) + pulled;
    savedX = std::min(savedX, newCols - 1);
    scrollTop_ = 0;
    scrollBottom_ = newRows - 1;

    tabStops.resize(static_cast<size_t>(newCols), false);

    if (isReflowEnabled() && cols_ != newCols) {
        if (cols_ < newCols) {
            reflowWider(cols_, newCols, newRows);
        } else {
            reflowNarrower(cols_, newCols, newRows);
        }
        recalculateLinesWithImagesCount();
        if (newCols < cols_)
            resizeStoredLines(newCols);
    }

    if (lines_.count() > 0) {
        lines_.forEachStored([newCols](const std::shared_ptr<BufferLine>& line) {
            if (line && line->count() < newCols) {
                writeDiagnosticf("stop here newCols=%d but the element has: %d", newCols, line->count());
            }
        });
    }

    cols_ = newCols;
    rows_ = newRows;
}

} // namespace corvel
