#include "look/SoftShadow.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmora::SoftShadow {
namespace {

// One box pass along rows (or columns) of the alpha channel.
void boxPass(std::vector<float>& alpha, int width, int height, int radius, bool horizontal)
{
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    std::vector<float> line(static_cast<std::size_t>(length));
    const float scale = 1.0f / float(2 * radius + 1);
    for (int l = 0; l < lines; ++l) {
        const auto at = [&](int i) -> float& {
            return horizontal ? alpha[std::size_t(l) * width + i] : alpha[std::size_t(i) * width + l];
        };
        for (int i = 0; i < length; ++i)
            line[std::size_t(i)] = at(i);
        float sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += (i >= 0 && i < length) ? line[std::size_t(i)] : 0;
        for (int i = 0; i < length; ++i) {
            at(i) = sum * scale;
            const int leaving = i - radius;
            const int entering = i + radius + 1;
            sum += (entering < length ? line[std::size_t(entering)] : 0)
                - (leaving >= 0 ? line[std::size_t(leaving)] : 0);
        }
    }
}

QImage silhouette(QSize size, qreal dpr)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    return image;
}

void paintBlurred(QPainter& painter, QImage& coverage, const QRectF& at, const QColor& color, qreal blurRadius)
{
    blur(coverage, blurRadius * coverage.devicePixelRatio());
    QPainter tint(&coverage);
    tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
    tint.fillRect(QRectF(QPointF(), coverage.deviceIndependentSize()), color);
    tint.end();
    painter.drawImage(at, coverage);
}

} // namespace

void blur(QImage& image, qreal radius)
{
    if (radius < 1 || image.isNull())
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int width = image.width();
    const int height = image.height();
    std::vector<float> alpha(std::size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            alpha[std::size_t(y) * width + x] = float(qAlpha(row[x]));
    }
    // Three box passes of this size approach a Gaussian of the given radius.
    const int box = std::max(1, int(std::lround(radius / 2)));
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(alpha, width, height, box, true);
        boxPass(alpha, width, height, box, false);
    }
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int a = std::clamp(int(std::lround(alpha[std::size_t(y) * width + x])), 0, 255);
            row[x] = qRgba(0, 0, 0, a);
        }
    }
}

void paint(QPainter& painter, const QPainterPath& shape, const QColor& color, qreal blurRadius, QPointF offset)
{
    const qreal pad = std::ceil(blurRadius * 2);
    const QRectF area = shape.boundingRect().adjusted(-pad, -pad, pad, pad).translated(offset);
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1;
    QImage coverage = silhouette((area.size() * dpr).toSize() + QSize(1, 1), dpr);
    QPainter fill(&coverage);
    fill.setRenderHint(QPainter::Antialiasing);
    fill.translate(-area.topLeft() + offset);
    fill.fillPath(shape, Qt::black);
    fill.end();
    paintBlurred(painter, coverage, QRectF(area.topLeft(), coverage.deviceIndependentSize()), color, blurRadius);
}

void paint(QPainter& painter, const QImage& picture, const QRectF& target, const QColor& color, qreal blurRadius,
           QPointF offset)
{
    const qreal pad = std::ceil(blurRadius * 2);
    const QRectF area = target.adjusted(-pad, -pad, pad, pad).translated(offset);
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1;
    QImage coverage = silhouette((area.size() * dpr).toSize() + QSize(1, 1), dpr);
    QPainter fill(&coverage);
    fill.setRenderHint(QPainter::SmoothPixmapTransform);
    fill.drawImage(QRectF(QPointF(pad, pad), target.size()), picture);
    fill.end();
    paintBlurred(painter, coverage, QRectF(area.topLeft(), coverage.deviceIndependentSize()), color, blurRadius);
}

} // namespace velmora::SoftShadow
