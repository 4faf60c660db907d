#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <QColor>
#include <QPointF>
#include <QSizeF>

class QPainter;

namespace corvel {

// How much of the foreground a block element lets through.
enum class BlockAlpha : uint8_t { full, dark, medium, light };

constexpr double blockAlphaValue(BlockAlpha alpha)
{
    switch (alpha) {
    case BlockAlpha::full: return 1.0;
    case BlockAlpha::dark: return 0.75;
    case BlockAlpha::medium: return 0.5;
    case BlockAlpha::light: return 0.25;
    }
    return 1.0;
}

// The alpha whose value is exactly rawValue, or none.
std::optional<BlockAlpha> blockAlphaFromValue(double rawValue);

// One rectangle of a block element in eighths of the cell, x from the left
// edge and y from the top edge, covering x0 <= x < x1 and y0 <= y < y1.
struct BlockElementRect {
    uint8_t x0 = 0;
    uint8_t x1 = 8;
    uint8_t y0 = 0;
    uint8_t y1 = 8;
    BlockAlpha alpha = BlockAlpha::full;

    friend bool operator==(const BlockElementRect&, const BlockElementRect&) = default;
};

// A block element found in a row, for the drawing pass.
struct BlockElementRenderItem {
    int column = 0;
    int columnWidth = 1;
    uint32_t codePoint = 0;
    std::vector<BlockElementRect> rects;
    QColor foregroundColor;
};

// The 32 block elements U+2580 to U+259F as rectangles on the cell.
class BlockElementMapping {
public:
    static constexpr uint32_t first = 0x2580;
    static constexpr uint32_t last = 0x259F;

    // The rectangles of a block element; none for any other code point.
    static std::optional<std::span<const BlockElementRect>> rects(uint32_t codePoint);
};

// Fills the block elements of one row. rowOrigin is the top-left corner of
// column 0 of the row in the painter's logical coordinates; scale is device
// pixels per logical pixel. Without antialiasing every rectangle is snapped
// outwards to whole device pixels, so neighbouring cells meet exactly.
void drawBlockElements(QPainter& painter, std::span<const BlockElementRenderItem> items, QPointF rowOrigin,
                       QSizeF cellSize, double scale, bool antialias);

} // namespace corvel
