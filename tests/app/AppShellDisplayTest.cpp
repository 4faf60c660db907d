// velmora as a user runs it, on a real X server: the saved windows come back,
// Ctrl+Shift+Q quits and keeps them saved, Alt+Space hides and brings back the
// application, a second instance hands a folder over to the running one, and
// a copy installed under a prefix finds its resources beside its own
// executable. Runs only where
// VELMORA_TEST_DISPLAY names a display (scripts/check starts Xvfb and sets it),
// on an X server of its own, since it types keys into the focused window.

#include "support/ChildEnvironment.h"
#include "support/PrivateXServer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace velmora {
namespace {

QString runTool(const QProcessEnvironment& environment, const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Whether the condition holds within a few seconds.
bool eventually(const std::function<bool()>& condition)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (condition())
            return true;
        QThread::msleep(100);
    }
    return condition();
}

// The processes whose parent is the process.
QList<qint64> childProcesses(qint64 parent)
{
    QList<qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isNumber = false;
        const qint64 pid = entry.toLongLong(&isNumber);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!isNumber || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces and brackets.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == parent)
            children.append(pid);
    }
    return children;
}

// The working folders of the process's children: one per shell it runs.
QStringList childFolders(qint64 parent)
{
    QStringList folders;
    for (const qint64 child : childProcesses(parent))
        folders.append(QFileInfo(QStringLiteral("/proc/%1/cwd").arg(child)).symLinkTarget());
    return folders;
}

// A private home with settings, and the environment of a desktop session on
// the test display.
class AppShellDisplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* display = std::getenv("VELMORA_TEST_DISPLAY");
        if (!display || !*display)
            GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath(QStringLiteral("data/Velmora"));
        m_environment = test::childEnvironment(m_root.path(), m_server.displayOr(display));
    }

    void writeSettings(const QByteArray& json)
    {
        QFile settings(settingsPath());
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write(json);
    }

    QString settingsPath() const { return m_root.filePath(QStringLiteral("data/Velmora/settings.json")); }

    QJsonArray savedWindows() const
    {
        QFile settings(settingsPath());
        if (!settings.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(settings.readAll()).object().value(QStringLiteral("lastWindows")).toArray();
    }

    // The id of the window with exactly that title, waiting for it to appear.
    QString waitForWindow(const QString& title)
    {
        for (int attempt = 0; attempt < 150; ++attempt) {
            const QString found = runTool(m_environment,
                                          QStringLiteral("xdotool"),
                                          {QStringLiteral("search"),
                                           QStringLiteral("--name"),
                                           QStringLiteral("^%1$").arg(QRegularExpression::escape(title))})
                                      .section(QLatin1Char('\n'), -1);
            if (!found.isEmpty())
                return found;
            QThread::msleep(100);
        }
        return {};
    }

    // Whether the window with exactly that title is shown.
    bool isShown(const QString& title)
    {
        return !runTool(m_environment,
                        QStringLiteral("xdotool"),
                        {QStringLiteral("search"),
                         QStringLiteral("--onlyvisible"),
                         QStringLiteral("--name"),
                         QStringLiteral("^%1$").arg(QRegularExpression::escape(title))})
                    .isEmpty();
    }

    void focus(const QString& window)
    {
        runTool(m_environment,
                QStringLiteral("xdotool"),
                {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
        QThread::msleep(200);
    }

    void pressKeys(const QString& keys)
    {
        runTool(m_environment, QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
    }

    // Focuses the window and presses Ctrl+Shift+Q in it.
    void quitFrom(const QString& window)
    {
        focus(window);
        pressKeys(QStringLiteral("ctrl+shift+q"));
    }

    void writeOneHandheldWindow()
    {
        writeSettings(R"({"hasLaunchedBefore": true, "defaultShell": "/bin/sh", "lastWindows": [
            {"id": "handheld", "skinName": "Handheld v1", "x": 40, "y": 40, "width": 398, "height": 555}]})");
    }

    test::PrivateXServer m_server;
    QTemporaryDir m_root;
    QProcessEnvironment m_environment;
};

// Starts velmora and stops it at the end of the scope if it is still running.
struct RunningVelmora {
    QProcess process;

    RunningVelmora(const QString& program, const QProcessEnvironment& environment, const QStringList& arguments = {},
                   const std::function<void()>& inChild = {})
    {
        process.setProcessEnvironment(environment);
        if (inChild)
            process.setChildProcessModifier(inChild);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
    }
    ~RunningVelmora()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.kill();
        process.waitForFinished(5000);
    }
};

