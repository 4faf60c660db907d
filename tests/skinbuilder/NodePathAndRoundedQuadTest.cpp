#include "skinbuilder/BezierNode.h"
#include "skinbuilder/RoundedQuad.h"

#include <gtest/gtest.h>

#include <QPainterPath>

#include <cmath>
#include <limits>

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

bool hasNaN(const QPainterPath& path)
{
    for (int i = 0; i < path.elementCount(); ++i)
        if (std::isnan(path.elementAt(i).x) || std::isnan(path.elementAt(i).y))
            return true;
    return false;
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
    EXPECT_EQ(sideKinds(bezierPath({first, inOnly}, true)), "CL") << "the closing side leaves through a straight handle";
    const BezierNode both({10, 0}, QPointF(8, 5), QPointF(12, -5));
    EXPECT_EQ(sideKinds(bezierPath({first, both}, true)), "CC");
}

TEST(BezierPath, MapsEveryPoint)
{
    const QPainterPath path = bezierPath({BezierNode({1, 2}), BezierNode({3, 4}, QPointF(5, 6))}, false,
                                         [](const QPointF& p) { return QPointF(p.x() * 2, 100 - p.y()); });
    EXPECT_EQ(QPointF(path.elementAt(0)), QPointF(2, 98));
    EXPECT_EQ(QPointF(path.elementAt(1)), QPointF(2, 98)) << "the first control point is the first node's handleOut";
    EXPECT_EQ(QPointF(path.elementAt(2)), QPointF(10, 94));
    EXPECT_EQ(QPointF(path.elementAt(3)), QPointF(6, 96));
}

const std::vector<QPointF> square{{0, 0}, {100, 0}, {100, 100}, {0, 100}};

TEST(RoundedQuad, RoundsEachCornerWithItsRadius)
{
    const QPainterPath path = roundedQuadPath(square, {6, 6, 6, 6});
    EXPECT_EQ(path.boundingRect(), QRectF(0, 0, 100, 100));
    // Around the top-left arc's centre (6, 6): outside its radius is cut off.
    EXPECT_FALSE(path.contains(QPointF(1, 1)));
    EXPECT_TRUE(path.contains(QPointF(2.5, 2.5)));
    EXPECT_FALSE(path.contains(QPointF(99, 99)));
    EXPECT_TRUE(path.contains(QPointF(50, 0.5)));
}

TEST(RoundedQuad, LimitsARadiusToHalfTheShorterSide)
{
    // Radii of 80 on a side of 100 become 50: the square becomes a circle.
    const QPainterPath circle = roundedQuadPath(square, {80, 80, 80, 80});
    EXPECT_FALSE(circle.contains(QPointF(14, 14)));
    EXPECT_TRUE(circle.contains(QPointF(16, 16)));
    EXPECT_TRUE(circle.contains(QPointF(50, 1)));

    // A top side of 10 limits the top-left radius to 5 whatever is asked.
    const QPainterPath narrow = roundedQuadPath({{0, 0}, {10, 0}, {10, 100}, {0, 100}}, {40, 0, 0, 0});
    EXPECT_EQ(narrow.elementAt(0).y, 5.0) << "starts on the left side, one radius below the corner";
    EXPECT_TRUE(narrow.contains(QPointF(5, 0.5)));
}

TEST(RoundedQuad, NegativeAndNaNRadiiGiveSharpCorners)
{
    const qreal nan = std::numeric_limits<qreal>::quiet_NaN();
    const QPainterPath path = roundedQuadPath(square, {-4, nan, 6, 6});
    EXPECT_TRUE(path.contains(QPointF(0.5, 0.5)));
    EXPECT_TRUE(path.contains(QPointF(99.5, 0.5)));
    EXPECT_FALSE(hasNaN(path));
}

TEST(RoundedQuad, OtherCountsGiveAPlainPolygonOrNothing)
{
    const QPainterPath plain = roundedQuadPath(square, {6, 6, 6});
    EXPECT_EQ(sideKinds(plain), "LLLL");
    EXPECT_TRUE(plain.contains(QPointF(0.5, 0.5)));
    EXPECT_EQ(sideKinds(roundedQuadPath({{0, 0}, {10, 0}, {5, 8}}, {6, 6, 6, 6})), "LLL");
    EXPECT_TRUE(roundedQuadPath({{0, 0}, {10, 0}}, {6, 6, 6, 6}).isEmpty());
}

TEST(RoundedQuad, DegenerateQuadrilateralsStayFinite)
{
    // A screen area of zero size, one of zero width, and a folded corner.
    const std::vector<std::vector<QPointF>> shapes{
        {{5, 5}, {5, 5}, {5, 5}, {5, 5}},
        {{5, 0}, {5, 0}, {5, 40}, {5, 40}},
        {{0, 0}, {50, 0}, {0, 0}, {0, 50}},
    };
    for (const auto& corners : shapes) {
        const QPainterPath path = roundedQuadPath(corners, {6, 6, 6, 6});
        EXPECT_FALSE(hasNaN(path));
        EXPECT_TRUE(std::isfinite(path.boundingRect().width()));
    }
}

TEST(ArcToPoint, TouchesBothSidesOfTheCorner)
{
    QPainterPath path;
    path.moveTo(0, 50);
    addArcToPoint(path, QPointF(0, 0), QPointF(50, 0), 10);
    EXPECT_EQ(path.elementAt(1).type, QPainterPath::LineToElement);
    EXPECT_NEAR(path.elementAt(1).x, 0, 1e-9);
    EXPECT_NEAR(path.elementAt(1).y, 10, 1e-9);
    EXPECT_NEAR(path.currentPosition().x(), 10, 1e-9);
    EXPECT_NEAR(path.currentPosition().y(), 0, 1e-9);
    // Every curve of the arc passes at the radius from its centre (10, 10).
    int curves = 0;
    for (int i = 2; i + 2 < path.elementCount(); ++i) {
        if (path.elementAt(i).type != QPainterPath::CurveToElement)
            continue;
        const QPointF p0 = path.elementAt(i - 1), c1 = path.elementAt(i), c2 = path.elementAt(i + 1), p3 = path.elementAt(i + 2);
        const QPointF middle = (p0 + 3 * c1 + 3 * c2 + p3) / 8;
        EXPECT_NEAR(std::hypot(middle.x() - 10, middle.y() - 10), 10, 0.01);
        ++curves;
    }
    EXPECT_GT(curves, 0);

    QPainterPath sharp;
    sharp.moveTo(0, 50);
    addArcToPoint(sharp, QPointF(0, 0), QPointF(0, 0), 10);
    EXPECT_EQ(sharp.currentPosition(), QPointF(0, 0)) << "a corner on its next point is sharp";
}

} // namespace
} // namespace velmora
