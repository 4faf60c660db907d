// corvel-term on a real X server: a login shell starts, typed keys reach it
// and its output shows. Runs only where VELMORA_TEST_DISPLAY names a display
// (scripts/check starts Xvfb and sets it). Its start-up errors need none.

#include <gtest/gtest.h>

#include <QFile>

#include "CorvelTermSession.h"

namespace corvel {
namespace {

using test::CorvelTermSession;

TEST(CorvelTermDisplay, TypedCommandRunsInTheLoginShell)
{
    if (!CorvelTermSession::display())
        GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";
    CorvelTermSession session;
    ASSERT_TRUE(session.start()) << session.error().toStdString();
    ASSERT_TRUE(session.typeCommand(QStringLiteral("echo $((6*7))-answer; exit")));

    ASSERT_TRUE(session.terminal().waitForFinished(20000)) << "the window did not close when the shell exited";
    EXPECT_EQ(session.terminal().exitCode(), 0);
    QFile screen(session.dumpFile());
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

} // namespace
} // namespace corvel
