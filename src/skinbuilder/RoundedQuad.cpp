#include "skinbuilder/RoundedQuad.h"

#include <QLineF>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmora {

namespace {

bool isFinite(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

qreal length(const QPointF& v) { return std::hypot(v.x(), v.y()); }

// Degrees in Qt's arc convention: counter-clockwise on screen, where y grows
// downwards.
qreal screenAngle(const QPointF& v) { return std::atan2(-v.y(), v.x()) * 180.0 / std::numbers::pi; }

} // namespace

void addArcToPoint(QPainterPath& path, const QPointF& corner, const QPointF& next, qreal radius)
{
    const QPointF current = path.currentPosition();
    const QPointF toCurrent = current - corner;
    const QPointF toNext = next - corner;
    const qreal lengthToCurrent = length(toCurrent);
    const qreal lengthToNext = length(toNext);
    if (!(radius > 0) || !std::isfinite(radius) || !isFinite(current) || !isFinite(corner) || !isFinite(next) ||
        !(lengthToCurrent > 0) || !(lengthToNext > 0)) {
        path.lineTo(corner);
        return;
    }
    const QPointF u1 = toCurrent / lengthToCurrent;
    const QPointF u2 = toNext / lengthToNext;
    const qreal cosine = std::clamp(QPointF::dotProduct(u1, u2), -1.0, 1.0);
    const qreal theta = std::acos(cosine); // the corner's inner angle
    constexpr qreal flat = 1e-9;
    if (!(theta > flat) || !(theta < std::numbers::pi - flat)) {
        path.lineTo(corner);
        return;
    }
    const qreal tangentDistance = radius / std::tan(theta / 2);
    const QPointF start = corner + u1 * tangentDistance;
    const QPointF end = corner + u2 * tangentDistance;
    const QPointF bisector = (u1 + u2) / length(u1 + u2);
    const QPointF centre = corner + bisector * (radius / std::sin(theta / 2));

    path.lineTo(start);
    const qreal startAngle = screenAngle(start - centre);
    qreal sweep = screenAngle(end - centre) - startAngle;
    // The arc always takes the short way round: its sweep is 180° - theta.
    if (sweep > 180)
        sweep -= 360;
    else if (sweep < -180)
        sweep += 360;
    path.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), startAngle, sweep);
}

QPainterPath roundedQuadPath(const std::vector<QPointF>& corners, const std::vector<qreal>& radii)
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

    qreal effective[4];
    for (std::size_t i = 0; i < 4; ++i) {
        const QPointF& here = corners[i];
        const qreal toPrevious = QLineF(here, corners[(i + 3) % 4]).length();
        const qreal toNext = QLineF(here, corners[(i + 1) % 4]).length();
        const qreal limit = 0.5 * std::min(toPrevious, toNext);
        const qreal wanted = std::isnan(radii[i]) ? 0.0 : radii[i];
        effective[i] = std::max<qreal>(0.0, std::min(wanted, limit));
        if (std::isnan(effective[i]))
            effective[i] = 0;
    }

    // Start on the left side, just below the top-left corner's arc.
    const QPointF towardsLast = corners[3] - corners[0];
    const qreal leftSide = length(towardsLast);
    path.moveTo(leftSide > 0 ? corners[0] + towardsLast / leftSide * effective[0] : corners[0]);
    for (std::size_t i = 0; i < 4; ++i)
        addArcToPoint(path, corners[i], corners[(i + 1) % 4], effective[i]);
    path.closeSubpath();
    return path;
}

} // namespace velmora
