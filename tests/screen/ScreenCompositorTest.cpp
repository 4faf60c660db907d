#include "screen/ScreenCompositor.h"
#include "screen/CpuScreenCompositor.h"
#include "skin/ViewportShape.h"
#include "support/ScreenCompositionReference.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <string>

namespace velmora {
namespace {

using Geometry = ScreenCompositor::Geometry;
using Reference = test::ScreenCompositionReference;

// A screen picture with something for every effect to act on: colour
// gradients (for the grade and the vignette), bright bars like glyph
// strokes on a dark field (for the glow) and flat areas.
QImage testPicture(const QSize& pixels)
{
    QImage picture(pixels, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < pixels.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < pixels.width(); ++x)
            line[x] = qRgb(20 + 200 * x / pixels.width(), 30 + 170 * y / pixels.height(), 90);
    }
    QPainter painter(&picture);
    const int cellWidth = std::max(4, pixels.width() / 16);
    const int cellHeight = std::max(6, pixels.height() / 8);
    for (int cy = 0; cy * cellHeight < pixels.height(); ++cy) {
        for (int cx = 0; cx * cellWidth < pixels.width(); ++cx) {
            if ((cx * 7 + cy * 3) % 5 < 2)
                painter.fillRect(cx * cellWidth + cellWidth / 4,
                                 cy * cellHeight + cellHeight / 5,
                                 cellWidth / 3,
                                 cellHeight * 3 / 5,
                                 QColor(240, 250, 230));
        }
    }
    painter.fillRect(0, pixels.height() * 3 / 4, pixels.width() / 3, pixels.height() / 8, Qt::black);
    return picture;
}

Geometry flatGeometry(double dpr = 1, double sourceScale = 1)
{
    Geometry g;
    g.screenSize = QSize(160, 100);
    g.outputRect = QRect(0, 0, 180, 120);
    g.corners = ViewportShape::corners(QRectF(10, 10, 160, 100));
    g.radii = {6, 6, 6, 6};
    g.devicePixelRatio = dpr;
    g.sourceScale = sourceScale;
    return g;
}

Geometry warpedGeometry(double dpr = 1, double sourceScale = 1)
{
    Geometry g = flatGeometry(dpr, sourceScale);
    g.corners = ViewportShape::corners(QRectF(10, 10, 160, 100), {{-7, -5}, {6, -3}, {4, 6}, {-5, 3}});
    g.radii = {9, 4, 12, 7};
    g.outputRect = QRect(0, 0, 182, 124);
    return g;
}

SkinEffectsSettings noEffects()
{
    SkinEffectsSettings settings;
    settings.colorGrade = QStringLiteral("none");
    return settings;
}

struct Difference {
    int worst = 0; // in 1/255
    QPoint at;
    int compared = 0;
};

// The largest channel difference between the output and the reference over
// every pixel whose scanline row rounding is not a toss-up.
Difference compareWithReference(const QImage& output, const Reference& reference)
{
    Difference d;
    for (int y = 0; y < output.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(output.constScanLine(y));
        for (int x = 0; x < output.width(); ++x) {
            if (const auto flat = reference.flatPoint(x, y); flat && reference.nearPatternEdge(*flat))
                continue;
            const Reference::Colour want = reference.pixel(x, y);
            const int got[4] = {qRed(line[x]), qGreen(line[x]), qBlue(line[x]), qAlpha(line[x])};
            for (int k = 0; k < 4; ++k) {
                const int diff = std::abs(got[k] - int(std::lround(want[std::size_t(k)] * 255)));
                if (diff > d.worst) {
                    d.worst = diff;
                    d.at = QPoint(x, y);
                }
            }
            ++d.compared;
        }
    }
    return d;
}

struct EffectsCase {
    const char* name;
    SkinEffectsSettings settings;
    double rollingOffset;
    // Channel tolerance in 1/255: 2 for the exact formulas (bilinear weights
    // in 1/256 and one rounding per pass); the glow's cell-sized blur
    // against the full-resolution Gaussian gets 4.
    int tolerance;
};

std::vector<EffectsCase> effectsCases()
{
    std::vector<EffectsCase> cases;
    const auto add = [&](const char* name, auto change, double offset = 0, int tolerance = 2) {
        SkinEffectsSettings s = noEffects();
        change(s);
        cases.push_back({name, s, offset, tolerance});
    };
    add("none", [](SkinEffectsSettings&) {});
    add("standard", [](SkinEffectsSettings& s) {
        s.scanlines = true;
        s.scanlineIntensity = 0.5;
    });
    add("heavy", [](SkinEffectsSettings& s) {
        s.scanlines = true;
        s.scanlineStyle = QStringLiteral("heavy");
        s.scanlineIntensity = 0.6;
    });
    add("shadowmask", [](SkinEffectsSettings& s) {
        s.scanlines = true;
        s.scanlineStyle = QStringLiteral("shadowmask");
        s.scanlineIntensity = 0.8;
    });
    add(
        "rolling",
        [](SkinEffectsSettings& s) {
            s.scanlines = true;
            s.scanlineStyle = QStringLiteral("rolling");
            s.scanlineIntensity = 0.7;
        },
        1.36);
    add(
        "glow",
        [](SkinEffectsSettings& s) {
            s.glow = true;
            s.glowIntensity = 0.8;
        },
        0,
        4);
    add("curvature", [](SkinEffectsSettings& s) {
        s.curvature = true;
        s.curvatureAmount = 0.4;
    });
    add("curvature at the default amount", [](SkinEffectsSettings& s) { s.curvature = true; });
    add("curvature at the strongest amount", [](SkinEffectsSettings& s) {
        s.curvature = true;
        s.curvatureAmount = 0.5;
    });
    add("amber", [](SkinEffectsSettings& s) { s.colorGrade = QStringLiteral("amber"); });
    add("green", [](SkinEffectsSettings& s) { s.colorGrade = QStringLiteral("green"); });
    add("blue", [](SkinEffectsSettings& s) { s.colorGrade = QStringLiteral("blue"); });
    add("cool", [](SkinEffectsSettings& s) { s.colorGrade = QStringLiteral("cool"); });
    add("unknown grade", [](SkinEffectsSettings& s) { s.colorGrade = QStringLiteral("Amber"); });
    add(
        "all",
        [](SkinEffectsSettings& s) {
            s.scanlines = true;
            s.scanlineStyle = QStringLiteral("rolling");
            s.scanlineIntensity = 0.4;
            s.glow = true;
            s.glowIntensity = 0.6;
            s.curvature = true;
            s.curvatureAmount = 0.3;
            s.colorGrade = QStringLiteral("green");
        },
        2.72,
        4);
    return cases;
}

const QColor foreground(120, 255, 170);

TEST(ScreenCompositorTest, EachEffectAloneAndAllTogetherMatchTheReferenceOnFlatAndWarpedScreens)
{
    const struct {
        const char* name;
        Geometry geometry;
    } geometries[] = {
        {"flat", flatGeometry()},
        {"warped", warpedGeometry()},
        {"warped at 2x from a finer picture", warpedGeometry(2, 2)},
        {"flat at 1.5x", flatGeometry(1.5)},
    };
    for (const auto& [geometryName, geometry] : geometries) {
        for (const EffectsCase& c : effectsCases()) {
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.rollingOffset) + ", " + geometryName);
            CpuScreenCompositor compositor;
            compositor.setGeometry(geometry);
            const ScreenEffects effects = ScreenEffects::from(c.settings, foreground);
            compositor.setEffects(effects);
            compositor.setRollingOffset(c.rollingOffset);
            const QImage picture = testPicture(compositor.sourcePixelSize());
            EXPECT_EQ(compositor.compose(picture, QRect()), geometry.outputRect);
            const Reference reference(geometry, effects, c.rollingOffset, picture);
            const QImage& output = compositor.output();
            ASSERT_EQ(output.size(), reference.outputPixels());
            const Difference d = compareWithReference(output, reference);
            EXPECT_LE(d.worst, c.tolerance) << "at " << d.at.x() << "," << d.at.y();
            // Toss-ups on the pattern grid are few, except where pixel centres sit on
            // it (every third column at 1.5x for the stripes).
            EXPECT_GT(d.compared, output.width() * output.height() / 3);
        }
    }
}

