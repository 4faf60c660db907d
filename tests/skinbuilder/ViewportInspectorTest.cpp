#include "skinbuilder/ViewportInspector.h"
#include "skin/SkinLoader.h"
#include "skinbuilder/PanelControls.h"
#include "skinbuilder/SkinBuilderModel.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include <limits>

namespace velmora {
namespace {

class ViewportInspectorTest : public ::testing::Test {
protected:
    bool badgeShown() const { return inspector.distortedBadge()->isVisibleTo(&inspector); }

    SkinBuilderModel model{SkinLoader::shared()};
    ViewportInspector inspector{model};
};

TEST(CornerRadiiTest, RadiiAreShownAsWholeNumbersAtLeastTwoWide)
{
    const std::pair<double, const char*> rows[] = {{12.4, "12"}, {3, " 3"}, {0, " 0"}, {25, "25"}, {6.5, " 6"}};
    for (const auto& [radius, text] : rows)
        EXPECT_EQ(CornerRadiiSliders::radiusText(radius), QString::fromLatin1(text)) << radius;
}

TEST(CornerRadiiTest, MissingRadiiReadAsSixAndAreFilledInOnWrite)
{
    const std::vector<double> two = {2, 3};
    EXPECT_EQ(CornerRadiiSliders::radiusValue(two, 0), 2);
    EXPECT_EQ(CornerRadiiSliders::radiusValue(two, 2), 6);
    EXPECT_EQ(CornerRadiiSliders::radiusValue({}, 3), 6);
    EXPECT_EQ(CornerRadiiSliders::radiiWith(two, 0, 10), (std::vector<double>{10, 3, 6, 6}));
    EXPECT_EQ(CornerRadiiSliders::radiiWith({1, 2, 3, 4, 5}, 3, 9), (std::vector<double>{1, 2, 3, 9, 5}))
        << "entries past the fourth stay";
}

TEST_F(ViewportInspectorTest, SlidersWriteTheirCornerAndAllToSixResetsExactlyFour)
{
    model.setViewportCornerRadii({2, 3});
    CornerRadiiSliders* radii = inspector.radii();
    EXPECT_EQ(radii->valueLabel(2)->text(), QStringLiteral(" 6"));
    EXPECT_DOUBLE_EQ(radii->slider(3)->currentValue(), 6);
    radii->slider(0)->QSlider::setValue(radii->slider(0)->positionOf(10));
    EXPECT_EQ(model.viewportCornerRadii(), (std::vector<double>{10, 3, 6, 6}));
    EXPECT_EQ(radii->valueLabel(0)->text(), QStringLiteral("10"));

    radii->slider(1)->QSlider::setValue(radii->slider(1)->maximum());
    EXPECT_DOUBLE_EQ(model.viewportCornerRadii()[1], 20) << "the slider stops at 20";

    model.setViewportCornerRadii({25, 1, 1, 1, 1, 1});
    EXPECT_EQ(radii->valueLabel(0)->text(), QStringLiteral("25")) << "a reopened skin's larger radius is shown";
    radii->allSixButton()->click();
    EXPECT_EQ(model.viewportCornerRadii(), (std::vector<double>{6, 6, 6, 6}));
}

TEST_F(ViewportInspectorTest, ADistortedScreenAreaShowsTheBadgeUntilItsShapeIsReset)
{
    EXPECT_FALSE(badgeShown());
    model.setViewportCornerOffsets({});
    EXPECT_FALSE(badgeShown()) << "an empty list is no distortion";
    model.setViewportCornerOffsets({{0, 0}, {0, 0.5}, {0, 0}, {0, 0}});
    EXPECT_TRUE(badgeShown());
    inspector.resetShapeButton()->click();
    EXPECT_EQ(model.viewportCornerOffsets(), std::vector<QPointF>(4, QPointF(0, 0)));
    EXPECT_FALSE(badgeShown());
    EXPECT_TRUE(ViewportInspector::isDistorted({{std::numeric_limits<double>::quiet_NaN(), 0}}));
}

} // namespace
} // namespace velmora
