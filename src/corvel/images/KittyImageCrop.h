#pragma once

#include "corvel/images/PngDecoder.h"

#include <cstdint>
#include <optional>
#include <span>
#include <variant>

namespace corvel {

// The crop keys of a Kitty command applied to straight RGBA pixels: the
// start is clamped into the picture, a width or height of 0 (or one that
// passes the edge) takes the rest.
namespace KittyImageCrop {

// The whole picture was asked for: use the pixels as they are.
struct Unchanged {};
// The rectangle starts at or beyond the right or bottom edge.
struct Empty {};

using Result = std::variant<Unchanged, Empty, RgbaBitmap>;

Result crop(std::span<const uint8_t> rgba, int width, int height, int64_t x, int64_t y, int64_t cropWidth,
            int64_t cropHeight);

} // namespace KittyImageCrop
} // namespace corvel
