#pragma once

#include "corvel/images/SixelHost.h"

#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace corvel {

struct SixelImage {
    std::vector<uint8_t> pixels; // straight RGBA, rows top to bottom
    int width = 0;
    int height = 0;
};

// Decodes the data of one Sixel string (the bytes after the final "q") into an
// RGBA bitmap as large as what was drawn (a declared raster size does not
// count). Decoding starts at the first colour introducer; one pass sizes the
// picture, a second paints it. Numbers saturate; the canvas is capped at
// maximumSide on either side and at maximumPixels in all (a taller picture
// loses its bottom), and painting is clipped to it. Painting stops once it
// has written paintBudgetPerPixel times the canvas (plus a small allowance):
// a picture paints each pixel about once, while a string that repaints a
// wide canvas with repeat counts would otherwise run for seconds.
class SixelDecoder {
public:
    static constexpr int defaultMaximumSide = 10'000;
    static constexpr size_t maximumPixels = size_t{16} << 20; // 64 MiB of RGBA
    static constexpr size_t paintBudgetPerPixel = 16;
    static constexpr size_t paintAllowance = size_t{4} << 20;

    explicit SixelDecoder(const SixelHost& host, int maximumSide = defaultMaximumSide);

    SixelImage decode(std::span<const uint8_t> data);

    // 0xRRGGBB of a DEC HLS colour (hue 0 blue, 120 red, 240 green).
    static uint32_t hlsToRgb(int hue, int lightness, int saturation);

private:
    enum class Pass { size, paint };

    void walk(std::span<const uint8_t> data, Pass pass);
    void selectColor(const std::vector<int64_t>& numbers);
    void updatePaletteEntry(const std::vector<int64_t>& numbers);
    // False once the paint budget is spent.
    bool paintSixel(int mask, int64_t repeat);

    std::span<const Color> defaultPalette_;
    int maximumSide_;
    std::map<int64_t, uint32_t> palette_; // 0xRRGGBBAA per register defined by this string
    uint32_t currentColor_ = 0;
    int64_t x_ = 0;
    int64_t y_ = 0;
    int64_t maxX_ = 0;
    int64_t maxY_ = 0;
    // Pixel writes left before painting stops.
    size_t paintBudget_ = 0;
    SixelImage image_;
};

} // namespace corvel