// A flat screen of one colour, composed with the given effects; the pixel
// at the screen's centre and the one at the middle of its left edge.
struct FlatProbe {
    QRgb centre;
    QRgb edge;
};

FlatProbe composeFlat(const QColor& colour, const SkinEffectsSettings& settings)
{
    CpuScreenCompositor compositor;
    Geometry g = flatGeometry();
    g.radii = {};
    compositor.setGeometry(g);
    compositor.setEffects(ScreenEffects::from(settings, foreground));
    QImage picture(compositor.sourcePixelSize(), QImage::Format_RGB32);
    picture.fill(colour);
    compositor.compose(picture, QRect());
    // Output pixel (90, 61) shows flat point (80.5, 51.5): 48.5 points up
    // from the bottom, a light row of every pattern.
    return {compositor.output().pixel(90, 61), compositor.output().pixel(10, 61)};
}

TEST(ScreenCompositorTest, HandWorkedProbesOfTheGradeScanlinesAndVignette)
{
    // Amber over mid grey, through soft light at 0.15: red gains, blue
    // loses, green barely moves. This grey-beige is the formula's own look.
    SkinEffectsSettings settings = noEffects();
    settings.colorGrade = QStringLiteral("amber");
    QRgb p = composeFlat(QColor(128, 128, 128), settings).centre;
    const double grey = 128 / 255.0;
    const auto amberRed = grey + 0.15 * (grey + (std::sqrt(grey) - grey) - grey);
    const auto amberGreen = grey + 0.15 * (0.2 * (std::sqrt(grey) - grey));
    const auto amberBlue = grey + 0.15 * (-0.8 * grey * (1 - grey));
    EXPECT_NEAR(qRed(p), amberRed * 255, 1); // 135.6
    EXPECT_NEAR(qGreen(p), amberGreen * 255, 1); // 129.6
    EXPECT_NEAR(qBlue(p), amberBlue * 255, 1); // 120.4
    // Black stays black and white stays white under every grade.
    EXPECT_EQ(composeFlat(Qt::black, settings).centre, qRgb(0, 0, 0));
    EXPECT_EQ(composeFlat(Qt::white, settings).centre, qRgb(255, 255, 255));
    // An unknown grade darkens by 0.15·c·(1 - c).
    settings.colorGrade = QStringLiteral("sepia");
    p = composeFlat(QColor(128, 128, 128), settings).centre;
    EXPECT_NEAR(qRed(p), (grey - 0.15 * grey * (1 - grey)) * 255, 1); // 118.4

    // Standard scanlines at intensity 1: rows 2 … 4 points up from the
    // bottom, mod 4, at alpha 0.55.
    settings = noEffects();
    settings.scanlines = true;
    settings.scanlineIntensity = 1;
    CpuScreenCompositor compositor;
    compositor.setGeometry(flatGeometry());
    compositor.setEffects(ScreenEffects::from(settings, foreground));
    QImage white(compositor.sourcePixelSize(), QImage::Format_RGB32);
    white.fill(Qt::white);
    compositor.compose(white, QRect());
    // Output row 10 + k shows u = 100 - k - 0.5.
    for (int k = 40; k < 48; ++k) {
        const double u = 100 - k - 0.5;
        const bool dark = std::fmod(u, 4) >= 2;
        EXPECT_EQ(qRed(compositor.output().pixel(90, 10 + k)), dark ? 115 : 255) << k;
    }

    // The vignette: nothing inside 55 %, the full amount at the middle of
    // an edge (t = 1 there, half a pixel in: t = 79.5 / 80).
    settings = noEffects();
    settings.curvature = true;
    settings.curvatureAmount = 0.5;
    const FlatProbe probe = composeFlat(Qt::white, settings);
    EXPECT_EQ(probe.centre, qRgb(255, 255, 255));
    const double t = 79.5 / 80;
    EXPECT_NEAR(qRed(probe.edge), 255 * (1 - 0.5 * (t - 0.55) / 0.45), 1);
}

