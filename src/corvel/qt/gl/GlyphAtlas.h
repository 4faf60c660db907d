#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "corvel/qt/gl/GpuDevice.h"

namespace corvel {

// A rectangle of an atlas in texture pixels; x, y is its first column and
// first texture row.
struct AtlasRegion {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const AtlasRegion&, const AtlasRegion&) = default;
};

// One square texture into which glyph bitmaps are packed side by side on
// shelves, with a CPU copy of every texel from which every upload is made.
// It grows by doubling up to maxSize; at maxSize a request that does not fit
// empties it (the only way space comes back: single regions are never freed).
// Callers compare size() before and after ensureRegion and read didReset()
// to learn that earlier regions moved out of reach.
class GlyphAtlas {
public:
    // Sizes below 256 become 256; a maximum below the size is raised to it.
    // Nothing when the device makes no texture.
    static std::unique_ptr<GlyphAtlas> create(GpuDevice& device, int size, int maxSize, GpuTextureFormat format);

    GpuTextureFormat format() const { return format_; }
    int bytesPerPixel() const { return bytesPerPixel_; }
    int size() const { return size_; }
    int maxSize() const { return maxSize_; }
    const std::shared_ptr<GpuTexture>& texture() const { return texture_; }
    const std::vector<uint8_t>& data() const { return data_; }
    bool didReset() const { return didReset_; }

    // Reserves exactly width × height pixels, growing or emptying the atlas
    // when needed; nothing for an empty request or one larger than maxSize.
    std::optional<AtlasRegion> ensureRegion(int width, int height);

    // Copies a bitmap of 4 bytes per pixel (B, G, R, A, top row first) into
    // its region, bottom row first, and uploads the region. A single-channel
    // atlas keeps the alpha bytes only. Ignored when the sizes differ.
    void write(const AtlasRegion& region, const uint8_t* pixels, int width, int height);

private:
    GlyphAtlas(GpuDevice& device, int size, int maxSize, GpuTextureFormat format, std::shared_ptr<GpuTexture> texture);

    std::optional<AtlasRegion> reserve(int width, int height);
    void grow(int newSize);
    void reset();
    void uploadAll();

    GpuDevice& device_;
    GpuTextureFormat format_;
    int bytesPerPixel_;
    int maxSize_;
    int size_;
    std::shared_ptr<GpuTexture> texture_;
    std::vector<uint8_t> data_;
    int nextX_ = 0;
    int nextY_ = 0;
    int rowHeight_ = 0;
    bool didReset_ = false;
};

} // namespace corvel
