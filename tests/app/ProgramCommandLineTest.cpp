// Every program a user runs, started as a user starts it with no display:
// --help and --version answer on standard output, an option it does not know
// is refused, a program with windows says in one line that it cannot open
// the display, and velmora names the folder it cannot open. None of it
// writes a file: the home, data, runtime and temporary folders and the
// working folder stay empty.

#include "app/CommandLine.h"
#include "core/AppInfo.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <cstdlib>

namespace velmora {
namespace {

const QStringList userPrograms{
    "velmora",
    "velmora-skin-picker",
    "velmora-skin-builder",
    "corvel-term",
    "corvel-headless",
    "corvel-replay",
    "velmora-skin-art",
    "velmora-brand-art",
};

// The programs that open windows.
const QStringList windowPrograms{"velmora", "velmora-skin-picker", "velmora-skin-builder", "corvel-term"};

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class ProgramCommandLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        for (const char* folder : {"home", "data", "config", "cache", "runtime", "tmp", "work"})
            ASSERT_TRUE(QDir(m_root.path()).mkpath(QString::fromLatin1(folder)));
        QFile::setPermissions(m_root.filePath("runtime"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // A desktop session's environment with no display in it.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment;
        environment.insert("PATH", "/usr/local/bin:/usr/bin:/bin");
        environment.insert("HOME", m_root.filePath("home"));
        environment.insert("XDG_DATA_HOME", m_root.filePath("data"));
        environment.insert("XDG_CONFIG_HOME", m_root.filePath("config"));
        environment.insert("XDG_CACHE_HOME", m_root.filePath("cache"));
        environment.insert("XDG_RUNTIME_DIR", m_root.filePath("runtime"));
        environment.insert("TMPDIR", m_root.filePath("tmp"));
        for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
            if (const char* value = std::getenv(name))
                environment.insert(QString::fromLatin1(name), QString::fromLocal8Bit(value));
        return environment;
    }

    ProgramRun runProgram(const QString& program, const QStringList& arguments,
                          const QProcessEnvironment& environment = QProcessEnvironment())
    {
        QProcess process;
        process.setProcessEnvironment(environment.isEmpty() ? this->environment() : environment);
        process.setWorkingDirectory(m_root.filePath("work"));
        process.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/") + program, arguments);
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            return {};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }

    // The files made anywhere under the test's folders.
    QStringList filesMade() const
    {
        QStringList made;
        for (const char* folder : {"home", "data", "config", "cache", "runtime", "tmp", "work"}) {
            QDirIterator it(m_root.filePath(QString::fromLatin1(folder)),
                            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext())
                made.append(it.next());
        }
        return made;
    }

    QTemporaryDir m_root;
};

TEST_F(ProgramCommandLineTest, EveryProgramAnswersHelpAndVersionWithoutADisplay)
{
    for (const QString& program : userPrograms) {
        SCOPED_TRACE(program.toStdString());
        const ProgramRun help = runProgram(program, {"--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.err.isEmpty()) << help.err.toStdString();
        // The usage line names the program, not where it was built.
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("usage: %1 ").arg(program), Qt::CaseInsensitive))
            << help.out.toStdString();
        EXPECT_FALSE(help.out.contains(QStringLiteral(VELMORA_BINARY_DIR))) << help.out.toStdString();

        const ProgramRun version = runProgram(program, {"--version"});
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_TRUE(version.err.isEmpty()) << version.err.toStdString();
        const QString expected = program == QLatin1String("velmora")
            ? CommandLine::versionLine()
            : QStringLiteral("%1 %2").arg(program, AppInfo::shortVersion());
        EXPECT_EQ(version.out, expected + QLatin1Char('\n'));
    }
    EXPECT_EQ(filesMade(), QStringList());
}

TEST_F(ProgramCommandLineTest, AnOptionAProgramDoesNotKnowIsRefusedNeverTakenForAFolder)
{
    for (const QString& program : userPrograms) {
        SCOPED_TRACE(program.toStdString());
        const ProgramRun refused = runProgram(program, {"--no-such-option"});
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_TRUE(refused.out.isEmpty()) << refused.out.toStdString();
        EXPECT_TRUE(refused.err.startsWith(program + QLatin1Char(':'))) << refused.err.toStdString();
        EXPECT_TRUE(refused.err.contains(QLatin1String("no-such-option"))) << refused.err.toStdString();
    }
    // The picture tools made no output folder of the option.
    EXPECT_EQ(filesMade(), QStringList());
}

TEST_F(ProgramCommandLineTest, AProgramWithWindowsSaysInOneLineThatItCannotOpenTheDisplay)
{
    struct Case {
        const char* name;
        QStringList variables; // NAME=VALUE
        QStringList arguments;
        QString display; // named in the message
    };
    const Case cases[] = {
        {"no display", {}, {}, {}},
        {"the X11 platform and no display", {"QT_QPA_PLATFORM=xcb"}, {}, {}},
        {"a display nobody serves", {"DISPLAY=:987"}, {}, ":987"},
        {"the X11 platform and a display nobody serves", {"QT_QPA_PLATFORM=xcb", "DISPLAY=:987"}, {}, ":987"},
        {"a display option nobody serves", {}, {"-display", ":986"}, ":986"},
    };
    for (const QString& program : windowPrograms) {
        for (const Case& c : cases) {
            SCOPED_TRACE(QStringLiteral("%1, %2").arg(program, QString::fromLatin1(c.name)).toStdString());
            QProcessEnvironment environment = this->environment();
            for (const QString& variable : c.variables)
                environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
            const ProgramRun outcome = runProgram(program, c.arguments, environment);
            EXPECT_EQ(outcome.exitCode, 1);
            const QString expected = c.display.isEmpty()
                ? QStringLiteral("%1: cannot open display\n").arg(program)
                : QStringLiteral("%1: cannot open display %2\n").arg(program, c.display);
            EXPECT_EQ(outcome.err, expected);
            EXPECT_TRUE(outcome.out.isEmpty()) << outcome.out.toStdString();
        }
    }
    EXPECT_EQ(filesMade(), QStringList());
}

TEST_F(ProgramCommandLineTest, VelmoraNamesTheFolderItCannotOpen)
{
    struct Case {
        QStringList arguments;
        QString error;
    };
    const Case cases[] = {
        {{"--open-tab", "/no/such/folder"}, "No such folder: /no/such/folder\n"},
        {{"--open-window", "/no/such/folder"}, "No such folder: /no/such/folder\n"},
        {{"/no/such/folder"}, "No such folder: /no/such/folder\n"},
        {{"--open-tab", "/no/a", "/no/b"}, "No such folders: /no/a, /no/b\n"},
        {{"--open-tab", ""}, "No folder was provided.\n"},
    };
    QProcessEnvironment environment = this->environment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const ProgramRun outcome = runProgram("velmora", c.arguments, environment);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.err, c.error);
    }
    EXPECT_EQ(filesMade(), QStringList());
}

} // namespace
} // namespace velmora
