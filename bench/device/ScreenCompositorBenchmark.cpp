// The screen compositor alone, on the CPU and on OpenGL: a 640 × 400 screen
// bent onto a rounded quadrilateral as a device's is, composed with the warp
// only, with every effect on, or with one effect alone. A frame is one
// compose(): the whole picture changed (scrolling), one cursor cell changed
// (a blink), or a rolling-scanline tick (only the scanlines moved); the
// picture drawn at the screen's resolution or at twice it (as a bent
// screen's is).
//
// The OpenGL backend runs where a context can be made: on the X display
// named by VELMORA_TEST_DISPLAY (or DISPLAY), through Qt's offscreen
// platform; elsewhere its cases are skipped. Under Xvfb that is Mesa's
// llvmpipe, which draws on the CPU with threads of its own: the CPU time
// reported is the whole process's, those threads included.
//
//   build/bin/screen_compositor_bench [--benchmark_filter=...]

#include <benchmark/benchmark.h>

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <memory>

#include "screen/ScreenCompositor.h"
#include "skin/ViewportShape.h"

namespace {

using velmora::ScreenCompositor;
using velmora::ScreenEffects;
using velmora::SkinEffectsSettings;

const QRectF screenRect(20, 20, 640, 400);
const QRect cursorCell(320, 200, 8, 17);

ScreenCompositor::Geometry geometry(double sourceScale)
{
    ScreenCompositor::Geometry g;
    g.screenSize = screenRect.size().toSize();
    g.corners = velmora::ViewportShape::corners(screenRect, {{-12, -10}, {10, -4}, {6, 8}, {-6, 4}});
    g.radii = {12, 12, 12, 12};
    g.outputRect = velmora::ViewportShape::boundingBox(g.corners).toAlignedRect();
    g.sourceScale = sourceScale;
    return g;
}

// Which effects are on: none (the warp only), every one, or one alone.
enum EffectsSet { warpOnly, everyEffect, glowAlone, rollingAlone, gradeAlone, curvatureAlone };

ScreenEffects effects(int set)
{
    SkinEffectsSettings s;
    s.colorGrade = QStringLiteral("none");
    s.scanlineStyle = QStringLiteral("rolling");
    s.scanlines = set == everyEffect || set == rollingAlone;
    s.glow = set == everyEffect || set == glowAlone;
    s.curvature = set == everyEffect || set == curvatureAlone;
    if (set == everyEffect || set == gradeAlone)
        s.colorGrade = QStringLiteral("amber");
    return ScreenEffects::from(s, QColor(120, 255, 170));
}

// Lines of text on a dark screen, at the given picture pixels per point.
QImage terminalPicture(const QSize& pixels, double density)
{
    QImage picture(pixels, QImage::Format_ARGB32_Premultiplied);
    picture.fill(QColor(12, 16, 14));
    QPainter painter(&picture);
    painter.scale(density, density);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(QColor(120, 255, 170));
    for (int row = 0; row < 23; ++row)
        painter.drawText(QPointF(4, 16 + row * 17),
                         QStringLiteral("line %1: the quick brown fox jumps over the lazy dog 0123456789").arg(row));
    return picture;
}

// A compositor of the case's backend with its effects, its picture composed
// once; none when that backend cannot be made here (the case is skipped).
struct Setup {
    Setup(benchmark::State& state, int set, double sourceScale)
    {
        const auto backend = state.range(0) == 0 ? ScreenCompositor::Backend::Cpu : ScreenCompositor::Backend::OpenGl;
        compositor = ScreenCompositor::create(backend);
        if (compositor->backend() != backend) {
            state.SkipWithError("no OpenGL context here: name an X server in VELMORA_TEST_DISPLAY");
            compositor.reset();
            return;
        }
        compositor->setGeometry(geometry(sourceScale));
        compositor->setEffects(effects(set));
        density = ScreenCompositor::sourceDensity(compositor->geometry());
        picture = terminalPicture(compositor->sourcePixelSize(), density);
        compositor->compose(picture, QRect());
    }
    std::unique_ptr<ScreenCompositor> compositor;
    double density = 1;
    QImage picture;
};

void BM_ComposeWholeScreen(benchmark::State& state)
{
    Setup setup(state, int(state.range(1)), double(state.range(2)));
    if (!setup.compositor)
        return;
    // Two pictures in turn, so that each frame hands over new pixels.
    QImage pictures[2] = {setup.picture, setup.picture};
    pictures[1].invertPixels();
    const QRect whole(QPoint(0, 0), setup.compositor->geometry().screenSize);
    int frame = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(setup.compositor->compose(pictures[++frame % 2], whole));
}

void BM_ComposeCursorCell(benchmark::State& state)
{
    Setup setup(state, int(state.range(1)), double(state.range(2)));
    if (!setup.compositor)
        return;
    int frame = 0;
    for (auto _ : state) {
        {
            QPainter painter(&setup.picture);
            painter.scale(setup.density, setup.density);
            painter.fillRect(cursorCell, ++frame % 2 ? QColor(230, 230, 230) : QColor(12, 16, 14));
        }
        benchmark::DoNotOptimize(setup.compositor->compose(setup.picture, cursorCell));
    }
}

void BM_RollingTick(benchmark::State& state)
{
    Setup setup(state, everyEffect, 2);
    if (!setup.compositor)
        return;
    double offset = 0;
    for (auto _ : state) {
        offset = offset + 0.08 > 4 ? offset + 0.08 - 4 : offset + 0.08;
        setup.compositor->setRollingOffset(offset);
        benchmark::DoNotOptimize(setup.compositor->compose(setup.picture, QRect()));
    }
}

// Arguments: backend (0 CPU, 1 OpenGL), effects (0 the warp only, 1 every
// effect, 2 glow, 3 rolling scanlines, 4 grade, 5 curvature: bump and
// vignette, each alone), picture pixels per output pixel.
void wholeScreenCases(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"gl", "effects", "source_scale"});
    for (const int backend : {0, 1}) {
        for (const int scale : {1, 2}) {
            b->Args({backend, warpOnly, scale});
            b->Args({backend, everyEffect, scale});
        }
        for (const int alone : {glowAlone, rollingAlone, gradeAlone, curvatureAlone})
            b->Args({backend, alone, 2});
    }
    b->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
}

void cursorCellCases(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"gl", "effects", "source_scale"});
    for (const int backend : {0, 1}) {
        b->Args({backend, warpOnly, 1});
        b->Args({backend, everyEffect, 2});
    }
    b->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();
}

BENCHMARK(BM_ComposeWholeScreen)->Apply(wholeScreenCases);
BENCHMARK(BM_ComposeCursorCell)->Apply(cursorCellCases);
BENCHMARK(BM_RollingTick)
    ->ArgName("gl")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    // Qt's offscreen platform, with OpenGL on the test X server when there
    // is one.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (const char* display = std::getenv("VELMORA_TEST_DISPLAY"); display && *display)
        setenv("DISPLAY", display, 1);
    if (std::getenv("DISPLAY"))
        setenv("VELMORA_COMPOSITOR", "gl", 1);
    QGuiApplication app(argc, argv);
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
