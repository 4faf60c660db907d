#pragma once

#include <cstdint>
#include <span>

#include <QColor>
#include <QPointF>
#include <QSizeF>

class QPainter;

namespace corvel {

// A box-drawing character found in a row, for the drawing pass.
struct BoxDrawingRenderItem {
    int column = 0;
    int columnWidth = 1;
    uint32_t codePoint = 0;
    QColor foregroundColor;
};

// Draws the 128 box-drawing characters U+2500 to U+257F from their structure:
// straight strokes as rectangles on whole device pixels, rounded corners as
// antialiased quarter rings joined to pixel-exact stubs, diagonals as
// antialiased strokes. Geometry is worked out in integer device pixels with
// x from the cell's left edge and y from its top edge.
class BoxDrawingRenderer {
public:
    static constexpr uint32_t first = 0x2500;
    static constexpr uint32_t last = 0x257F;

    enum class LineStyle : uint8_t { none, light, heavy, doubled };

    // The four arms of a line glyph.
    struct Lines {
        LineStyle up = LineStyle::none;
        LineStyle right = LineStyle::none;
        LineStyle down = LineStyle::none;
        LineStyle left = LineStyle::none;
    };

    enum class Corner : uint8_t { upLeft, upRight, downLeft, downRight };

    // The drawing target of one glyph. origin is the cell's top-left corner
    // in the painter's logical coordinates.
    struct Canvas {
        QPainter* painter = nullptr;
        QPointF origin;
        int widthPx = 1;
        int heightPx = 1;
        double scale = 1;
        QSizeF cellSize;
        int minThicknessPx = 1;

        // Fills the device-pixel rectangle (x0, y0) to (x1, y1), ends
        // excluded, clamped to the cell.
        void box(int x0, int y0, int x1, int y1) const;
    };

    // Draws one glyph into the cell at cellOrigin (top-left corner) of
    // cellSize logical pixels; code points outside the range draw nothing.
    static void draw(uint32_t codePoint, QPainter& painter, QPointF cellOrigin, QSizeF cellSize, double scale,
                     const QColor& color, int baseThicknessPx);

    // Draws the box-drawing cells of one row whose column 0 starts at
    // rowOrigin (top-left corner), snapped to device pixels.
    static void drawRow(QPainter& painter, std::span<const BoxDrawingRenderItem> items, QPointF rowOrigin,
                        QSizeF cellSize, double scale, int baseThicknessPx);

    // The light stroke in device pixels for a font whose underline is
    // underlineThickness logical pixels thick.
    static int baseThickness(double scale, double underlineThickness);

    // The arms of a line glyph; all none for code points that are not one.
    static Lines linesFor(uint32_t codePoint);

    static void hline(const Canvas& canvas, int x1, int x2, int y, int thicknessPx);
    static void vline(const Canvas& canvas, int y1, int y2, int x, int thicknessPx);
    static void linesChar(Lines lines, const Canvas& canvas, int baseThicknessPx);
    static void dashHorizontal(int count, int thicknessPx, int desiredGapPx, const Canvas& canvas, int baseThicknessPx);
    static void dashVertical(int count, int thicknessPx, int desiredGapPx, const Canvas& canvas, int baseThicknessPx);
    static void arc(Corner corner, int thicknessPx, const Canvas& canvas);
    static void lightDiagonalUpperRightToLowerLeft(int thicknessPx, const Canvas& canvas);
    static void lightDiagonalUpperLeftToLowerRight(int thicknessPx, const Canvas& canvas);
};

} // namespace corvel