TEST(ScreenCompositorTest, AFlatScreenOnWholePixelsIsAPlainCopyOfThePicture)
{
    CpuScreenCompositor compositor;
    compositor.setGeometry(flatGeometry());
    compositor.setEffects(ScreenEffects::from(noEffects(), foreground));
    EXPECT_TRUE(compositor.isIdentity());
    const QImage picture = testPicture(compositor.sourcePixelSize());
    compositor.compose(picture, QRect());
    for (int y = 8; y < 92; ++y) {
        for (int x = 8; x < 152; ++x)
            ASSERT_EQ(compositor.output().pixel(x + 10, y + 10), picture.pixel(x, y)) << x << "," << y;
    }
    // Curvature, a finer picture or a corner off the pixel grid bend or
    // resample it.
    SkinEffectsSettings curved = noEffects();
    curved.curvature = true;
    compositor.setEffects(ScreenEffects::from(curved, foreground));
    EXPECT_FALSE(compositor.isIdentity());
    compositor.setEffects(ScreenEffects::from(noEffects(), foreground));
    compositor.setGeometry(flatGeometry(1, 2));
    EXPECT_FALSE(compositor.isIdentity());
    Geometry shifted = flatGeometry();
    shifted.corners = ViewportShape::corners(QRectF(10.5, 10, 160, 100));
    compositor.setGeometry(shifted);
    EXPECT_FALSE(compositor.isIdentity());
}

