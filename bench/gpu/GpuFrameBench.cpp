// Cost of building the GPU renderer's draw data, offscreen and without a GPU
// (textures and buffers kept in memory): a full screen of changed text, one
// changed row with the other rows' buffers kept, and the same change gathered
// into one aggregated frame.

#include "../OffscreenBenchmarkMain.h"
#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "../ColouredScreen.h"

#include <QApplication>
#include <QFontDatabase>

#include "corvel/qt/TerminalView.h"
#include "corvel/qt/gl/FrameDrawData.h"
#include "corvel/qt/gl/GlyphStore.h"
#include "corvel/qt/gl/MemoryGpuDevice.h"

namespace {

using namespace corvel;

constexpr int benchCols = 200;
constexpr int benchRows = 60;

struct Fixture {
    Fixture()
    {
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(14);
        view = std::make_unique<TerminalView>(nullptr, font);
        const QSizeF cell = view->cellDimension();
        size = QSizeF(cell.width() * benchCols, cell.height() * benchRows);
        view->resize(view->scrollerWidth() + int(size.width()), int(size.height()));
        view->show();
        QCoreApplication::processEvents();
        glyphs = GlyphStore::create(device);
        builder = std::make_unique<FrameDrawBuilder>(device, *glyphs);
    }

    DrawData frame(GpuBufferingMode mode)
    {
        view->updateDisplay(false);
        return builder->build(*view, size, 1, mode, true);
    }

    MemoryGpuDevice device;
    std::unique_ptr<TerminalView> view;
    std::unique_ptr<GlyphStore> glyphs;
    std::unique_ptr<FrameDrawBuilder> builder;
    QSizeF size;
};

std::string colouredScreen(int seed) { return ::colouredScreen(seed, benchCols, benchRows); }

void BM_GpuFullScreenBuild(benchmark::State& state)
{
    Fixture f;
    int seed = 0;
    for (auto _ : state) {
        f.view->feed(colouredScreen(seed++));
        benchmark::DoNotOptimize(f.frame(GpuBufferingMode::perRowPersistent));
    }
    state.counters["frames_per_second"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["rows_built"] = f.builder->rowsBuilt();
    state.counters["rows"] = f.view->getTerminal().rows;
}
BENCHMARK(BM_GpuFullScreenBuild)->Unit(benchmark::kMillisecond);

void oneDirtyRow(benchmark::State& state, GpuBufferingMode mode)
{
    Fixture f;
    f.view->feed(colouredScreen(0));
    f.frame(mode);
    int n = 0;
    for (auto _ : state) {
        f.view->feed("\x1b[30;1H\x1b[33mprogress " + std::to_string(n++) + "%\x1b[0m");
        benchmark::DoNotOptimize(f.frame(mode));
    }
    state.counters["rows_built"] = f.builder->rowsBuilt();
}

void BM_GpuOneDirtyRowPerRow(benchmark::State& state) { oneDirtyRow(state, GpuBufferingMode::perRowPersistent); }
BENCHMARK(BM_GpuOneDirtyRowPerRow)->Unit(benchmark::kMicrosecond);

void BM_GpuOneDirtyRowAggregated(benchmark::State& state) { oneDirtyRow(state, GpuBufferingMode::perFrameAggregated); }
BENCHMARK(BM_GpuOneDirtyRowAggregated)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return runOffscreenBenchmarks(argc, argv); }
