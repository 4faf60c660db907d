#pragma once

#include <cstdint>
#include <optional>

#include <QColor>

namespace corvel {

// Which face of the font set a run is drawn in.
enum class FontFace : uint8_t { normal, bold, italic, boldItalic };

// How one run of cells is drawn: face, colours, decorations. Built from a
// cell's Attribute by ViewColorCache and cached per attribute.
struct TextAttributes {
    // Platform underline styles, as bits: single 1, double 9, with a dot
    // pattern 256, with a dash pattern 512 (1024 for dash-dot).
    static constexpr int underlineSingle = 1;
    static constexpr int underlineDouble = 9;
    static constexpr int patternDot = 256;
    static constexpr int patternDash = 512;
    static constexpr int patternDashDot = 1024;

    struct Underline {
        QColor color;
        int platformStyle = underlineSingle;
        // The terminal's own underline style (UnderlineStyle raw value), or
        // -1 when only the platform style is known.
        int corvelStyle = -1;
        friend bool operator==(const Underline&, const Underline&) = default;
    };

    struct StrikeThrough {
        QColor color;
        int style = 1;
        friend bool operator==(const StrikeThrough&, const StrikeThrough&) = default;
    };

    FontFace face = FontFace::normal;
    QColor foreground;
    QColor background;
    std::optional<Underline> underline;
    std::optional<StrikeThrough> strikeThrough;
    // Present on selected runs: replaces the background.
    std::optional<QColor> selectionBackground;

    friend bool operator==(const TextAttributes&, const TextAttributes&) = default;
};

} // namespace corvel
