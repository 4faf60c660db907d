// The screen composed on OpenGL (Mesa's llvmpipe on the test X server named
// by VELMORA_TEST_DISPLAY) against the CPU backend: flat and warped screens
// with each effect and all together, rolling scanlines, partial composes,
// and the way back to the CPU where OpenGL fails. The offscreen platform the
// widget tests run on makes its OpenGL contexts on the X display in DISPLAY,
// so the tests point DISPLAY at the test server.

#include "screen/GlScreenCompositor.h"

#include "support/ScopedEnvironment.h"
#include "support/ScreenCompositionReference.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QOpenGLContext>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

namespace velmora {
namespace {

using Backend = ScreenCompositor::Backend;
using Scanlines = ScreenEffects::Scanlines;

// How far two pictures of one screen are apart, over every channel
// (alpha included) of every pixel.
struct Difference {
    int largest = 0;
    int pixelsOver = 0; // pixels differing by more than the threshold asked
    QPoint worst;
};

Difference compare(const QImage& a, const QImage& b, int threshold)
{
    Difference d;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int diff = std::max({std::abs(qRed(p[x]) - qRed(q[x])),
                                       std::abs(qGreen(p[x]) - qGreen(q[x])),
                                       std::abs(qBlue(p[x]) - qBlue(q[x])),
                                       std::abs(qAlpha(p[x]) - qAlpha(q[x]))});
            if (diff > d.largest) {
                d.largest = diff;
                d.worst = QPoint(x, y);
            }
            if (diff > threshold)
                ++d.pixelsOver;
        }
    }
    return d;
}

// The pixels that differ between two outputs outside a part of them
// (logical, output coordinates; the output's own rectangle starts at origin).
int changedOutside(const QImage& before, const QImage& after, const QRect& part, const QPoint& origin)
{
    const double ratio = after.devicePixelRatio();
    const QRectF logical(part.translated(-origin));
    int outside = 0;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            if (before.pixel(x, y) != after.pixel(x, y) && !logical.contains(QPointF(x + 0.5, y + 0.5) / ratio))
                ++outside;
        }
    }
    return outside;
}

std::string describe(const Difference& d)
{
    return "largest difference " + std::to_string(d.largest) + " at (" + std::to_string(d.worst.x()) + ", "
        + std::to_string(d.worst.y()) + "), " + std::to_string(d.pixelsOver) + " pixels over";
}

// A terminal-like picture: a dark screen with light text, a bright bar and
// a gradient (so the glow and the grade have something to work on).
QImage terminalPicture(const QSize& pixels, double density, int variant = 0)
{
    QImage picture(pixels, QImage::Format_RGB32);
    picture.fill(QColor(18, 20, 24));
    QPainter painter(&picture);
    painter.scale(density, density);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(QColor(220, 230, 200));
    for (int row = 0; row < 12; ++row)
        painter.drawText(QPointF(6, 16 + row * 15),
                         QStringLiteral("%1 ls -la /usr/share/fonts | grep mono %2").arg(row).arg(variant));
    painter.fillRect(QRectF(20, 200, 180, 14), QColor(80, 200, 255));
    QLinearGradient gradient(QPointF(220, 0), QPointF(320, 0));
    gradient.setColorAt(0, Qt::black);
    gradient.setColorAt(1, QColor(255, 180, 40));
    painter.fillRect(QRectF(220, 180, 100, 40), gradient);
    return picture;
}

ScreenCompositor::Geometry flatGeometry(double ratio = 1, double sourceScale = 1)
{
    ScreenCompositor::Geometry g;
    g.screenSize = QSize(320, 224);
    g.outputRect = QRect(10, 6, 340, 240);
    g.corners = {QPointF(20, 14), QPointF(340, 14), QPointF(340, 238), QPointF(20, 238)};
    g.radii = {0, 0, 0, 0};
    g.devicePixelRatio = ratio;
    g.sourceScale = sourceScale;
    return g;
}

ScreenCompositor::Geometry warpedGeometry(double ratio = 1, double sourceScale = 1)
{
    ScreenCompositor::Geometry g = flatGeometry(ratio, sourceScale);
    g.corners = {QPointF(24, 12), QPointF(336, 18), QPointF(344, 236), QPointF(16, 240)};
    g.radii = {14, 10, 14, 10};
    return g;
}

