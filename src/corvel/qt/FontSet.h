#pragma once

#include <array>
#include <optional>

#include <QFont>
#include <QRawFont>
#include <QSizeF>

#include "corvel/qt/TextAttributes.h"

namespace corvel {

// The four faces text is drawn in, each with the raw font that draws its
// glyphs on the grid. A family without a bold or italic face gets Qt's
// nearest match (possibly synthesized). Sizes are logical pixels: a font
// given in points has N points taken as N pixels.
class FontSet {
public:
    // The default: "JetBrainsMono NF" or "JetBrains Mono" when installed,
    // else the system's fixed font, at 13 pixels.
    static QFont defaultFont();

    explicit FontSet(const QFont& font = defaultFont());

    const QFont& normal() const { return fonts_[0]; }
    const QFont& font(FontFace face) const { return fonts_[static_cast<size_t>(face)]; }
    const QRawFont& rawFont(FontFace face) const { return rawFonts_[static_cast<size_t>(face)]; }

    // One cell in logical pixels, whole device pixels at the given scale:
    // the width of "W" and the line height (ascent + descent + leading),
    // each rounded up to device pixels, never below 1 (height at most 8192).
    QSizeF computeCellDimension(double scale) const;

    // Distance from the bottom of a cell to the baseline of the normal face.
    double baselineOffset() const;

    // The colour emoji font ("Noto Color Emoji"), when one is installed.
    const std::optional<QFont>& emojiFont() const { return emoji_; }
    // The emoji font at the largest pixel size whose pictures fit a box of
    // the given size in logical pixels; nothing without an emoji font.
    std::optional<QFont> emojiFontFitting(QSizeF box) const;

    static constexpr double maximumCellHeight = 8192;

private:
    std::array<QFont, 4> fonts_;
    std::array<QRawFont, 4> rawFonts_;
    std::optional<QFont> emoji_;
    // Width and height of an emoji picture per pixel of font size.
    QSizeF emojiExtentPerPixel_;
};

} // namespace corvel
