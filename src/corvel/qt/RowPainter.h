#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "corvel/qt/TextAttributes.h"
#include "corvel/qt/ViewLineInfo.h"

class QPainter;

namespace corvel {

class FontSet;

// Paints one ViewLineInfo on the cell grid, in passes: run backgrounds and
// selection, box-drawing and block-element glyphs, then the text (glyph runs
// of the raw fonts placed cell by cell, clusters and characters the face
// lacks laid out with fallback fonts) with its decorations.
class RowPainter {
public:
    struct Geometry {
        const FontSet* fonts = nullptr;
        QSizeF cellSize{1, 1};
        double scale = 1;
        int cols = 80;
        // Width of the text area: a background reaching the last column
        // extends to it.
        double viewWidth = 0;
        QColor nativeForeground;
        QColor nativeBackground;
        bool antialiasCustomGlyphs = false;
    };

    // Sets what painting depends on; a new font set drops the glyph cache.
    void setGeometry(const Geometry& geometry);
    const Geometry& geometry() const { return geometry_; }
    // Forgets the glyphs looked up so far (after the fonts changed).
    void clearGlyphCache();

    // Paints the row whose top edge is at rowTop. The band must already hold
    // the background the view shows where no run paints. belowText, when
    // set, draws between the backgrounds and the glyphs.
    void paint(QPainter& painter, const ViewLineInfo& line, double rowTop, const std::function<void()>& belowText = {});

private:
    static constexpr quint32 unknownGlyph = 0xFFFFFFFF;

    void paintBackgrounds(QPainter& painter, const ViewLineInfo& line, double rowTop) const;
    void paintText(QPainter& painter, const ViewLineInfo& line, double rowTop);
    // The glyph of a scalar in a face, 0 when the face has none.
    quint32 glyphFor(FontFace face, char32_t scalar);
    // Draws a cell's text that the glyph runs cannot: emoji scaled to the
    // cell's columns, fallback glyphs clipped to them.
    void drawLaidOutCell(QPainter& painter, const ViewLineRun& run, char32_t c, const QRectF& cell, int columns,
                         double baseline, FontFace face);

    Geometry geometry_;
    const FontSet* cachedFonts_ = nullptr;
    std::array<std::array<quint32, 128>, 4> asciiGlyphs_{};
    std::array<std::unordered_map<char32_t, quint32>, 4> glyphs_;
    std::vector<quint32> runGlyphs_;
    std::vector<QPointF> runPositions_;
    std::vector<QPointF> decorationPositions_;
};

} // namespace corvel
