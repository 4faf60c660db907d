#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "corvel/qt/gl/GpuDevice.h"

namespace corvel {

// Buffers that live for one frame, reused by exact length: lengths are
// rounded up to a multiple of 256 bytes, and at most four idle buffers are
// kept per length. A frame's buffers return to the pool when the next frame
// starts; the GPU runs the commands of one context in order, so a buffer
// filled again then is read only by the commands issued after it.
class BufferPool {
public:
    static constexpr size_t alignment = 256;
    static constexpr size_t maxBuffersPerSize = 4;

    explicit BufferPool(GpuDevice& device) : device_(device) {}

    static size_t roundedLength(size_t length) { return (length + alignment - 1) / alignment * alignment; }

    // Copies records into a pooled buffer held until the next frame; nothing
    // for no records or when no buffer can be made.
    template <typename Record> std::shared_ptr<GpuBuffer> makeBuffer(std::span<const Record> records)
    {
        return makeBuffer(records.data(), records.size_bytes());
    }
    std::shared_ptr<GpuBuffer> makeBuffer(const void* data, size_t length);

    // An idle buffer of exactly this length, or a new one.
    std::shared_ptr<GpuBuffer> dequeue(size_t length);
    void recycle(const std::vector<std::shared_ptr<GpuBuffer>>& buffers);
    // Hands the last frame's buffers back.
    void beginFrame();

    size_t idleCount(size_t length) const;

private:
    GpuDevice& device_;
    std::map<size_t, std::vector<std::shared_ptr<GpuBuffer>>> available_;
    std::vector<std::shared_ptr<GpuBuffer>> frameBuffers_;
};

} // namespace corvel
