// The velmora application on a real X server beside a window manager, driven
// by keys as a person would: the handheld's find keys search the terminal on
// its screen with the terminal's find bar, and the mini-mode key leaves mini
// mode as it entered it. Runs only where VELMORA_TEST_DISPLAY names a
// display, on an X server of the test's own.

#include "device/RunningVelmora.h"
#include "skin/SkinManifest.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>

namespace velmora {
namespace {

using test::RunningVelmora;
using test::WindowManager;

// The pixels of the area that pass the test, and the rows they lie in.
struct Pixels {
    int count = 0;
    int top = -1;
    int bottom = -1;
};

template <typename Test> Pixels pixelsWhere(const QImage& image, const QRect& area, Test test, QRect besides = {})
{
    Pixels found;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (besides.contains(x, y) || !test(image.pixel(x, y)))
                continue;
            ++found.count;
            found.top = found.top < 0 ? y : found.top;
            found.bottom = y;
        }
    }
    return found;
}

// The find bar: a light panel over the dark screen.
bool light(QRgb p) { return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200; }
// A hit: the terminal's selection, a clear blue (as the focused field's
// frame in the bar is).
bool selected(QRgb p) { return qBlue(p) > 150 && qRed(p) < 110 && qBlue(p) - qRed(p) > 80; }

// The hits shown on the screen, beside the find bar.
Pixels hits(const QImage& picture, const QRect& screen)
{
    Pixels bar = pixelsWhere(picture, screen, light);
    QRect barRect;
    if (bar.count > 0) {
        int left = screen.right(), right = screen.left();
        for (int y = bar.top; y <= bar.bottom; ++y) {
            for (int x = screen.left(); x <= screen.right(); ++x) {
                if (light(picture.pixel(x, y))) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        barRect = QRect(QPoint(left, bar.top), QPoint(right, bar.bottom)).adjusted(-3, -3, 3, 3);
    }
    return pixelsWhere(picture, screen, selected, barRect);
}

class DeviceKeysDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* display = std::getenv("VELMORA_TEST_DISPLAY");
        if (!display || !*display)
            GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";
        app = std::make_unique<RunningVelmora>(display, QJsonObject{});
        ASSERT_TRUE(app->root.isValid());
        // A window manager takes the whole display: never the shared one.
        ASSERT_FALSE(app->server.display().isEmpty()) << "no X server of the test's own";
        manager = std::make_unique<WindowManager>(app->environment);
        ASSERT_TRUE(manager->isRunning()) << "openbox did not start (scripts/install-deps installs it)";
        ASSERT_TRUE(app->start());
        window = app->waitForWindow(QStringLiteral("Handheld v1"));
        ASSERT_FALSE(window.isEmpty()) << "no window titled Handheld v1";
        size = app->windowSize(window);
        ASSERT_FALSE(size.isEmpty());
        const double scale = size.width() / 398.0;
        const QRectF v = SkinManifest::handheld().viewportRect;
        screen = QRect(int(v.x() * scale), int(v.y() * scale), int(v.width() * scale), int(v.height() * scale));
    }

    // The window's picture once the test holds on it, within a few seconds.
    QImage pictureWhere(const std::function<bool(const QImage&)>& test) { return app->pictureWhere(window, test, 25); }

    std::unique_ptr<RunningVelmora> app;
    std::unique_ptr<WindowManager> manager;
    QString window;
    QSize size;
    QRect screen;
};

TEST_F(DeviceKeysDisplay, FindKeysSearchTheTerminalOnTheScreen)
{
    // Two hits on rows far apart; the command line itself holds none.
    ASSERT_TRUE(app->typeLine(window, QStringLiteral("clear; printf 'nee''dle one\\n\\n\\n\\n\\nnee''dle two\\n'")));
    QThread::msleep(500);
    // The bar opens at the top and goes to the bottom while a hit lies under
    // it there: it is looked for on the whole screen.
    const QRect barBand = screen;
    ASSERT_TRUE(app->press(window, QStringLiteral("ctrl+shift+f")));
    QImage picture = pictureWhere([&](const QImage& p) { return pixelsWhere(p, barBand, light).count > 1000; });
    EXPECT_GT(pixelsWhere(picture, barBand, light).count, 1000) << "no find bar on the screen";

    test::run(app->environment, QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("needle")});
    picture = pictureWhere([&](const QImage& p) { return hits(p, screen).count > 40; });
    const Pixels first = hits(picture, screen);
    ASSERT_GT(first.count, 40) << "no hit shown";

    ASSERT_TRUE(app->press(window, QStringLiteral("ctrl+shift+g")));
    picture = pictureWhere([&](const QImage& p) {
        const Pixels hit = hits(p, screen);
        return hit.count > 40 && std::abs(hit.top - first.top) > 20;
    });
    const Pixels second = hits(picture, screen);
    EXPECT_GT(std::abs(second.top - first.top), 20) << "the next hit is on another row";

    // Shift+Return in the bar goes back to the first one; Escape closes it.
    ASSERT_TRUE(app->press(window, QStringLiteral("shift+Return")));
    picture = pictureWhere([&](const QImage& p) { return std::abs(hits(p, screen).top - first.top) <= 2; });
    EXPECT_LE(std::abs(hits(picture, screen).top - first.top), 2);
    ASSERT_TRUE(app->press(window, QStringLiteral("Escape")));
    picture = pictureWhere([&](const QImage& p) { return pixelsWhere(p, barBand, light).count < 100; });
    EXPECT_LT(pixelsWhere(picture, barBand, light).count, 100) << "the find bar stays";

    // The selection as the term brings the bar back.
    ASSERT_TRUE(app->press(window, QStringLiteral("ctrl+shift+e")));
    picture = pictureWhere([&](const QImage& p) { return pixelsWhere(p, barBand, light).count > 1000; });
    EXPECT_GT(pixelsWhere(picture, barBand, light).count, 1000) << "no find bar for the selection";
}

TEST_F(DeviceKeysDisplay, TheMiniModeKeyLeavesMiniModeAsItEnteredIt)
{
    ASSERT_TRUE(app->press(window, QStringLiteral("ctrl+shift+m")));
    QSize mini;
    for (int attempt = 0; attempt < 30 && (mini.isEmpty() || mini == size); ++attempt) {
        QThread::msleep(100);
        mini = app->windowSize(window);
    }
    ASSERT_EQ(mini, QSize(600, 420)) << "mini mode";

    ASSERT_TRUE(app->press(window, QStringLiteral("ctrl+shift+m")));
    QSize back;
    for (int attempt = 0; attempt < 30 && back != size; ++attempt) {
        QThread::msleep(100);
        back = app->windowSize(window);
    }
    EXPECT_EQ(back, size) << "the keys of a window back from mini mode reach its actions";
}

} // namespace
} // namespace velmora
