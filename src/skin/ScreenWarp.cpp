#include "skin/ScreenWarp.h"

#include "skin/ViewportShape.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velmora {

namespace {

// How strongly a bump of scale s bends the picture: the centre is magnified
// by 1 / (1 - strength·|s|).
constexpr double bumpStrength = 1.5;

// Linear blend of two premultiplied pixels, weight w of b in 0 … 256; two
// channels at a time.
inline std::uint32_t blend(std::uint32_t a, std::uint32_t b, std::uint32_t w)
{
    const std::uint32_t iw = 256 - w;
    const std::uint32_t rb = (((a & 0x00ff00ffu) * iw + (b & 0x00ff00ffu) * w) >> 8) & 0x00ff00ffu;
    const std::uint32_t ag = (((a >> 8) & 0x00ff00ffu) * iw + ((b >> 8) & 0x00ff00ffu) * w) & 0xff00ff00u;
    return rb | ag;
}

// Three passes of a running box blur along rows (stride 1) or columns.
void boxBlur(std::vector<float>& values, std::vector<float>& scratch, int count, int length, int step, int lineStep,
             int radius)
{
    const float scale = 1.0f / float(2 * radius + 1);
    for (int pass = 0; pass < 3; ++pass) {
        for (int line = 0; line < count; ++line) {
            float* data = values.data() + std::size_t(line) * std::size_t(lineStep);
            const auto at = [&](int i) { return data[std::size_t(std::clamp(i, 0, length - 1)) * std::size_t(step)]; };
            float sum = 0;
            for (int i = -radius; i <= radius; ++i)
                sum += at(i);
            for (int i = 0; i < length; ++i) {
                scratch[std::size_t(i)] = sum * scale;
                sum += at(i + radius + 1) - at(i - radius);
            }
            for (int i = 0; i < length; ++i)
                data[std::size_t(i) * std::size_t(step)] = scratch[std::size_t(i)];
        }
    }
}

} // namespace

bool BumpDistortion::isActive() const
{
    return radius > 0 && scale != 0 && std::isfinite(scale) && bounds.width() > 0 && bounds.height() > 0;
}

QPointF BumpDistortion::sourcePoint(const QPointF& point) const
{
    if (!isActive())
        return point;
    const QPointF d = point - centre;
    const double distance = std::hypot(d.x(), d.y());
    if (!(distance < radius))
        return point;
    // Where the point lies between the centre and the edge on its side, -1 … 1.
    const auto towardsEdge = [](double p, double c, double size) {
        const double span = p < c ? c : size - c;
        return span > 0 ? std::clamp((p - c) / span, -1.0, 1.0) : 0.0;
    };
    const double x = towardsEdge(point.x(), centre.x(), bounds.width());
    const double y = towardsEdge(point.y(), centre.y(), bounds.height());
    const double fade = 1 - (distance / radius) * (distance / radius);
    const double pinned = (1 - x * x) * (1 - y * y);
    const double t = 1 + bumpStrength * scale * fade * pinned;
    return centre + d * t;
}

void ScreenWarp::setGeometry(const Geometry& geometry)
{
    if (m_built && geometry == m_geometry)
        return;
    m_geometry = geometry;
    rebuild();
}

std::optional<QPointF> ScreenWarp::sourcePointAt(const QPointF& outputPoint) const
{
    const QRect& rect = m_geometry.sourceRect;
    const auto flat = ViewportShape::inverseQuadMap(outputPoint, rect.width(), rect.height(), m_geometry.corners);
    if (!flat)
        return std::nullopt;
    return m_geometry.bump.sourcePoint(*flat);
}

void ScreenWarp::rebuild()
{
    m_built = true;
    m_samples.clear();
    const Geometry& g = m_geometry;
    const double dpr = g.devicePixelRatio > 0 ? g.devicePixelRatio : 1.0;
    m_sourcePixels = QRect(int(std::lround(g.sourceRect.x() * dpr)),
                           int(std::lround(g.sourceRect.y() * dpr)),
                           std::max(1, int(std::lround(g.sourceRect.width() * dpr))),
                           std::max(1, int(std::lround(g.sourceRect.height() * dpr))));
    const QSize outputPixels(std::max(1, int(std::lround(g.outputRect.width() * dpr))),
                             std::max(1, int(std::lround(g.outputRect.height() * dpr))));
    m_output = QImage(outputPixels, QImage::Format_ARGB32_Premultiplied);
    m_output.setDevicePixelRatio(dpr);
    m_output.fill(Qt::transparent);
    m_padded = QImage(m_sourcePixels.size() + QSize(1, 1), QImage::Format_ARGB32_Premultiplied);
    m_padded.fill(Qt::transparent);

    // The outline's coverage, with smooth edges.
    m_coverage = QImage(outputPixels, QImage::Format_Alpha8);
    m_coverage.fill(0);
    {
        QPainter painter(&m_coverage);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(dpr, dpr);
        painter.translate(-QPointF(g.outputRect.topLeft()));
        painter.fillPath(ViewportShape::roundedQuadPath(g.corners, g.radii), Qt::black);
    }
    if (g.sourceRect.isEmpty() || g.corners.size() != 4)
        return;

    const int sourceWidth = m_sourcePixels.width();
    const int sourceHeight = m_sourcePixels.height();
    const int paddedStride = m_padded.bytesPerLine() / 4;
    m_samples.reserve(std::size_t(outputPixels.width()) * std::size_t(outputPixels.height()));
    for (int oy = 0; oy < outputPixels.height(); ++oy) {
        const uchar* cover = m_coverage.constScanLine(oy);
        for (int ox = 0; ox < outputPixels.width(); ++ox) {
            if (!cover[ox])
                continue;
            const QPointF at(g.outputRect.left() + (ox + 0.5) / dpr, g.outputRect.top() + (oy + 0.5) / dpr);
            const std::optional<QPointF> source = sourcePointAt(at);
            if (!source)
                continue;
            // Picture pixel centres lie at half pixels; clamp to its edge.
            const double sx = std::clamp(source->x() * dpr - 0.5, 0.0, double(sourceWidth - 1));
            const double sy = std::clamp(source->y() * dpr - 0.5, 0.0, double(sourceHeight - 1));
            const int x0 = int(sx);
            const int y0 = int(sy);
            Sample sample;
            sample.output = std::uint32_t(oy * (m_output.bytesPerLine() / 4) + ox);
            sample.source = std::uint32_t(y0 * paddedStride + x0);
            sample.fx = std::uint16_t(std::lround((sx - x0) * 256));
            sample.fy = std::uint16_t(std::lround((sy - y0) * 256));
            m_samples.push_back(sample);
        }
    }
}

