#include "corvel/process/PendingChunks.h"

#include <iterator>

namespace corvel {

PendingChunks::PendingChunks(std::size_t pauseAbove, std::size_t resumeAtOrBelow)
    : pauseAbove_(pauseAbove), resumeAtOrBelow_(resumeAtOrBelow)
{
}

PendingChunks::PushResult PendingChunks::push(Item item)
{
    std::lock_guard lock(mutex_);
    bytes_ += item.bytes.size();
    items_.push_back(std::move(item));
    PushResult result{!scheduled_, false};
    scheduled_ = true;
    if (bytes_ > pauseAbove_)
        paused_ = true;
    result.pauseReader = paused_;
    return result;
}

PendingChunks::TakeResult PendingChunks::takeNext()
{
    std::lock_guard lock(mutex_);
    if (index_ >= items_.size()) {
        // Keep the storage for the next burst.
        items_.clear();
        index_ = 0;
        scheduled_ = false;
        return {std::nullopt, false};
    }
    TakeResult result{std::move(items_[index_]), false};
    ++index_;
    if (index_ == flushThreshold) {
        items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(flushThreshold));
        index_ = 0;
    }
    bytes_ -= result.item->bytes.size();
    if (paused_ && bytes_ <= resumeAtOrBelow_) {
        paused_ = false;
        result.resumeReader = true;
    }
    return result;
}

bool PendingChunks::readerPaused() const
{
    std::lock_guard lock(mutex_);
    return paused_;
}

std::size_t PendingChunks::pendingBytes() const
{
    std::lock_guard lock(mutex_);
    return bytes_;
}

std::size_t PendingChunks::storedCount() const
{
    std::lock_guard lock(mutex_);
    return items_.size();
}

std::size_t PendingChunks::nextIndex() const
{
    std::lock_guard lock(mutex_);
    return index_;
}

bool PendingChunks::drainScheduled() const
{
    std::lock_guard lock(mutex_);
    return scheduled_;
}

} // namespace corvel
