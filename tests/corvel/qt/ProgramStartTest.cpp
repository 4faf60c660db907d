// What a program settles before it makes its application: Qt's own options
// told from the program's, --help, --version and mistakes answered, and
// whether the display Qt would open can be reached.

#include "corvel/qt/ProgramStart.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace corvel {
namespace {

TEST(ProgramStartTest, QtOptionsAndTheirValuesAreLeftToQt)
{
    struct Case {
        const char* name;
        QStringList arguments; // after the program
        QStringList kept;
    };
    const Case cases[] = {
        {"nothing", {}, {}},
        {"the program's own", {"--zoom", "2", "picture.png"}, {"--zoom", "2", "picture.png"}},
        {"an option with its value", {"-platform", "offscreen", "--demo"}, {"--demo"}},
        {"two dashes and =", {"--platform=xcb", "-style", "Fusion", "a"}, {"a"}},
        {"a flag", {"-reverse", "--demo"}, {"--demo"}},
        {"a display", {"-display", ":3", "-geometry", "10x10+0+0"}, {}},
        {"a value option at the end", {"--demo", "-style"}, {"--demo"}},
        {"after -- nothing is an option", {"--", "-style", "x"}, {"--", "-style", "x"}},
        {"what merely looks like one", {"-stylish", "--displayed"}, {"-stylish", "--displayed"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgramStart::withoutQtOptions(QStringList{"program"} + c.arguments), QStringList{"program"} + c.kept)
            << c.name;
    }
}

// Runs readCommandLine on a parser with one option that takes a value.
struct Reading {
    std::optional<int> exitCode;
    std::string out;
    std::string err;
    QString shell;
};

Reading read(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A test program."));
    const QCommandLineOption shell(QStringLiteral("shell"), QStringLiteral("The shell."), QStringLiteral("PATH"));
    parser.addOption(shell);
    const ProgramStart::Program program{QStringLiteral("probe-term"), QStringLiteral("[--shell PATH]"), "4.5.6"};
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Reading reading;
    reading.exitCode
        = ProgramStart::readCommandLine(parser, program, QStringList{"/build/tree/bin/probe-term"} + arguments);
    reading.out = testing::internal::GetCapturedStdout();
    reading.err = testing::internal::GetCapturedStderr();
    if (!reading.exitCode)
        reading.shell = parser.value(shell);
    return reading;
}

TEST(ProgramStartTest, HelpAndVersionAnswerOnStandardOutputAndMistakesOnStandardError)
{
    struct Case {
        const char* name;
        QStringList arguments;
        std::optional<int> exitCode;
        const char* outStart; // what standard output begins with
        const char* errStart; // what standard error begins with
    };
    const Case cases[] = {
        {"help", {"--help"}, 0, "Usage: probe-term [--shell PATH]\nA test program.\n", ""},
        {"short help", {"-h"}, 0, "Usage: probe-term [--shell PATH]\n", ""},
        {"version", {"--version"}, 0, "probe-term 4.5.6\n", ""},
        {"the first decides", {"--version", "--help"}, 0, "probe-term 4.5.6\n", ""},
        {"help among Qt's options", {"-platform", "offscreen", "--help"}, 0, "Usage: probe-term", ""},
        {"an unknown option", {"--bogus"}, 2, "", "probe-term: Unknown option 'bogus'.\nUsage: probe-term"},
        {"a mistake before help", {"--bogus", "--help"}, 2, "", "probe-term: Unknown option 'bogus'."},
        {"a missing value", {"--shell"}, 2, "", "probe-term: Missing value after '--shell'."},
        {"going on", {"--shell", "/bin/sh", "-style", "Fusion"}, std::nullopt, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Reading reading = read(c.arguments);
        EXPECT_EQ(reading.exitCode, c.exitCode);
        EXPECT_EQ(reading.out.substr(0, std::string(c.outStart).size()), c.outStart) << reading.out;
        EXPECT_EQ(reading.err.substr(0, std::string(c.errStart).size()), c.errStart) << reading.err;
        EXPECT_EQ(reading.out.find("/build/tree"), std::string::npos) << reading.out;
        EXPECT_EQ(reading.err.find("/build/tree"), std::string::npos) << reading.err;
    }
    EXPECT_EQ(read({"--shell", "/bin/sh"}).shell, QStringLiteral("/bin/sh"));
    // The usage lists the options, the added ones among them.
    const std::string usage = read({"--help"}).out;
    for (const char* option : {"--shell <PATH>", "-h, --help", "--version"})
        EXPECT_NE(usage.find(option), std::string::npos) << option << "\n" << usage;
}

// Sets the window-system variables for one case and restores them after.
class DisplayEnvironment {
public:
    explicit DisplayEnvironment(const std::map<const char*, const char*>& values)
    {
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
            if (qEnvironmentVariableIsSet(name))
                m_saved[name] = qgetenv(name);
            const auto value = values.find(name);
            if (value != values.end())
                qputenv(name, value->second);
            else
                qunsetenv(name);
        }
    }
    ~DisplayEnvironment()
    {
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
            const auto saved = m_saved.find(name);
            if (saved != m_saved.end())
                qputenv(name, saved->second);
            else
                qunsetenv(name);
        }
    }
    DisplayEnvironment(const DisplayEnvironment&) = delete;
    DisplayEnvironment& operator=(const DisplayEnvironment&) = delete;

private:
    std::map<const char*, QByteArray> m_saved;
};

TEST(ProgramStartTest, ADisplayThatCannotBeReachedIsNamed)
{
    // No X server listens on displays this high.
    struct Case {
        const char* name;
        std::map<const char*, const char*> environment;
        QStringList arguments; // after the program
        std::optional<QString> unreachable;
    };
    const Case cases[] = {
        {"nothing set", {}, {}, QString()},
        {"xcb without a display", {{"QT_QPA_PLATFORM", "xcb"}}, {}, QString()},
        {"an empty display", {{"DISPLAY", ""}}, {}, QString()},
        {"no server there", {{"DISPLAY", ":987"}}, {}, QStringLiteral(":987")},
        {"xcb with no server there", {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":987"}}, {}, QStringLiteral(":987")},
        {"the display option wins", {{"DISPLAY", ":987"}}, {"-display", ":986"}, QStringLiteral(":986")},
        {"the display option with =", {}, {"--display=:985"}, QStringLiteral(":985")},
        {"offscreen needs none", {{"QT_QPA_PLATFORM", "offscreen"}}, {}, std::nullopt},
        {"minimal needs none", {{"QT_QPA_PLATFORM", "minimal"}}, {}, std::nullopt},
        {"the platform option wins", {{"QT_QPA_PLATFORM", "xcb"}}, {"-platform", "offscreen"}, std::nullopt},
        {"the platform option for xcb", {{"QT_QPA_PLATFORM", "offscreen"}}, {"-platform", "xcb"}, QString()},
        {"a list: the first decides", {{"QT_QPA_PLATFORM", "xcb;offscreen"}}, {}, QString()},
        {"an offscreen platform with its options",
         {{"QT_QPA_PLATFORM", "offscreen:fontengine=freetype"}},
         {},
         std::nullopt},
        {"a Wayland session is left to Qt", {{"WAYLAND_DISPLAY", "wayland-0"}}, {}, std::nullopt},
        {"xcb chosen in a Wayland session",
         {{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":987"}},
         {},
         QStringLiteral(":987")},
    };
    for (const Case& c : cases) {
        const DisplayEnvironment environment(c.environment);
        EXPECT_EQ(ProgramStart::unreachableDisplay(QStringList{"program"} + c.arguments), c.unreachable) << c.name;
    }
}

TEST(ProgramStartTest, AnXServerThatRunsIsReached)
{
    const char* display = std::getenv("VELMORA_TEST_DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";
    const DisplayEnvironment environment({{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", display}});
    EXPECT_EQ(ProgramStart::unreachableDisplay({"program"}), std::nullopt);
    EXPECT_EQ(ProgramStart::unreachableDisplay({"program", "-display", ":987"}), QStringLiteral(":987"));
}

} // namespace
} // namespace corvel
