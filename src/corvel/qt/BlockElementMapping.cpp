#include "corvel/qt/BlockElementMapping.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QPainter>

namespace corvel {

namespace {

using R = BlockElementRect;
constexpr BlockAlpha F = BlockAlpha::full;

struct Entry {
    std::array<BlockElementRect, 3> rects;
    uint8_t count;
};

// Indexed by code point minus U+2580.
constexpr std::array<Entry, 32> table{{
    {{R{0, 8, 0, 4, F}}, 1}, // upper half
    {{R{0, 8, 7, 8, F}}, 1}, // lower one eighth
    {{R{0, 8, 6, 8, F}}, 1}, // lower one quarter
    {{R{0, 8, 5, 8, F}}, 1}, // lower three eighths
    {{R{0, 8, 4, 8, F}}, 1}, // lower half
    {{R{0, 8, 3, 8, F}}, 1}, // lower five eighths
    {{R{0, 8, 2, 8, F}}, 1}, // lower three quarters
    {{R{0, 8, 1, 8, F}}, 1}, // lower seven eighths
    {{R{0, 8, 0, 8, F}}, 1}, // full block
    {{R{0, 7, 0, 8, F}}, 1}, // left seven eighths
    {{R{0, 6, 0, 8, F}}, 1}, // left three quarters
    {{R{0, 5, 0, 8, F}}, 1}, // left five eighths
    {{R{0, 4, 0, 8, F}}, 1}, // left half
    {{R{0, 3, 0, 8, F}}, 1}, // left three eighths
    {{R{0, 2, 0, 8, F}}, 1}, // left one quarter
    {{R{0, 1, 0, 8, F}}, 1}, // left one eighth
    {{R{4, 8, 0, 8, F}}, 1}, // right half
    {{R{0, 8, 0, 8, BlockAlpha::light}}, 1}, // light shade
    {{R{0, 8, 0, 8, BlockAlpha::medium}}, 1}, // medium shade
    {{R{0, 8, 0, 8, BlockAlpha::dark}}, 1}, // dark shade
    {{R{0, 8, 0, 1, F}}, 1}, // upper one eighth
    {{R{7, 8, 0, 8, F}}, 1}, // right one eighth
    {{R{0, 4, 4, 8, F}}, 1}, // quadrant lower left
    {{R{4, 8, 4, 8, F}}, 1}, // quadrant lower right
    {{R{0, 4, 0, 4, F}}, 1}, // quadrant upper left
    {{R{0, 4, 0, 4, F}, R{0, 4, 4, 8, F}, R{4, 8, 4, 8, F}}, 3}, // upper left, lower left, lower right
    {{R{0, 4, 0, 4, F}, R{4, 8, 4, 8, F}}, 2}, // upper left and lower right
    {{R{0, 4, 0, 4, F}, R{4, 8, 0, 4, F}, R{0, 4, 4, 8, F}}, 3}, // upper left, upper right, lower left
    {{R{0, 4, 0, 4, F}, R{4, 8, 0, 4, F}, R{4, 8, 4, 8, F}}, 3}, // upper left, upper right, lower right
    {{R{4, 8, 0, 4, F}}, 1}, // quadrant upper right
    {{R{4, 8, 0, 4, F}, R{0, 4, 4, 8, F}}, 2}, // upper right and lower left
    {{R{4, 8, 0, 4, F}, R{0, 4, 4, 8, F}, R{4, 8, 4, 8, F}}, 3}, // upper right, lower left, lower right
}};

} // namespace

std::optional<BlockAlpha> blockAlphaFromValue(double rawValue)
{
    for (BlockAlpha a : {BlockAlpha::full, BlockAlpha::dark, BlockAlpha::medium, BlockAlpha::light})
        if (blockAlphaValue(a) == rawValue)
            return a;
    return std::nullopt;
}

std::optional<std::span<const BlockElementRect>> BlockElementMapping::rects(uint32_t codePoint)
{
    if (codePoint < first || codePoint > last)
        return std::nullopt;
    const Entry& entry = table[codePoint - first];
    return std::span<const BlockElementRect>(entry.rects.data(), entry.count);
}

void drawBlockElements(QPainter& painter, std::span<const BlockElementRenderItem> items, QPointF rowOrigin,
                       QSizeF cellSize, double scale, bool antialias)
{
    if (items.empty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, antialias);
    painter.setPen(Qt::NoPen);
    const double cw = cellSize.width();
    const double eh = cellSize.height() / 8.0;
    const double top = rowOrigin.y();
    for (const BlockElementRenderItem& item : items) {
        const double ew = cw * std::max(item.columnWidth, 1) / 8.0;
        const double left = rowOrigin.x() + cw * item.column;
        const double alpha = item.foregroundColor.alphaF();
        for (const BlockElementRect& r : item.rects) {
            double x0 = left + ew * r.x0;
            double x1 = left + ew * r.x1;
            double y0 = top + eh * r.y0;
            double y1 = top + eh * r.y1;
            if (!antialias && scale > 0) {
                x0 = std::floor(x0 * scale) / scale;
                y0 = std::floor(y0 * scale) / scale;
                x1 = std::ceil(x1 * scale) / scale;
                y1 = std::ceil(y1 * scale) / scale;
            }
            const double w = std::max(0.0, x1 - x0);
            const double h = std::max(0.0, y1 - y0);
            if (w <= 0 || h <= 0)
                continue;
            QColor fill = item.foregroundColor;
            fill.setAlphaF(static_cast<float>(std::clamp(alpha * blockAlphaValue(r.alpha), 0.0, 1.0)));
            painter.fillRect(QRectF(x0, y0, w, h), fill);
        }
    }
    painter.restore();
}

} // namespace corvel
