#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include <QColor>
#include <QRectF>
#include <QSizeF>

#include "corvel/model/BufferLine.h"
#include "corvel/qt/ViewLineInfo.h"
#include "corvel/qt/gl/GpuDevice.h"
#include "corvel/qt/gl/GpuRecords.h"

namespace corvel {

class FontSet;
class GlyphStore;

// One textured quad of a picture.
struct ImageDraw {
    std::shared_ptr<GpuTexture> texture;
    std::array<GlyphVertex, 6> vertices{};
};

// What one screen row draws, in drawable pixels (origin lower-left, y up).
struct RowDrawData {
    // Run backgrounds and selection.
    std::vector<ColorCell> backgroundCells;
    // Box-drawing and block-element glyphs first, then grey text glyphs.
    std::vector<TextCell> glyphCellsGray;
    // Glyphs of the colour atlas (emoji).
    std::vector<TextCell> glyphCellsColor;
    // Underline and strike-through pieces.
    std::vector<ColorCell> decorationCells;
    // Pictures by depth: Kitty pictures below the text, Kitty placeholder
    // pictures, Kitty pictures above the text, other pictures.
    std::vector<ImageDraw> underImageDraws;
    std::vector<ImageDraw> placeholderImageDraws;
    std::vector<ImageDraw> overImageDraws;
    std::vector<ImageDraw> otherImageDraws;

    bool empty() const
    {
        return backgroundCells.empty() && glyphCellsGray.empty() && glyphCellsColor.empty() && decorationCells.empty()
            && underImageDraws.empty() && placeholderImageDraws.empty() && overImageDraws.empty()
            && otherImageDraws.empty();
    }
};

// A rectangle in drawable pixels that a row's pieces are cut to.
struct ClipRect {
    float minX = 0;
    float minY = 0;
    float maxX = 0;
    float maxY = 0;
};

// A rectangle in drawable pixels with the texture coordinates of its
// lower-left and upper-right corners.
struct TexturedRect {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    float u0 = 0, v0 = 0, u1 = 0, v1 = 0;
};

// How a line's render mode moves drawable pixels: x doubled for every mode
// but single, y stretched twice about the pivot for the two halves of a
// double-height line.
struct LineTransform {
    BufferLine::RenderLineMode mode = BufferLine::RenderLineMode::single;
    float pivotY = 0;

    QRectF apply(const QRectF& rect) const;
};

// The rectangle cut to the clip, texture coordinates moved in proportion;
// nothing when nothing is left (or the rectangle has no area).
std::optional<TexturedRect> clipTextured(const TexturedRect& rect, const std::optional<ClipRect>& clip);
std::optional<QRectF> clipPlain(const QRectF& rect, const std::optional<ClipRect>& clip);

GpuFloat4 toGpuColor(const QColor& color);

// What a row needs from the view to build its draw data.
struct RowContext {
    const FontSet* fonts = nullptr;
    // Cell size and view size in logical pixels (the view's text area).
    QSizeF cellSize{1, 1};
    QSizeF viewSize;
    double scale = 1;
    int cols = 80;
    QColor nativeForeground;
    QColor nativeBackground;
    bool antiAliasCustomGlyphs = false;
};

// Builds the draw data of one row shown at screenRow (0 at the top) from
// what the view would paint for it: exactly the view's geometry for
// backgrounds, box and block glyphs and decorations, glyphs from the atlases
// placed on their cells as the view places them. Pictures are added by the
// caller.
RowDrawData buildRowDrawData(const ViewLineInfo& line, BufferLine::RenderLineMode mode, int screenRow,
                             const RowContext& context, GlyphStore& glyphs);

// Appends the glyphs of a text drawn in a face with its baseline starting at
// origin, cut to clip (both logical pixels, y down), as the view's caret
// draws the character under a block caret.
void appendTextGlyphs(const QString& text, FontFace face, QPointF origin, const QRectF& clip, const QColor& color,
                      const RowContext& context, GlyphStore& glyphs, std::vector<TextCell>& gray,
                      std::vector<TextCell>& colour);

// The six vertices of a rectangle in the order (left, bottom), (right,
// bottom), (left, top), (right, bottom), (right, top), (left, top).
std::array<ColorVertex, 6> quadVertices(const ColorCell& cell);
std::array<GlyphVertex, 6> quadVertices(const TextCell& cell);

// The row's clip rectangle and line transform.
ClipRect rowClip(int screenRow, const RowContext& context);
LineTransform rowTransform(BufferLine::RenderLineMode mode, int screenRow, const RowContext& context);

} // namespace corvel
