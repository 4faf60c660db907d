#include "skin/ViewportShape.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(ViewportShapeTest, CornersTakeOffsetsOnlyAsAFullSet)
{
    const QRectF rect(10, 20, 100, 50);
    const std::vector<QPointF> bare{{10, 20}, {110, 20}, {110, 70}, {10, 70}};
    EXPECT_EQ(ViewportShape::corners(rect), bare);
    EXPECT_EQ(ViewportShape::corners(rect, {{1, 1}, {2, 2}, {3, 3}}), bare) << "three offsets are ignored";
    const std::vector<QPointF> pulled{{11, 21}, {108, 20}, {110, 73}, {6, 70}};
    EXPECT_EQ(ViewportShape::corners(rect, {{1, 1}, {-2, 0}, {0, 3}, {-4, 0}}), pulled);
}

TEST(ViewportShapeTest, BoundingBoxHoldsEveryPoint)
{
    EXPECT_TRUE(ViewportShape::boundingBox({}).isNull());
    EXPECT_EQ(ViewportShape::boundingBox({{11, 21}, {108, 20}, {110, 73}, {6, 70}}), QRectF(6, 20, 104, 53));
}

TEST(ViewportShapeTest, RadiiAreCutToHalfTheShorterEdge)
{
    const auto square = ViewportShape::corners(QRectF(0, 0, 40, 20));
    EXPECT_EQ(ViewportShape::usedRadii(square, {4, 50, -3, 10}), (std::vector<double>{4, 10, 0, 10}));
    EXPECT_EQ(ViewportShape::usedRadii(square, {4, 4, 4}), (std::vector<double>{0, 0, 0, 0}))
        << "a list that is not four long rounds nothing";
}

TEST(ViewportShapeTest, RoundedPathCutsTheCorners)
{
    const auto corners = ViewportShape::corners(QRectF(0, 0, 100, 60));
    const QPainterPath rounded = ViewportShape::roundedQuadPath(corners, {10, 10, 10, 10});
    EXPECT_TRUE(rounded.contains(QPointF(50, 30)));
    EXPECT_TRUE(rounded.contains(QPointF(50, 0.5)));
    EXPECT_FALSE(rounded.contains(QPointF(1, 1))) << "the rounded corner leaves its tip out";
    EXPECT_TRUE(rounded.contains(QPointF(3.5, 3.5))) << "a point well inside the arc";
    EXPECT_NEAR(rounded.boundingRect().width(), 100, 1e-9);

    const QPainterPath sharp = ViewportShape::roundedQuadPath(corners, {});
    EXPECT_TRUE(sharp.contains(QPointF(0.5, 0.5)));
}

TEST(ViewportShapeTest, OtherPointCountsGivePolygonsOrNothing)
{
    EXPECT_TRUE(ViewportShape::roundedQuadPath({{0, 0}, {10, 0}}, {1, 1, 1, 1}).isEmpty());
    const QPainterPath pentagon =
        ViewportShape::roundedQuadPath({{0, 0}, {10, 0}, {12, 8}, {5, 12}, {-2, 8}}, {3, 3, 3, 3});
    EXPECT_EQ(pentagon.elementCount(), 6); // five corners and the closing line
    EXPECT_TRUE(pentagon.contains(QPointF(0.2, 0.1))) << "no rounding";
}

} // namespace
} // namespace velmora
