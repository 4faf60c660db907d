#pragma once

#include <memory>
#include <vector>

#include <QRect>

#include "corvel/qt/gl/GpuDevice.h"

namespace corvel {

// A device that keeps textures and buffers in memory and counts what it
// makes: for building draw data without a GPU (tests, measurements).
class MemoryGpuDevice : public GpuDevice {
public:
    struct Texture : GpuTexture {
        using GpuTexture::GpuTexture;
        std::vector<uint8_t> pixels;
    };
    struct Buffer : GpuBuffer {
        using GpuBuffer::GpuBuffer;
        std::vector<uint8_t> bytes;
    };
    struct Upload {
        QRect rect;
        int bytesPerRow = 0;
    };

    std::shared_ptr<GpuTexture> makeTexture(GpuTextureFormat format, int width, int height) override;
    void replaceRegion(GpuTexture& texture, int x, int y, int width, int height, const uint8_t* data,
                       int bytesPerRow) override;
    std::shared_ptr<GpuBuffer> makeBuffer(size_t length) override;
    void writeBuffer(GpuBuffer& buffer, size_t offset, const void* data, size_t length) override;

    // Refuse textures larger than this edge.
    int maxTextureSize = 16384;
    int texturesMade = 0;
    int buffersMade = 0;
    std::vector<Upload> uploads;
};

} // namespace corvel
