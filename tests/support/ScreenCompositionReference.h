#pragma once

// The screen's composition worked out straight from its formulas, slowly and
// in double precision, for the compositor tests of either backend: the
// output point taken back through the projective map of the screen's
// rectangle onto its four corners and through the curvature's bump (both
// worked out here afresh, not with the code under test), the content sampled
// bilinearly at the bent point, the glow from the
// luminance blurred by a full-resolution Gaussian (to 4 sigma, the edge
// repeated), the scanlines, the vignette, the grade through soft light and
// the outline's coverage (rasterised with smooth edges by QPainter).

#include "screen/ScreenCompositor.h"
#include "skin/ViewportShape.h"

#include <QImage>
#include <QPainter>

#include <QPointF>
#include <QSizeF>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace velmora::test {

// The projective map that takes the screen's rectangle, (0, 0) to (width,
// height), onto four corners (top left, top right, bottom right, bottom
// left): the 3×3 homography solved from the eight equations the corners
// give, by Gaussian elimination, and inverted through its cofactors.
class ReferenceQuadMap {
public:
    ReferenceQuadMap(double width, double height, const std::vector<QPointF>& corners)
    {
        if (corners.size() != 4 || !(width > 0) || !(height > 0))
            return;
        const QPointF from[4] = {{0, 0}, {width, 0}, {width, height}, {0, height}};
        // x = (h0 u + h1 v + h2) / (h6 u + h7 v + 1), y = (h3 u + h4 v + h5) / (…).
        std::array<std::array<double, 9>, 8> rows{};
        for (std::size_t i = 0; i < 4; ++i) {
            const double u = from[i].x();
            const double v = from[i].y();
            const double x = corners[i].x();
            const double y = corners[i].y();
            rows[2 * i] = {u, v, 1, 0, 0, 0, -u * x, -v * x, x};
            rows[2 * i + 1] = {0, 0, 0, u, v, 1, -u * y, -v * y, y};
        }
        for (std::size_t column = 0; column < 8; ++column) {
            std::size_t pivot = column;
            for (std::size_t r = column + 1; r < 8; ++r) {
                if (std::abs(rows[r][column]) > std::abs(rows[pivot][column]))
                    pivot = r;
            }
            if (!(std::abs(rows[pivot][column]) > 1e-12))
                return;
            std::swap(rows[pivot], rows[column]);
            for (std::size_t r = 0; r < 8; ++r) {
                if (r == column)
                    continue;
                const double f = rows[r][column] / rows[column][column];
                for (std::size_t k = column; k < 9; ++k)
                    rows[r][k] -= f * rows[column][k];
            }
        }
        for (std::size_t i = 0; i < 8; ++i)
            m_forward[i] = rows[i][8] / rows[i][i];
        m_forward[8] = 1;
        const auto& m = m_forward;
        const std::array<double, 9> cofactors = {m[4] * m[8] - m[5] * m[7],
                                                 m[2] * m[7] - m[1] * m[8],
                                                 m[1] * m[5] - m[2] * m[4],
                                                 m[5] * m[6] - m[3] * m[8],
                                                 m[0] * m[8] - m[2] * m[6],
                                                 m[2] * m[3] - m[0] * m[5],
                                                 m[3] * m[7] - m[4] * m[6],
                                                 m[1] * m[6] - m[0] * m[7],
                                                 m[0] * m[4] - m[1] * m[3]};
        const double determinant = m[0] * cofactors[0] + m[1] * cofactors[3] + m[2] * cofactors[6];
        if (!(std::abs(determinant) > 1e-12))
            return;
        for (std::size_t i = 0; i < 9; ++i)
            m_inverse[i] = cofactors[i] / determinant;
        m_valid = true;
    }

    bool isValid() const { return m_valid; }

    // A point of the screen's rectangle where it lands.
    std::optional<QPointF> map(const QPointF& screen) const { return apply(m_forward, screen); }
    // The point of the screen's rectangle that lands on an output point.
    std::optional<QPointF> inverse(const QPointF& output) const { return apply(m_inverse, output); }

private:
    std::optional<QPointF> apply(const std::array<double, 9>& m, const QPointF& p) const
    {
        if (!m_valid)
            return std::nullopt;
        const double w = m[6] * p.x() + m[7] * p.y() + m[8];
        if (!(std::abs(w) > 1e-12))
            return std::nullopt;
        return QPointF((m[0] * p.x() + m[1] * p.y() + m[2]) / w, (m[3] * p.x() + m[4] * p.y() + m[5]) / w);
    }