ScreenEffects effectsWith(Scanlines scanlines, bool glow, double curvature, const QColor& grade)
{
    ScreenEffects e;
    e.scanlines = scanlines;
    e.scanlineIntensity = 0.6;
    if (glow) {
        e.glow.opacity = 0.6 * 0.8;
        e.glow.radius = 10;
        e.glow.colour = QColor(120, 255, 160);
    }
    e.curvatureScale = -0.5 * curvature;
    e.vignetteAmount = curvature;
    e.grade = grade;
    return e;
}

QColor gradeOf(double r, double g, double b)
{
    QColor colour = QColor::fromRgbF(float(r), float(g), float(b));
    colour.setAlphaF(0.15f);
    return colour;
}

bool canMakeContext()
{
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    QOpenGLContext context;
    context.setFormat(format);
    return GlScreenCompositor::mayTry() && context.create();
}

class GlScreenCompositorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* display = std::getenv("VELMORA_TEST_DISPLAY");
        if (display && *display)
            m_display = std::make_unique<test::ScopedEnvironment>("DISPLAY", QByteArray(display));
        m_choice = std::make_unique<test::ScopedEnvironment>("VELMORA_COMPOSITOR", "gl");
        if (!canMakeContext())
            GTEST_SKIP() << "no OpenGL 3.3 core context can be made here (VELMORA_TEST_DISPLAY names no X "
                            "server with OpenGL)";
        QString failure;
        m_gl = GlScreenCompositor::create(&failure);
        ASSERT_TRUE(m_gl) << failure.toStdString();
    }

    // Both backends on one screen; compose() of each returns the whole
    // output the first time.
    void configure(const ScreenCompositor::Geometry& geometry, const ScreenEffects& effects, double rolling = 0)
    {
        m_cpu = ScreenCompositor::create(Backend::Cpu);
        for (ScreenCompositor* c : {static_cast<ScreenCompositor*>(m_gl.get()), m_cpu.get()}) {
            c->setGeometry(geometry);
            c->setEffects(effects);
            c->setRollingOffset(rolling);
        }
        m_picture = terminalPicture(m_gl->sourcePixelSize(), ScreenCompositor::sourceDensity(geometry));
    }

    void composeBoth()
    {
        EXPECT_EQ(m_gl->compose(m_picture, QRect()), m_gl->geometry().outputRect);
        ASSERT_EQ(m_gl->backend(), Backend::OpenGl) << "drawn on OpenGL";
        EXPECT_EQ(m_cpu->compose(m_picture, QRect()), m_cpu->geometry().outputRect);
    }

    std::unique_ptr<test::ScopedEnvironment> m_display;
    std::unique_ptr<test::ScopedEnvironment> m_choice;
    std::unique_ptr<GlScreenCompositor> m_gl;
    std::unique_ptr<ScreenCompositor> m_cpu;
    QImage m_picture;
};

// The tolerance between the backends: the CPU rounds to 8 bits between its
// steps and weighs its filtered samples in 256ths, the GPU keeps floats; a
// channel (alpha included) may differ by this much.
constexpr int backendTolerance = 2;
// On a warped screen a pixel whose centre lies within a rounding error of a
// scanline's edge may fall on either side of it on the two backends (double
// precision on the CPU, float on the GPU); at most this share of the pixels,
// one in ten thousand, may differ by more than the tolerance.
constexpr double edgeShare = 0.0001;

TEST_F(GlScreenCompositorTest, IsOpenGlWithItsOwnContext) { EXPECT_EQ(m_gl->backend(), Backend::OpenGl); }

