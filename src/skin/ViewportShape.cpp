#include "skin/ViewportShape.h"

#include <algorithm>
#include <cmath>

namespace velmora::ViewportShape {
namespace {

double length(const QPointF& v) { return std::hypot(v.x(), v.y()); }

QPointF unit(const QPointF& v)
{
    const double l = length(v);
    return l > 0 ? v / l : QPointF();
}

// Rounds the corner at c between the edges towards previous and next: a line
// to the first tangent point, then a cubic that follows the circle of radius r
// to the second. Sharp corners and straight or folded ones get the bare point.
void addRoundedCorner(QPainterPath& path, const QPointF& previous, const QPointF& c, const QPointF& next, double r,
                      bool first)
{
    const QPointF toPrevious = unit(previous - c);
    const QPointF toNext = unit(next - c);
    const double cosine = std::clamp(QPointF::dotProduct(toPrevious, toNext), -1.0, 1.0);
    const double angle = std::acos(cosine); // interior angle at the corner
    if (r <= 0 || angle < 1e-6 || angle > M_PI - 1e-6) {
        if (first)
            path.moveTo(c);
        else
            path.lineTo(c);
        return;
    }
    const double tangentDistance = r / std::tan(angle / 2);
    const QPointF start = c + toPrevious * tangentDistance;
    const QPointF end = c + toNext * tangentDistance;
    const double sweep = M_PI - angle;
    const double handle = 4.0 / 3.0 * std::tan(sweep / 4) * r;
    if (first)
        path.moveTo(start);
    else
        path.lineTo(start);
    path.cubicTo(start - toPrevious * handle, end - toNext * handle, end);
}

} // namespace

std::vector<QPointF> corners(const QRectF& rect, const std::vector<QPointF>& offsets)
{
    std::vector<QPointF> result{rect.topLeft(), QPointF(rect.right(), rect.top()), rect.bottomRight(),
                                QPointF(rect.left(), rect.bottom())};
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

std::vector<double> usedRadii(const std::vector<QPointF>& corners, const std::vector<double>& radii)
{
    std::vector<double> used(4, 0.0);
    if (corners.size() != 4)
        return used;
    for (std::size_t i = 0; i < 4; ++i) {
        const double wanted = radii.size() == 4 ? radii[i] : 0.0;
        const QPointF& c = corners[i];
        const double toPrevious = length(corners[(i + 3) % 4] - c);
        const double toNext = length(corners[(i + 1) % 4] - c);
        used[i] = std::max(0.0, std::min(wanted, std::min(toPrevious, toNext) / 2));
    }
    return used;
}

QPainterPath roundedQuadPath(const std::vector<QPointF>& corners, const std::vector<double>& radii)
{
    QPainterPath path;
    if (corners.size() < 3)
        return path;
    if (corners.size() != 4) {
        path.moveTo(corners.front());
        for (std::size_t i = 1; i < corners.size(); ++i)
            path.lineTo(corners[i]);
        path.closeSubpath();
        return path;
    }
    const std::vector<double> used = usedRadii(corners, radii);
    for (std::size_t i = 0; i < 4; ++i)
        addRoundedCorner(path, corners[(i + 3) % 4], corners[i], corners[(i + 1) % 4], used[i], i == 0);
    path.closeSubpath();
    return path;
}

} // namespace velmora::ViewportShape