    std::array<double, 9> m_forward{};
    std::array<double, 9> m_inverse{};
    bool m_valid = false;
};

// The curvature of a flat screen of the given size, as the bump of scale s
// (−0.5 × the curvature amount) centred on it, of radius R = 1.1 × its
// longer side: the point p shows the picture at
//   c + (p − c)·(1 + s·(1 − r²/R²)·(1 − x²)·(1 − y²)),
// where r = |p − c| < R and x, y run from −1 at the left and top edges
// through 0 at the centre to 1 at the right and bottom ones. A negative s
// magnifies the centre by 1 / (1 + s) and the last two factors hold the
// screen's edges in place; beyond R nothing moves.
inline QPointF referenceBentPoint(const QPointF& flat, const QSizeF& screen, double scale)
{
    if (scale == 0 || screen.isEmpty())
        return flat;
    const QPointF centre(screen.width() / 2, screen.height() / 2);
    const double radius = 1.1 * std::max(screen.width(), screen.height());
    const QPointF d = flat - centre;
    const double r = std::hypot(d.x(), d.y());
    if (r >= radius)
        return flat;
    const double x = std::clamp(d.x() / centre.x(), -1.0, 1.0);
    const double y = std::clamp(d.y() / centre.y(), -1.0, 1.0);
    const double factor = 1 + scale * (1 - r * r / (radius * radius)) * (1 - x * x) * (1 - y * y);
    return centre + d * factor;
}

class ScreenCompositionReference {
public:
    // Premultiplied red, green, blue and alpha, 0 … 1.
    using Colour = std::array<double, 4>;
    using Geometry = ScreenCompositor::Geometry;

    ScreenCompositionReference(const Geometry& geometry, const ScreenEffects& effects, double rollingOffset,
                               const QImage& source)
        : m_geometry(geometry),
          m_quadMap(geometry.screenSize.width(), geometry.screenSize.height(), geometry.corners),
          m_effects(effects),
          m_rollingOffset(rollingOffset),
          m_source(source.convertToFormat(QImage::Format_ARGB32_Premultiplied))
    {
        m_dpr = geometry.devicePixelRatio > 0 ? geometry.devicePixelRatio : 1.0;
        m_density = ScreenCompositor::sourceDensity(geometry);
        m_patternScale = std::max(1, int(m_dpr));
        m_outputPixels = QSize(std::max(1, int(std::lround(geometry.outputRect.width() * m_dpr))),
                               std::max(1, int(std::lround(geometry.outputRect.height() * m_dpr))));
        m_coverage = QImage(m_outputPixels, QImage::Format_Alpha8);
        m_coverage.fill(0);
        QPainter painter(&m_coverage);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(m_dpr, m_dpr);
        painter.translate(-QPointF(geometry.outputRect.topLeft()));
        painter.fillPath(ViewportShape::roundedQuadPath(geometry.corners, geometry.radii), Qt::black);
    }

    QSize outputPixels() const { return m_outputPixels; }

    // The soft-light blend of a backdrop channel with a source channel.
    static double softLight(double backdrop, double source)
    {
        if (source <= 0.5)
            return backdrop - (1 - 2 * source) * backdrop * (1 - backdrop);
        const double d = backdrop <= 0.25 ? ((16 * backdrop - 12) * backdrop + 4) * backdrop : std::sqrt(backdrop);
        return backdrop + (2 * source - 1) * (d - backdrop);
    }

    // One channel graded with a grade colour's channel at the given alpha.
    static double graded(double channel, double gradeChannel, double alpha)
    {
        return channel + alpha * (softLight(channel, gradeChannel) - channel);
    }

    // The output pixel's centre in output coordinates (logical).
    QPointF centreOf(int x, int y) const
    {
        return QPointF(m_geometry.outputRect.left() + (x + 0.5) / m_dpr,
                       m_geometry.outputRect.top() + (y + 0.5) / m_dpr);
    }

    std::optional<QPointF> flatPoint(int x, int y) const { return m_quadMap.inverse(centreOf(x, y)); }

    QPointF bentPoint(const QPointF& flat) const
    {
        return referenceBentPoint(flat, QSizeF(m_geometry.screenSize), m_effects.curvatureScale);
    }

    double coverage(int x, int y) const { return m_coverage.constScanLine(y)[x] / 255.0; }

