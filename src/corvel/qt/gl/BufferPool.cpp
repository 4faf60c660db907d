#include "corvel/qt/gl/BufferPool.h"

namespace corvel {

std::shared_ptr<GpuBuffer> BufferPool::makeBuffer(const void* data, size_t length)
{
    if (length == 0)
        return nullptr;
    std::shared_ptr<GpuBuffer> buffer = dequeue(roundedLength(length));
    if (!buffer)
        return nullptr;
    device_.writeBuffer(*buffer, 0, data, length);
    frameBuffers_.push_back(buffer);
    return buffer;
}

std::shared_ptr<GpuBuffer> BufferPool::dequeue(size_t length)
{
    auto it = available_.find(length);
    if (it != available_.end() && !it->second.empty()) {
        std::shared_ptr<GpuBuffer> buffer = std::move(it->second.back());
        it->second.pop_back();
        return buffer;
    }
    return device_.makeBuffer(length);
}

void BufferPool::recycle(const std::vector<std::shared_ptr<GpuBuffer>>& buffers)
{
    for (const std::shared_ptr<GpuBuffer>& buffer : buffers) {
        std::vector<std::shared_ptr<GpuBuffer>>& list = available_[buffer->length()];
        if (list.size() < maxBuffersPerSize)
            list.push_back(buffer);
    }
}

void BufferPool::beginFrame()
{
    recycle(frameBuffers_);
    frameBuffers_.clear();
}

size_t BufferPool::idleCount(size_t length) const
{
    auto it = available_.find(length);
    return it == available_.end() ? 0 : it->second.size();
}

} // namespace corvel
