// CPU time per frame of a device's screen, shown in a window as the device
// window shows it (a frame is a change, then the window's repaints until
// nothing is left to paint): a plain screen drawn directly, a distorted,
// rounded screen without effects, and the same with every effect (rolling
// scanlines, vignette, colour grade, glow, curvature).
//
// Idle frames are what a window does with nothing typed: a step of the
// caret's blink (its cell repainted), and for every effect a step of the
// rolling scanlines. Scrolling frames add a line of output, which moves the
// whole screen. The distorted screens are composed once on the CPU and once
// with OpenGL; the OpenGL cases say so and stop where no context can be made
// (run under an X server for them: QT_QPA_PLATFORM=xcb DISPLAY=…). CPU time
// is the whole process's, OpenGL's driver threads included.

#include "../OffscreenBenchmarkMain.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QResizeEvent>
#include <QWindow>

#include "corvel/qt/CaretView.h"
#include "corvel/qt/TerminalView.h"
#include "screen/EffectsLayer.h"
#include "screen/Panel.h"
#include "screen/ScreenContainer.h"
#include "skin/ViewportShape.h"

namespace {

using Backend = velmora::ScreenCompositor::Backend;

// A screen of 640 × 400 points in a window of 800 × 600.
const QRectF screenRect(80, 70, 640, 400);

// The terminal view as the screen's only panel, filling its root.
class ViewPanel final : public velmora::Panel, public QObject {
public:
    ViewPanel() : m_root(new QWidget)
    {
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(14);
        m_view = new corvel::TerminalView(m_root, font);
        m_root->installEventFilter(this);
    }
    QString panelName() const override { return QStringLiteral("Terminal"); }
    QWidget* rootView() const override { return m_root; }
    QWidget* keyboardView() const override { return m_view; }
    corvel::TerminalView& view() { return *m_view; }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_root && event->type() == QEvent::Resize)
            m_view->setGeometry(m_root->rect());
        return false;
    }

private:
    QWidget* m_root;
    corvel::TerminalView* m_view;
};

enum class Screen { Plain, Distorted, EveryEffect };

