// Latency of the terminal view, offscreen, after a quiet moment (as when a
// user types): a byte fed to the view until its row is repainted, a key
// press until its bytes are written to the child's terminal, and a key
// press until the terminal's echo of it is on the screen.
//
// Each iteration waits out the display window first, outside the timing.

#include "../OffscreenBenchmarkMain.h"
#include <chrono>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <thread>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFontDatabase>
#include <QKeyEvent>

#include "corvel/qt/LocalProcessTerminalView.h"
#include "corvel/qt/TerminalView.h"

namespace {

using Clock = std::chrono::steady_clock;

// Counts the paint events that show a display update: those that come once
// no update is pending (the caret moving paints earlier ones).
class PaintCounter : public QObject {
public:
    explicit PaintCounter(corvel::TerminalView& view) : view_(view) { view.installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !view_.pendingDisplay())
            ++paints;
        return false;
    }

private:
    corvel::TerminalView& view_;
};

QFont benchFont()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(14);
    return font;
}

template <typename View> void showAt80x24(View& view)
{
    const QSizeF cell = view.cellDimension();
    view.resize(view.scrollerWidth() + int(cell.width() * 80), int(cell.height() * 24));
    view.show();
    QCoreApplication::processEvents();
}

// Runs the event loop until the condition holds; false after a second.
template <typename Condition> bool spinUntil(Condition condition)
{
    const auto deadline = Clock::now() + std::chrono::seconds(1);
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

// Lets earlier output settle and a display window pass with nothing drawn,
// so the next change arrives after a quiet moment, as a typed key does.
void quietMoment()
{
    const auto until = Clock::now() + std::chrono::milliseconds(50);
    while (Clock::now() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void pressKey(QWidget& view, Qt::Key key, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&view, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(&view, &release);
}

void BM_FedByteToRowRepainted(benchmark::State& state)
{
    corvel::TerminalView view(nullptr, benchFont());
    showAt80x24(view);
    PaintCounter counter(view);
    int column = 0;
    for (auto _ : state) {
        quietMoment();
        if (++column == 79) {
            view.feed("\r\n");
            column = 0;
            quietMoment();
        }
        const int before = counter.paints;
        const auto start = Clock::now();
        view.feed("x");
        // The caret's own repaint may come first; what counts is the update.
        if (!spinUntil([&] { return counter.paints > before; }))
            state.SkipWithError("never repainted");
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_FedByteToRowRepainted)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

// A view that notes when the child's output reaches it.
class TimedView : public corvel::LocalProcessTerminalView {
public:
    Clock::time_point lastData;
    void dataReceived(std::span<const uint8_t> slice) override
    {
        lastData = Clock::now();
        LocalProcessTerminalView::dataReceived(slice);
    }
};

// A view running `cat` on a pseudo-terminal in its usual cooked mode.
struct CatView {
    TimedView view;

    CatView()
    {
        view.setTerminalFont(benchFont());
        showAt80x24(view);
        view.startProcess("/bin/cat", {}, std::nullopt, std::string("cat"));
    }
    ~CatView() { view.terminate(); }
};

void BM_KeyPressToBytesWritten(benchmark::State& state)
{
    CatView cat;
    if (!cat.view.process().running())
        return state.SkipWithError("cat did not start");
    for (auto _ : state) {
        quietMoment();
        const std::int64_t before = cat.view.process().total();
        const auto start = Clock::now();
        pressKey(cat.view, Qt::Key_X, QStringLiteral("x"));
        while (cat.view.process().total() == before) {
            if (Clock::now() - start > std::chrono::seconds(1))
                return state.SkipWithError("never written");
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        // Keep cat's line short.
        pressKey(cat.view, Qt::Key_Return, QStringLiteral("\r"));
    }
}
BENCHMARK(BM_KeyPressToBytesWritten)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

void BM_KeyPressToEchoOnScreen(benchmark::State& state)
{
    CatView cat;
    if (!cat.view.process().running())
        return state.SkipWithError("cat did not start");
    PaintCounter counter(cat.view);
    double arrival = 0;
    for (auto _ : state) {
        pressKey(cat.view, Qt::Key_Return, QStringLiteral("\r"));
        quietMoment();
        const auto start = Clock::now();
        pressKey(cat.view, Qt::Key_X, QStringLiteral("x"));
        if (!spinUntil([&] { return cat.view.lastData > start; }))
            return state.SkipWithError("never echoed");
        const int before = counter.paints;
        if (!spinUntil([&] { return counter.paints > before; }))
            return state.SkipWithError("never drawn");
        const auto end = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        arrival += std::chrono::duration<double>(cat.view.lastData - start).count();
    }
    // Of that, the time until the echo reached the view.
    state.counters["echo_arrival_us"] = arrival * 1e6 / double(state.iterations());
}
BENCHMARK(BM_KeyPressToEchoOnScreen)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

} // namespace

int main(int argc, char** argv) { return runOffscreenBenchmarks(argc, argv); }