TEST(ScreenCompositorTest, AChangedCellRecomposesASmallAreaThatHoldsEveryChangedPixel)
{
    SkinEffectsSettings all = noEffects();
    all.scanlines = all.glow = all.curvature = true;
    all.glowIntensity = 1;
    all.colorGrade = QStringLiteral("amber");
    for (const Geometry& geometry : {warpedGeometry(), warpedGeometry(2, 2)}) {
        SCOPED_TRACE(geometry.devicePixelRatio);
        CpuScreenCompositor compositor;
        compositor.setGeometry(geometry);
        compositor.setEffects(ScreenEffects::from(all, foreground));
        QImage picture = testPicture(compositor.sourcePixelSize());
        compositor.compose(picture, QRect());
        const QImage before = compositor.output().copy();
        // A bright cursor cell appears.
        const QRect cell(70, 40, 8, 14);
        const double density = geometry.devicePixelRatio * geometry.sourceScale;
        QPainter(&picture).fillRect(
            QRectF(cell.x() * density, cell.y() * density, cell.width() * density, cell.height() * density), Qt::white);
        const QRect drawn = compositor.compose(picture, cell);
        EXPECT_EQ(drawn, compositor.outputRectFor(cell));
        EXPECT_LT(drawn.width() * drawn.height(), geometry.outputRect.width() * geometry.outputRect.height() / 3);

        CpuScreenCompositor whole;
        whole.setGeometry(geometry);
        whole.setEffects(ScreenEffects::from(all, foreground));
        whole.compose(picture, QRect());
        const QImage& after = compositor.output();
        int changedPixels = 0;
        for (int y = 0; y < after.height(); ++y) {
            for (int x = 0; x < after.width(); ++x) {
                ASSERT_EQ(after.pixel(x, y), whole.output().pixel(x, y)) << x << "," << y;
                if (after.pixel(x, y) != before.pixel(x, y)) {
                    ++changedPixels;
                    const QPointF logical = QPointF(x + 0.5, y + 0.5) / geometry.devicePixelRatio;
                    ASSERT_TRUE(QRectF(drawn).contains(logical)) << x << "," << y;
                }
            }
        }
        EXPECT_GT(changedPixels, 100);
        EXPECT_TRUE(compositor.compose(picture, QRect()).isEmpty());
    }
}

TEST(ScreenCompositorTest, ARollingTickMovesOnlyTheScanlinesAndRedrawsTheWholeScreen)
{
    SkinEffectsSettings settings = noEffects();
    settings.scanlines = settings.glow = settings.curvature = true;
    settings.scanlineStyle = QStringLiteral("rolling");
    settings.scanlineIntensity = 0.8;
    settings.colorGrade = QStringLiteral("cool");
    const Geometry geometry = warpedGeometry(2, 2);
    const ScreenEffects effects = ScreenEffects::from(settings, foreground);
    CpuScreenCompositor compositor;
    compositor.setGeometry(geometry);
    compositor.setEffects(effects);
    const QImage picture = testPicture(compositor.sourcePixelSize());
    compositor.compose(picture, QRect());
    for (const double offset : {0.08, 1.5, 3.99, 0.0}) {
        SCOPED_TRACE(offset);
        compositor.setRollingOffset(offset);
        EXPECT_EQ(compositor.compose(picture, QRect()), geometry.outputRect);
        const Difference d = compareWithReference(compositor.output(), Reference(geometry, effects, offset, picture));
        EXPECT_LE(d.worst, 4) << "at " << d.at.x() << "," << d.at.y();
    }
    // Still scanlines do not move.
    settings.scanlineStyle = QStringLiteral("standard");
    compositor.setEffects(ScreenEffects::from(settings, foreground));
    compositor.compose(picture, QRect());
    compositor.setRollingOffset(2);
    EXPECT_TRUE(compositor.compose(picture, QRect()).isEmpty());
}

