#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "corvel/model/BufferLine.h"
#include "corvel/model/CircularList.h"

namespace corvel {

// The ring of lines of one screen: scroll-back followed by the visible rows,
// logical index 0 the oldest line. Lines are shared by reference, so moving
// them copies pointers, never cells, and scrolling a full screen recycles the
// oldest line in place instead of allocating.
//
// The screen installs the line factory and the image-counting callbacks; a
// ring without a factory makes lines of no cells.
class CircularBufferLineList : private CircularList<std::shared_ptr<BufferLine>> {
    using Base = CircularList<std::shared_ptr<BufferLine>>;

public:
    using LinePtr = std::shared_ptr<BufferLine>;

    explicit CircularBufferLineList(int maxLength);

    using Base::count;
    using Base::forEachStored;
    using Base::getStartIndex;
    using Base::isEmpty;
    using Base::isFull;
    using Base::makeEmpty;
    using Base::maxLength;
    using Base::rawSlot;
    using Base::setCount;
    using Base::setMaxLength;
    using Base::shiftElements;
    using Base::slotCount;
    using Base::splice;
    using Base::trimStart;

    // Told by recycle() whether the recycled line held images.
    std::function<void(bool hadImages)> onLineRecycled;
    // Told by push() whether the pushed line holds images.
    std::function<void(bool hasImages)> onLinePushed;

    // The line at a logical index, created when its slot is empty.
    BufferLine& operator[](int index) { return *get(index); }
    // The shared line at a logical index, created when its slot is empty.
    const LinePtr& get(int index)
    {
        LinePtr& line = Base::operator[](index);
        if (!line) [[unlikely]]
            makeEmptyLine(line);
        return line;
    }
    void set(int index, LinePtr line) { Base::set(index, std::move(line)); }
    // The line at a logical index if one was made or stored there; null
    // otherwise (nothing is made).
    const BufferLine* stored(int index) const
    {
        const LinePtr* line = Base::peek(index);
        return line ? line->get() : nullptr;
    }

    // Appends a line after the newest; a full ring drops its oldest line.
    void push(LinePtr line);
    // Removes and returns the newest line.
    LinePtr pop() { return Base::pop(); }
    // Turns the oldest line of a full ring into the newest, unchanged, moving
    // no pointer and no reference count; the caller rewrites its cells.
    // Returns false (and does nothing) when the ring is not full.
    bool rotateOldestToNewest() { return Base::recycle(); }
    // Turns the oldest line of a full ring into the newest, cleared to empty
    // cells in clearAttribute (its wrap flag and line size stay).
    void recycle(const Attribute& clearAttribute);

private:
    [[gnu::noinline, gnu::cold]] static void makeEmptyLine(LinePtr& line);
};

} // namespace corvel
