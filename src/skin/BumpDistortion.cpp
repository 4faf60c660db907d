#include "skin/BumpDistortion.h"

#include <algorithm>
#include <cmath>

namespace velmora {

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
    const double t = 1 + strength * scale * fade * pinned;
    return centre + d * t;
}

} // namespace velmora
