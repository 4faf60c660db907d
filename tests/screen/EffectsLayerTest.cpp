#include "screen/EffectsLayer.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <cmath>

namespace velmora {
namespace {

// The alpha of the picture's pixel rows, top to bottom, at column x.
std::vector<int> columnAlphas(const QImage& image, int x = 0)
{
    std::vector<int> alphas;
    for (int y = 0; y < image.height(); ++y)
        alphas.push_back(qAlpha(image.pixel(x, y)));
    return alphas;
}

int alphaOf(double a) { return int(std::lround(a * 255)); }

TEST(EffectsLayerTest, ScanlinePatternsHaveTheirRowsAndAlphas)
{
    struct Case {
        const char* style;
        double intensity;
        int scale;
        std::vector<int> rows; // one period from the bottom edge up, device pixels
        double alpha;
    };
    // A 4-point period, counted from the bottom: gap rows clear, then the line.
    const Case cases[] = {
        {"standard", 1.0, 1, {0, 0, 1, 1}, 0.55},
        {"heavy", 1.0, 1, {0, 0, 1, 1}, 0.715},
        {"rolling", 1.0, 1, {0, 0, 0, 1}, 0.55},
        {"unknown", 0.5, 1, {0, 0, 1, 1}, 0.275},
        {"heavy", 2.0, 1, {0, 0, 1, 1}, 1.0}, // never above 1
        {"standard", 0.3, 2, {0, 0, 0, 0, 1, 1, 1, 1}, 0.165},
    };
    for (const Case& c : cases) {
        const QImage pattern = EffectsLayer::scanlinePattern(QSizeF(10.7, 8.9), c.scale, c.style, c.intensity);
        ASSERT_EQ(pattern.size(), QSize(10 * c.scale, 8 * c.scale)) << c.style;
        const std::vector<int> alphas = columnAlphas(pattern, 3);
        for (std::size_t i = 0; i < alphas.size(); ++i) {
            const std::size_t fromBottom = alphas.size() - 1 - i;
            const int expected = c.rows[fromBottom % c.rows.size()] ? alphaOf(c.alpha) : 0;
            EXPECT_NEAR(alphas[i], expected, 1) << c.style << " row " << i;
        }
        EXPECT_EQ(qRed(pattern.pixel(3, int(pattern.height()) - 1 - 2 * c.scale)), 0) << "black rows";
    }
}

TEST(EffectsLayerTest, ShadowmaskHasColouredStripesAndEveryThirdRowDark)
{
    const QImage pattern = EffectsLayer::scanlinePattern(QSizeF(6, 6), 1, QStringLiteral("shadowmask"), 1.0);
    // Row 5 is the bottom one: a dark row over the stripes.
    EXPECT_NEAR(qAlpha(pattern.pixel(0, 5)), alphaOf(0.6 + 0.2 * 0.4), 2);
    // Row 4 shows only the stripes: red, green, blue from the left.
    const QRgb red = pattern.pixel(0, 4), green = pattern.pixel(1, 4), blue = pattern.pixel(2, 4);
    EXPECT_NEAR(qAlpha(red), alphaOf(0.2), 1);
    EXPECT_GT(qRed(red), qGreen(red));
    EXPECT_GT(qGreen(green), qBlue(green));
    EXPECT_GT(qBlue(blue), qRed(blue));
    EXPECT_EQ(pattern.pixel(3, 4), red) << "the stripes cycle";
    EXPECT_NEAR(qAlpha(pattern.pixel(0, 2)), alphaOf(0.6 + 0.2 * 0.4), 2) << "every third row";
}

TEST(EffectsLayerTest, ZeroSizedScreenGetsAOnePixelPattern)
{
    const QImage pattern = EffectsLayer::scanlinePattern(QSizeF(0, 0), 2, QStringLiteral("standard"), 1.0);
    EXPECT_EQ(pattern.size(), QSize(1, 1));
}

TEST(EffectsLayerTest, GradesAndVisibility)
{
    EXPECT_FALSE(EffectsLayer::gradeColor(QStringLiteral("none")).isValid());
    const QColor amber = EffectsLayer::gradeColor(QStringLiteral("amber"));
    EXPECT_NEAR(amber.redF(), 1.0, 1e-3);
    EXPECT_NEAR(amber.greenF(), 0.6, 1e-3);
    EXPECT_NEAR(amber.alphaF(), 0.15, 1e-3);
    // Any other name is a faint darkening, not "none"; names are matched exactly.
    const QColor other = EffectsLayer::gradeColor(QStringLiteral("Amber"));
    EXPECT_EQ(other.rgb() & 0xffffff, 0u);
    EXPECT_NEAR(other.alphaF(), 0.15, 1e-3);

    SkinEffectsSettings effects;
    EXPECT_FALSE(EffectsLayer::anyEffect(effects));
    effects.colorGrade = QStringLiteral("cool");
    EXPECT_TRUE(EffectsLayer::anyEffect(effects)) << "a grade alone keeps the overlay";
}

TEST(EffectsLayerTest, CurvatureAndGlowStrengthFollowTheSettings)
{
    EffectsLayer layer;
    SkinEffectsSettings effects;
    effects.curvatureAmount = 0.2;
    effects.glowIntensity = 0.5;
    layer.configure(effects, Qt::green);
    EXPECT_EQ(layer.curvatureScale(), 0.0);
    EXPECT_EQ(layer.glowOpacity(), 0.0);
    effects.curvature = true;
    effects.glow = true;
    layer.configure(effects, Qt::green);
    EXPECT_NEAR(layer.curvatureScale(), -0.1, 1e-12);
    EXPECT_NEAR(layer.glowOpacity(), 0.3, 1e-6) << "single precision";
    EXPECT_EQ(layer.glowColor(), QColor(Qt::green));
}

TEST(EffectsLayerTest, RollingScanlinesMoveWhileShownAndWrapAfterAPeriod)
{
    QWidget window;
    window.resize(200, 200);
    auto* layer = new EffectsLayer(&window);
    SkinEffectsSettings effects;
    effects.scanlines = true;
    effects.scanlineStyle = QStringLiteral("rolling");
    layer->configure(effects, Qt::white);
    window.show();
    EXPECT_TRUE(layer->isRolling());
    for (int i = 0; i < 51; ++i)
        layer->rollingTick();
    EXPECT_NEAR(layer->rollingOffset(), 51 * 0.08 - 4, 1e-9);
    layer->hide();
    EXPECT_FALSE(layer->isRolling()) << "hidden, it stops";
    layer->show();
    EXPECT_TRUE(layer->isRolling());
    effects.scanlineStyle = QStringLiteral("standard");
    layer->configure(effects, Qt::white);
    EXPECT_FALSE(layer->isRolling());
    EXPECT_NEAR(layer->rollingOffset(), 51 * 0.08 - 4, 1e-9) << "the offset is kept";
}

TEST(EffectsLayerTest, DrawsNothingItselfOverTheScreen)
{
    // The screen composes the effects; the overlay over it stays clear.
    QWidget window;
    window.resize(300, 240);
    window.setAutoFillBackground(true);
    QPalette white = window.palette();
    white.setColor(QPalette::Window, Qt::white);
    window.setPalette(white);
    auto* layer = new EffectsLayer(&window);
    SkinEffectsSettings effects;
    effects.scanlines = true;
    effects.scanlineIntensity = 1.0;
    effects.curvature = true;
    effects.curvatureAmount = 0.8;
    effects.colorGrade = QStringLiteral("amber");
    layer->configure(effects, Qt::white);
    const std::vector<QPointF> corners{{40, 20}, {260, 30}, {250, 210}, {50, 200}};
    layer->setScreenGeometry(QRectF(45, 25, 210, 180), corners, 0, {});
    window.show();
    EXPECT_EQ(layer->geometry(), QRect(40, 20, 220, 190)) << "over the quadrilateral's bounding box";
    const QImage shot = window.grab().toImage();
    for (const QPoint at : {QPoint(150, 110), QPoint(60, 195), QPoint(255, 25)})
        EXPECT_EQ(shot.pixel(at), qRgb(255, 255, 255));
}

} // namespace
} // namespace velmora
