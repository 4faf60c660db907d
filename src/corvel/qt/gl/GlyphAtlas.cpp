#include "corvel/qt/gl/GlyphAtlas.h"

#include <algorithm>
#include <cstring>

namespace corvel {

std::unique_ptr<GlyphAtlas> GlyphAtlas::create(GpuDevice& device, int size, int maxSize, GpuTextureFormat format)
{
    size = std::max(size, 256);
    maxSize = std::max(maxSize, size);
    std::shared_ptr<GpuTexture> texture = device.makeTexture(format, size, size);
    if (!texture)
        return nullptr;
    return std::unique_ptr<GlyphAtlas>(new GlyphAtlas(device, size, maxSize, format, std::move(texture)));
}

GlyphAtlas::GlyphAtlas(GpuDevice& device, int size, int maxSize, GpuTextureFormat format,
                       std::shared_ptr<GpuTexture> texture)
    : device_(device),
      format_(format),
      bytesPerPixel_(corvel::bytesPerPixel(format)),
      maxSize_(maxSize),
      size_(size),
      texture_(std::move(texture)),
      data_(static_cast<size_t>(size) * size * bytesPerPixel_, 0)
{
}

std::optional<AtlasRegion> GlyphAtlas::reserve(int width, int height)
{
    if (size_ < width || size_ < height)
        return std::nullopt;
    if (nextX_ + width > size_) {
        // A new shelf; it stays started even when the region does not fit.
        nextX_ = 0;
        nextY_ += rowHeight_;
        rowHeight_ = 0;
    }
    if (nextY_ + height > size_)
        return std::nullopt;
    const AtlasRegion region{nextX_, nextY_, width, height};
    nextX_ += width;
    rowHeight_ = std::max(rowHeight_, height);
    return region;
}

std::optional<AtlasRegion> GlyphAtlas::ensureRegion(int width, int height)
{
    didReset_ = false;
    if (width <= 0 || height <= 0)
        return std::nullopt;
    if (auto region = reserve(width, height))
        return region;
    if (maxSize_ < width || maxSize_ < height)
        return std::nullopt;
    int candidate = size_;
    while (candidate < maxSize_) {
        if (candidate >= std::max(width, height) && candidate >= nextY_ + height)
            break;
        candidate *= 2;
    }
    const int target = std::min(maxSize_, candidate);
    if (target > size_) {
        grow(target);
    } else {
        reset();
        didReset_ = true;
    }
    return reserve(width, height);
}

void GlyphAtlas::grow(int newSize)
{
    if (newSize <= size_)
        return;
    std::shared_ptr<GpuTexture> texture = device_.makeTexture(format_, newSize, newSize);
    if (!texture)
        return;
    std::vector<uint8_t> data(static_cast<size_t>(newSize) * newSize * bytesPerPixel_, 0);
    const size_t oldRow = static_cast<size_t>(size_) * bytesPerPixel_;
    const size_t newRow = static_cast<size_t>(newSize) * bytesPerPixel_;
    for (int r = 0; r < size_; ++r)
        std::memcpy(data.data() + newRow * r, data_.data() + oldRow * r, oldRow);
    size_ = newSize;
    data_ = std::move(data);
    texture_ = std::move(texture);
    uploadAll();
}

void GlyphAtlas::reset()
{
    nextX_ = nextY_ = rowHeight_ = 0;
    std::fill(data_.begin(), data_.end(), uint8_t{0});
    uploadAll();
}

void GlyphAtlas::uploadAll()
{
    device_.replaceRegion(*texture_, 0, 0, size_, size_, data_.data(), size_ * bytesPerPixel_);
}

void GlyphAtlas::write(const AtlasRegion& region, const uint8_t* pixels, int width, int height)
{
    if (region.width != width || region.height != height || width <= 0 || height <= 0)
        return;
    const size_t rowBytes = static_cast<size_t>(size_) * bytesPerPixel_;
    for (int i = 0; i < height; ++i) {
        const uint8_t* source = pixels + static_cast<size_t>(height - 1 - i) * width * 4;
        uint8_t* target = data_.data() + rowBytes * (region.y + i) + static_cast<size_t>(region.x) * bytesPerPixel_;
        if (bytesPerPixel_ == 4) {
            std::memcpy(target, source, static_cast<size_t>(width) * 4);
        } else {
            for (int x = 0; x < width; ++x)
                target[x] = source[x * 4 + 3];
        }
    }
    const uint8_t* first = data_.data() + rowBytes * region.y + static_cast<size_t>(region.x) * bytesPerPixel_;
    device_.replaceRegion(*texture_, region.x, region.y, width, height, first, static_cast<int>(rowBytes));
}

} // namespace corvel
