#include "skin/ViewportShape.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmora::ViewportShape {
namespace {

// Below this a projective denominator counts as zero.
constexpr double degenerate = 1e-6;

double length(const QPointF& v) { return std::hypot(v.x(), v.y()); }

bool isFinite(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

// Degrees in Qt's arc convention: counter-clockwise on screen, where y grows
// downwards.
double screenAngle(const QPointF& v) { return std::atan2(-v.y(), v.x()) * 180.0 / std::numbers::pi; }

// The coefficients of the square-to-quadrilateral map: a unit-square point
// (u, v) lands on ((A.x·u + B.x·v + P0.x) / q, (A.y·u + B.y·v + P0.y) / q)
// with q = g·u + k·v + 1.
struct QuadMap {
    QPointF a;
    QPointF b;
    QPointF p0;
    double g = 0;
    double k = 0;
};

// The determinant of the 3 × 3 matrix whose columns are A, B and P0 over
// (g, k, 1).
double determinant(const QuadMap& m)
{
    return (m.g * m.p0.y() - m.a.y()) * m.b.x() + (m.b.y() - m.k * m.p0.y()) * m.a.x()
        + (m.k * m.a.y() - m.g * m.b.y()) * m.p0.x();
}

std::optional<QuadMap> quadMap(const std::vector<QPointF>& p)
{
    if (p.size() != 4)
        return std::nullopt;
    for (const QPointF& corner : p) {
        if (!isFinite(corner))
            return std::nullopt;
    }
    const QPointF s = p[0] - p[1] + p[2] - p[3];
    double g = 0;
    double k = 0;
    if (std::abs(s.x()) >= degenerate || std::abs(s.y()) >= degenerate) {
        const QPointF d1 = p[1] - p[2];
        const QPointF d2 = p[3] - p[2];
        const double den = d1.x() * d2.y() - d1.y() * d2.x();
        if (!(std::abs(den) > degenerate))
            return std::nullopt;
        g = (s.x() * d2.y() - s.y() * d2.x()) / den;
        k = (d1.x() * s.y() - d1.y() * s.x()) / den;
    }
    QuadMap map;
    map.a = p[1] - p[0] + g * p[1];
    map.b = p[3] - p[0] + k * p[3];
    map.p0 = p[0];
    map.g = g;
    map.k = k;
    // A map that folds the square onto a line or a point has no inverse.
    if (!(std::abs(determinant(map)) > degenerate))
        return std::nullopt;
    return map;
}

} // namespace

std::vector<QPointF> corners(const QRectF& rect, const std::vector<QPointF>& offsets)
{
    std::vector<QPointF> result{
        rect.topLeft(), QPointF(rect.right(), rect.top()), rect.bottomRight(), QPointF(rect.left(), rect.bottom())};
    if (offsets.size() == 4) {
        for (std::size_t i = 0; i < 4; ++i)
            result[i] += offsets[i];
    }
    return result;
}

QRectF boundingBox(const std::vector<QPointF>& corners)
{
    if (corners.empty())
        return QRectF();
    double minX = corners.front().x(), maxX = minX;
    double minY = corners.front().y(), maxY = minY;
    for (const QPointF& p : corners) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    return QRectF(minX, minY, maxX - minX, maxY - minY);
}

QTransform quadTransform(double sourceWidth, double sourceHeight, const std::vector<QPointF>& targetCorners)
{
    if (!(sourceWidth > 0) || !(sourceHeight > 0))
        return QTransform();
    const std::optional<QuadMap> map = quadMap(targetCorners);
    if (!map)
        return QTransform();
    const double w = sourceWidth;
    const double h = sourceHeight;
    return QTransform(map->a.x() / w,
                      map->a.y() / w,
                      map->g / w, //
                      map->b.x() / h,
                      map->b.y() / h,
                      map->k / h, //
                      map->p0.x(),
                      map->p0.y(),
                      1);
}

std::optional<QPointF> inverseQuadMap(const QPointF& point, double sourceWidth, double sourceHeight,
                                      const std::vector<QPointF>& targetCorners)
{
    const std::optional<QuadMap> map = quadMap(targetCorners);
    if (!map || !isFinite(point))
        return std::nullopt;
    const QPointF& a = map->a;
    const QPointF& b = map->b;
    const QPointF& p0 = map->p0;
    const double g = map->g;
    const double k = map->k;
    const double x = point.x();
    const double y = point.y();
    // Through the adjugate of the map's matrix.
    const double det = determinant(*map);
    const double z = (a.x() * b.y() - a.y() * b.x() + y * (g * b.x() - k * a.x()) + x * (k * a.y() - g * b.y())) / det;
    if (!(std::abs(z) > degenerate))
        return std::nullopt;
    const double u = (p0.y() * b.x() - p0.x() * b.y() + x * (b.y() - k * p0.y()) + y * (k * p0.x() - b.x())) / det / z;
    const double v = (p0.x() * a.y() - p0.y() * a.x() + x * (g * p0.y() - a.y()) + y * (a.x() - g * p0.x())) / det / z;
    return QPointF(sourceWidth * u, sourceHeight * v);
}

bool isIdentityMap(double sourceWidth, double sourceHeight, const std::vector<QPointF>& targetCorners)
{
    if (targetCorners.size() != 4)
        return false;
    const std::vector<QPointF> own = corners(QRectF(0, 0, sourceWidth, sourceHeight));
    for (std::size_t i = 0; i < 4; ++i) {
        if (!(length(targetCorners[i] - own[i]) < 0.01))
            return false;
    }
    return true;
}

std::vector<double> usedRadii(const std::vector<QPointF>& corners, const std::vector<double>& radii)
{
    std::vector<double> used(4, 0.0);
    if (corners.size() != 4 || radii.size() != 4)
        return used;
    for (std::size_t i = 0; i < 4; ++i) {
        const QPointF& c = corners[i];
        const double toPrevious = length(corners[(i + 3) % 4] - c);
        const double toNext = length(corners[(i + 1) % 4] - c);
        const double limit = std::min(toPrevious, toNext) / 2;
        const double wanted = std::isnan(radii[i]) ? 0.0 : radii[i];
        const double r = std::max(0.0, std::min(wanted, limit));
        used[i] = std::isfinite(r) ? r : 0.0;
    }
    return used;
}

void addArcToPoint(QPainterPath& path, const QPointF& corner, const QPointF& next, double radius)
{
    const QPointF current = path.currentPosition();
    const QPointF toCurrent = current - corner;
    const QPointF toNext = next - corner;
    const double lengthToCurrent = length(toCurrent);
    const double lengthToNext = length(toNext);
    if (!(radius > 0) || !std::isfinite(radius) || !isFinite(current) || !isFinite(corner) || !isFinite(next)
        || !(lengthToCurrent > 0) || !(lengthToNext > 0)) {
        path.lineTo(corner);
        return;
    }
    const QPointF u1 = toCurrent / lengthToCurrent;
    const QPointF u2 = toNext / lengthToNext;
    const double cosine = std::clamp(QPointF::dotProduct(u1, u2), -1.0, 1.0);
    const double theta = std::acos(cosine); // the corner's inner angle
    constexpr double flat = 1e-9;
    if (!(theta > flat) || !(theta < std::numbers::pi - flat)) {
        path.lineTo(corner);
        return;
    }
    const double tangentDistance = radius / std::tan(theta / 2);
    const QPointF start = corner + u1 * tangentDistance;
    const QPointF end = corner + u2 * tangentDistance;
    const QPointF bisector = (u1 + u2) / length(u1 + u2);
    const QPointF centre = corner + bisector * (radius / std::sin(theta / 2));

    path.lineTo(start);
    const double startAngle = screenAngle(start - centre);
    double sweep = screenAngle(end - centre) - startAngle;
    // The arc always takes the short way round: its sweep is 180° - theta.
    if (sweep > 180)
        sweep -= 360;
    else if (sweep < -180)
        sweep += 360;
    path.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), startAngle, sweep);
}

QPainterPath roundedQuadPath(const std::vector<QPointF>& corners, const std::vector<double>& radii)
{
    QPainterPath path;
    if (corners.size() < 3)
        return path;
    if (corners.size() != 4 || radii.size() != 4) {
        path.moveTo(corners.front());
        for (std::size_t i = 1; i < corners.size(); ++i)
            path.lineTo(corners[i]);
        path.closeSubpath();
        return path;
    }
    const std::vector<double> used = usedRadii(corners, radii);
    // Start on the edge towards the last corner, just past the first
    // corner's arc.
    const QPointF towardsLast = corners[3] - corners[0];
    const double edge = length(towardsLast);
    path.moveTo(edge > 0 ? corners[0] + towardsLast / edge * used[0] : corners[0]);
    for (std::size_t i = 0; i < 4; ++i)
        addArcToPoint(path, corners[i], corners[(i + 1) % 4], used[i]);
    path.closeSubpath();
    return path;
}

} // namespace velmora::ViewportShape
