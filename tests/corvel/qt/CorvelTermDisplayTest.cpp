// corvel-term on a real X server: a login shell starts, typed keys reach it
// and its output shows. Runs only where VELMORA_TEST_DISPLAY names a display
// (scripts/check starts Xvfb and sets it). Its start-up errors need none.

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "support/PrivateXServer.h"

namespace corvel {
namespace {

// Runs xdotool with the given arguments; its standard output, trimmed.
QString xdotool(const QProcessEnvironment& environment, const QStringList& arguments, bool* ok = nullptr)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("xdotool"), arguments);
    const bool finished = process.waitForFinished(10000);
    if (ok) *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

TEST(CorvelTermDisplay, TypedCommandRunsInTheLoginShell)
{
    const char* display = std::getenv("VELMORA_TEST_DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";

    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    // The prompt sets the window title, so the test knows when the shell is ready.
    QFile profile(home.filePath(QStringLiteral(".profile")));
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
    profile.write("PS1=\"$(printf '\\033]0;corvel-ready\\007')ready$ \"\nexport PS1\n");
    profile.close();
    const QString dump = home.filePath(QStringLiteral("screen.txt"));

    QProcessEnvironment environment;
    // Typing and the focus belong to the whole server: keep out of the way of
    // other tests on the shared display where a server of our own starts.
    const velmora::test::PrivateXServer server;
    environment.insert(QStringLiteral("DISPLAY"), server.displayOr(display));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    // A sanitizer build checks the program with the same options as the test.
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* value = std::getenv(name)) environment.insert(QString::fromLatin1(name), QString::fromLocal8Bit(value));

    QProcess term;
    term.setProcessEnvironment(environment);
    term.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    term.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/corvel-term"),
               {QStringLiteral("--shell"), QStringLiteral("/bin/sh"), QStringLiteral("--dump-on-exit"), dump});
    ASSERT_TRUE(term.waitForStarted(5000));

    QString window;
    for (int attempt = 0; attempt < 100 && window.isEmpty(); ++attempt) {
        window = xdotool(environment, {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^corvel-ready$")})
                     .section(QLatin1Char('\n'), -1);
        if (window.isEmpty()) QThread::msleep(100);
    }
    ASSERT_FALSE(window.isEmpty()) << "the prompt never set the window title";

    bool ok = false;
    xdotool(environment, {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}, &ok);
    ASSERT_TRUE(ok);
    xdotool(environment, {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                          QStringLiteral("echo $((6*7))-answer; exit")}, &ok);
    ASSERT_TRUE(ok);
    xdotool(environment, {QStringLiteral("key"), QStringLiteral("Return")}, &ok);
    ASSERT_TRUE(ok);

    ASSERT_TRUE(term.waitForFinished(20000)) << "the window did not close when the shell exited";
    EXPECT_EQ(term.exitCode(), 0);
    QFile screen(dump);
    ASSERT_TRUE(screen.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(screen.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("ready$ echo $((6*7))-answer; exit"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\n42-answer\n"))) << text.toStdString();
}

struct TermRun {
    int exitCode = -1;
    QString standardError;
};

// Runs corvel-term to its end with exactly the given environment.
TermRun runTerm(const QProcessEnvironment& environment, const QStringList& arguments)
{
    QProcess term;
    term.setProcessEnvironment(environment);
    term.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/corvel-term"), arguments);
    if (!term.waitForFinished(10000)) {
        term.kill();
        term.waitForFinished();
        return {};
    }
    return {term.exitStatus() == QProcess::NormalExit ? term.exitCode() : -1,
            QString::fromUtf8(term.readAllStandardError()).trimmed()};
}

TEST(CorvelTermStartErrors, WithoutADisplayItSaysSoAndExitsWithOne)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    const TermRun unset = runTerm(environment, {});
    EXPECT_EQ(unset.exitCode, 1);
    EXPECT_EQ(unset.standardError, QStringLiteral("corvel-term: cannot open display"));

    // A display that names no server.
    environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":987"));
    const TermRun unreachable = runTerm(environment, {});
    EXPECT_EQ(unreachable.exitCode, 1);
    EXPECT_EQ(unreachable.standardError, QStringLiteral("corvel-term: cannot open display :987"));
}

TEST(CorvelTermStartErrors, AShellThatCannotRunIsNamedOnStandardError)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    const TermRun run = runTerm(environment, {QStringLiteral("--shell"), QStringLiteral("/x/y")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.standardError.endsWith(QStringLiteral("corvel: cannot run /x/y: No such file or directory")))
        << run.standardError.toStdString();
}

}  // namespace
}  // namespace corvel