// How sharply a bent screen shows vertical edges and thin strokes, on a
// screen of 480 × 300 points at one output pixel per point.
struct Sharpness {
    double meanRamp = 0; // output pixels between 10 % and 90 % across an edge
    int widestRamp = 0;
    double faintestStroke = 1; // the peak level of a 1-point stroke
    double meanStroke = 0;
    int edges = 0;
    int strokes = 0;
};

Sharpness measureSharpness(double sourceScale, double curvatureAmount, const QRect& area)
{
    Geometry g;
    g.screenSize = QSize(480, 300);
    g.outputRect = QRect(0, 0, 480, 300);
    g.corners = ViewportShape::corners(QRectF(0, 0, 480, 300));
    g.sourceScale = sourceScale;
    SkinEffectsSettings settings = noEffects();
    settings.curvature = curvatureAmount > 0;
    settings.curvatureAmount = curvatureAmount;
    ScreenEffects effects = ScreenEffects::from(settings, foreground);
    effects.vignetteAmount = 0; // the bend alone
    CpuScreenCompositor compositor;
    compositor.setGeometry(g);
    compositor.setEffects(effects);
    const QSize pixels = compositor.sourcePixelSize();
    const auto bars = [&](double width, double period) {
        QImage picture(pixels, QImage::Format_RGB32);
        picture.fill(Qt::black);
        QPainter painter(&picture);
        for (double x = 0; x < 480; x += period)
            painter.fillRect(QRectF(x * sourceScale, 0, width * sourceScale, pixels.height()), Qt::white);
        return picture;
    };
    const auto level = [&](int x, int y) { return qGreen(compositor.output().pixel(x, y)) / 255.0; };

    Sharpness result;
    compositor.compose(bars(6, 12), QRect());
    double total = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        int extreme = 0; // -1 dark, 1 light
        int between = 0;
        for (int x = area.left(); x <= area.right(); ++x) {
            const double v = level(x, y);
            const int now = v <= 0.1 ? -1 : v >= 0.9 ? 1 : 0;
            if (now == 0) {
                ++between;
                continue;
            }
            if (extreme != 0 && now != extreme) {
                total += between;
                result.widestRamp = std::max(result.widestRamp, between);
                ++result.edges;
            }
            extreme = now;
            between = 0;
        }
    }
    result.meanRamp = result.edges ? total / result.edges : 0;

    compositor.compose(bars(1, 6), QRect(QPoint(0, 0), g.screenSize));
    for (int y = area.top(); y <= area.bottom(); ++y) {
        // Each stroke's brightest pixel, strokes told apart by dark gaps;
        // one cut by the area's edge does not count.
        double peak = 0;
        bool whole = false;
        for (int x = area.left(); x <= area.right(); ++x) {
            const double v = level(x, y);
            if (v >= 0.05) {
                peak = std::max(peak, v);
                continue;
            }
            if (whole && peak > 0) {
                result.faintestStroke = std::min(result.faintestStroke, peak);
                result.meanStroke += peak;
                ++result.strokes;
            }
            whole = true;
            peak = 0;
        }
    }
    result.meanStroke = result.strokes ? result.meanStroke / result.strokes : 0;
    return result;
}

TEST(ScreenCompositorTest, WarpedTextFromAFinerPictureKeepsItsEdgesAsSharpAsTheFlatScreen)
{
    // At the default curvature, near the screen's centre (magnified) and
    // near its top-left (squeezed). A cell of a 14-pixel monospace font is
    // about 8 points wide. From a picture at twice the screen's resolution
    // no edge blends over more than one output pixel (an eighth of a
    // cell), on average over less than half of one (a sixteenth), clearly
    // less than from a picture at the screen's own resolution; and strokes
    // of one point keep more of their light on average. The flat screen is
    // the plain copy: no blend at all.
    const QRect centre(180, 140, 120, 20);
    const QRect corner(8, 20, 120, 20);
    for (const QRect& area : {centre, corner}) {
        SCOPED_TRACE(area.x());
        const Sharpness flat = measureSharpness(1, 0, area);
        const Sharpness coarse = measureSharpness(1, 0.15, area);
        const Sharpness fine = measureSharpness(2, 0.15, area);
        EXPECT_EQ(flat.widestRamp, 0);
        EXPECT_EQ(flat.faintestStroke, 1);
        ASSERT_GT(fine.edges, 100);
        ASSERT_GT(fine.strokes, 100);
        EXPECT_LE(fine.widestRamp, 1);
        EXPECT_LE(fine.meanRamp, 0.5);
        EXPECT_LT(fine.meanRamp, 0.75 * coarse.meanRamp);
        EXPECT_GT(fine.meanStroke, coarse.meanStroke);
        EXPECT_GE(fine.meanStroke, 0.8);
    }
}

