#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace corvel {

struct PixelSize {
    int width = 0;
    int height = 0;
};

struct RgbaBitmap {
    std::vector<uint8_t> bytes; // straight red, green, blue, alpha; rows top to bottom
    int width = 0;
    int height = 0;
};

// PNG reading for Kitty images. Only the header is read for the size checks.
namespace PngDecoder {

inline constexpr int maximumSide = 10'000;

// The pixel size from the PNG header, or nothing when the data is not a
// readable PNG.
std::optional<PixelSize> pixelSize(std::span<const uint8_t> data);

// True when the header is readable and both sides lie in 1 ... 10,000.
bool hasValidDimensions(std::span<const uint8_t> data);

// Decodes the image into straight (not premultiplied) RGBA; nothing when it
// cannot be decoded or a side lies outside 1 ... 10,000.
std::optional<RgbaBitmap> decodeToRgba(std::span<const uint8_t> data);

} // namespace PngDecoder
} // namespace corvel
