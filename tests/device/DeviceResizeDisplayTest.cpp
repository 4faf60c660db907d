// The velmora application on a real X server, its handheld window resized to
// another aspect: beside a window manager, which keeps to the window's aspect
// hint, and on a display without one, where the window settles back at the
// skin's aspect by itself. Either way its screen output and tab pills stay on
// the frame's screen. Runs only where VELMORA_TEST_DISPLAY names a display,
// on an X server of the test's own.

#include "device/RunningVelmora.h"
#include "skin/SkinManifest.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QThread>

#include <cstdlib>
#include <optional>

namespace velmora {
namespace {

using test::RunningVelmora;
using test::WindowManager;

bool keepsHandheldAspect(const QSize& size) { return std::abs(size.width() * 555 - size.height() * 398) <= 555; }

void resizeToAnotherAspect(bool withWindowManager)
{
    const char* display = std::getenv("VELMORA_TEST_DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";
    RunningVelmora app(display, {});
    ASSERT_TRUE(app.root.isValid());
    // A window manager takes the whole display: never the shared one.
    ASSERT_FALSE(app.server.display().isEmpty()) << "no X server of the test's own";
    std::optional<WindowManager> manager;
    if (withWindowManager) {
        manager.emplace(app.environment);
        ASSERT_TRUE(manager->isRunning()) << "openbox did not start (scripts/install-deps installs it)";
    }
    ASSERT_TRUE(app.start());
    const QString window = app.waitForWindow(QStringLiteral("Handheld v1"));
    ASSERT_FALSE(window.isEmpty()) << "no window titled Handheld v1";
    const QSize opened = app.windowSize(window);
    ASSERT_TRUE(keepsHandheldAspect(opened)) << opened.width() << "x" << opened.height();

    const QString hints = app.property(window, QStringLiteral("WM_NORMAL_HINTS"));
    EXPECT_TRUE(hints.contains(QStringLiteral("minimum aspect ratio: 398/555"))) << hints.toStdString();
    EXPECT_TRUE(hints.contains(QStringLiteral("maximum aspect ratio: 398/555"))) << hints.toStdString();

    test::run(app.environment,
              QStringLiteral("xdotool"),
              {QStringLiteral("windowsize"), window, QStringLiteral("600"), QStringLiteral("400")});
    QSize size;
    for (int attempt = 0; attempt < 50; ++attempt) {
        QThread::msleep(100);
        size = app.windowSize(window);
        if (size != opened && size != QSize(600, 400) && keepsHandheldAspect(size))
            break;
    }
    ASSERT_TRUE(keepsHandheldAspect(size)) << size.width() << "x" << size.height();
    ASSERT_NE(size, opened) << "the window did not take the new size";
    // The hint outlives the size hints Qt writes afresh on every resize: the
    // window puts it back as soon as it hears of them.
    bool hinted = false;
    for (int attempt = 0; attempt < 30 && !hinted; ++attempt) {
        hinted = app.property(window, QStringLiteral("WM_NORMAL_HINTS")).contains(QStringLiteral("398/555"));
        if (!hinted)
            QThread::msleep(100);
    }
    EXPECT_TRUE(hinted) << "the aspect hint is gone after a resize";

    // Output in a magenta bar lands on the screen as the frame shows it, and
    // the active tab's pill in its lower-left corner.
    const double sx = size.width() / 398.0;
    const double sy = size.height() / 555.0;
    const QRectF v = SkinManifest::handheld().viewportRect;
    const QRect screen(int(v.x() * sx), int(v.y() * sy), int(v.width() * sx), int(v.height() * sy));
    const RunningVelmora::MagentaBar bar = app.printMagentaBar(window, screen);
    const QImage& picture = bar.picture;
    ASSERT_FALSE(picture.isNull()) << "no picture of the window";
    EXPECT_GE(bar.inside, 100) << "the output is not on the screen";
    EXPECT_EQ(bar.outside, 0) << "output beside the screen";

    const QRect activePill(screen.left() + 4, screen.bottom() - 4 - 16, 16, 16);
    int green = 0;
    for (int y = activePill.top(); y <= activePill.bottom(); ++y) {
        for (int x = activePill.left(); x <= activePill.right(); ++x) {
            const QRgb p = picture.pixel(x, y);
            green += qGreen(p) > 150 && qRed(p) < 80;
        }
    }
    EXPECT_GT(green, 80) << "the active tab's pill is not in the screen's lower-left corner";
}

TEST(DeviceResizeDisplay, BesideAWindowManagerTheWindowKeepsItsAspect) { resizeToAnotherAspect(true); }

TEST(DeviceResizeDisplay, WithoutAWindowManagerTheWindowSettlesAtItsAspect) { resizeToAnotherAspect(false); }

} // namespace
} // namespace velmora