TEST_F(AppShellDisplayTest, TwoSavedWindowsReopenAndCtrlShiftQQuitsKeepingThem)
{
    writeSettings(R"({"hasLaunchedBefore": true, "defaultShell": "/bin/sh", "lastWindows": [
        {"id": "handheld", "skinName": "Handheld v1", "x": 40, "y": 40, "width": 398, "height": 555},
        {"id": "walkie", "skinName": "Walkie MK-1", "x": 500, "y": 30, "width": 421, "height": 661}]})");

    RunningVelmora velmora(QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora"), m_environment);
    ASSERT_TRUE(velmora.process.waitForStarted(5000));
    const QString handheld = waitForWindow(QStringLiteral("Handheld v1"));
    const QString walkie = waitForWindow(QStringLiteral("Walkie MK-1"));
    ASSERT_FALSE(handheld.isEmpty()) << "no window titled Handheld v1";
    ASSERT_FALSE(walkie.isEmpty()) << "no window titled Walkie MK-1";

    quitFrom(walkie);
    ASSERT_TRUE(velmora.process.waitForFinished(60000)) << "velmora still runs after Ctrl+Shift+Q";
    EXPECT_EQ(velmora.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(velmora.process.exitCode(), 0);

    const QJsonArray windows = savedWindows();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0].toObject().value(QStringLiteral("id")).toString(), QStringLiteral("handheld"));
    EXPECT_EQ(windows[1].toObject().value(QStringLiteral("id")).toString(), QStringLiteral("walkie"));
    EXPECT_EQ(windows[1].toObject().value(QStringLiteral("x")).toDouble(), 500);
}

