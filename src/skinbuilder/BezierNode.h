#pragma once

#include <QPainterPath>
#include <QPointF>

#include <functional>
#include <optional>
#include <vector>

namespace velmora {

// One node of a pen polygon or of a skin's drawer outline: its position and
// the control points of the curves arriving at it and leaving it. Compared
// by value.
struct BezierNode {
    QPointF point;
    QPointF handleIn;
    QPointF handleOut;

    // A missing handle sits on the point, so a node made from a point alone
    // is straight.
    explicit BezierNode(QPointF point, std::optional<QPointF> handleIn = std::nullopt,
                        std::optional<QPointF> handleOut = std::nullopt)
        : point(point), handleIn(handleIn.value_or(point)), handleOut(handleOut.value_or(point))
    {
    }

    // Both handles exactly on the point.
    bool isStraight() const { return handleIn == point && handleOut == point; }

    bool operator==(const BezierNode&) const = default;
};

// Maps node coordinates into the path's space (for example picture points to
// pixels); applied to every point that enters the path.
using PointMap = std::function<QPointF(const QPointF&)>;

// The path through the nodes in order; when closed, also from the last node
// back to the first, and the subpath is closed. A side is a straight line
// when the earlier node's handleOut and the later node's handleIn both sit on
// their points, else a cubic curve through those two handles. An empty list
// gives an empty path; an open path of one node is a lone move.
QPainterPath bezierPath(const std::vector<BezierNode>& nodes, bool closed, const PointMap& map = {});

} // namespace velmora
