#include "skinbuilder/BezierNode.h"

#include <gtest/gtest.h>

#include <QPainterPath>

namespace velmora {
namespace {

// The kinds of the path's elements after its first move, in order: 'L' line,
// 'C' curve (one letter per cubic), 'M' a further move.
std::string sideKinds(const QPainterPath& path)
{
    std::string kinds;
    for (int i = 1; i < path.elementCount(); ++i) {
        switch (path.elementAt(i).type) {
        case QPainterPath::LineToElement: kinds += 'L'; break;
        case QPainterPath::CurveToElement: kinds += 'C'; break;
        case QPainterPath::MoveToElement: kinds += 'M'; break;
        case QPainterPath::CurveToDataElement: break;
        }
    }
    return kinds;
}

TEST(BezierNode, IsStraightOnlyWithBothHandlesOnItsPoint)
{
    EXPECT_TRUE(BezierNode(QPointF(3, 4)).isStraight());
    EXPECT_TRUE(BezierNode(QPointF(3, 4), QPointF(3, 4), QPointF(3, 4)).isStraight());
    EXPECT_FALSE(BezierNode(QPointF(3, 4), std::nullopt, QPointF(3, 4.000001)).isStraight());
    EXPECT_FALSE(BezierNode(QPointF(3, 4), QPointF(2, 4)).isStraight());
}

TEST(BezierPath, StraightNodesMakeLinesAndClosingAddsTheLastSide)
{
    const std::vector<BezierNode> triangle{BezierNode({0, 0}), BezierNode({10, 0}), BezierNode({0, 10})};
    EXPECT_EQ(sideKinds(bezierPath(triangle, true)), "LLL");
    EXPECT_EQ(sideKinds(bezierPath(triangle, false)), "LL");
    EXPECT_TRUE(bezierPath({}, true).isEmpty());
    const QPainterPath lone = bezierPath({BezierNode({5, 5})}, false);
    EXPECT_EQ(lone.elementCount(), 1);
    EXPECT_EQ(lone.currentPosition(), QPointF(5, 5));
}

TEST(BezierPath, ACurvedHandleCurvesOnlyTheSidesItBounds)
{
    const BezierNode first({0, 0});
    const BezierNode inOnly({10, 0}, QPointF(8, 5));
    EXPECT_EQ(sideKinds(bezierPath({first, inOnly}, true)), "CL")
        << "the closing side leaves through a straight handle";
    const BezierNode both({10, 0}, QPointF(8, 5), QPointF(12, -5));
    EXPECT_EQ(sideKinds(bezierPath({first, both}, true)), "CC");
}

TEST(BezierPath, MapsEveryPoint)
{
    const QPainterPath path = bezierPath({BezierNode({1, 2}), BezierNode({3, 4}, QPointF(5, 6))},
                                         false,
                                         [](const QPointF& p) { return QPointF(p.x() * 2, 100 - p.y()); });
    EXPECT_EQ(QPointF(path.elementAt(0)), QPointF(2, 98));
    EXPECT_EQ(QPointF(path.elementAt(1)), QPointF(2, 98)) << "the first control point is the first node's handleOut";
    EXPECT_EQ(QPointF(path.elementAt(2)), QPointF(10, 94));
    EXPECT_EQ(QPointF(path.elementAt(3)), QPointF(6, 96));
}

} // namespace
} // namespace velmora
