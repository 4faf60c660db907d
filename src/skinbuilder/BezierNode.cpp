#include "skinbuilder/BezierNode.h"

namespace velmora {

QPainterPath bezierPath(const std::vector<BezierNode>& nodes, bool closed, const PointMap& map)
{
    QPainterPath path;
    if (nodes.empty())
        return path;
    const auto mapped = [&](const QPointF& p) { return map ? map(p) : p; };
    const auto addSide = [&](const BezierNode& from, const BezierNode& to) {
        if (from.handleOut == from.point && to.handleIn == to.point)
            path.lineTo(mapped(to.point));
        else
            path.cubicTo(mapped(from.handleOut), mapped(to.handleIn), mapped(to.point));
    };
    path.moveTo(mapped(nodes.front().point));
    for (std::size_t i = 1; i < nodes.size(); ++i)
        addSide(nodes[i - 1], nodes[i]);
    if (closed) {
        addSide(nodes.back(), nodes.front());
        path.closeSubpath();
    }
    return path;
}

} // namespace velmora
