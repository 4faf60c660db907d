#include "skin/ViewportShape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

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

// Targets of every kind: a keystone, a rotated and sheared screen, a strong
// perspective, a plain translation and one with a corner far outside.
const std::vector<std::vector<QPointF>> quads{
    {{10, 0}, {290, 12}, {300, 190}, {0, 200}},
    {{40, 0}, {300, 60}, {260, 260}, {0, 200}},
    {{120, 40}, {180, 40}, {300, 200}, {0, 200}},
    {{5, 7}, {325, 7}, {325, 207}, {5, 207}},
    {{0, 0}, {900, -50}, {320, 200}, {0, 200}},
};

TEST(ViewportShapeTest, QuadTransformPutsTheRectangleOnTheCorners)
{
    const double w = 320;
    const double h = 200;
    const std::vector<QPointF> source{{0, 0}, {w, 0}, {w, h}, {0, h}};
    for (std::size_t q = 0; q < quads.size(); ++q) {
        const QTransform t = ViewportShape::quadTransform(w, h, quads[q]);
        for (std::size_t i = 0; i < 4; ++i) {
            const QPointF mapped = t.map(source[i]);
            EXPECT_NEAR(mapped.x(), quads[q][i].x(), 1e-9) << "quad " << q << " corner " << i;
            EXPECT_NEAR(mapped.y(), quads[q][i].y(), 1e-9) << "quad " << q << " corner " << i;
        }
        // The same map as Qt's own square-to-quad solution.
        QTransform expected;
        ASSERT_TRUE(QTransform::quadToQuad(QPolygonF({source[0], source[1], source[2], source[3]}),
                                           QPolygonF({quads[q][0], quads[q][1], quads[q][2], quads[q][3]}),
                                           expected));
        const QPointF inside(97, 61);
        EXPECT_NEAR(t.map(inside).x(), expected.map(inside).x(), 1e-6) << "quad " << q;
        EXPECT_NEAR(t.map(inside).y(), expected.map(inside).y(), 1e-6) << "quad " << q;
    }
}

TEST(ViewportShapeTest, InverseMapRoundTrips)
{
    const double w = 320;
    const double h = 200;
    for (std::size_t q = 0; q < quads.size(); ++q) {
        const QTransform t = ViewportShape::quadTransform(w, h, quads[q]);
        for (const QPointF source : {QPointF(0, 0),
                                     QPointF(w, h),
                                     QPointF(160, 100),
                                     QPointF(3.25, 190.5),
                                     QPointF(-20, 50),
                                     QPointF(w + 8, -3)}) {
            const auto back = ViewportShape::inverseQuadMap(t.map(source), w, h, quads[q]);
            ASSERT_TRUE(back) << "quad " << q;
            EXPECT_NEAR(back->x(), source.x(), 1e-9) << "quad " << q;
            EXPECT_NEAR(back->y(), source.y(), 1e-9) << "quad " << q;
        }
    }
}

TEST(ViewportShapeTest, DegenerateTargetsGiveTheIdentityAndNoInverse)
{
    struct Case {
        const char* name;
        double w, h;
        std::vector<QPointF> corners;
    };
    const Case cases[] = {
        {"three corners", 100, 50, {{0, 0}, {100, 0}, {100, 50}}},
        {"all on one point", 100, 50, {{5, 5}, {5, 5}, {5, 5}, {5, 5}}},
        {"all on one line", 100, 50, {{0, 0}, {100, 0}, {200, 0}, {50, 0}}},
        {"a collapsed edge", 100, 50, {{0, 0}, {0, 0}, {100, 50}, {0, 50}}},
        {"zero width source", 0, 50, {{0, 0}, {100, 0}, {100, 50}, {0, 50}}},
        {"not a number", 100, 50, {{0, 0}, {std::nan(""), 0}, {100, 50}, {0, 50}}},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(ViewportShape::quadTransform(c.w, c.h, c.corners).isIdentity()) << c.name;
        if (c.w > 0) {
            EXPECT_FALSE(ViewportShape::inverseQuadMap(QPointF(10, 10), c.w, c.h, c.corners)) << c.name;
        }
    }
    EXPECT_TRUE(ViewportShape::isIdentityMap(100, 50, ViewportShape::corners(QRectF(0, 0, 100, 50))));
    EXPECT_FALSE(ViewportShape::isIdentityMap(100, 50, ViewportShape::corners(QRectF(0, 0, 100, 50.5))));
    EXPECT_FALSE(ViewportShape::isIdentityMap(100, 50, {}));
}

const std::vector<QPointF> square{{0, 0}, {100, 0}, {100, 100}, {0, 100}};

TEST(ViewportShapeTest, RadiiAreCutToHalfTheShorterEdge)
{
    const auto wide = ViewportShape::corners(QRectF(0, 0, 40, 20));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(ViewportShape::usedRadii(wide, {4, 50, -3, nan}), (std::vector<double>{4, 10, 0, 0}));
    EXPECT_EQ(ViewportShape::usedRadii(wide, {4, 4, 4}), (std::vector<double>{0, 0, 0, 0}))
        << "a list that is not four long rounds nothing";
}