TEST(ScreenCompositorTest, TheOutputIsTransparentOutsideTheOutlineAndOpaqueInside)
{
    CpuScreenCompositor compositor;
    compositor.setGeometry(warpedGeometry());
    compositor.setEffects(ScreenEffects::from(noEffects(), foreground));
    compositor.compose(testPicture(compositor.sourcePixelSize()), QRect());
    const QImage& output = compositor.output();
    EXPECT_EQ(output.devicePixelRatio(), 1.0);
    EXPECT_EQ(qAlpha(output.pixel(0, 0)), 0); // outside the rounded corner
    EXPECT_EQ(output.pixel(181, 60), 0u); // right of the right edge
    EXPECT_EQ(qAlpha(output.pixel(90, 60)), 255);
}

TEST(ScreenCompositorTest, TheSourceIsTheScreenAtTheOutputsDensityTimesTheSourceScale)
{
    CpuScreenCompositor compositor;
    EXPECT_TRUE(compositor.sourcePixelSize().isEmpty());
    compositor.setGeometry(flatGeometry(1.5, 2));
    EXPECT_EQ(compositor.sourcePixelSize(), QSize(480, 300));
    compositor.setGeometry(flatGeometry(1.25));
    EXPECT_EQ(compositor.sourcePixelSize(), QSize(200, 125));
}

TEST(ScreenCompositorTest, DegenerateGeometriesComposeNothingWithoutFailing)
{
    std::vector<Geometry> cases;
    Geometry g = flatGeometry();
    g.screenSize = QSize(0, 100);
    cases.push_back(g);
    g = flatGeometry();
    g.corners.pop_back();
    cases.push_back(g);
    g = flatGeometry();
    g.corners = {QPointF(50, 50), QPointF(50, 50), QPointF(50, 50), QPointF(50, 50)};
    cases.push_back(g);
    g = flatGeometry();
    g.corners = {QPointF(10, 10), QPointF(90, 10), QPointF(170, 10), QPointF(130, 10)};
    cases.push_back(g);
    g = flatGeometry();
    g.outputRect = QRect();
    cases.push_back(g);
    g = flatGeometry();
    g.devicePixelRatio = std::nan("");
    g.sourceScale = -1;
    cases.push_back(g);
    SkinEffectsSettings all = noEffects();
    all.scanlines = all.glow = all.curvature = true;
    all.colorGrade = QStringLiteral("blue");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        CpuScreenCompositor compositor;
        compositor.setGeometry(cases[i]);
        compositor.setEffects(ScreenEffects::from(all, foreground));
        const QImage picture = testPicture(QSize(160, 100));
        const QRect first = compositor.compose(picture, QRect(0, 0, 160, 100));
        const QImage& output = compositor.output();
        if (!output.isNull()) {
            EXPECT_EQ(first, cases[i].outputRect);
            if (i != 5) {
                for (int y = 0; y < output.height(); ++y) {
                    for (int x = 0; x < output.width(); ++x)
                        ASSERT_EQ(qAlpha(output.pixel(x, y)), 0) << x << "," << y;
                }
            }
        }
        EXPECT_TRUE(compositor.compose(picture, QRect()).isEmpty());
        compositor.compose(picture, QRect(0, 0, 10, 10));
        (void)compositor.outputRectFor(QRect(0, 0, 10, 10));
        (void)compositor.screenPointAt(QPointF(20, 20));
    }
}

