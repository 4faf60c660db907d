#include "corvel/qt/gl/MemoryGpuDevice.h"

#include <cstring>

namespace corvel {

std::shared_ptr<GpuTexture> MemoryGpuDevice::makeTexture(GpuTextureFormat format, int width, int height)
{
    if (width <= 0 || height <= 0 || width > maxTextureSize || height > maxTextureSize)
        return nullptr;
    ++texturesMade;
    auto texture = std::make_shared<Texture>(format, width, height);
    texture->pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * bytesPerPixel(format), 0);
    return texture;
}

void MemoryGpuDevice::replaceRegion(GpuTexture& texture, int x, int y, int width, int height, const uint8_t* data,
                                    int bytesPerRow)
{
    auto& t = static_cast<Texture&>(texture);
    const size_t bpp = static_cast<size_t>(bytesPerPixel(t.format()));
    for (int r = 0; r < height; ++r)
        std::memcpy(t.pixels.data() + (static_cast<size_t>(y + r) * static_cast<size_t>(t.width()) + x) * bpp,
                    data + static_cast<size_t>(r) * static_cast<size_t>(bytesPerRow),
                    static_cast<size_t>(width) * bpp);
    uploads.push_back({QRect(x, y, width, height), bytesPerRow});
}

std::shared_ptr<GpuBuffer> MemoryGpuDevice::makeBuffer(size_t length)
{
    ++buffersMade;
    auto buffer = std::make_shared<Buffer>(length);
    buffer->bytes.assign(length, 0);
    return buffer;
}

void MemoryGpuDevice::writeBuffer(GpuBuffer& buffer, size_t offset, const void* data, size_t length)
{
    std::memcpy(static_cast<Buffer&>(buffer).bytes.data() + offset, data, length);
}

} // namespace corvel
