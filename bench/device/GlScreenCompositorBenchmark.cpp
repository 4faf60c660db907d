// The screen compositor on both backends: a 640 × 400 screen, bent onto a
// rounded quadrilateral, composed with the warp alone or with every effect
// (shadow-mask or rolling scanlines, glow, curvature and vignette, amber
// grade). A frame is one compose(): the whole picture changed, one cursor
// cell changed, or a rolling tick (only the scanlines moved).
//
// The OpenGL backend runs where a context can be made: on the X display
// named by VELMORA_TEST_DISPLAY (or DISPLAY), through Qt's offscreen
// platform. Under Xvfb that is Mesa's llvmpipe, which draws on the CPU with
// threads of its own: the CPU time reported is the whole process's, those
// threads included.
//
//   build/bin/gl_compositor_bench [--benchmark_filter=...]
//
// Arguments of each case: backend (0 CPU, 1 OpenGL), picture pixels per
// output pixel (sourceScale).

#include <benchmark/benchmark.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <memory>

#include "screen/GlScreenCompositor.h"
#include "screen/ScreenCompositor.h"

namespace {

using velmora::ScreenCompositor;
using velmora::ScreenEffects;

ScreenCompositor::Geometry geometry(double sourceScale)
{
    ScreenCompositor::Geometry g;
    g.screenSize = QSize(640, 400);
    g.outputRect = QRect(0, 0, 680, 440);
    g.corners = {QPointF(24, 16), QPointF(656, 22), QPointF(664, 420), QPointF(16, 426)};
    g.radii = {18, 14, 18, 14};
    g.devicePixelRatio = 1;
    g.sourceScale = sourceScale;
    return g;
}

ScreenEffects everyEffect(ScreenEffects::Scanlines scanlines)
{
    ScreenEffects e;
    e.scanlines = scanlines;
    e.scanlineIntensity = 0.3;
    e.glow.opacity = 0.6 * 0.4;
    e.glow.radius = 10;
    e.glow.colour = QColor(255, 176, 0);
    e.curvatureScale = -0.5 * 0.15;
    e.vignetteAmount = 0.15;
    QColor amber = QColor::fromRgbF(1.0f, 0.6f, 0.1f);
    amber.setAlphaF(0.15f);
    e.grade = amber;
    return e;
}

// The warp alone: the curvature's bump without its vignette, nothing over it.
ScreenEffects warpOnly()
{
    ScreenEffects e;
    e.curvatureScale = -0.5 * 0.15;
    return e;
}

QImage terminalPicture(const QSize& pixels, double density)
{
    QImage picture(pixels, QImage::Format_RGB32);
    picture.fill(QColor(18, 20, 24));
    QPainter painter(&picture);
    painter.scale(density, density);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(13);
    painter.setFont(font);
    painter.setPen(QColor(220, 230, 200));
    for (int row = 0; row < 24; ++row)
        painter.drawText(QPointF(4, 14 + row * 16),
                         QStringLiteral("%1 drwxr-xr-x  2 user user 4096 Dec 11 12:00 fonts").arg(row));
    return picture;
}

// A compositor of the asked backend, or none (the case is skipped).
std::unique_ptr<ScreenCompositor> make(benchmark::State& state, const ScreenEffects& effects)
{
    const auto backend = state.range(0) == 0 ? ScreenCompositor::Backend::Cpu : ScreenCompositor::Backend::OpenGl;
    auto compositor = ScreenCompositor::create(backend);
    if (compositor->backend() != backend) {
        state.SkipWithError("no OpenGL context here");
        return nullptr;
    }
    compositor->setGeometry(geometry(double(state.range(1))));
    compositor->setEffects(effects);
    return compositor;
}

void composeWhole(benchmark::State& state, const ScreenEffects& effects)
{
    auto compositor = make(state, effects);
    if (!compositor)
        return;
    const double density = ScreenCompositor::sourceDensity(compositor->geometry());
    QImage pictures[2] = {terminalPicture(compositor->sourcePixelSize(), density),
                          terminalPicture(compositor->sourcePixelSize(), density)};
    pictures[1].invertPixels();
    compositor->compose(pictures[0], QRect());
    const QRect screen(QPoint(0, 0), compositor->geometry().screenSize);
    int frame = 0;
    for (auto _ : state) {
        const QRect drawn = compositor->compose(pictures[++frame % 2], screen);
        benchmark::DoNotOptimize(drawn);
    }
}

void composeCursorCell(benchmark::State& state, const ScreenEffects& effects)
{
    auto compositor = make(state, effects);
    if (!compositor)
        return;
    const double density = ScreenCompositor::sourceDensity(compositor->geometry());
    QImage picture = terminalPicture(compositor->sourcePixelSize(), density);
    compositor->compose(picture, QRect());
    const QRect cell(320, 208, 8, 16);
    int frame = 0;
    for (auto _ : state) {
        {
            QPainter painter(&picture);
            painter.scale(density, density);
            painter.fillRect(cell, ++frame % 2 ? QColor(230, 230, 230) : QColor(18, 20, 24));
        }
        const QRect drawn = compositor->compose(picture, cell);
        benchmark::DoNotOptimize(drawn);
    }
}

void BM_WarpWholeScreen(benchmark::State& state) { composeWhole(state, warpOnly()); }
void BM_EveryEffectWholeScreen(benchmark::State& state)
{
    composeWhole(state, everyEffect(ScreenEffects::Scanlines::Shadowmask));
}
void BM_WarpCursorCell(benchmark::State& state) { composeCursorCell(state, warpOnly()); }
void BM_EveryEffectCursorCell(benchmark::State& state)
{
    composeCursorCell(state, everyEffect(ScreenEffects::Scanlines::Shadowmask));
}

void BM_RollingTick(benchmark::State& state)
{
    auto compositor = make(state, everyEffect(ScreenEffects::Scanlines::Rolling));
    if (!compositor)
        return;
    const QImage picture
        = terminalPicture(compositor->sourcePixelSize(), ScreenCompositor::sourceDensity(compositor->geometry()));
    compositor->compose(picture, QRect());
    double offset = 0;
    for (auto _ : state) {
        offset += 0.08;
        if (offset > 4)
            offset -= 4;
        compositor->setRollingOffset(offset);
        const QRect drawn = compositor->compose(picture, QRect());
        benchmark::DoNotOptimize(drawn);
    }
}

void cases(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"gl", "sourceScale"});
    for (const int backend : {0, 1})
        for (const int scale : {1, 2})
            b->Args({backend, scale});
    b->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
}

BENCHMARK(BM_WarpWholeScreen)->Apply(cases);
BENCHMARK(BM_EveryEffectWholeScreen)->Apply(cases);
BENCHMARK(BM_WarpCursorCell)->Apply(cases);
BENCHMARK(BM_EveryEffectCursorCell)->Apply(cases);
BENCHMARK(BM_RollingTick)->Apply(cases);

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
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
