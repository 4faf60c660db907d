#include "corvel/images/KittyImageCrop.h"

#include <algorithm>
#include <cstring>

namespace corvel::KittyImageCrop {

Result crop(std::span<const uint8_t> rgba, int width, int height, int64_t x, int64_t y, int64_t cropWidth,
            int64_t cropHeight)
{
    const int64_t x0 = std::clamp<int64_t>(x, 0, width);
    const int64_t y0 = std::clamp<int64_t>(y, 0, height);
    const int64_t restWidth = width - x0;
    const int64_t restHeight = height - y0;
    const int64_t w = cropWidth >= 1 && cropWidth <= restWidth ? cropWidth : restWidth;
    const int64_t h = cropHeight >= 1 && cropHeight <= restHeight ? cropHeight : restHeight;
    if (x <= 0 && y <= 0 && w == width && h == height)
        return Unchanged{};
    if (w < 1 || h < 1)
        return Empty{};
    const size_t needed = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    if (rgba.size() < needed)
        return Empty{};

    RgbaBitmap out;
    out.width = static_cast<int>(w);
    out.height = static_cast<int>(h);
    out.bytes.resize(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    for (int64_t i = 0; i < h; ++i) {
        const size_t from = (static_cast<size_t>(y0 + i) * static_cast<size_t>(width) + static_cast<size_t>(x0)) * 4;
        std::memcpy(out.bytes.data() + static_cast<size_t>(i) * rowBytes, rgba.data() + from, rowBytes);
    }
    return out;
}

} // namespace corvel::KittyImageCrop
