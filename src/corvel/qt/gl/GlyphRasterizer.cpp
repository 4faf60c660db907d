#include "corvel/qt/gl/GlyphRasterizer.h"

#include <cmath>
#include <cstring>

#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include "corvel/qt/BlockElementMapping.h"
#include "corvel/qt/BoxDrawingRenderer.h"

namespace corvel::GlyphRasterizer {

namespace {

GlyphBitmap fromImage(const QImage& image, QPointF bearing)
{
    GlyphBitmap bitmap;
    bitmap.width = image.width();
    bitmap.height = image.height();
    bitmap.bearing = bearing;
    bitmap.pixels.resize(static_cast<size_t>(bitmap.width) * bitmap.height * 4);
    for (int y = 0; y < bitmap.height; ++y)
        std::memcpy(bitmap.pixels.data() + static_cast<size_t>(y) * bitmap.width * 4,
                    image.constScanLine(y),
                    static_cast<size_t>(bitmap.width) * 4);
    for (size_t i = 0; i < bitmap.pixels.size(); i += 4) {
        const uint8_t* p = bitmap.pixels.data() + i;
        if (p[0] != p[1] || p[1] != p[2]) {
            bitmap.isColor = true;
            break;
        }
    }
    return bitmap;
}

} // namespace

std::optional<GlyphBitmap> rasterize(const QRawFont& font, uint32_t glyph, int stretchX)
{
    if (!font.isValid())
        return std::nullopt;
    // Qt's rectangle has y downwards from the baseline.
    const QRectF box = font.boundingRect(glyph);
    if (!(box.width() > 0) || !(box.height() > 0))
        return std::nullopt;
    // One transparent pixel around the box: the antialiased fringe stays in
    // the bitmap, and a stretched glyph never samples its atlas neighbours.
    const double sx = std::max(1, stretchX);
    const double x0 = std::floor(box.left() * sx) - 1;
    const int width = static_cast<int>(std::ceil(box.right() * sx) + 1 - x0);
    const double y0 = std::floor(-box.bottom()) - 1;
    const double top = std::ceil(-box.top()) + 1;
    const int height = static_cast<int>(top - y0);
    if (width <= 0 || height <= 0)
        return std::nullopt;

    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.setPen(Qt::white);
        painter.translate(-x0, top);
        painter.scale(sx, 1);
        QGlyphRun run;
        run.setRawFont(font);
        const quint32 index = glyph;
        const QPointF origin(0, 0);
        run.setRawData(&index, &origin, 1);
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    return fromImage(image, QPointF(x0, y0));
}

std::optional<GlyphBitmap> rasterizeCustom(uint32_t codePoint, int widthPx, int heightPx, double scale,
                                           int baseThicknessPx, bool antiAlias, LineStretch stretch)
{
    if (widthPx <= 0 || heightPx <= 0 || !(scale > 0))
        return std::nullopt;
    const bool box = codePoint >= BoxDrawingRenderer::first && codePoint <= BoxDrawingRenderer::last;
    const bool block = codePoint >= BlockElementMapping::first && codePoint <= BlockElementMapping::last;
    if (!box && !block)
        return std::nullopt;
    std::vector<BlockElementRect> rects;
    if (block) {
        if (const auto mapped = BlockElementMapping::rects(codePoint))
            rects.assign(mapped->begin(), mapped->end());
        if (rects.empty())
            return std::nullopt;
    }

    constexpr int m = customGlyphMargin;
    QImage image(widthPx * stretch.x + 2 * m, heightPx * stretch.y + 2 * m, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    {
        QPainter painter(&image);
        painter.translate(m / scale, m / scale);
        // As the view draws a stretched line: its own geometry, scaled.
        painter.scale(stretch.x, stretch.y);
        const QSizeF cell(widthPx / scale, heightPx / scale);
        if (box) {
            BoxDrawingRenderer::draw(codePoint, painter, QPointF(0, 0), cell, scale, Qt::white, baseThicknessPx);
        } else {
            const BlockElementRenderItem item{0, 1, codePoint, std::move(rects), QColor(Qt::white)};
            drawBlockElements(painter, std::span(&item, 1), QPointF(0, 0), cell, scale, antiAlias);
        }
    }
    return fromImage(image, QPointF(-m, -m));
}

} // namespace corvel::GlyphRasterizer
