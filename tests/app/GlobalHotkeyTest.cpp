// The hot key off X (nothing to grab) and, where VELMORA_TEST_DISPLAY names an
// X server (scripts/check starts Xvfb), a probe window that xdotool's
// Alt+Space hides and shows. A key grab, lock keys and the focus belong to
// the whole server, so these tests run on an Xvfb of their own where one can
// be started, out of the way of other tests typing on the shared display.

#include "app/GlobalHotkey.h"

#include "support/ChildEnvironment.h"
#include "support/PrivateXServer.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace {

using namespace velmora;

TEST(GlobalHotkeyTest, WithoutAnXServerNothingIsRegistered)
{
    GlobalHotkey hotkey;
    int triggers = 0;
    hotkey.registerHotkey(GlobalHotkey::spaceKeysym, GlobalHotkey::altModifier, [&] { ++triggers; });
    EXPECT_FALSE(hotkey.isRegistered());
    hotkey.unregister();
    EXPECT_FALSE(hotkey.isRegistered());
    EXPECT_EQ(triggers, 0);
}

class GlobalHotkeyDisplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* display = std::getenv("VELMORA_TEST_DISPLAY");
        if (!display || !*display)
            GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";
        ASSERT_TRUE(m_runtime.isValid());
        m_server.emplace();
        m_environment = test::childEnvironment(m_runtime.path(), m_server->displayOr(display));
    }

    void TearDown() override
    {
        for (QProcess* probe : m_probes) {
            probe->kill();
            probe->waitForFinished(5000);
            delete probe;
        }
    }

    QProcess* startProbe()
    {
        auto* probe = new QProcess;
        m_probes.append(probe);
        probe->setProcessEnvironment(m_environment);
        probe->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        probe->start(QStringLiteral(VELMORA_HOTKEY_PROBE));
        EXPECT_TRUE(probe->waitForStarted(5000));
        return probe;
    }

    // The probe's next line of output, or empty after the time-out.
    static QString nextLine(QProcess* probe, int timeoutMs = 5000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!probe->canReadLine() && !deadline.hasExpired())
            probe->waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        return QString::fromUtf8(probe->readLine()).trimmed();
    }

    bool xdotool(const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start("xdotool", arguments);
        return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }

    QTemporaryDir m_runtime;
    std::optional<velmora::test::PrivateXServer> m_server;
    QProcessEnvironment m_environment;
    QList<QProcess*> m_probes;
};

TEST_F(GlobalHotkeyDisplayTest, AltSpaceTogglesWhicheverWindowHasTheFocus)
{
    QProcess* probe = startProbe();
    ASSERT_EQ(nextLine(probe), "registered");

    // While the probe's own window has the focus…
    QString window;
    for (int attempt = 0; attempt < 50 && window.isEmpty(); ++attempt) {
        QProcess search;
        search.setProcessEnvironment(m_environment);
        search.start("xdotool", {"search", "--onlyvisible", "--name", "^velmora-hotkey-probe$"});
        search.waitForFinished(5000);
        window = QString::fromUtf8(search.readAllStandardOutput()).trimmed().section('\n', -1);
        if (window.isEmpty())
            QTest::qWait(100);
    }
    ASSERT_FALSE(window.isEmpty());
    ASSERT_TRUE(xdotool({"windowfocus", "--sync", window}));
    ASSERT_TRUE(xdotool({"key", "alt+space"}));
    EXPECT_EQ(nextLine(probe), "hidden");
    // …and while no window has it.
    ASSERT_TRUE(xdotool({"key", "alt+space"}));
    EXPECT_EQ(nextLine(probe), "shown");

    // With Num Lock and Caps Lock on, the key still reaches the probe.
    ASSERT_TRUE(xdotool({"key", "Num_Lock", "Caps_Lock"}));
    ASSERT_TRUE(xdotool({"key", "alt+space"}));
    EXPECT_EQ(nextLine(probe), "hidden");
    ASSERT_TRUE(xdotool({"key", "Num_Lock", "Caps_Lock"}));

    // Space alone and Ctrl+Alt+Space are not the hot key; registering twice
    // left one grab, so one press toggles once.
    ASSERT_TRUE(xdotool({"key", "space", "ctrl+alt+space", "alt+space"}));
    EXPECT_EQ(nextLine(probe), "shown");
    EXPECT_EQ(nextLine(probe, 300), "");
}

TEST_F(GlobalHotkeyDisplayTest, KeyTakenByAnotherProgramLeavesNothingRegistered)
{
    QProcess* first = startProbe();
    ASSERT_EQ(nextLine(first), "registered");
    QProcess* second = startProbe();
    EXPECT_EQ(nextLine(second), "not registered");

    ASSERT_TRUE(xdotool({"key", "alt+space"}));
    EXPECT_EQ(nextLine(first), "hidden");
    EXPECT_EQ(nextLine(second, 300), "");
}

} // namespace
