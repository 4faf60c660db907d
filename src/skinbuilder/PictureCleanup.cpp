#include "skinbuilder/PictureCleanup.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace velmora::PictureCleanup {

namespace {

// A flood fill over a 4-byte-per-pixel picture. A pixel is pushed at most
// once: it is marked visited (one bit per pixel) when pushed. Pixels are
// taken a front at a time, breadth first, so the pending list stays about as
// long as the front of the fill instead of growing with its area.
class FloodFill {
public:
    explicit FloodFill(QImage& image)
        : m_width(image.width()),
          m_height(image.height()),
          m_stride(image.bytesPerLine()),
          m_bits(image.bits()),
          m_visited((std::size_t(m_width) * std::size_t(m_height) + 63) / 64, 0)
    {
    }

    void push(int x, int y)
    {
        const std::size_t index = std::size_t(y) * std::size_t(m_width) + std::size_t(x);
        std::uint64_t& word = m_visited[index / 64];
        const std::uint64_t bit = std::uint64_t(1) << (index % 64);
        if (word & bit)
            return;
        word |= bit;
        m_next.push_back({x, y});
    }

    const uchar* pixel(int x, int y) const { return m_bits + qsizetype(y) * m_stride + qsizetype(x) * 4; }

    // Takes pixels until none is pending; a pixel for which joins(bytes)
    // holds is cleared and its neighbours are pushed.
    template <typename Joins> qsizetype run(Joins joins)
    {
        qsizetype cleared = 0;
        while (!m_next.empty()) {
            m_front.swap(m_next);
            m_next.clear();
            for (const Position& at : m_front) {
                uchar* p = m_bits + qsizetype(at.y) * m_stride + qsizetype(at.x) * 4;
                if (!joins(p))
                    continue;
                std::memset(p, 0, 4);
                ++cleared;
                if (at.x > 0)
                    push(at.x - 1, at.y);
                if (at.x + 1 < m_width)
                    push(at.x + 1, at.y);
                if (at.y > 0)
                    push(at.x, at.y - 1);
                if (at.y + 1 < m_height)
                    push(at.x, at.y + 1);
            }
        }
        return cleared;
    }

private:
    struct Position {
        int x;
        int y;
    };

    int m_width;
    int m_height;
    qsizetype m_stride;
    uchar* m_bits;
    std::vector<std::uint64_t> m_visited;
    std::vector<Position> m_front;
    std::vector<Position> m_next;
};

// For each channel value, whether (or for which references, one bit each)
// it lies within the tolerance.
using ChannelTable = std::array<std::uint8_t, 256>;

} // namespace

qsizetype magicWand(QImage& rgba, QPoint seed, int tolerance)
{
    Q_ASSERT(rgba.format() == QImage::Format_RGBA8888);
    if (!rgba.rect().contains(seed))
        return 0;
    tolerance = std::max(tolerance, 0);
    FloodFill fill(rgba);
    const uchar* reference = fill.pixel(seed.x(), seed.y());
    std::array<ChannelTable, 3> within{};
    for (int channel = 0; channel < 3; ++channel)
        for (int v = 0; v < 256; ++v)
            within[channel][v] = std::abs(v - int(reference[channel])) <= tolerance;
    fill.push(seed.x(), seed.y());
    return fill.run([&](const uchar* p) { return p[3] != 0 && within[0][p[0]] && within[1][p[1]] && within[2][p[2]]; });
}

qsizetype removeBackground(QImage& premultiplied, double tolerance)
{
    Q_ASSERT(premultiplied.format() == QImage::Format_RGBA8888_Premultiplied);
    const int w = premultiplied.width();
    const int h = premultiplied.height();
    if (w == 0 || h == 0)
        return 0;
    FloodFill fill(premultiplied);

    const int right = w - 1;
    const int bottom = h - 1;
    const int nextX = std::min(1, right);
    const int nextY = std::min(1, bottom);
    const QPoint references[]
        = {{0, 0}, {right, 0}, {0, bottom}, {right, bottom}, {nextX, 0}, {0, nextY}, {nextX, nextY}};
    std::array<ChannelTable, 3> matching{};
    for (std::size_t k = 0; k < std::size(references); ++k) {
        const uchar* reference = fill.pixel(references[k].x(), references[k].y());
        for (int channel = 0; channel < 3; ++channel)
            for (int v = 0; v < 256; ++v)
                if (std::abs(double(v) - double(reference[channel])) <= tolerance)
                    matching[channel][v] |= std::uint8_t(1u << k);
    }

    for (int x = 0; x < w; ++x) {
        fill.push(x, 0);
        fill.push(x, bottom);
    }
    for (int y = 0; y < h; ++y) {
        fill.push(0, y);
        fill.push(right, y);
    }
    return fill.run(
        [&](const uchar* p) { return p[3] <= 9 || (matching[0][p[0]] & matching[1][p[1]] & matching[2][p[2]]) != 0; });
}

std::optional<QRect> opaqueBounds(const QImage& image)
{
    const QImage alpha = image.convertToFormat(QImage::Format_Alpha8);
    if (alpha.isNull())
        return std::nullopt;
    constexpr uchar threshold = 10;
    int minX = alpha.width();
    int maxX = -1;
    int minY = alpha.height();
    int maxY = -1;
    for (int y = 0; y < alpha.height(); ++y) {
        const uchar* row = alpha.constScanLine(y);
        int first = 0;
        while (first < alpha.width() && row[first] <= threshold)
            ++first;
        if (first == alpha.width())
            continue;
        int last = alpha.width() - 1;
        while (row[last] <= threshold)
            --last;
        minX = std::min(minX, first);
        maxX = std::max(maxX, last);
        minY = std::min(minY, y);
        maxY = y;
    }
    if (!(minX < maxX && minY < maxY))
        return std::nullopt;
    return QRect(QPoint(minX, minY), QPoint(maxX, maxY));
}

QRect withMargin(const QRect& bounds, const QSize& size, int margin)
{
    const int x0 = std::max(bounds.left() - margin, 0);
    const int y0 = std::max(bounds.top() - margin, 0);
    const int x1 = std::min(bounds.right() + margin, size.width() - 1);
    const int y1 = std::min(bounds.bottom() + margin, size.height() - 1);
    return QRect(QPoint(x0, y0), QPoint(x1, y1));
}

QImage applyPolygonMask(const QImage& image, const QSizeF& pointSize, const std::vector<BezierNode>& nodes,
                        bool keepInside)
{
    if (!(pointSize.width() > 0) || !(pointSize.height() > 0))
        return {};
    QImage masked = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (masked.isNull())
        return {};
    const qreal ratio = image.devicePixelRatio();
    masked.setDevicePixelRatio(1); // paint in pixels
    const qreal sx = masked.width() / pointSize.width();
    const qreal sy = masked.height() / pointSize.height();
    const QPainterPath polygon
        = bezierPath(nodes, true, [&](const QPointF& p) { return QPointF(p.x() * sx, p.y() * sy); });

    QPainter painter(&masked);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    if (keepInside) {
        QPainterPath outside;
        outside.addRect(masked.rect());
        outside.addPath(polygon);
        outside.setFillRule(Qt::OddEvenFill);
        painter.fillPath(outside, Qt::black);
    } else {
        QPainterPath inside = polygon;
        inside.setFillRule(Qt::WindingFill);
        painter.fillPath(inside, Qt::black);
    }
    painter.end();
    masked.setDevicePixelRatio(ratio);
    return masked;
}

} // namespace velmora::PictureCleanup