const QImage& ScreenWarp::render(const QImage& source, const ScreenGlow& glow)
{
    if (!m_built)
        rebuild();
    // The screen's part of the picture into the padded copy, its last column
    // and row repeated so that every sample's neighbours exist.
    const QImage picture = source.format() == QImage::Format_ARGB32_Premultiplied
        ? source
        : source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QRect part = m_sourcePixels.intersected(picture.rect());
    if (part.isEmpty()) {
        m_output.fill(Qt::transparent);
        return m_output;
    }
    const int width = part.right() - m_sourcePixels.left() + 1;
    for (int y = 0; y <= m_sourcePixels.height(); ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(m_padded.scanLine(y));
        const int row = std::clamp(m_sourcePixels.top() + y, part.top(), part.bottom());
        const auto* from = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(row));
        const int first = part.left() - m_sourcePixels.left(); // above 0 only off the picture's left edge
        std::memcpy(line + first, from + part.left(), std::size_t(width - first) * 4);
        for (int x = 0; x < first; ++x)
            line[x] = from[part.left()];
        for (int x = width; x <= m_sourcePixels.width(); ++x)
            line[x] = from[part.right()];
    }

    const int paddedStride = m_padded.bytesPerLine() / 4;
    const auto* texels = reinterpret_cast<const std::uint32_t*>(m_padded.constBits());
    auto* out = reinterpret_cast<std::uint32_t*>(m_output.bits());
    for (const Sample& s : m_samples) {
        const std::uint32_t* p = texels + s.source;
        const std::uint32_t top = blend(p[0], p[1], s.fx);
        const std::uint32_t bottom = blend(p[paddedStride], p[paddedStride + 1], s.fx);
        out[s.output] = blend(top, bottom, s.fy);
    }

    if (glow.isActive())
        addGlow(glow);
    // The outline's smooth edge, once, over picture and glow alike.
    QPainter painter(&m_output);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(m_output.size()) / m_output.devicePixelRatio()), m_coverage);
    return m_output;
}

void ScreenWarp::addGlow(const ScreenGlow& glow)
{
    // The brightness of the screen at a quarter of its resolution, blurred
    // to the glow's radius, tinted and laid over the screen.
    constexpr int factor = 4;
    const int w = std::max(1, m_output.width() / factor);
    const int h = std::max(1, m_output.height() / factor);
    std::vector<float> light(std::size_t(w) * std::size_t(h), 0.0f);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float sum = 0;
            for (int dy = 0; dy < factor; ++dy) {
                const int sy = std::min(y * factor + dy, m_output.height() - 1);
                const auto* line = reinterpret_cast<const QRgb*>(m_output.constScanLine(sy));
                for (int dx = 0; dx < factor; ++dx) {
                    const QRgb p = line[std::min(x * factor + dx, m_output.width() - 1)];
                    sum += 0.2126f * float(qRed(p)) + 0.7152f * float(qGreen(p)) + 0.0722f * float(qBlue(p));
                }
            }
            light[std::size_t(y) * std::size_t(w) + std::size_t(x)] = sum / float(factor * factor * 255);
        }
    }
    // Three box passes come close to a Gaussian of the glow's spread.
    const double sigma = glow.radius * m_output.devicePixelRatio() / (2.0 * factor);
    const int radius = std::max(1, int(std::lround((std::sqrt(1 + 4 * sigma * sigma) - 1) / 2)));
    std::vector<float> scratch(std::size_t(std::max(w, h)));
    boxBlur(light, scratch, h, w, 1, w, radius);
    boxBlur(light, scratch, w, h, w, 1, radius);

    QImage halo(w, h, QImage::Format_ARGB32_Premultiplied);
    const QColor colour = glow.colour.isValid() ? glow.colour : QColor(255, 160, 0);
    const double opacity = std::clamp(glow.opacity, 0.0, 1.0);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(halo.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double a
                = std::clamp(double(light[std::size_t(y) * std::size_t(w) + std::size_t(x)]) * opacity, 0.0, 1.0);
            line[x] = qRgba(int(colour.red() * a), int(colour.green() * a), int(colour.blue() * a), int(255 * a));
        }
    }
    QPainter painter(&m_output);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_Screen);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(m_output.size()) / m_output.devicePixelRatio()), halo);
}

} // namespace velmora
