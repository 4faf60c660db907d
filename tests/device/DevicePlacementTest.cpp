#include "device/DevicePlacement.h"
#include "device/SavedFrame.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora {
namespace {

using test::savedFrame;

SkinManifest skinOfSize(double width, double height, double launchScale = 1)
{
    SkinManifest skin = SkinManifest::handheld();
    skin.frameSize = QSizeF(width, height);
    skin.launchScale = launchScale;
    return skin;
}

TEST(DevicePlacementTest, FitsTheScreenOrRestoresASavedFrame)
{
    const QRect screen(0, 0, 1440, 875);
    struct Case {
        const char* name;
        SkinManifest skin;
        std::optional<WindowState> saved;
        QRect area;
        QRect expectedFrame;
        double expectedScale;
    };
    const Case cases[] = {
        {"launch scale 1 fits", skinOfSize(400, 600), std::nullopt, screen, QRect(520, 138, 400, 600), 1.0},
        {"launch scale 2 is held to the fit scale",
         skinOfSize(400, 600, 2),
         std::nullopt,
         screen,
         QRect(458, 44, 525, 788),
         1.3125},
        {"too large for the screen", skinOfSize(2000, 2000), std::nullopt, screen, QRect(326, 44, 788, 788), 0.39375},
        {"small screen: at least 0.2",
         skinOfSize(400, 600),
         std::nullopt,
         QRect(0, 0, 130, 130),
         QRect(25, 5, 80, 120),
         0.2},
        {"tiny screen: never larger than the screen",
         skinOfSize(400, 600),
         std::nullopt,
         QRect(0, 0, 100, 100),
         QRect(17, 0, 67, 100),
         1 / 6.0},
        {"enormous skin: the whole screen at most",
         skinOfSize(100000, 100000),
         std::nullopt,
         screen,
         QRect(283, 0, 875, 875),
         0.00875},
        {"no screen at all", skinOfSize(400, 600), std::nullopt, QRect(), QRect(-40, -60, 80, 120), 0.2},
        {"saved frame on a screen is kept exactly",
         skinOfSize(400, 600),
         savedFrame(100, 100, 300, 500),
         screen,
         QRect(100, 100, 300, 500),
         0.75},
        {"saved frame mostly off the left edge",
         skinOfSize(400, 600),
         savedFrame(-350, 10, 400, 600),
         screen,
         QRect(-350, 10, 400, 600),
         1.0},
        {"saved frame on a screen that is gone",
         skinOfSize(400, 600),
         savedFrame(5000, 5000, 400, 600),
         screen,
         QRect(520, 138, 400, 600),
         1.0},
        {"saved frame larger than the screen",
         skinOfSize(400, 600),
         savedFrame(0, 0, 14000, 20000),
         screen,
         QRect(520, 138, 400, 600),
         1.0},
        {"saved frame without a size",
         skinOfSize(400, 600),
         savedFrame(100, 100, 0, 600),
         screen,
         QRect(520, 138, 400, 600),
         1.0},
    };
    for (const Case& c : cases) {
        const auto placement = DevicePlacement::initialPlacement(c.skin, c.saved, c.area, {c.area});
        EXPECT_EQ(placement.frame, c.expectedFrame) << c.name;
        EXPECT_NEAR(placement.scale, c.expectedScale, 1e-9) << c.name;
    }
}

TEST(DevicePlacementTest, ScalesFitTheirAreas)
{
    const QSizeF handheld(400, 600);
    const QRect screen(0, 0, 1440, 875);
    const QRect wide(1440, 0, 2560, 1400);
    struct Row {
        const char* name;
        QSizeF frame;
        std::vector<QRect> areas;
        double fit;
        double maximum;
    };
    const Row rows[] = {
        {"height bounds", handheld, {screen}, 0.9 * 875 / 600, 875 / 600.0},
        {"width bounds", QSizeF(1000, 100), {screen}, 0.9 * 1440 / 1000, 1.44},
        {"the largest of two screens", handheld, {screen, wide}, 0.9 * 875 / 600, 1400 / 600.0},
        {"no screen", handheld, {}, 0, 0},
        {"a frame without width", QSizeF(0, 600), {screen}, 0, 0},
        {"a frame of no number", QSizeF(qQNaN(), 600), {screen}, 0, 0},
    };
    for (const Row& row : rows) {
        const QRect first = row.areas.empty() ? QRect() : row.areas.front();
        EXPECT_NEAR(DevicePlacement::fitScale(row.frame, first), row.fit, 1e-9) << row.name;
        EXPECT_NEAR(DevicePlacement::maximumScale(row.frame, row.areas), row.maximum, 1e-9) << row.name;
    }
}

TEST(DevicePlacementTest, AScaleIsLoweredOnlyWhereTheFrameWouldNotFit)
{
    const QSizeF handheld(400, 600);
    struct Row {
        const char* name;
        QSizeF frame;
        double scale;
        QRect area;
        double expected;
    };
    const Row rows[] = {
        {"fits", handheld, 1, QRect(0, 0, 1440, 875), 1},
        {"too tall", handheld, 2, QRect(0, 0, 1440, 875), 875 / 600.0},
        {"too wide", QSizeF(1000, 100), 2, QRect(0, 0, 1440, 875), 1.44},
        {"an area without a size holds anything", handheld, 5, QRect(), 5},
        {"a frame without a size is left alone", QSizeF(), 3, QRect(0, 0, 100, 100), 3},
    };
    for (const Row& row : rows)
        EXPECT_NEAR(DevicePlacement::scaleWithin(row.frame, row.scale, row.area), row.expected, 1e-9) << row.name;
}

TEST(DevicePlacementTest, FramesCentreAndScaleAboutTheirMiddle)
{
    struct Row {
        const char* name;
        QRect actual;
        QRect expected;
    };
    const Row rows[] = {
        {"a frame centred on a point",
         DevicePlacement::centred(QSizeF(400, 600), QPointF(720, 437.5)),
         QRect(520, 138, 400, 600)},
        {"a half pixel rounds away from the centre",
         DevicePlacement::centred(QSizeF(81, 121), QPointF(0, 0)),
         QRect(-41, -61, 81, 121)},
        {"a skin at a scale",
         DevicePlacement::scaledFrame(QSizeF(398, 555), 0.5, QPointF(200, 200)),
         QRect(101, 61, 199, 278)},
        {"bigger about the centre",
         DevicePlacement::scaledAboutCentre(QRect(100, 100, 400, 500), 1.2),
         QRect(60, 50, 480, 600)},
        {"smaller about the centre",
         DevicePlacement::scaledAboutCentre(QRect(60, 50, 480, 600), 1 / 1.2),
         QRect(100, 100, 400, 500)},
        {"the mini window on the device's middle",
         DevicePlacement::miniFrame(QRect(100, 100, 398, 555)),
         QRect(-1, 168, 600, 420)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.actual, row.expected) << row.name;
}

TEST(DevicePlacementTest, AFrameIsKeptWithinAnArea)
{
    const QRect area(0, 40, 1600, 1160);
    struct Row {
        const char* name;
        QRect frame;
        QRect area;
        QRect expected;
    };
    const Row rows[] = {
        {"inside: as it is", QRect(100, 100, 400, 600), area, QRect(100, 100, 400, 600)},
        {"above the top", QRect(600, 7, 421, 661), area, QRect(600, 40, 421, 661)},
        {"past the right edge", QRect(1024, 300, 600, 420), area, QRect(1000, 300, 600, 420)},
        {"past the left and bottom edges", QRect(-50, 1000, 600, 420), area, QRect(0, 780, 600, 420)},
        {"as large as the area", QRect(-10, -10, 1600, 1160), area, area},
        {"larger than the area: shrunk to it", QRect(300, 300, 2000, 1300), area, area},
        {"no area: as it is", QRect(-50, -50, 10, 10), QRect(), QRect(-50, -50, 10, 10)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(DevicePlacement::keptWithin(row.frame, row.area), row.expected) << row.name;
}

} // namespace
} // namespace velmora