TEST(ScreenCompositorTest, TheScreenPointAtAnOutputPointGoesBackThroughTheQuadAndTheBump)
{
    CpuScreenCompositor compositor;
    const Geometry geometry = warpedGeometry();
    compositor.setGeometry(geometry);
    SkinEffectsSettings settings = noEffects();
    settings.curvature = true;
    settings.curvatureAmount = 0.5;
    compositor.setEffects(ScreenEffects::from(settings, foreground));
    const BumpDistortion bump = ScreenCompositor::bumpFor(QSize(160, 100), -0.25);
    EXPECT_EQ(bump.centre, QPointF(80, 50));
    EXPECT_DOUBLE_EQ(bump.radius, 176);
    for (const QPointF at : {QPointF(40, 30), QPointF(90, 60), QPointF(160, 100)}) {
        const auto flat = ViewportShape::inverseQuadMap(at, 160, 100, geometry.corners);
        ASSERT_TRUE(flat);
        const auto point = compositor.screenPointAt(at);
        ASSERT_TRUE(point);
        EXPECT_NEAR(point->x(), bump.sourcePoint(*flat).x(), 1e-9);
        EXPECT_NEAR(point->y(), bump.sourcePoint(*flat).y(), 1e-9);
    }
    // The centre of the screen stays put; a point halfway out moves towards it.
    const QTransform map = ViewportShape::quadTransform(160, 100, geometry.corners);
    const auto centre = compositor.screenPointAt(map.map(QPointF(80, 50)));
    ASSERT_TRUE(centre);
    EXPECT_NEAR(centre->x(), 80, 1e-6);
    EXPECT_NEAR(centre->y(), 50, 1e-6);
    const auto halfway = compositor.screenPointAt(map.map(QPointF(40, 25)));
    ASSERT_TRUE(halfway);
    EXPECT_GT(halfway->x(), 40);
    EXPECT_GT(halfway->y(), 25);
    compositor.setGeometry(Geometry());
    EXPECT_FALSE(compositor.screenPointAt(QPointF(40, 30)));
}

// The curvature's bump on the 160 × 100 screen of flatGeometry(), drawn
// 10 points in from the output's corner, pinned to numbers worked out by
// hand from its formula: a curvature amount a gives the scale s = −0.5·a,
// which magnifies the centre by 1 / (1 + s); at the middle of an edge the
// picture is held in place and squeezed across the edge by
// 1 / (1 + a·(1 − (half side / R)²)), R being 1.1 × the longer side, 176.
// Both the compositor's way back from the output and the tests' reference
// must give them.
TEST(ScreenCompositorTest, TheCurvatureMagnifiesTheCentreAndHoldsAndSqueezesTheEdges)
{
    const struct {
        const char* name;
        double amount;
    } amounts[] = {
        {"default", SkinEffectsSettings().curvatureAmount},
        {"strongest", 0.5},
    };
    const QPointF origin(10, 10);
    for (const auto& [name, amount] : amounts) {
        SkinEffectsSettings settings = noEffects();
        settings.curvature = true;
        settings.curvatureAmount = amount;
        const ScreenEffects effects = ScreenEffects::from(settings, foreground);
        CpuScreenCompositor compositor;
        const Geometry geometry = flatGeometry();
        compositor.setGeometry(geometry);
        compositor.setEffects(effects);
        const test::ReferenceQuadMap quad(160, 100, geometry.corners);
        const struct {
            const char* name;
            std::function<std::optional<QPointF>(const QPointF&)> screenPointAt;
        } ways[] = {
            {"compositor", [&](const QPointF& at) { return compositor.screenPointAt(at); }},
            {"reference",
             [&](const QPointF& at) -> std::optional<QPointF> {
                 const auto flat = quad.inverse(at);
                 if (!flat)
                     return std::nullopt;
                 return test::referenceBentPoint(*flat, QSizeF(160, 100), effects.curvatureScale);
             }},
        };
        for (const auto& way : ways) {
            SCOPED_TRACE(std::string(name) + " amount, " + way.name);
            const auto at = [&](const QPointF& screenPoint) {
                const auto p = way.screenPointAt(origin + screenPoint);
                EXPECT_TRUE(p);
                return p.value_or(QPointF(-1000, -1000));
            };
            // Points of the output per point of the picture, along x or y.
            const double h = 1e-4;
            const auto scaleAlongX = [&](const QPointF& p, double from, double to) {
                return (to - from) * h / (at(p + QPointF(to * h, 0)).x() - at(p + QPointF(from * h, 0)).x());
            };
            const auto scaleAlongY = [&](const QPointF& p, double from, double to) {
                return (to - from) * h / (at(p + QPointF(0, to * h)).y() - at(p + QPointF(0, from * h)).y());
            };

            const QPointF centre(80, 50);
            EXPECT_NEAR(at(centre).x(), 80, 1e-9);
            EXPECT_NEAR(at(centre).y(), 50, 1e-9);
            const double magnification = 1 / (1 - 0.5 * amount);
            EXPECT_NEAR(scaleAlongX(centre, -1, 1), magnification, 1e-4);
            EXPECT_NEAR(scaleAlongY(centre, -1, 1), magnification, 1e-4);

            // The corners and the middles of the edges stay where they are.
            for (const QPointF pinned : {QPointF(0, 0),
                                         QPointF(160, 0),
                                         QPointF(160, 100),
                                         QPointF(0, 100),
                                         QPointF(0, 50),
                                         QPointF(160, 50),
                                         QPointF(80, 0),
                                         QPointF(80, 100)}) {
                EXPECT_NEAR(at(pinned).x(), pinned.x(), 1e-9) << pinned.x() << "," << pinned.y();
                EXPECT_NEAR(at(pinned).y(), pinned.y(), 1e-9) << pinned.x() << "," << pinned.y();
            }
            const double squeezeAcrossSides = 1 / (1 + amount * (1 - std::pow(80.0 / 176, 2)));
            const double squeezeAcrossTopAndBottom = 1 / (1 + amount * (1 - std::pow(50.0 / 176, 2)));
            EXPECT_NEAR(scaleAlongX(QPointF(0, 50), 0, 1), squeezeAcrossSides, 1e-3);
            EXPECT_NEAR(scaleAlongX(QPointF(160, 50), -1, 0), squeezeAcrossSides, 1e-3);
            EXPECT_NEAR(scaleAlongY(QPointF(80, 0), 0, 1), squeezeAcrossTopAndBottom, 1e-3);
            EXPECT_NEAR(scaleAlongY(QPointF(80, 100), -1, 0), squeezeAcrossTopAndBottom, 1e-3);
        }
    }
}