    // The picture sampled bilinearly at a screen point; premultiplied.
    Colour content(const QPointF& at) const
    {
        Colour c{};
        sampleBilinear(at, [&](int px, int py, double w) {
            const QRgb p = reinterpret_cast<const QRgb*>(m_source.constScanLine(py))[px];
            c[0] += w * qRed(p) / 255.0;
            c[1] += w * qGreen(p) / 255.0;
            c[2] += w * qBlue(p) / 255.0;
            c[3] += w * qAlpha(p) / 255.0;
        });
        return c;
    }

    // The picture's luminance blurred by the glow's Gaussian, at a screen
    // point.
    double blurredLuminance(const QPointF& at) const
    {
        buildBlurredLuminance();
        double sum = 0;
        sampleBilinear(at, [&](int px, int py, double w) {
            sum += w * m_blurred[std::size_t(py) * std::size_t(m_source.width()) + std::size_t(px)];
        });
        return sum;
    }

    // The scanlines' row index at a flat point, in pattern pixels from the
    // bottom edge, and how close the point lies to a pattern pixel's edge
    // (in pattern pixels): a test skips points where rounding decides.
    double patternRow(const QPointF& flat) const
    {
        const double u = m_geometry.screenSize.height() - flat.y();
        const double shift = m_effects.scanlines == ScreenEffects::Scanlines::Rolling ? m_rollingOffset : 0.0;
        return (u - shift) * m_patternScale;
    }
    bool nearPatternEdge(const QPointF& flat, double margin = 1e-3) const
    {
        const auto near = [&](double v) { return std::abs(v - std::round(v)) < margin; };
        if (m_effects.scanlines == ScreenEffects::Scanlines::Off)
            return false;
        return near(patternRow(flat))
            || (m_effects.scanlines == ScreenEffects::Scanlines::Shadowmask && near(flat.x()));
    }

    static int positiveModulo(int a, int b) { return ((a % b) + b) % b; }

    // The composed output pixel.
    Colour pixel(int x, int y) const
    {
        const double cover = coverage(x, y);
        const auto flat = flatPoint(x, y);
        if (cover <= 0 || !flat)
            return Colour{};
        const QPointF bent = bentPoint(*flat);
        Colour c = content(bent);
        const ScreenEffects& e = m_effects;
        // Glow, in the Screen blend.
        if (e.glow.isActive()) {
            const double a = std::clamp(e.glow.opacity * blurredLuminance(bent), 0.0, 1.0);
            const double g[3] = {e.glow.colour.redF(), e.glow.colour.greenF(), e.glow.colour.blueF()};
            for (int k = 0; k < 3; ++k)
                c[std::size_t(k)] = c[std::size_t(k)] + g[k] * a - c[std::size_t(k)] * g[k] * a;
        }
        // Scanlines, source-over, on the flat screen's pattern grid.
        const double i = e.scanlineIntensity;
        const int s = m_patternScale;
        const int row = int(std::floor(patternRow(*flat)));
        switch (e.scanlines) {
        case ScreenEffects::Scanlines::Off: break;
        case ScreenEffects::Scanlines::Standard:
        case ScreenEffects::Scanlines::Heavy: {
            const double factor = e.scanlines == ScreenEffects::Scanlines::Heavy ? 1.3 : 1.0;
            if (positiveModulo(row, 4 * s) >= 2 * s)
                scale(c, 1 - std::min(factor * 0.55 * i, 1.0));
            break;
        }
        case ScreenEffects::Scanlines::Rolling:
            if (positiveModulo(row, 4 * s) >= 3 * s)
                scale(c, 1 - std::min(0.55 * i, 1.0));
            break;
        case ScreenEffects::Scanlines::Shadowmask: {
            static constexpr double stripes[3][3] = {{1, 0.2, 0.2}, {0.2, 1, 0.2}, {0.2, 0.2, 1}};
            const int k = positiveModulo(int(std::floor(flat->x())), 3);
            const double as = std::min(0.2 * i, 1.0);
            const double ar = std::min(0.6 * i, 1.0);
            const bool onRow = positiveModulo(row, 3 * s) < s;
            const double share = onRow ? as * (1 - ar) : as;
            const double alpha = onRow ? ar + as * (1 - ar) : as;
            for (int ch = 0; ch < 3; ++ch)
                c[std::size_t(ch)] = stripes[k][ch] * share + c[std::size_t(ch)] * (1 - alpha);
            break;
        }
        }
        // Vignette.
        if (e.vignetteAmount > 0) {
            const double w = m_geometry.screenSize.width() / 2.0;
            const double h = m_geometry.screenSize.height() / 2.0;
            const double t = std::hypot((flat->x() - w) / w, (flat->y() - h) / h);
            scale(c, 1 - e.vignetteAmount * std::clamp((t - 0.55) / 0.45, 0.0, 1.0));
        }
        // Grade.
        if (e.grade.isValid()) {
            const double g[3] = {e.grade.redF(), e.grade.greenF(), e.grade.blueF()};
            for (int k = 0; k < 3; ++k)
                c[std::size_t(k)] = graded(c[std::size_t(k)], g[k], e.grade.alphaF());
        }
        // The outline; the screen is opaque inside it.
        for (int k = 0; k < 3; ++k)
            c[std::size_t(k)] = std::clamp(c[std::size_t(k)], 0.0, 1.0) * cover;
        c[3] = cover;
        return c;
    }