TEST_F(GlScreenCompositorTest, AgreesWithTheCpuForEachEffectAndAllTogether)
{
    struct Case {
        const char* name;
        ScreenEffects effects;
    };
    const Case effects[] = {
        {"none", effectsWith(Scanlines::Off, false, 0, QColor())},
        {"standard", effectsWith(Scanlines::Standard, false, 0, QColor())},
        {"heavy", effectsWith(Scanlines::Heavy, false, 0, QColor())},
        {"shadowmask", effectsWith(Scanlines::Shadowmask, false, 0, QColor())},
        {"rolling", effectsWith(Scanlines::Rolling, false, 0, QColor())},
        {"glow", effectsWith(Scanlines::Off, true, 0, QColor())},
        {"curvature", effectsWith(Scanlines::Off, false, 0.3, QColor())},
        {"amber", effectsWith(Scanlines::Off, false, 0, gradeOf(1, 0.6, 0.1))},
        {"green", effectsWith(Scanlines::Off, false, 0, gradeOf(0, 1, 0.3))},
        {"unknown grade", effectsWith(Scanlines::Off, false, 0, gradeOf(0, 0, 0))},
        {"all", effectsWith(Scanlines::Shadowmask, true, 0.3, gradeOf(1, 0.6, 0.1))},
        {"all rolling", effectsWith(Scanlines::Rolling, true, 0.3, gradeOf(0.4, 0.6, 0.8))},
    };
    struct Shape {
        const char* name;
        ScreenCompositor::Geometry geometry;
    };
    const Shape shapes[] = {
        {"flat", flatGeometry()},
        {"warped", warpedGeometry()},
        {"warped, picture at twice the resolution", warpedGeometry(1, 2)},
        {"flat at device pixel ratio 2", flatGeometry(2)},
        {"warped at device pixel ratio 2", warpedGeometry(2)},
        {"warped at device pixel ratio 1.5", warpedGeometry(1.5)},
    };
    for (const Shape& shape : shapes) {
        for (const Case& c : effects) {
            SCOPED_TRACE(std::string(shape.name) + ", " + c.name);
            configure(shape.geometry, c.effects);
            ASSERT_NO_FATAL_FAILURE(composeBoth());
            const QImage& gl = m_gl->output();
            ASSERT_EQ(gl.size(), m_cpu->output().size());
            EXPECT_EQ(gl.format(), QImage::Format_ARGB32_Premultiplied);
            EXPECT_EQ(gl.devicePixelRatio(), shape.geometry.devicePixelRatio);
            const Difference d = compare(gl, m_cpu->output(), backendTolerance);
            EXPECT_LE(d.pixelsOver, int(edgeShare * gl.width() * gl.height())) << describe(d);
        }
    }
}