// The way back from the output through a warped screen's quadrilateral
// lands where the tests' own projective map says, and that map takes the
// screen's corners onto the quadrilateral's.
TEST(ScreenCompositorTest, TheWayBackThroughTheQuadrilateralFollowsTheProjectiveMap)
{
    for (const Geometry& geometry : {flatGeometry(), warpedGeometry()}) {
        const test::ReferenceQuadMap quad(160, 100, geometry.corners);
        ASSERT_TRUE(quad.isValid());
        const QPointF screenCorners[4] = {{0, 0}, {160, 0}, {160, 100}, {0, 100}};
        for (std::size_t i = 0; i < 4; ++i) {
            const auto corner = quad.map(screenCorners[i]);
            ASSERT_TRUE(corner);
            EXPECT_NEAR(corner->x(), geometry.corners[i].x(), 1e-9);
            EXPECT_NEAR(corner->y(), geometry.corners[i].y(), 1e-9);
        }
        CpuScreenCompositor compositor;
        compositor.setGeometry(geometry);
        compositor.setEffects(ScreenEffects::from(noEffects(), foreground));
        for (double x = 0; x <= 180; x += 7.5) {
            for (double y = 0; y <= 120; y += 6.5) {
                const auto want = quad.inverse(QPointF(x, y));
                const auto got = compositor.screenPointAt(QPointF(x, y));
                ASSERT_TRUE(want && got) << x << "," << y;
                EXPECT_NEAR(got->x(), want->x(), 1e-9) << x << "," << y;
                EXPECT_NEAR(got->y(), want->y(), 1e-9) << x << "," << y;
            }
        }
    }
}

TEST(ScreenCompositorTest, CreateGivesABackendThatComposes)
{
    const auto compositor = ScreenCompositor::create(ScreenCompositor::Backend::Cpu);
    ASSERT_TRUE(compositor);
    EXPECT_EQ(compositor->backend(), ScreenCompositor::Backend::Cpu);
    compositor->setGeometry(flatGeometry());
    compositor->compose(testPicture(compositor->sourcePixelSize()), QRect());
    EXPECT_EQ(compositor->output().size(), QSize(180, 120));
}

} // namespace
} // namespace velmora