    // The whole output, rounded to 8 bits.
    QImage image() const
    {
        QImage out(m_outputPixels, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < out.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < out.width(); ++x) {
                const Colour c = pixel(x, y);
                const auto v = [](double d) { return int(std::lround(std::clamp(d, 0.0, 1.0) * 255)); };
                line[x] = qRgba(v(c[0]), v(c[1]), v(c[2]), v(c[3]));
            }
        }
        return out;
    }

private:
    static void scale(Colour& c, double f)
    {
        for (int k = 0; k < 3; ++k)
            c[std::size_t(k)] *= f;
    }

    // Calls add(px, py, weight) for the four picture pixels around a
    // screen point; pixel centres at half pixels, clamped to the edge.
    template <typename Add> void sampleBilinear(const QPointF& at, Add add) const
    {
        const int w = m_source.width();
        const int h = m_source.height();
        const double sx = std::clamp(at.x() * m_density - 0.5, 0.0, double(w - 1));
        const double sy = std::clamp(at.y() * m_density - 0.5, 0.0, double(h - 1));
        const int x0 = int(std::floor(sx));
        const int y0 = int(std::floor(sy));
        const int x1 = std::min(x0 + 1, w - 1);
        const int y1 = std::min(y0 + 1, h - 1);
        const double fx = sx - x0;
        const double fy = sy - y0;
        add(x0, y0, (1 - fx) * (1 - fy));
        add(x1, y0, fx * (1 - fy));
        add(x0, y1, (1 - fx) * fy);
        add(x1, y1, fx * fy);
    }

    void buildBlurredLuminance() const
    {
        if (!m_blurred.empty())
            return;
        const int w = m_source.width();
        const int h = m_source.height();
        std::vector<double> luminance(std::size_t(w) * std::size_t(h));
        for (int y = 0; y < h; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(m_source.constScanLine(y));
            for (int x = 0; x < w; ++x)
                luminance[std::size_t(y) * std::size_t(w) + std::size_t(x)]
                    = (0.2126 * qRed(line[x]) + 0.7152 * qGreen(line[x]) + 0.0722 * qBlue(line[x])) / 255.0;
        }
        const double sigma = m_effects.glow.radius / 2 * m_density;
        const int reach = int(std::ceil(4 * sigma));
        std::vector<double> kernel(std::size_t(2 * reach + 1));
        double total = 0;
        for (int k = -reach; k <= reach; ++k)
            total += kernel[std::size_t(k + reach)] = std::exp(-0.5 * k * k / (sigma * sigma));
        for (double& v : kernel)
            v /= total;
        std::vector<double> rows(luminance.size());
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                double sum = 0;
                for (int k = -reach; k <= reach; ++k)
                    sum += kernel[std::size_t(k + reach)]
                        * luminance[std::size_t(y) * std::size_t(w) + std::size_t(std::clamp(x + k, 0, w - 1))];
                rows[std::size_t(y) * std::size_t(w) + std::size_t(x)] = sum;
            }
        }
        m_blurred.assign(luminance.size(), 0);
        for (int y = 0; y < h; ++y) {
            for (int k = -reach; k <= reach; ++k) {
                const double weight = kernel[std::size_t(k + reach)];
                const std::size_t from = std::size_t(std::clamp(y + k, 0, h - 1)) * std::size_t(w);
                for (int x = 0; x < w; ++x)
                    m_blurred[std::size_t(y) * std::size_t(w) + std::size_t(x)] += weight * rows[from + std::size_t(x)];
            }
        }
    }

    Geometry m_geometry;
    ReferenceQuadMap m_quadMap;
    ScreenEffects m_effects;
    double m_rollingOffset;
    QImage m_source;
    double m_dpr = 1;
    double m_density = 1;
    int m_patternScale = 1;
    QSize m_outputPixels;
    QImage m_coverage;
    mutable std::vector<double> m_blurred;
};

} // namespace velmora::test
