#pragma once

#include "corvel/images/SixelHost.h"

#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace corvel {

struct SixelImage {
    std::vector<uint8_t> pixels;  // straight RGBA, rows top to bottom
    int width = 0;
    int height = 0;
};

// Decodes the data of one Sixel string (the bytes after the final "q") into an
// RGBA bitmap as large as what was drawn. Decoding starts at the first colour
// introducer; one pass sizes the picture, a second paints it. Numbers
// saturate and the canvas is capped, painting clipped to it.
class SixelDecoder {
public:
    static constexpr int defaultMaximumSide = 10'000;

    explicit SixelDecoder(const SixelHost& host, int maximumSide = defaultMaximumSide);

    SixelImage decode(std::span<const uint8_t> data);

    // 0xRRGGBB of a DEC HLS colour (hue 0 blue, 120 red, 240 green).
    static uint32_t hlsToRgb(int hue, int lightness, int saturation);

private:
    enum class Pass { size, paint };

    void walk(std::span<const uint8_t> data, Pass pass);
    void selectColor(const std::vector<int64_t>& numbers);
    void updatePaletteEntry(const std::vector<int64_t>& numbers);
    void paintSixel(int mask, int64_t repeat);

    std::span<const Color> defaultPalette_;
    int maximumSide_;
    std::map<int64_t, uint32_t> palette_;  // 0xRRGGBBAA per register defined by this string
    uint32_t currentColor_ = 0;
    int64_t x_ = 0;
    int64_t y_ = 0;
    int64_t maxX_ = 0;
    int64_t maxY_ = 0;
    SixelImage image_;
};

} // namespace corvel
