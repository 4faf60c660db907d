#pragma once

#include "corvel/base/Diagnostics.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvel {

// A fixed-capacity ring addressed by logical index, 0 being the oldest
// element and count() - 1 the newest. A moving start slot makes dropping the
// oldest element free. Slots are filled lazily: a slot that never held an
// element gets one from makeEmpty the first time it is read (a
// default-constructed one when no factory is set).
//
// Indexes are not checked against count(): reading past the newest element
// reads whatever slot that index falls on.
//
// The slot array itself grows with use, doubling up to maxLength(), so a
// ring with a very long scroll-back costs memory only for the lines it has
// held. Growing lays the slots out again in logical order.
template <typename T> class CircularList {
public:
    using Factory = std::function<T(int slot)>;

    explicit CircularList(int maxLength)
        : array_(static_cast<size_t>(std::min(std::max(maxLength, 1), initialSlots))),
          maxLength_(std::max(maxLength, 1))
    {
    }

    Factory makeEmpty;

    int count() const { return count_; }
    // Sets the number of elements (at most maxLength()); nothing is created,
    // moved or dropped.
    void setCount(int newCount)
    {
        count_ = std::clamp(newCount, 0, maxLength());
        reserveSlots(count_);
    }

    int maxLength() const { return maxLength_; }
    // Changes the capacity, keeping the first slots in logical order from
    // slot 0 on. A caller that shrinks the ring drops the oldest elements
    // first (trimStart) so that the newest survive.
    void setMaxLength(int newMaxLength)
    {
        newMaxLength = std::max(newMaxLength, 1);
        if (newMaxLength == maxLength_)
            return;
        maxLength_ = newMaxLength;
        count_ = std::min(count_, newMaxLength);
        relayout(std::min(std::max(slotCount(), std::min(newMaxLength, initialSlots)), newMaxLength));
    }

    bool isEmpty() const { return count_ == 0; }
    bool isFull() const { return count_ == maxLength_; }
    int getStartIndex() const { return startIndex_; }
    // The slots allocated so far, and what one holds by physical position
    // (for diagnostics; nothing for an empty slot or one out of range).
    int slotCount() const { return static_cast<int>(array_.size()); }
    const T* rawSlot(int slot) const
    {
        if (slot < 0 || slot >= slotCount() || !array_[static_cast<size_t>(slot)])
            return nullptr;
        return &*array_[static_cast<size_t>(slot)];
    }

    // The element at a logical index, created by the factory when its slot is
    // empty.
    T& operator[](int index)
    {
        if (index >= slotCount()) [[unlikely]]
            growToHold(index);
        const size_t s = slotOf(index);
        std::optional<T>& slot = array_[s];
        if (!slot) [[unlikely]]
            fillSlot(slot, s);
        return *slot;
    }

    // The element at a logical index without making one; null when its slot
    // is empty.
    const T* peek(int index) const
    {
        if (index < 0 || index >= slotCount())
            return nullptr;
        const std::optional<T>& slot = array_[slotOf(index)];
        return slot ? &*slot : nullptr;
    }

    void set(int index, T value)
    {
        if (index >= slotCount()) [[unlikely]]
            growToHold(index);
        array_[slotOf(index)] = std::move(value);
    }

    // Appends after the newest element; in a full ring this drops the oldest.
    void push(T value)
    {
        reserveSlots(std::min(count_ + 1, maxLength_));
        array_[slotOf(count_)] = std::move(value);
        if (count_ == maxLength_) {
            advanceStart();
        } else {
            ++count_;
        }
    }

    // Removes and returns the newest element.
    T pop()
    {
        if (count_ == 0)
            return T{};
        T value = std::move((*this)[count_ - 1]);
        array_[slotOf(count_ - 1)].reset();
        --count_;
        return value;
    }

    // Drops the n oldest elements.
    void trimStart(int n)
    {
        n = std::clamp(n, 0, count_);
        startIndex_ = (startIndex_ + n) % slotCount();
        count_ -= n;
    }

    // Turns the oldest element of a full ring into the newest one, unchanged.
    // Returns false (and does nothing) when the ring is not full.
    bool recycle()
    {
        if (count_ != maxLength_) {
            writeDiagnostic("can only recycle when the buffer is full");
            return false;
        }
        advanceStart();
        return true;
    }

    // Moves the elements start .. start + n - 1 by offset. A positive offset
    // may grow count() and, past the capacity, drop the oldest elements. The
    // source slots keep their elements. Bad arguments print a line and
    // return false without moving anything.
    bool shiftElements(int start, int n, int offset)
    {
        const char* reason = nullptr;
        if (n < 0) {
            reason = "count < 0";
        } else if (start < 0) {
            reason = "start < 0";
        } else if (start >= count_) {
            reason = "start >= self.count";
        } else if (start + offset <= 0) {
            reason = "start+offset <= 0";
        }
        if (reason) {
            writeDiagnosticf("Assertion at start=%d count=%d offset=%d: %s", start, n, offset, reason);
            return false;
        }
        reserveSlots(std::min(start + n + std::max(offset, 0), maxLength_));
        if (offset <= 0) {
            for (int i = 0; i < n; ++i)
                array_[slotOf(start + offset + i)] = array_[slotOf(start + i)];
            return true;
        }
        for (int i = n - 1; i >= 0; --i)
            array_[slotOf(start + offset + i)] = array_[slotOf(start + i)];
        const int end = start + n + offset;
        if (end > count_) {
            if (end > maxLength_) {
                startIndex_ = (startIndex_ + (end - maxLength_)) % slotCount();
                count_ = maxLength_;
            } else {
                count_ = end;
            }
        }
        return true;
    }

    // Removes deleteCount elements at start and inserts items there; change
    // is told every logical index whose slot is written, in write order.
    // Past the capacity the oldest elements are dropped.
    template <typename Change> void splice(int start, int deleteCount, std::vector<T> items, Change&& change)
    {
        reserveSlots(std::min(std::max(count_, start) + static_cast<int>(items.size()), maxLength_));
        if (deleteCount > 0) {
            for (int i = start; i < count_ - deleteCount; ++i) {
                array_[slotOf(i)] = array_[slotOf(i + deleteCount)];
                change(i);
            }
            count_ = std::max(count_ - deleteCount, 0);
        }
        const int n = static_cast<int>(items.size());
        for (int i = count_ - 1; i >= start; --i) {
            if (n != 0)
                array_[slotOf(i + n)] = array_[slotOf(i)];
            change(i + n);
        }
        for (int j = 0; j < n; ++j) {
            change(start + j);
            array_[slotOf(start + j)] = std::move(items[static_cast<size_t>(j)]);
        }
        if (count_ + n > maxLength_) {
            startIndex_ = (startIndex_ + (count_ + n - maxLength_)) % slotCount();
            count_ = maxLength_;
        } else {
            count_ += n;
        }
    }

    // Calls fn with every element a slot holds, used or not, in slot order.
    template <typename Fn> void forEachStored(Fn&& fn)
    {
        for (std::optional<T>& slot : array_) {
            if (slot)
                fn(*slot);
        }
    }

protected:
    std::optional<T>& slotAt(int index) { return array_[slotOf(index)]; }

private:
    static constexpr int initialSlots = 4096;

    void advanceStart()
    {
        if (++startIndex_ == slotCount())
            startIndex_ = 0;
    }

    // A logical index inside the slot array wraps at most once, so the usual
    // case is a compare and a subtract; anything further out wraps by modulo.
    size_t slotOf(int index) const
    {
        const int n = slotCount();
        int s = startIndex_ + index;
        if (static_cast<unsigned>(s) < static_cast<unsigned>(n)) [[likely]]
            return static_cast<size_t>(s);
        if (s >= n && s - n < n)
            return static_cast<size_t>(s - n);
        s %= n;
        if (s < 0)
            s += n;
        return static_cast<size_t>(s);
    }

    // The rare paths of a lookup, kept out of line so that a lookup inlines
    // to a few instructions.
    [[gnu::noinline]] void growToHold(int index) { reserveSlots(std::min(index + 1, maxLength_)); }
    [[gnu::noinline]] void fillSlot(std::optional<T>& slot, size_t s)
    {
        slot.emplace(makeEmpty ? makeEmpty(static_cast<int>(s)) : T{});
    }

    // Makes room for at least `needed` slots (never more than maxLength()).
    void reserveSlots(int needed)
    {
        if (needed <= slotCount()) [[likely]]
            return;
        const int64_t doubled = int64_t{slotCount()} * 2;
        relayout(static_cast<int>(std::min<int64_t>(std::max<int64_t>(doubled, needed), maxLength_)));
    }

    // Copies the first min(old, new) logical slots to slots 0 onward of a new
    // array of `slotTotal` slots.
    void relayout(int slotTotal)
    {
        std::vector<std::optional<T>> fresh(static_cast<size_t>(slotTotal));
        const int keep = std::min(slotCount(), slotTotal);
        for (int i = 0; i < keep; ++i)
            fresh[static_cast<size_t>(i)] = std::move(array_[slotOf(i)]);
        array_ = std::move(fresh);
        startIndex_ = 0;
    }

    std::vector<std::optional<T>> array_;
    int maxLength_;
    int startIndex_ = 0;
    int count_ = 0;
};

} // namespace corvel