// Against the composition worked out from the formulas in double precision:
// a channel within 2 (one rounding, filtered sampling weighed in 256ths), 4
// with the glow (its blur on a grid of 2-point cells against the
// reference's full-resolution Gaussian). Pixels whose centre lies within a
// rounding error of a scanline pattern pixel's edge are left out.
TEST_F(GlScreenCompositorTest, MatchesTheFormulas)
{
    const auto settings = [](auto change) {
        SkinEffectsSettings s;
        s.colorGrade = QStringLiteral("none");
        change(s);
        return s;
    };
    const struct {
        const char* name;
        SkinEffectsSettings settings;
        double rollingOffset;
        int tolerance;
    } cases[] = {
        {"standard", settings([](SkinEffectsSettings& s) { s.scanlines = true; }), 0, 2},
        {"shadowmask",
         settings([](SkinEffectsSettings& s) {
             s.scanlines = true;
             s.scanlineStyle = QStringLiteral("shadowmask");
             s.scanlineIntensity = 0.8;
         }),
         0,
         2},
        {"rolling",
         settings([](SkinEffectsSettings& s) {
             s.scanlines = true;
             s.scanlineStyle = QStringLiteral("rolling");
             s.scanlineIntensity = 0.7;
         }),
         1.36,
         2},
        {"glow",
         settings([](SkinEffectsSettings& s) {
             s.glow = true;
             s.glowIntensity = 0.8;
         }),
         0,
         4},
        {"curvature",
         settings([](SkinEffectsSettings& s) {
             s.curvature = true;
             s.curvatureAmount = 0.4;
         }),
         0,
         2},
        {"curvature at the default amount", settings([](SkinEffectsSettings& s) { s.curvature = true; }), 0, 2},
        {"curvature at the strongest amount",
         settings([](SkinEffectsSettings& s) {
             s.curvature = true;
             s.curvatureAmount = 0.5;
         }),
         0,
         2},
        {"amber", settings([](SkinEffectsSettings& s) { s.colorGrade = QStringLiteral("amber"); }), 0, 2},
        {"unknown grade", settings([](SkinEffectsSettings& s) { s.colorGrade = QStringLiteral("Amber"); }), 0, 2},
        {"all",
         settings([](SkinEffectsSettings& s) {
             s.scanlines = true;
             s.scanlineStyle = QStringLiteral("heavy");
             s.scanlineIntensity = 0.4;
             s.glow = true;
             s.glowIntensity = 0.6;
             s.curvature = true;
             s.curvatureAmount = 0.3;
             s.colorGrade = QStringLiteral("green");
         }),
         0,
         4},
    };
    const struct {
        const char* name;
        ScreenCompositor::Geometry geometry;
    } shapes[] = {
        {"warped", warpedGeometry()},
        {"warped at 2x from a finer picture", warpedGeometry(2, 2)},
        {"flat at 1.5x", flatGeometry(1.5)},
    };
    for (const auto& shape : shapes) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(shape.name) + ", " + c.name);
            const ScreenEffects effects = ScreenEffects::from(c.settings, QColor(120, 255, 170));
            m_gl->setGeometry(shape.geometry);
            m_gl->setEffects(effects);
            m_gl->setRollingOffset(c.rollingOffset);
            const QImage picture
                = terminalPicture(m_gl->sourcePixelSize(), ScreenCompositor::sourceDensity(shape.geometry));
            m_gl->compose(picture, QRect());
            ASSERT_EQ(m_gl->backend(), Backend::OpenGl);
            const test::ScreenCompositionReference reference(shape.geometry, effects, c.rollingOffset, picture);
            const QImage& output = m_gl->output();
            ASSERT_EQ(output.size(), reference.outputPixels());
            int worst = 0;
            QPoint at;
            int compared = 0;
            for (int y = 0; y < output.height(); ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(output.constScanLine(y));
                for (int x = 0; x < output.width(); ++x) {
                    if (const auto flat = reference.flatPoint(x, y); flat && reference.nearPatternEdge(*flat))
                        continue;
                    const auto want = reference.pixel(x, y);
                    const int got[4] = {qRed(line[x]), qGreen(line[x]), qBlue(line[x]), qAlpha(line[x])};
                    for (std::size_t k = 0; k < 4; ++k) {
                        const int diff = std::abs(got[k] - int(std::lround(want[k] * 255)));
                        if (diff > worst) {
                            worst = diff;
                            at = QPoint(x, y);
                        }
                    }
                    ++compared;
                }
            }
            EXPECT_LE(worst, c.tolerance) << "at " << at.x() << ", " << at.y();
            EXPECT_GT(compared, output.width() * output.height() / 3);
        }
    }
}

TEST_F(GlScreenCompositorTest, RollingScanlinesMoveWithTheOffsetAlone)
{
    configure(warpedGeometry(), effectsWith(Scanlines::Rolling, true, 0.15, gradeOf(1, 0.6, 0.1)));
    ASSERT_NO_FATAL_FAILURE(composeBoth());
    QImage previous = m_gl->output().copy();
    for (const double offset : {0.08, 1.0, 2.5, 3.96}) {
        SCOPED_TRACE("offset " + std::to_string(offset));
        m_gl->setRollingOffset(offset);
        m_cpu->setRollingOffset(offset);
        // A tick draws the screen again from the picture it has: no new
        // picture is needed. Every pixel that changed lies in the part it
        // says it drew.
        const QRect drawn = m_gl->compose(QImage(), QRect());
        EXPECT_EQ(changedOutside(previous, m_gl->output(), drawn, m_gl->geometry().outputRect.topLeft()), 0);
        m_cpu->compose(m_picture, QRect());
        const Difference d = compare(m_gl->output(), m_cpu->output(), backendTolerance);
        EXPECT_LE(d.pixelsOver, int(edgeShare * m_picture.width() * m_picture.height())) << describe(d);
        EXPECT_GT(compare(m_gl->output(), previous, 0).pixelsOver, 1000) << "the rows moved";
        previous = m_gl->output().copy();
    }
    // Nothing moved, nothing changed: nothing is drawn.
    EXPECT_TRUE(m_gl->compose(m_picture, QRect()).isEmpty());
}

