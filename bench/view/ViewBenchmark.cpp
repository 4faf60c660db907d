// Rendering cost of the terminal view, offscreen: full frames of coloured
// text, a scrolling stream, and one changed row.

#include "../OffscreenBenchmarkMain.h"
#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>

#include "../ColouredScreen.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>

#include "corvel/qt/TerminalView.h"

namespace {

constexpr int benchCols = 200;
constexpr int benchRows = 60;

std::unique_ptr<corvel::TerminalView> makeView()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(14);
    auto view = std::make_unique<corvel::TerminalView>(nullptr, font);
    const QSizeF cell = view->cellDimension();
    view->resize(view->scrollerWidth() + int(cell.width() * benchCols), int(cell.height() * benchRows));
    return view;
}

std::string colouredScreen(int seed) { return ::colouredScreen(seed, benchCols, benchRows); }

// Draws the view into an offscreen picture, as a paint event would.
void render(corvel::TerminalView& view, QImage& target)
{
    view.updateDisplay(false);
    QPainter painter(&target);
    view.render(&painter);
}

void BM_FullScreenFrame(benchmark::State& state)
{
    auto view = makeView();
    QImage target(view->size(), QImage::Format_ARGB32_Premultiplied);
    int seed = 0;
    for (auto _ : state) {
        view->feed(colouredScreen(seed++));
        render(*view, target);
    }
    state.counters["frames_per_second"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FullScreenFrame)->Unit(benchmark::kMillisecond);

void BM_ScrollingStream(benchmark::State& state)
{
    auto view = makeView();
    QImage target(view->size(), QImage::Format_ARGB32_Premultiplied);
    std::string chunk;
    for (int i = 0; i < 20; ++i)
        chunk += "\x1b[32mcompiling\x1b[0m src/module_" + std::to_string(i)
            + ".cpp with a line long enough to look like real build output\r\n";
    for (auto _ : state) {
        view->feed(chunk);
        render(*view, target);
    }
    state.counters["frames_per_second"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["lines_per_second"]
        = benchmark::Counter(double(state.iterations()) * 20, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScrollingStream)->Unit(benchmark::kMillisecond);

void BM_OneDirtyRow(benchmark::State& state)
{
    auto view = makeView();
    QImage target(view->size(), QImage::Format_ARGB32_Premultiplied);
    view->feed(colouredScreen(0));
    render(*view, target);
    int n = 0;
    for (auto _ : state) {
        view->feed("\x1b[30;1H\x1b[33mprogress " + std::to_string(n++) + "%\x1b[0m");
        view->updateDisplay(false);
        // Only the changed band is repainted: render that rectangle.
        QPainter painter(&target);
        const QSizeF cell = view->cellDimension();
        const QRect band(0, int(29 * cell.height()), view->width(), int(std::ceil(cell.height())));
        view->render(&painter, band.topLeft(), QRegion(band));
    }
}
BENCHMARK(BM_OneDirtyRow)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return runOffscreenBenchmarks(argc, argv); }
