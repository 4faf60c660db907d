// The velmora application on a real X server of a 1600 × 1200 screen beside a
// window manager, led by hostile sizes to put its device window out of
// sight: a resize far off the skin's aspect, a saved frame many times the
// screen's size, and a default skin whose frame is a thread. Each time a
// device window shows, whole inside the screen. Runs only where
// VELMORA_TEST_DISPLAY names a display, on an X server of the test's own.

#include "device/RunningVelmora.h"
#include "support/SkinOnDisk.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QThread>

#include <cstdlib>
#include <functional>
#include <optional>

namespace velmora {
namespace {

using test::RunningVelmora;
using test::WindowManager;

const QRect screenArea(0, 0, 1600, 1200);

// True when the size has the skin's aspect, give or take the rounding of a
// pixel either way.
bool keepsAspect(const QSize& size, const QSizeF& frame)
{
    return std::abs(size.width() * frame.height() - size.height() * frame.width())
        <= std::max(frame.width(), frame.height());
}

struct Hostile {
    const char* name;
    QJsonObject settings;
    // Writes what the settings refer to into the program's data folder.
    std::function<void(const QString& dataFolder)> prepare;
    // The title and the skin's frame of the window that must show.
    QString title;
    QSizeF frame;
    // What the test does to the window once it shows.
    std::optional<QSize> resize;
};

void PrintTo(const Hostile& h, std::ostream* os) { *os << h.name; }

class DeviceOnScreenDisplay : public ::testing::TestWithParam<Hostile> {};

TEST_P(DeviceOnScreenDisplay, AVisibleWindowEndsWholeInsideTheScreen)
{
    const Hostile& hostile = GetParam();
    const char* display = std::getenv("VELMORA_TEST_DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";
    RunningVelmora app(display, hostile.settings, QStringLiteral("1600x1200x24"));
    ASSERT_TRUE(app.root.isValid());
    ASSERT_FALSE(app.server.display().isEmpty()) << "no X server of the test's own";
    if (hostile.prepare)
        hostile.prepare(app.root.filePath(QStringLiteral("data/Velmora")));
    WindowManager manager(app.environment);
    ASSERT_TRUE(manager.isRunning()) << "openbox did not start (scripts/install-deps installs it)";
    ASSERT_TRUE(app.start());

    const QString window = app.waitForWindow(hostile.title, true);
    ASSERT_FALSE(window.isEmpty()) << "no visible window titled " << hostile.title.toStdString();
    if (hostile.resize) {
        ASSERT_TRUE(screenArea.contains(app.windowGeometry(window)));
        test::run(app.environment,
                  QStringLiteral("xdotool"),
                  {QStringLiteral("windowsize"),
                   window,
                   QString::number(hostile.resize->width()),
                   QString::number(hostile.resize->height())});
    }

    // Settled: the same frame twice in a row, well after the window's own
    // settling delay.
    QRect frame;
    QRect previous;
    for (int attempt = 0; attempt < 50; ++attempt) {
        QThread::msleep(300);
        previous = frame;
        frame = app.windowGeometry(window);
        if (frame.isValid() && frame == previous && screenArea.contains(frame)
            && keepsAspect(frame.size(), hostile.frame) && (!hostile.resize || frame.size() != *hostile.resize))
            break;
    }
    EXPECT_TRUE(screenArea.contains(frame))
        << frame.x() << ", " << frame.y() << " " << frame.width() << " × " << frame.height();
    EXPECT_TRUE(keepsAspect(frame.size(), hostile.frame)) << frame.width() << " × " << frame.height();
    // Large enough to be seen and used.
    EXPECT_GE(frame.width(), 100);
    EXPECT_GE(frame.height(), 100);
}

const QSizeF handheld(398, 555);
const QSizeF walkie(421, 661);

INSTANTIATE_TEST_SUITE_P(
    Hostile, DeviceOnScreenDisplay,
    ::testing::Values(
        Hostile{
            "a resize far wider than the aspect", {}, {}, QStringLiteral("Handheld v1"), handheld, QSize(1500, 300)},
        Hostile{"a saved frame many times the screen",
                {{"lastWindows",
                  QJsonArray{QJsonObject{{"id", "walkie"},
                                         {"skinName", "Walkie MK-1"},
                                         {"x", 0},
                                         {"y", 0},
                                         {"width", 14000},
                                         {"height", 20000}}}}},
                {},
                QStringLiteral("Walkie MK-1"),
                walkie,
                std::nullopt},
        Hostile{"a default skin as thin as a thread",
                {{"defaultSkin", "Thread"}},
                [](const QString& data) {
                    QJsonObject skin = test::minimalSkin(QStringLiteral("Thread"));
                    skin["frame"] = QJsonObject{{"image", "frame@2x.png"}, {"width", 3}, {"height", 100000}};
                    test::writeSkin(data + QStringLiteral("/skins"), QStringLiteral("thread"), skin);
                },
                // The first of the skins that load.
                QStringLiteral("Walkie MK-1"),
                walkie,
                std::nullopt}),
    [](const ::testing::TestParamInfo<Hostile>& info) {
        std::string name;
        for (const char* p = info.param.name; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

} // namespace
} // namespace velmora
