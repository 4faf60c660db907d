#include <algorithm>
#include <memory>
#include <vector>

#include "corvel/model/Buffer.h"

namespace corvel {

// Rewrapping of the normal screen when its width changes. A logical line is a
// line plus the wrapped lines that follow it. Getting wider moves the text of
// continuation lines up and drops the lines that end up empty; getting
// narrower spreads a logical line over its own lines plus new continuation
// lines inserted after it. The logical line holding the cursor is left alone
// (the shell redraws it), and the cursor and the viewport stay on their
// content.

namespace {

using LinePtr = std::shared_ptr<BufferLine>;

// An empty cell for rewrapping: no character, width 1, default attribute.
bool isEmptyCell(const CharData& cell)
{
    return cell.code == 0 && cell.width == 1 && cell.attribute == CharData::Null.attribute;
}

// The lengths every line of a group contributes, in order.
std::vector<int> contributedLengths(const std::vector<LinePtr>& group, int oldCols)
{
    std::vector<int> lengths(group.size());
    for (size_t i = 0; i < group.size(); ++i) {
        const BufferLine* next = i + 1 < group.size() ? group[i + 1].get() : nullptr;
        lengths[i] = Buffer::getWrappedLineTrimmedLength(*group[i], next, oldCols);
    }
    return lengths;
}

} // namespace

int Buffer::getWrappedLineTrimmedLength(const BufferLine& line, const BufferLine* next, int width)
{
    if (!next)
        return line.getTrimmedLength();
    if (width >= 1 && isEmptyCell(line[width - 1]) && (*next)[0].width == 2)
        return width - 1;
    return width;
}

std::vector<int> Buffer::getNewLineLengths(const std::vector<std::shared_ptr<BufferLine>>& group, int oldCols,
                                           int newCols)
{
    const std::vector<int> sourceLengths = contributedLengths(group, oldCols);
    int needed = 0;
    for (int length : sourceLengths)
        needed += length;

    std::vector<int> result;
    int available = 0;
    size_t s = 0;
    int sc = 0;
    while (available < needed) {
        if (needed - available < newCols) {
            result.push_back(needed - available);
            break;
        }
        sc += newCols;
        while (s < group.size() && sc > sourceLengths[s]) {
            sc -= sourceLengths[s];
            ++s;
        }
        int length = newCols;
        if (s < group.size() && sc >= 1 && (*group[s])[sc - 1].width == 2 && newCols > 1) {
            --sc;
            length = newCols - 1;
        }
        result.push_back(length);
        available += length;
    }
    return result;
}

namespace {

// The trailing lines of the ring below the cursor that hold nothing at all
// and are not continuations; rewrapping may give them up instead of pushing
// text into the scroll-back.
int countTrailingBlankLines(CircularBufferLineList& lines, int cursorIndex)
{
    int n = 0;
    for (int i = lines.count() - 1; i > cursorIndex; --i) {
        const BufferLine& line = lines[i];
        if (line.isWrapped || line.hasAnyContent())
            break;
        ++n;
    }
    return n;
}

} // namespace

// ---- wider ---------------------------------------------------------------------

std::vector<std::pair<int, int>> Buffer::getLinesToRemove(int oldCols, int newCols, int bufferAbsoluteY)
{
    std::vector<std::pair<int, int>> removal;
    const int count = lines_.count();
    int g = 0;
    while (g < count - 1) {
        if (!lines_[g + 1].isWrapped) {
            ++g;
            continue;
        }
        int end = g + 1;
        while (end < count && lines_[end].isWrapped)
            ++end;
        if (g <= bufferAbsoluteY && bufferAbsoluteY < end) {
            g = end;
            continue;
        }

        std::vector<LinePtr> group;
        group.reserve(static_cast<size_t>(end - g));
        for (int i = g; i < end; ++i)
            group.push_back(lines_.get(i));
        const int size = static_cast<int>(group.size());
        const std::vector<int> sourceLengths = contributedLengths(group, oldCols);

        // Move the text up: destination (d, dc), source (s, sc).
        int d = 0;
        int dc = sourceLengths[0];
        int s = 1;
        int sc = 0;
        while (s < size) {
            const int sl = sourceLengths[static_cast<size_t>(s)];
            const int n = std::min(sl - sc, newCols - dc);
            group[static_cast<size_t>(d)]->copyFrom(*group[static_cast<size_t>(s)], sc, dc, n);
            dc += n;
            if (dc >= newCols) {
                ++d;
                dc = 0;
            }
            sc += n;
            if (sc >= sl) {
                ++s;
                sc = 0;
            }
            if (dc == 0 && d != 0 && d < size) {
                BufferLine& previous = *group[static_cast<size_t>(d - 1)];
                if (previous[newCols - 1].width == 2) {
                    // A wide character never straddles the line end.
                    group[static_cast<size_t>(d)]->set(0, previous[newCols - 1]);
                    dc = 1;
                    previous.set(newCols - 1, CharData::Null);
                }
            }
        }
        if (d < size) {
            BufferLine& last = *group[static_cast<size_t>(d)];
            last.replaceCells(dc, std::min(newCols, last.count()), CharData::Null);
        }

        // Trailing lines past the last filled one (or empty) go.
        int drop = 0;
        for (int i = size - 1; i >= 1; --i) {
            if (i > d || group[static_cast<size_t>(i)]->getTrimmedLength() == 0) {
                ++drop;
            } else {
                break;
            }
        }
        if (drop > 0)
            removal.emplace_back(g + size - drop, drop);
        g = end;
    }
    return removal;
}

void Buffer::reflowWider(int oldCols, int newCols, int newRows)
{
    const int cursorIndex = yBase_ + y_;
    const std::vector<std::pair<int, int>> removal = getLinesToRemove(oldCols, newCols, cursorIndex);
    if (removal.empty())
        return;

    const bool viewFollows = yDisp_ == yBase_;
    int removedAboveCursor = 0;
    int removedBelowCursor = 0;
    int removedAboveView = 0;
    std::vector<LinePtr> kept;
    kept.reserve(static_cast<size_t>(lines_.count()));
    size_t next = 0;
    for (int i = 0; i < lines_.count(); ++i) {
        if (next < removal.size() && i == removal[next].first) {
            const int n = removal[next].second;
            (i < cursorIndex ? removedAboveCursor : removedBelowCursor) += n;
            if (i < yDisp_)
                removedAboveView += std::min(n, yDisp_ - i);
            i += n - 1;
            ++next;
        } else {
            kept.push_back(lines_.get(i));
        }
    }

    for (size_t k = 0; k < kept.size(); ++k)
        lines_.set(static_cast<int>(k), std::move(kept[k]));
    // Empty the slots the dropped lines leave, so no slot past the end shares
    // a line that is still in use.
    const int newCount = static_cast<int>(kept.size());
    while (lines_.count() > newCount)
        lines_.pop();

    // Lines gone above the cursor: the screen takes lines back from the
    // scroll-back, or the cursor moves up and a blank row fills the bottom.
    for (int i = 0; i < removedAboveCursor; ++i) {
        if (yBase_ == 0) {
            if (y_ > 0)
                --y_;
            if (lines_.count() < newRows)
                lines_.push(std::make_shared<BufferLine>(newCols, CharData::Null, false));
        } else {
            --yBase_;
        }
    }
    // Lines gone below the cursor: the cursor's row stays and blank rows
    // fill the bottom of the screen.
    for (int i = 0; i < removedBelowCursor; ++i) {
        if (lines_.count() < yBase_ + newRows) {
            lines_.push(std::make_shared<BufferLine>(newCols, CharData::Null, false));
        }
    }

    yDisp_ = viewFollows ? yBase_ : std::clamp(yDisp_ - removedAboveView, 0, yBase_);
    savedY = std::max(savedY - removedAboveCursor - removedBelowCursor, 0);
}

// ---- narrower ------------------------------------------------------------------

void Buffer::reflowNarrower(int oldCols, int newCols, int newRows)
{
    std::vector<InsertionSet> insertions;
    int insertedTotal = 0;
    const int cursorIndex = yBase_ + y_;
    const bool viewFollows = yDisp_ == yBase_;
    int insertedAboveView = 0;
    int blankBelow = countTrailingBlankLines(lines_, cursorIndex);

    for (int i = lines_.count() - 1; i >= 0;) {
        {
            const BufferLine& line = lines_[i];
            if (!line.isWrapped && line.getTrimmedLength() <= newCols) {
                --i;
                continue;
            }
        }
        int g = i;
        while (g > 0 && lines_[g].isWrapped)
            --g;
        const int c = i - g + 1;
        if (g <= cursorIndex && cursorIndex <= i) {
            i = g - 1;
            continue;
        }

        std::vector<LinePtr> group;
        group.reserve(static_cast<size_t>(c));
        for (int k = g; k <= i; ++k)
            group.push_back(lines_.get(k));
        const std::vector<int> sourceLengths = contributedLengths(group, oldCols);
        const std::vector<int> lengths = getNewLineLengths(group, oldCols, newCols);
        if (static_cast<int>(lengths.size()) < c) {
            i = g - 1;
            continue;
        }

        const int add = static_cast<int>(lengths.size()) - c;
        if (add > 0) {
            InsertionSet set;
            set.start = g + c + insertedTotal;
            for (int k = 0; k < add; ++k) {
                set.lines.push_back(std::make_shared<BufferLine>(oldCols, CharData::Null, true));
            }
            group.insert(group.end(), set.lines.begin(), set.lines.end());
            insertions.push_back(std::move(set));
            insertedTotal += add;
        }

        // Copy backwards, from the end of the text to its start.
        int d = static_cast<int>(lengths.size()) - 1;
        int dc = lengths[static_cast<size_t>(d)];
        int s = c - 1;
        int sc = sourceLengths[static_cast<size_t>(s)];
        while (s >= 0) {
            const int n = std::min(sc, dc);
            if (n > 0) {
                group[static_cast<size_t>(d)]->copyFrom(*group[static_cast<size_t>(s)], sc - n, dc - n, n);
            }
            dc -= n;
            sc -= n;
            if (dc == 0) {
                --d;
                dc = d >= 0 ? lengths[static_cast<size_t>(d)] : 0;
            }
            if (sc == 0) {
                --s;
                sc = s >= 0 ? sourceLengths[static_cast<size_t>(s)] : 0;
            } else if (d < 0) {
                break; // the lengths cover the text, so this never happens
            }
        }
        for (size_t k = 0; k < lengths.size(); ++k) {
            if (lengths[k] < newCols) {
                BufferLine& line = *group[k];
                if (lengths[k] < line.count())
                    line.set(lengths[k], CharData::Null);
            }
        }

        const bool aboveCursor = i < cursorIndex;
        if (g + c <= yDisp_)
            insertedAboveView += add;
        for (int k = 0; k < add; ++k) {
            const int room = lines_.maxLength() - (lines_.count() + insertedTotal - add + k + 1);
            if (aboveCursor) {
                if (yBase_ == 0 && y_ < newRows - 1 && blankBelow > 0) {
                    // No scroll-back in use: the cursor moves down over a
                    // blank row, which goes.
                    ++y_;
                    lines_.pop();
                    --blankBelow;
                } else if (room >= 0) {
                    ++yBase_;
                }
                // On a full ring the oldest line goes and the screen stays.
            } else if (blankBelow > 0) {
                lines_.pop();
                --blankBelow;
            } else {
                // Text grows below the cursor: the screen follows the
                // bottom and the cursor's row moves up with its content.
                if (y_ > 0)
                    --y_;
                if (room >= 0)
                    ++yBase_;
            }
        }
        savedY = std::min(savedY + add, yBase_ + newRows - 1);
        i = g - 1;
    }

    const int dropped = std::max(lines_.count() + insertedTotal - lines_.maxLength(), 0);
    rearrange(std::move(insertions), insertedTotal);
    yBase_ = std::clamp(yBase_, 0, std::max(lines_.count() - newRows, 0));
    yDisp_ = viewFollows ? yBase_ : std::clamp(yDisp_ + insertedAboveView - dropped, 0, yBase_);
}

void Buffer::rearrange(std::vector<InsertionSet> insertions, int insertedTotal)
{
    if (insertions.empty())
        return;
    const int before = lines_.count();
    std::vector<LinePtr> old;
    old.reserve(static_cast<size_t>(before));
    for (int i = 0; i < before; ++i)
        old.push_back(lines_.get(i));

    const int maxLength = lines_.maxLength();
    lines_.setCount(std::min(before + insertedTotal, maxLength));

    // Fill from the bottom; the oldest lines fall off a full ring.
    int p = std::min(before + insertedTotal, maxLength) - 1;
    int o = before - 1;
    int placed = 0;
    size_t next = 0;
    while (p >= 0) {
        if (next < insertions.size() && insertions[next].start > o + placed) {
            std::vector<LinePtr>& added = insertions[next].lines;
            for (auto it = added.rbegin(); it != added.rend() && p >= 0; ++it)
                lines_.set(p--, std::move(*it));
            placed += static_cast<int>(added.size());
            ++next;
        } else if (o >= 0) {
            lines_.set(p--, std::move(old[static_cast<size_t>(o--)]));
        } else {
            break;
        }
    }
}

} // namespace corvel
