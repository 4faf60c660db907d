#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace corvel {

// Pixel layouts of the renderer's textures.
enum class GpuTextureFormat : uint8_t {
    // One byte of coverage per pixel.
    r8,
    // Premultiplied blue, green, red, alpha (QImage's ARGB32 in memory).
    bgra8,
    // Premultiplied red, green, blue, alpha.
    rgba8,
};

constexpr int bytesPerPixel(GpuTextureFormat format) { return format == GpuTextureFormat::r8 ? 1 : 4; }

// A texture on the GPU; it is released when the last owner lets it go.
class GpuTexture {
public:
    GpuTexture(GpuTextureFormat format, int width, int height) : format_(format), width_(width), height_(height) {}
    virtual ~GpuTexture() = default;
    GpuTexture(const GpuTexture&) = delete;
    GpuTexture& operator=(const GpuTexture&) = delete;

    GpuTextureFormat format() const { return format_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    GpuTextureFormat format_;
    int width_;
    int height_;
};

// A vertex buffer on the GPU; released with its last owner.
class GpuBuffer {
public:
    explicit GpuBuffer(size_t length) : length_(length) {}
    virtual ~GpuBuffer() = default;
    GpuBuffer(const GpuBuffer&) = delete;
    GpuBuffer& operator=(const GpuBuffer&) = delete;

    size_t length() const { return length_; }

private:
    size_t length_;
};

// What the renderer's GL-free parts ask of the GPU: textures and buffers,
// made and filled. Every call runs on the thread that draws, with the
// drawing context current. A call that fails yields nothing.
class GpuDevice {
public:
    virtual ~GpuDevice() = default;

    virtual std::shared_ptr<GpuTexture> makeTexture(GpuTextureFormat format, int width, int height) = 0;
    // Copies a rectangle of pixels into the texture; data points at the
    // rectangle's first pixel, bytesPerRow apart.
    virtual void replaceRegion(GpuTexture& texture, int x, int y, int width, int height, const uint8_t* data,
                               int bytesPerRow)
        = 0;
    virtual std::shared_ptr<GpuBuffer> makeBuffer(size_t length) = 0;
    virtual void writeBuffer(GpuBuffer& buffer, size_t offset, const void* data, size_t length) = 0;
};

} // namespace corvel