struct Device {
    Device(Screen screen, std::optional<Backend> backend)
    {
        window.resize(800, 600);
        container = new velmora::ScreenContainer(&window);
        container->setCompositorBackend(backend);
        container->registerPanel(&panel, 0);
        effects = new velmora::EffectsLayer(&window);
        effects->setScreen(container);
        std::vector<QPointF> corners{
            screenRect.topLeft(), screenRect.topRight(), screenRect.bottomRight(), screenRect.bottomLeft()};
        if (screen != Screen::Plain) {
            corners = {screenRect.topLeft() + QPointF(-12, -10),
                       screenRect.topRight() + QPointF(10, -4),
                       screenRect.bottomRight() + QPointF(6, 8),
                       screenRect.bottomLeft() + QPointF(-6, 4)};
        }
        if (screen == Screen::EveryEffect) {
            velmora::SkinEffectsSettings all;
            all.scanlines = true;
            all.scanlineStyle = QStringLiteral("rolling");
            all.glow = true;
            all.curvature = true;
            all.colorGrade = QStringLiteral("amber");
            effects->configure(all, QColor(120, 255, 170));
        }
        const QRectF host = velmora::ViewportShape::boundingBox(corners);
        std::vector<QPointF> quad;
        for (const QPointF& p : corners)
            quad.push_back(p - host.topLeft());
        container->configureViewport(host, screenRect.size(), quad, 12, {});
        effects->setScreenGeometry(screenRect, corners, 12, {});
        effects->setVisible(screen == Screen::EveryEffect);
        panel.view().feed("\x1b[32mvelmora$\x1b[0m the quick brown fox jumps over the lazy dog");
        window.show();
        // Under an X server the window is drawn only once it is mapped.
        QElapsedTimer waited;
        waited.start();
        while (!(window.windowHandle() && window.windowHandle()->isExposed()) && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        settle();
    }

    // Paints everything asked for, a queued second pass included.
    void settle()
    {
        panel.view().updateDisplay(false);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    // The composition asked for exists here.
    bool composes(std::optional<Backend> backend) const
    {
        if (!backend)
            return true;
        const velmora::ScreenCompositor* compositor = container->compositor();
        return compositor && compositor->backend() == *backend;
    }

    QWidget window;
    velmora::ScreenContainer* container = nullptr;
    velmora::EffectsLayer* effects = nullptr;
    ViewPanel panel;
};

bool skipped(benchmark::State& state, const Device& device, std::optional<Backend> backend)
{
    if (device.composes(backend))
        return false;
    state.SkipWithError("no OpenGL context here: run under an X server (QT_QPA_PLATFORM=xcb)");
    return true;
}

void finish(benchmark::State& state, const Device& device)
{
    state.counters["frames_per_second"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["compositions"] = double(device.container->compositions());
}

// A blink step: the caret's cell changes colour.
void blinkingFrames(benchmark::State& state, Screen screen, std::optional<Backend> backend)
{
    Device device(screen, backend);
    if (skipped(state, device, backend))
        return;
    corvel::CaretView* caret = device.panel.view().caretView();
    bool bright = false;
    for (auto _ : state) {
        caret->setCaretColor(bright ? QColor(120, 255, 170) : QColor(30, 90, 50));
        bright = !bright;
        device.settle();
    }
    finish(state, device);
}

// Text that stands still under moving scanlines.
void rollingFrames(benchmark::State& state, std::optional<Backend> backend)
{
    Device device(Screen::EveryEffect, backend);
    if (skipped(state, device, backend))
        return;
    for (auto _ : state) {
        device.effects->rollingTick();
        device.settle();
    }
    finish(state, device);
}

void scrollingFrames(benchmark::State& state, Screen screen, std::optional<Backend> backend)
{
    Device device(screen, backend);
    if (skipped(state, device, backend))
        return;
    int n = 0;
    for (auto _ : state) {
        device.panel.view().feed("\r\n\x1b[32mline " + std::to_string(n++)
                                 + "\x1b[0m: the quick brown fox jumps over the lazy dog 0123456789");
        if (screen == Screen::EveryEffect)
            device.effects->rollingTick();
        device.settle();
    }
    finish(state, device);
}

void BM_PlainIdle(benchmark::State& state) { blinkingFrames(state, Screen::Plain, std::nullopt); }
void BM_PlainScrolling(benchmark::State& state) { scrollingFrames(state, Screen::Plain, std::nullopt); }

void BM_DistortedIdle_Cpu(benchmark::State& state) { blinkingFrames(state, Screen::Distorted, Backend::Cpu); }
void BM_DistortedScrolling_Cpu(benchmark::State& state) { scrollingFrames(state, Screen::Distorted, Backend::Cpu); }
void BM_EveryEffectIdle_Cpu(benchmark::State& state) { blinkingFrames(state, Screen::EveryEffect, Backend::Cpu); }
void BM_EveryEffectRolling_Cpu(benchmark::State& state) { rollingFrames(state, Backend::Cpu); }
void BM_EveryEffectScrolling_Cpu(benchmark::State& state) { scrollingFrames(state, Screen::EveryEffect, Backend::Cpu); }

void BM_DistortedIdle_OpenGl(benchmark::State& state) { blinkingFrames(state, Screen::Distorted, Backend::OpenGl); }
void BM_DistortedScrolling_OpenGl(benchmark::State& state)
{
    scrollingFrames(state, Screen::Distorted, Backend::OpenGl);
}
void BM_EveryEffectIdle_OpenGl(benchmark::State& state) { blinkingFrames(state, Screen::EveryEffect, Backend::OpenGl); }
void BM_EveryEffectRolling_OpenGl(benchmark::State& state) { rollingFrames(state, Backend::OpenGl); }
void BM_EveryEffectScrolling_OpenGl(benchmark::State& state)
{
    scrollingFrames(state, Screen::EveryEffect, Backend::OpenGl);
}

#define DEVICE_BENCHMARK(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()

DEVICE_BENCHMARK(BM_PlainIdle);
DEVICE_BENCHMARK(BM_PlainScrolling);
DEVICE_BENCHMARK(BM_DistortedIdle_Cpu);
DEVICE_BENCHMARK(BM_DistortedScrolling_Cpu);
DEVICE_BENCHMARK(BM_EveryEffectIdle_Cpu);
DEVICE_BENCHMARK(BM_EveryEffectRolling_Cpu);
DEVICE_BENCHMARK(BM_EveryEffectScrolling_Cpu);
DEVICE_BENCHMARK(BM_DistortedIdle_OpenGl);
DEVICE_BENCHMARK(BM_DistortedScrolling_OpenGl);
DEVICE_BENCHMARK(BM_EveryEffectIdle_OpenGl);
DEVICE_BENCHMARK(BM_EveryEffectRolling_OpenGl);
DEVICE_BENCHMARK(BM_EveryEffectScrolling_OpenGl);

} // namespace

// Offscreen unless a platform is asked for (the OpenGL cases want an X
// server).
int main(int argc, char** argv) { return runOffscreenBenchmarks(argc, argv, true); }
