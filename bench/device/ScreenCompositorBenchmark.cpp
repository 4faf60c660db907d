// The CPU compositor alone, per frame, on a 640 × 400 screen distorted as
// a device's: the whole screen composed again (scrolling), one cursor cell
// changed (a blink), and a rolling-scanline tick, with the warp only and
// with every effect on; the picture drawn at the screen's resolution and at
// twice it (as a curved screen's is).

#include "../OffscreenBenchmarkMain.h"

#include <benchmark/benchmark.h>

#include <QFont>
#include <QPainter>

#include "screen/CpuScreenCompositor.h"
#include "skin/ViewportShape.h"

namespace {

using velmora::CpuScreenCompositor;
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

struct Setup {
    Setup(int set, double sourceScale)
    {
        compositor.setGeometry(geometry(sourceScale));
        compositor.setEffects(effects(set));
        picture = terminalPicture(compositor.sourcePixelSize(), sourceScale);
        compositor.compose(picture, QRect());
    }
    CpuScreenCompositor compositor;
    QImage picture;
};

void BM_ComposeWholeScreen(benchmark::State& state)
{
    Setup setup(int(state.range(0)), double(state.range(1)));
    const QRect whole(QPoint(0, 0), setup.compositor.geometry().screenSize);
    for (auto _ : state)
        benchmark::DoNotOptimize(setup.compositor.compose(setup.picture, whole));
}
// effects: 0 the warp only, 1 every effect, 2 glow, 3 rolling scanlines,
// 4 grade, 5 curvature (bump and vignette), each alone.
BENCHMARK(BM_ComposeWholeScreen)
    ->ArgNames({"effects", "source_scale"})
    ->Args({warpOnly, 1})
    ->Args({everyEffect, 1})
    ->Args({warpOnly, 2})
    ->Args({everyEffect, 2})
    ->Args({glowAlone, 2})
    ->Args({rollingAlone, 2})
    ->Args({gradeAlone, 2})
    ->Args({curvatureAlone, 2})
    ->Unit(benchmark::kMillisecond);

void BM_ComposeCursorCell(benchmark::State& state)
{
    Setup setup(int(state.range(0)), double(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(setup.compositor.compose(setup.picture, cursorCell));
}
BENCHMARK(BM_ComposeCursorCell)
    ->ArgNames({"effects", "source_scale"})
    ->Args({warpOnly, 1})
    ->Args({everyEffect, 2})
    ->Unit(benchmark::kMicrosecond);

void BM_RollingTick(benchmark::State& state)
{
    Setup setup(everyEffect, 2);
    double offset = 0;
    for (auto _ : state) {
        offset = offset + 0.08 > 4 ? offset + 0.08 - 4 : offset + 0.08;
        setup.compositor.setRollingOffset(offset);
        benchmark::DoNotOptimize(setup.compositor.compose(setup.picture, QRect()));
    }
}
BENCHMARK(BM_RollingTick)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return runOffscreenBenchmarks(argc, argv); }