TEST_F(GlScreenCompositorTest, RollingOffsetMovesNothingUnderStillScanlines)
{
    configure(flatGeometry(), effectsWith(Scanlines::Standard, false, 0, QColor()));
    composeBoth();
    m_gl->setRollingOffset(2);
    EXPECT_TRUE(m_gl->compose(m_picture, QRect()).isEmpty());
}

TEST_F(GlScreenCompositorTest, PartialComposeEqualsAWholeOne)
{
    struct Case {
        const char* name;
        ScreenCompositor::Geometry geometry;
        ScreenEffects effects;
    };
    const Case cases[] = {
        {"flat, no effects", flatGeometry(), effectsWith(Scanlines::Off, false, 0, QColor())},
        {"warped, every effect", warpedGeometry(), effectsWith(Scanlines::Shadowmask, true, 0.3, gradeOf(1, 0.6, 0.1))},
        {"warped at ratio 2, finer picture, glow",
         warpedGeometry(2, 2),
         effectsWith(Scanlines::Standard, true, 0.15, gradeOf(0, 1, 0.3))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        configure(c.geometry, c.effects);
        m_gl->compose(m_picture, QRect());
        // A cursor cell turns on, then a line of text changes.
        const double density = ScreenCompositor::sourceDensity(c.geometry);
        for (const QRect& cell : {QRect(97, 63, 8, 15), QRect(0, 181, 320, 15)}) {
            {
                QPainter painter(&m_picture);
                painter.scale(density, density);
                painter.fillRect(cell, QColor(250, 250, 250));
            }
            const QRect drawn = m_gl->compose(m_picture, cell);
            EXPECT_FALSE(drawn.isEmpty());
            EXPECT_TRUE(m_gl->geometry().outputRect.contains(drawn));
            EXPECT_EQ(drawn, m_gl->outputRectFor(cell));
            EXPECT_LT(drawn.width() * drawn.height(), c.geometry.outputRect.width() * c.geometry.outputRect.height());
            const QImage partial = m_gl->output().copy();

            auto whole = GlScreenCompositor::create();
            ASSERT_TRUE(whole);
            whole->setGeometry(c.geometry);
            whole->setEffects(c.effects);
            whole->compose(m_picture, QRect());
            const Difference d = compare(partial, whole->output(), 0);
            EXPECT_EQ(d.largest, 0) << describe(d);
        }
    }
}

TEST_F(GlScreenCompositorTest, ChangedPartLandsWhereItShows)
{
    configure(warpedGeometry(), effectsWith(Scanlines::Off, true, 0.3, QColor()));
    m_gl->compose(m_picture, QRect());
    const QImage before = m_gl->output().copy();
    const QRect cell(150, 100, 8, 15);
    {
        QPainter painter(&m_picture);
        painter.fillRect(cell, Qt::white);
    }
    const QRect drawn = m_gl->compose(m_picture, cell);
    EXPECT_EQ(drawn, m_gl->outputRectFor(cell));
    // Every pixel that changed lies in the returned part, and the cell
    // with its glow changed a good many.
    EXPECT_EQ(changedOutside(before, m_gl->output(), drawn, m_gl->geometry().outputRect.topLeft()), 0);
    EXPECT_GT(compare(before, m_gl->output(), 0).pixelsOver, 8 * 15);
}

TEST_F(GlScreenCompositorTest, ScreenTooLargeForTheContextIsDrawnOnTheCpu)
{
    ScreenCompositor::Geometry g;
    g.screenSize = QSize(40000, 8);
    g.outputRect = QRect(0, 0, 40000, 8);
    g.corners = {QPointF(0, 0), QPointF(40000, 0), QPointF(40000, 8), QPointF(0, 8)};
    g.radii = {0, 0, 0, 0};
    m_gl->setGeometry(g);
    m_gl->setEffects(effectsWith(Scanlines::Standard, false, 0, QColor()));
    QImage picture(m_gl->sourcePixelSize(), QImage::Format_RGB32);
    picture.fill(QColor(200, 100, 50));
    EXPECT_EQ(m_gl->compose(picture, QRect()), g.outputRect);
    EXPECT_EQ(m_gl->backend(), Backend::Cpu);
    ASSERT_EQ(m_gl->output().size(), QSize(40000, 8));
    // The bottom row is clear of the scanlines (they start 2 points up).
    EXPECT_EQ(m_gl->output().pixel(20000, 7), qRgb(200, 100, 50));
}

// The way back to the CPU where OpenGL fails at each step of its set-up.
TEST_F(GlScreenCompositorTest, FailedSetUpFallsBackToTheCpu)
{
    for (const char* step : {"context", "shaders", "framebuffer"}) {
        SCOPED_TRACE(step);
        const test::ScopedEnvironment fault("VELMORA_COMPOSITOR_FAULT", step);
        QString failure;
        EXPECT_FALSE(GlScreenCompositor::create(&failure));
        EXPECT_FALSE(failure.isEmpty());

        std::unique_ptr<ScreenCompositor> compositor = ScreenCompositor::create();
        ASSERT_TRUE(compositor);
        EXPECT_EQ(compositor->backend(), Backend::Cpu);
        compositor->setGeometry(flatGeometry());
        compositor->setEffects(effectsWith(Scanlines::Off, false, 0, QColor()));
        const QImage picture = terminalPicture(compositor->sourcePixelSize(), 1);
        EXPECT_EQ(compositor->compose(picture, QRect()), flatGeometry().outputRect);
        // The flat screen without effects is the picture itself.
        EXPECT_EQ(compositor->output().pixel(20 - 10 + 100, 14 - 6 + 200), picture.pixel(100, 200));
    }
}

TEST_F(GlScreenCompositorTest, CreateChoosesOpenGlUnlessAskedForTheCpu)
{
    // VELMORA_COMPOSITOR=gl, as the fixture sets it.
    EXPECT_EQ(ScreenCompositor::create()->backend(), Backend::OpenGl);
    EXPECT_EQ(ScreenCompositor::create(Backend::Cpu)->backend(), Backend::Cpu);
    EXPECT_EQ(ScreenCompositor::create(Backend::OpenGl)->backend(), Backend::OpenGl);
    {
        const test::ScopedEnvironment choice("VELMORA_COMPOSITOR", "cpu");
        EXPECT_EQ(ScreenCompositor::create()->backend(), Backend::Cpu);
    }
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        // Unasked, a renderer that runs on the CPU itself gives way to the
        // CPU backend; a real GPU keeps OpenGL.
        const test::ScopedEnvironment choice("VELMORA_COMPOSITOR", "");
        const Backend expected = m_gl->rendersInSoftware() ? Backend::Cpu : Backend::OpenGl;
        EXPECT_EQ(ScreenCompositor::create()->backend(), expected);
        EXPECT_EQ(ScreenCompositor::create()->backend(), expected);
        EXPECT_EQ(ScreenCompositor::create(Backend::OpenGl)->backend(), Backend::OpenGl);
    }
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        // Unasked, the offscreen platform keeps to the CPU: a DISPLAY
        // without GLX would end the program there.
        const test::ScopedEnvironment choice("VELMORA_COMPOSITOR", "");
        EXPECT_FALSE(GlScreenCompositor::mayTry());
        EXPECT_EQ(ScreenCompositor::create()->backend(), Backend::Cpu);
        EXPECT_EQ(ScreenCompositor::create(Backend::OpenGl)->backend(), Backend::Cpu);
    }
}

TEST_F(GlScreenCompositorTest, EmptyScreenIsTransparent)
{
    ScreenCompositor::Geometry g = flatGeometry();
    g.corners = {QPointF(20, 14), QPointF(20, 14), QPointF(20, 14), QPointF(20, 14)};
    m_gl->setGeometry(g);
    m_gl->setEffects(effectsWith(Scanlines::Standard, true, 0.3, gradeOf(1, 0.6, 0.1)));
    const QImage picture = terminalPicture(m_gl->sourcePixelSize(), 1);
    m_gl->compose(picture, QRect());
    const QImage& out = m_gl->output();
    for (int y = 0; y < out.height(); y += 7)
        for (int x = 0; x < out.width(); x += 7)
            ASSERT_EQ(qAlpha(out.pixel(x, y)), 0) << x << ", " << y;
}

} // namespace
} // namespace velmora