TEST(ViewportShapeTest, RoundsEachCornerWithItsRadius)
{
    const QPainterPath path = ViewportShape::roundedQuadPath(square, {6, 6, 6, 6});
    EXPECT_EQ(path.boundingRect(), QRectF(0, 0, 100, 100));
    // Around the top-left arc's centre (6, 6): outside its radius is cut off.
    EXPECT_FALSE(path.contains(QPointF(1, 1)));
    EXPECT_TRUE(path.contains(QPointF(2.5, 2.5)));
    EXPECT_FALSE(path.contains(QPointF(99, 99)));
    EXPECT_TRUE(path.contains(QPointF(50, 0.5)));

    // Radii of 80 on a side of 100 become 50: the square becomes a circle.
    const QPainterPath circle = ViewportShape::roundedQuadPath(square, {80, 80, 80, 80});
    EXPECT_FALSE(circle.contains(QPointF(14, 14)));
    EXPECT_TRUE(circle.contains(QPointF(16, 16)));

    // A top side of 10 limits the top-left radius to 5 whatever is asked.
    const QPainterPath narrow = ViewportShape::roundedQuadPath({{0, 0}, {10, 0}, {10, 100}, {0, 100}}, {40, 0, 0, 0});
    EXPECT_EQ(narrow.elementAt(0).y, 5.0) << "starts on the left side, one radius below the corner";
    EXPECT_TRUE(narrow.contains(QPointF(5, 0.5)));
}

TEST(ViewportShapeTest, NegativeAndNaNRadiiGiveSharpCorners)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QPainterPath path = ViewportShape::roundedQuadPath(square, {-4, nan, 6, 6});
    EXPECT_TRUE(path.contains(QPointF(0.5, 0.5)));
    EXPECT_TRUE(path.contains(QPointF(99.5, 0.5)));
    EXPECT_FALSE(hasNaN(path));
}

TEST(ViewportShapeTest, OtherCountsGiveAPlainPolygonOrNothing)
{
    const QPainterPath plain = ViewportShape::roundedQuadPath(square, {6, 6, 6});
    EXPECT_EQ(sideKinds(plain), "LLLL");
    EXPECT_TRUE(plain.contains(QPointF(0.5, 0.5)));
    EXPECT_EQ(sideKinds(ViewportShape::roundedQuadPath({{0, 0}, {10, 0}, {5, 8}}, {6, 6, 6, 6})), "LLL");
    EXPECT_TRUE(ViewportShape::roundedQuadPath({{0, 0}, {10, 0}}, {6, 6, 6, 6}).isEmpty());
    const QPainterPath pentagon
        = ViewportShape::roundedQuadPath({{0, 0}, {10, 0}, {12, 8}, {5, 12}, {-2, 8}}, {3, 3, 3, 3});
    EXPECT_EQ(sideKinds(pentagon), "LLLLL") << "five corners and the closing line, no rounding";
}

TEST(ViewportShapeTest, DegenerateQuadrilateralsStayFinite)
{
    // A screen area of zero size, one of zero width, and a folded corner.
    const std::vector<std::vector<QPointF>> shapes{
        {{5, 5}, {5, 5}, {5, 5}, {5, 5}},
        {{5, 0}, {5, 0}, {5, 40}, {5, 40}},
        {{0, 0}, {50, 0}, {0, 0}, {0, 50}},
    };
    for (const auto& corners : shapes) {
        const QPainterPath path = ViewportShape::roundedQuadPath(corners, {6, 6, 6, 6});
        EXPECT_FALSE(hasNaN(path));
        EXPECT_TRUE(std::isfinite(path.boundingRect().width()));
    }
}

TEST(ViewportShapeTest, ArcToPointTouchesBothSidesOfTheCorner)
{
    QPainterPath path;
    path.moveTo(0, 50);
    ViewportShape::addArcToPoint(path, QPointF(0, 0), QPointF(50, 0), 10);
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
        const QPointF p0 = path.elementAt(i - 1), c1 = path.elementAt(i), c2 = path.elementAt(i + 1),
                      p3 = path.elementAt(i + 2);
        const QPointF middle = (p0 + 3 * c1 + 3 * c2 + p3) / 8;
        EXPECT_NEAR(std::hypot(middle.x() - 10, middle.y() - 10), 10, 0.01);
        ++curves;
    }
    EXPECT_GT(curves, 0);

    QPainterPath sharp;
    sharp.moveTo(0, 50);
    ViewportShape::addArcToPoint(sharp, QPointF(0, 0), QPointF(0, 0), 10);
    EXPECT_EQ(sharp.currentPosition(), QPointF(0, 0)) << "a corner on its next point is sharp";
}

} // namespace
} // namespace velmora
