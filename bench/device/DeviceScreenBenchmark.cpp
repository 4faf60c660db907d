// Frames of a device's screen while text scrolls, offscreen: the terminal
// view on a plain screen, and on a distorted, rounded screen with every
// effect on (rolling scanlines, vignette, colour grade, glow, curvature).
// A frame is one line of output followed by drawing the whole window, as a
// repaint would; an idle frame only moves the rolling scanlines.

#include "../OffscreenBenchmarkMain.h"
#include <cstdlib>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QResizeEvent>

#include "corvel/qt/TerminalView.h"
#include "screen/EffectsLayer.h"
#include "screen/Panel.h"
#include "screen/ScreenContainer.h"
#include "skin/ViewportShape.h"

namespace {

// A screen of 640 × 400 pixels in a window of 800 × 600.
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

struct Device {
    explicit Device(bool distorted, bool effectsOn = true)
    {
        window.resize(800, 600);
        container = new velmora::ScreenContainer(&window);
        container->registerPanel(&panel, 0);
        effects = new velmora::EffectsLayer(&window);
        std::vector<QPointF> corners{
            screenRect.topLeft(), screenRect.topRight(), screenRect.bottomRight(), screenRect.bottomLeft()};
        if (distorted) {
            corners = {screenRect.topLeft() + QPointF(-12, -10),
                       screenRect.topRight() + QPointF(10, -4),
                       screenRect.bottomRight() + QPointF(6, 8),
                       screenRect.bottomLeft() + QPointF(-6, 4)};
        }
        if (distorted && effectsOn) {
            velmora::SkinEffectsSettings all;
            all.scanlines = true;
            all.scanlineStyle = QStringLiteral("rolling");
            all.glow = true;
            all.curvature = true;
            all.colorGrade = QStringLiteral("amber");
            effects->configure(all, QColor(120, 255, 170));
            velmora::ScreenGlow glow;
            glow.opacity = effects->glowOpacity();
            glow.colour = effects->glowColor();
            container->setScreenEffects(effects->curvatureScale(), glow);
        }
        const QRectF host = velmora::ViewportShape::boundingBox(corners);
        std::vector<QPointF> quad;
        for (const QPointF& p : corners)
            quad.push_back(p - host.topLeft());
        container->configureViewport(host, screenRect.size(), quad, 12, {});
        effects->setScreenGeometry(screenRect, corners, 12, {});
        effects->setVisible(distorted && effectsOn);
        window.show();
        QCoreApplication::processEvents();
    }

    void frame(QImage& target)
    {
        panel.view().updateDisplay(false);
        QPainter painter(&target);
        window.render(&painter);
    }

    QWidget window;
    velmora::ScreenContainer* container = nullptr;
    velmora::EffectsLayer* effects = nullptr;
    ViewPanel panel;
};

void scrollingFrames(benchmark::State& state, bool distorted, bool effectsOn = true)
{
    Device device(distorted, effectsOn);
    QImage target(device.window.size(), QImage::Format_ARGB32_Premultiplied);
    int n = 0;
    for (auto _ : state) {
        device.panel.view().feed("\r\n\x1b[32mline " + std::to_string(n++)
                                 + "\x1b[0m: the quick brown fox jumps over the lazy dog 0123456789");
        if (distorted)
            device.effects->rollingTick();
        device.frame(target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["frames_per_second"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

// The rolling scanlines alone move over text that stands still: only the
// overlay changes, the warped terminal picture stands.
void BM_DistortedScreenEveryEffectIdle(benchmark::State& state)
{
    Device device(true);
    QImage target(device.window.size(), QImage::Format_ARGB32_Premultiplied);
    device.panel.view().feed("\x1b[32mvelmora$\x1b[0m the quick brown fox jumps over the lazy dog");
    device.frame(target);
    for (auto _ : state) {
        device.effects->rollingTick();
        QPainter painter(&target);
        device.window.render(&painter);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["frames_per_second"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DistortedScreenEveryEffectIdle)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainScreenScrolling(benchmark::State& state) { scrollingFrames(state, false); }
BENCHMARK(BM_PlainScreenScrolling)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DistortedScreenScrolling(benchmark::State& state) { scrollingFrames(state, true, false); }
BENCHMARK(BM_DistortedScreenScrolling)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DistortedScreenEveryEffectScrolling(benchmark::State& state) { scrollingFrames(state, true); }
BENCHMARK(BM_DistortedScreenEveryEffectScrolling)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) { return runOffscreenBenchmarks(argc, argv); }
