#include "screen/ScreenEffects.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora {
namespace {

SkinEffectsSettings allOff()
{
    SkinEffectsSettings settings;
    settings.colorGrade = QStringLiteral("none");
    return settings;
}

TEST(ScreenEffectsTest, NothingOnDrawsNothing)
{
    const ScreenEffects effects = ScreenEffects::from(allOff(), Qt::green);
    EXPECT_EQ(effects.scanlines, ScreenEffects::Scanlines::Off);
    EXPECT_EQ(effects.curvatureScale, 0);
    EXPECT_EQ(effects.vignetteAmount, 0);
    EXPECT_FALSE(effects.glow.isActive());
    EXPECT_FALSE(effects.grade.isValid());
    EXPECT_FALSE(effects.any());
}

TEST(ScreenEffectsTest, ScanlineStylesMatchTheirNamesExactlyAndFallBackToStandard)
{
    const struct {
        const char* style;
        ScreenEffects::Scanlines expected;
    } cases[] = {
        {"standard", ScreenEffects::Scanlines::Standard},
        {"heavy", ScreenEffects::Scanlines::Heavy},
        {"shadowmask", ScreenEffects::Scanlines::Shadowmask},
        {"rolling", ScreenEffects::Scanlines::Rolling},
        {"Heavy", ScreenEffects::Scanlines::Standard},
        {"", ScreenEffects::Scanlines::Standard},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        SkinEffectsSettings settings = allOff();
        settings.scanlines = true;
        settings.scanlineStyle = QString::fromLatin1(c.style);
        settings.scanlineIntensity = 0.7;
        const ScreenEffects effects = ScreenEffects::from(settings, Qt::green);
        EXPECT_EQ(effects.scanlines, c.expected);
        EXPECT_DOUBLE_EQ(effects.scanlineIntensity, 0.7);
        EXPECT_TRUE(effects.any());
    }
}

TEST(ScreenEffectsTest, GlowIsSixTenthsOfItsIntensityInSinglePrecisionWithRadiusTenInTheForeground)
{
    SkinEffectsSettings settings = allOff();
    settings.glow = true;
    settings.glowIntensity = 0.7;
    const ScreenEffects effects = ScreenEffects::from(settings, QColor(10, 200, 30));
    EXPECT_EQ(effects.glow.opacity, double(float(0.6 * 0.7)));
    EXPECT_EQ(effects.glow.radius, 10);
    EXPECT_EQ(effects.glow.colour, QColor(10, 200, 30));
    EXPECT_TRUE(effects.any());
    settings.glowIntensity = 0;
    EXPECT_FALSE(ScreenEffects::from(settings, Qt::green).any());
}

TEST(ScreenEffectsTest, CurvatureBendsByMinusHalfItsAmountAndDarkensTheEdgesByIt)
{
    SkinEffectsSettings settings = allOff();
    settings.curvature = true;
    settings.curvatureAmount = 0.15;
    const ScreenEffects effects = ScreenEffects::from(settings, Qt::green);
    EXPECT_DOUBLE_EQ(effects.curvatureScale, -0.075);
    EXPECT_DOUBLE_EQ(effects.vignetteAmount, 0.15);
    settings.curvatureAmount = std::nan("");
    EXPECT_FALSE(ScreenEffects::from(settings, Qt::green).any());
}

TEST(ScreenEffectsTest, GradesAreTheirTableColoursAtAlphaFifteenHundredthsAndUnknownNamesTransparentBlack)
{
    const struct {
        const char* name;
        double red, green, blue;
    } cases[] = {
        {"amber", 1.0, 0.6, 0.1},
        {"green", 0.0, 1.0, 0.3},
        {"blue", 0.3, 0.5, 1.0},
        {"cool", 0.4, 0.6, 0.8},
        {"AMBER", 0, 0, 0},
        {"sepia", 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SkinEffectsSettings settings = allOff();
        settings.colorGrade = QString::fromLatin1(c.name);
        const ScreenEffects effects = ScreenEffects::from(settings, Qt::green);
        ASSERT_TRUE(effects.grade.isValid());
        EXPECT_NEAR(effects.grade.redF(), c.red, 1e-4);
        EXPECT_NEAR(effects.grade.greenF(), c.green, 1e-4);
        EXPECT_NEAR(effects.grade.blueF(), c.blue, 1e-4);
        EXPECT_NEAR(effects.grade.alphaF(), 0.15, 1e-4);
        EXPECT_TRUE(effects.any());
    }
}

} // namespace
} // namespace velmora