TEST_F(AppShellDisplayTest, AltSpaceHidesTheApplicationAndBringsItBack)
{
    writeOneHandheldWindow();
    RunningVelmora velmora(QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora"), m_environment);
    ASSERT_TRUE(velmora.process.waitForStarted(5000));
    const QString handheld = waitForWindow(QStringLiteral("Handheld v1"));
    ASSERT_FALSE(handheld.isEmpty()) << "no window titled Handheld v1";
    ASSERT_TRUE(eventually([&] { return isShown(QStringLiteral("Handheld v1")); }));
    focus(handheld);

    pressKeys(QStringLiteral("alt+space"));
    EXPECT_TRUE(eventually([&] { return !isShown(QStringLiteral("Handheld v1")); }))
        << "Alt+Space left the window shown";
    pressKeys(QStringLiteral("alt+space"));
    EXPECT_TRUE(eventually([&] { return isShown(QStringLiteral("Handheld v1")); }))
        << "Alt+Space did not bring it back";

    // The window came back as it was: still one window, still saved.
    quitFrom(handheld);
    ASSERT_TRUE(velmora.process.waitForFinished(60000));
    EXPECT_EQ(velmora.process.exitCode(), 0);
    EXPECT_EQ(savedWindows().size(), 1);
}

TEST_F(AppShellDisplayTest, ASecondInstanceOpensATabInTheRunningOneAndEnds)
{
    writeOneHandheldWindow();
    const QString program = QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora");
    RunningVelmora velmora(program, m_environment);
    ASSERT_TRUE(velmora.process.waitForStarted(5000));
    const QString handheld = waitForWindow(QStringLiteral("Handheld v1"));
    ASSERT_FALSE(handheld.isEmpty()) << "no window titled Handheld v1";
    const qint64 pid = velmora.process.processId();
    ASSERT_TRUE(eventually([&] { return childProcesses(pid).size() == 1; })) << "the window runs no shell";

    const QString folder = m_root.filePath(QStringLiteral("project"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QProcess second;
    second.setProcessEnvironment(m_environment);
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(program, {QStringLiteral("--open-tab"), folder});
    ASSERT_TRUE(second.waitForFinished(60000)) << "the second instance did not end";
    EXPECT_EQ(second.exitCode(), 0) << second.readAll().toStdString();

    // The running instance starts a second shell, in the folder, in the same
    // window: no window opens beside it.
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    EXPECT_TRUE(eventually([&] { return childFolders(pid).contains(canonical); }))
        << "no shell of the running instance works in " << canonical.toStdString();
    EXPECT_EQ(childProcesses(pid).size(), 2);
    EXPECT_EQ(runTool(m_environment,
                      QStringLiteral("xdotool"),
                      {QStringLiteral("search"),
                       QStringLiteral("--onlyvisible"),
                       QStringLiteral("--name"),
                       QStringLiteral("^Handheld v1$")})
                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                  .size(),
              1);

    // A folder that does not exist is refused, and named.
    QProcess refused;
    refused.setProcessEnvironment(m_environment);
    refused.start(program, {QStringLiteral("--open-tab"), m_root.filePath(QStringLiteral("missing"))});
    ASSERT_TRUE(refused.waitForFinished(60000));
    EXPECT_NE(refused.exitCode(), 0);
    EXPECT_TRUE(refused.readAllStandardError().contains(
        QStringLiteral("No such folder: %1").arg(m_root.filePath(QStringLiteral("missing"))).toLocal8Bit()));

    quitFrom(handheld);
    ASSERT_TRUE(velmora.process.waitForFinished(60000));
    EXPECT_EQ(velmora.process.exitCode(), 0);
}

TEST_F(AppShellDisplayTest, ASecondLaunchHandsOverToTheRunningOneAndTouchesNothing)
{
    writeSettings(R"({"hasLaunchedBefore": true, "defaultShell": "/bin/sh", "fontSize": 13, "lastWindows": [
        {"id": "handheld", "skinName": "Handheld v1", "x": 40, "y": 40, "width": 398, "height": 555}]})");
    const QString program = QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora");
    RunningVelmora velmora(program, m_environment);
    ASSERT_TRUE(velmora.process.waitForStarted(5000));
    const QString handheld = waitForWindow(QStringLiteral("Handheld v1"));
    ASSERT_FALSE(handheld.isEmpty()) << "no window titled Handheld v1";
    ASSERT_TRUE(eventually([&] { return isShown(QStringLiteral("Handheld v1")); }));

    // A setting changed in the running instance, then its last window closed.
    focus(handheld);
    pressKeys(QStringLiteral("ctrl+alt+shift+equal"));
    const auto fontSize = [&] {
        QFile settings(settingsPath());
        return settings.open(QIODevice::ReadOnly)
            ? QJsonDocument::fromJson(settings.readAll()).object().value(QStringLiteral("fontSize")).toDouble()
            : 0.0;
    };
    ASSERT_TRUE(eventually([&] { return fontSize() == 14; })) << "the font did not grow: " << fontSize();
    pressKeys(QStringLiteral("ctrl+alt+shift+w"));
    ASSERT_TRUE(eventually([&] { return !isShown(QStringLiteral("Handheld v1")); }));
    // The closed window leaves the saved list half a second later.
    ASSERT_TRUE(eventually([&] { return savedWindows().isEmpty(); }));

    // What a second start-up would repair or rewrite.
    const QString legacy = m_root.filePath(QStringLiteral("data/Vossel"));
    ASSERT_TRUE(QDir().mkpath(legacy));
    QFile settingsFile(settingsPath());
    ASSERT_TRUE(settingsFile.open(QIODevice::ReadOnly));
    const QByteArray settingsBefore = settingsFile.readAll();
    settingsFile.close();

    QProcess second;
    second.setProcessEnvironment(m_environment);
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(program, {});
    const bool ended = second.waitForFinished(60000);
    const auto stopSecond = qScopeGuard([&] {
        if (second.state() != QProcess::NotRunning) {
            second.terminate();
            second.waitForFinished(5000);
        }
    });
    ASSERT_TRUE(ended) << "the second velmora runs on beside the first";
    EXPECT_EQ(second.exitCode(), 0) << second.readAll().toStdString();

    // The running one shows the skin picker, having no window shown.
    const QString picker = waitForWindow(QStringLiteral("Choose a Skin"));
    ASSERT_FALSE(picker.isEmpty()) << "the running velmora showed no skin picker";
    EXPECT_TRUE(QDir(legacy).exists()) << "the second start-up moved the legacy folder";
    ASSERT_TRUE(settingsFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(settingsFile.readAll(), settingsBefore);
    settingsFile.close();

    // Another plain launch with a window shown only raises it: one picker.
    QProcess third;
    third.setProcessEnvironment(m_environment);
    third.start(program, {});
    ASSERT_TRUE(third.waitForFinished(60000));
    EXPECT_EQ(third.exitCode(), 0);
    QThread::msleep(300);
    EXPECT_EQ(runTool(m_environment,
                      QStringLiteral("xdotool"),
                      {QStringLiteral("search"),
                       QStringLiteral("--onlyvisible"),
                       QStringLiteral("--name"),
                       QStringLiteral("^Choose a Skin$")})
                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                  .size(),
              1);

    // The setting survives both quits.
    quitFrom(picker);
    ASSERT_TRUE(velmora.process.waitForFinished(60000));
    EXPECT_EQ(velmora.process.exitCode(), 0);
    EXPECT_EQ(fontSize(), 14);
    EXPECT_TRUE(savedWindows().isEmpty());
}

TEST_F(AppShellDisplayTest, AHangUpEndsVelmoraUnlessItWasStartedWithHangUpsIgnored)
{
    for (const bool nohup : {true, false}) {
        SCOPED_TRACE(nohup ? "started with SIGHUP ignored" : "started with SIGHUP as it comes");
        writeOneHandheldWindow();
        RunningVelmora velmora(QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora"), m_environment, {}, [nohup] {
            std::signal(SIGHUP, nohup ? SIG_IGN : SIG_DFL);
        });
        ASSERT_TRUE(velmora.process.waitForStarted(5000));
        const QString handheld = waitForWindow(QStringLiteral("Handheld v1"));
        ASSERT_FALSE(handheld.isEmpty()) << "no window titled Handheld v1";

        ::kill(pid_t(velmora.process.processId()), SIGHUP);
        if (nohup) {
            EXPECT_FALSE(velmora.process.waitForFinished(1500)) << "a hang-up ended velmora under nohup";
            EXPECT_TRUE(isShown(QStringLiteral("Handheld v1")));
            quitFrom(handheld);
        }
        ASSERT_TRUE(velmora.process.waitForFinished(60000));
        EXPECT_EQ(velmora.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(velmora.process.exitCode(), 0);
        EXPECT_EQ(savedWindows().size(), 1) << "the window was not kept";
    }
}

// The resident memory of a process, in megabytes.
[[maybe_unused]] double residentMegabytes(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

TEST_F(AppShellDisplayTest, TwoHundredTabRequestsAtOnceAreEachAnsweredByTheOneInstance)
{
    writeOneHandheldWindow();
    const QString program = QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora");
    RunningVelmora velmora(program, m_environment);
    ASSERT_TRUE(velmora.process.waitForStarted(5000));
    const QString handheld = waitForWindow(QStringLiteral("Handheld v1"));
    ASSERT_FALSE(handheld.isEmpty()) << "no window titled Handheld v1";
    const qint64 pid = velmora.process.processId();
    ASSERT_TRUE(eventually([&] { return childProcesses(pid).size() == 1; }));
    const QString folder = m_root.filePath(QStringLiteral("project"));
    ASSERT_TRUE(QDir().mkpath(folder));

    constexpr int burst = 200;
    std::vector<std::unique_ptr<QProcess>> later;
    for (int i = 0; i < burst; ++i) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(m_environment);
        process->start(program, {QStringLiteral("--open-tab"), folder});
        later.push_back(std::move(process));
    }
    // Each request is answered, or, where a loaded machine keeps the running
    // one from getting to it in time, reports that it failed and why.
    int answered = 0;
    for (const std::unique_ptr<QProcess>& process : later) {
        ASSERT_TRUE(process->waitForFinished(180000)) << "a later velmora still runs";
        if (process->exitCode() == 0)
            ++answered;
        else
            EXPECT_FALSE(process->readAllStandardError().trimmed().isEmpty()) << "a failure without a reason";
    }
    EXPECT_GT(answered, burst / 2);
    // Each answered request is one shell more in the running instance, a
    // failed one none, and no other instance started.
    EXPECT_TRUE(eventually([&] { return childProcesses(pid).size() == 1 + answered; }))
        << childProcesses(pid).size() << " shells for " << answered << " tabs";
    EXPECT_TRUE(
        QFileInfo::exists(m_root.filePath(QStringLiteral("runtime/velmora-%1.sock"))
                              .arg(QString(m_environment.value(QStringLiteral("DISPLAY"))).remove(QLatin1Char(':')))));
#if !defined(__SANITIZE_ADDRESS__)
    // (The address sanitizer's own bookkeeping alone takes more.)
    EXPECT_LT(residentMegabytes(pid), 300.0);
#endif

    // The running one still answers at once, and quits keeping its window.
    QProcess reopen;
    reopen.setProcessEnvironment(m_environment);
    reopen.start(program, {});
    ASSERT_TRUE(reopen.waitForFinished(5000));
    EXPECT_EQ(reopen.exitCode(), 0);
    quitFrom(handheld);
    ASSERT_TRUE(velmora.process.waitForFinished(60000));
    EXPECT_EQ(velmora.process.exitCode(), 0);
    ASSERT_EQ(savedWindows().size(), 1);
    EXPECT_EQ(savedWindows()[0].toObject().value(QStringLiteral("id")).toString(), QStringLiteral("handheld"));
}

TEST_F(AppShellDisplayTest, AnInstalledCopyFindsItsResourcesBesideItself)
{
    const QString prefix = m_root.filePath(QStringLiteral("prefix"));
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(
        QStringLiteral(VELMORA_CMAKE_COMMAND),
        {QStringLiteral("--install"), QStringLiteral(VELMORA_BINARY_DIR), QStringLiteral("--prefix"), prefix});
    ASSERT_TRUE(install.waitForFinished(60000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();
    for (const char* file : {"bin/velmora",
                             "share/velmora/Skins/walkie/skin.json",
                             "share/velmora/Skins/walkie/Walkie_alpha.png",
                             "share/velmora/Skins/handheld/frame@2x.png",
                             "share/velmora/velmora-mark.png",
                             "share/velmora/velmora-mark-dark.png",
                             "share/velmora/Resources/CHANGELOG.md",
                             "share/applications/velmora.desktop",
                             "share/icons/hicolor/256x256/apps/velmora.png",
                             "share/icons/hicolor/48x48/apps/velmora.png"})
        EXPECT_TRUE(QFileInfo::exists(prefix + u'/' + QString::fromLatin1(file))) << file;
    QFile desktop(prefix + QStringLiteral("/share/applications/velmora.desktop"));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    EXPECT_TRUE(desktop.readAll().contains("\nIcon=velmora\n"));

    // The walkie skin lives only in the installed resource folder: the default
    // skin opens only if the installed program finds it there.
    writeSettings(R"({"hasLaunchedBefore": true, "defaultShell": "/bin/sh", "defaultSkin": "Walkie MK-1"})");
    m_environment.remove(QStringLiteral("VELMORA_RESOURCES_DIR"));
    RunningVelmora velmora(prefix + QStringLiteral("/bin/velmora"), m_environment);
    ASSERT_TRUE(velmora.process.waitForStarted(5000));
    const QString walkie = waitForWindow(QStringLiteral("Walkie MK-1"));
    ASSERT_FALSE(walkie.isEmpty()) << "the installed velmora did not open the bundled walkie skin";
    quitFrom(walkie);
    ASSERT_TRUE(velmora.process.waitForFinished(60000));
    EXPECT_EQ(velmora.process.exitCode(), 0);
    ASSERT_EQ(savedWindows().size(), 1);
    EXPECT_EQ(savedWindows()[0].toObject().value(QStringLiteral("id")).toString(), QStringLiteral("walkie"));
}

} // namespace
} // namespace velmora
