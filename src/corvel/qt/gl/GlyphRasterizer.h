#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QPointF>

class QRawFont;

namespace corvel {

// A glyph's picture: premultiplied pixels in the byte order blue, green,
// red, alpha, top row first.
struct GlyphBitmap {
    int width = 0;
    int height = 0;
    // The bitmap's lower-left corner relative to the glyph origin, in pixels,
    // y upwards.
    QPointF bearing;
    std::vector<uint8_t> pixels;
    // Some pixel is not grey: a colour glyph such as an emoji.
    bool isColor = false;
};

// How a line scales what it shows: 1 or 2 across, 1 or 2 down.
struct LineStretch {
    int x = 1;
    int y = 1;
    friend bool operator==(const LineStretch&, const LineStretch&) = default;
};

namespace GlyphRasterizer {

// Draws one glyph of a font (already at its device-pixel size) in white on
// transparent pixels, with one empty pixel around its box; nothing for a
// glyph without pixels (a space). stretchX widens the glyph's outline before
// it is rasterised, as a double-width line draws its text.
std::optional<GlyphBitmap> rasterize(const QRawFont& font, uint32_t glyph, int stretchX = 1);

// Device pixels around a custom glyph's cell in its bitmap: the antialiased
// fringe of a diagonal or an arc reaches past the cell, as the view draws it.
constexpr int customGlyphMargin = 2;

// The coverage of a box-drawing (U+2500 to U+257F) or block-element
// (U+2580 to U+259F) character drawn in white by the view's own renderers on
// a cell of widthPx × heightPx device pixels at the given backing scale,
// stretched as a line of that stretch draws it; the bitmap is the stretched
// size with customGlyphMargin pixels on every side. Nothing for other characters or an empty cell.
std::optional<GlyphBitmap> rasterizeCustom(uint32_t codePoint, int widthPx, int heightPx, double scale,
                                           int baseThicknessPx, bool antiAlias, LineStretch stretch);

} // namespace GlyphRasterizer

} // namespace corvel
