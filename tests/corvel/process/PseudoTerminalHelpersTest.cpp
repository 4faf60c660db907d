#include "corvel/process/CStringArray.h"
#include "corvel/process/PseudoTerminalHelpers.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

using corvel::CStringArray;
using corvel::PseudoTerminalHelpers;

namespace {

using Variables = std::map<std::string, std::string>;
using List = std::vector<std::string>;

PseudoTerminalHelpers::EnvironmentLookup lookupIn(const Variables& variables)
{
    return [&variables](const char* name) -> const char* {
        auto it = variables.find(name);
        return it == variables.end() ? nullptr : it->second.c_str();
    };
}

struct EnvironmentCase {
    const char* name;
    std::optional<std::string> termName;
    bool trueColor;
    Variables parent;
    bool preferredLocaleInstalled;
    List expected;
};

class ChildEnvironmentTest : public ::testing::TestWithParam<EnvironmentCase> {};

TEST_P(ChildEnvironmentTest, BuildsExactlyTheExpectedList)
{
    const EnvironmentCase& c = GetParam();
    EXPECT_EQ(PseudoTerminalHelpers::getEnvironmentVariables(
                  c.termName, c.trueColor, lookupIn(c.parent), c.preferredLocaleInstalled),
        c.expected);
}

const Variables kDesktopParent {
    {"PATH", "/usr/bin"},
    {"SHELL", "/bin/zsh"},
    {"LANG", "de_DE.UTF-8"},
    {"LOGNAME", "ada"},
    {"USER", "ada"},
    {"HOME", "/home/ada"},
    {"DISPLAY", ":0"},
    {"LC_CTYPE", "de_DE.UTF-8"},
    {"WAYLAND_DISPLAY", "wayland-0"},
    {"XDG_RUNTIME_DIR", "/run/user/1000"},
    {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/1000/bus"},
    {"XAUTHORITY", "/home/ada/.Xauthority"},
    {"SSH_AUTH_SOCK", "/run/user/1000/ssh"},
    {"SECRET_TOKEN", "do-not-pass"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ChildEnvironmentTest,
    ::testing::Values(
        EnvironmentCase {"WithoutDisplayOrCtype", "xterm-256color", true,
            {{"LOGNAME", "ada"}, {"USER", "ada"}, {"HOME", "/home/ada"}, {"PATH", "/bin"}}, true,
            {"TERM=xterm-256color", "COLORTERM=truecolor", "LANG=en_US.UTF-8", "LOGNAME=ada", "USER=ada",
                "HOME=/home/ada"}},
        EnvironmentCase {"DefaultTermNameWithoutTrueColor", std::nullopt, false, {{"USER", "ada"}}, true,
            {"TERM=xterm-256color", "LANG=en_US.UTF-8", "USER=ada"}},
        EnvironmentCase {"EmptyValueIsStillCopied", "vt100", false, {{"DISPLAY", ""}}, true,
            {"TERM=vt100", "LANG=en_US.UTF-8", "DISPLAY="}},
        EnvironmentCase {"DesktopSessionPassesOnlyItsOwnList", "xterm-256color", true, kDesktopParent, false,
            {"TERM=xterm-256color", "COLORTERM=truecolor", "LANG=de_DE.UTF-8", "LOGNAME=ada", "USER=ada",
                "DISPLAY=:0", "LC_CTYPE=de_DE.UTF-8", "HOME=/home/ada", "WAYLAND_DISPLAY=wayland-0",
                "XDG_RUNTIME_DIR=/run/user/1000", "DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/1000/bus",
                "XAUTHORITY=/home/ada/.Xauthority", "SSH_AUTH_SOCK=/run/user/1000/ssh"}},
        EnvironmentCase {"EmptyParent", "xterm-256color", true, {}, false,
            {"TERM=xterm-256color", "COLORTERM=truecolor", "LANG=C.UTF-8"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct LanguageCase {
    bool preferredInstalled;
    const char* ownLang;
    const char* expected;
};

TEST(ChildLanguageTest, NeverHandsTheChildANonUtf8Locale)
{
    const std::vector<LanguageCase> cases {
        {true, "de_DE.ISO-8859-1", "en_US.UTF-8"},
        {true, nullptr, "en_US.UTF-8"},
        {false, "de_DE.UTF-8", "de_DE.UTF-8"},
        {false, "sr_RS.utf8@latin", "sr_RS.utf8@latin"},
        {false, "C.UTF-8", "C.UTF-8"},
        {false, "de_DE.ISO-8859-1", "C.UTF-8"},
        {false, "de_DE", "C.UTF-8"},
        {false, "C", "C.UTF-8"},
        {false, "", "C.UTF-8"},
        {false, nullptr, "C.UTF-8"},
        {false, "xx.UTF-16", "C.UTF-8"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PseudoTerminalHelpers::childLanguage(c.preferredInstalled, c.ownLang), c.expected)
            << (c.ownLang ? c.ownLang : "(unset)");
}

TEST(ChildLanguageTest, LocaleInstallationIsProbed)
{
    EXPECT_TRUE(PseudoTerminalHelpers::isLocaleInstalled("C"));
    EXPECT_FALSE(PseudoTerminalHelpers::isLocaleInstalled("xx_NOWHERE.UTF-8"));
}

TEST(LoginShellTest, IsAnExecutableAbsolutePathAndStartsAsALoginShell)
{
    const std::string shell = PseudoTerminalHelpers::loginShell();
    ASSERT_FALSE(shell.empty());
    EXPECT_EQ(shell.front(), '/');
    EXPECT_EQ(::access(shell.c_str(), X_OK), 0) << shell;

    EXPECT_EQ(PseudoTerminalHelpers::loginShellArgv0("/bin/bash"), "-bash");
    EXPECT_EQ(PseudoTerminalHelpers::loginShellArgv0("/usr/local/bin/fish"), "-fish");
    EXPECT_EQ(PseudoTerminalHelpers::loginShellArgv0("zsh"), "-zsh");
}

TEST(CStringArrayTest, HoldsNullTerminatedCopiesEndingInANullPointer)
{
    CStringArray empty({});
    EXPECT_EQ(empty.size(), 0u);
    EXPECT_EQ(empty.data()[0], nullptr);

    CStringArray two({"-sh", "-c"});
    ASSERT_EQ(two.size(), 2u);
    EXPECT_STREQ(two.data()[0], "-sh");
    EXPECT_STREQ(two.data()[1], "-c");
    EXPECT_EQ(two.data()[2], nullptr);
    EXPECT_TRUE(two.isFaithful());

    CStringArray cut({std::string("A=b\0c", 5)});
    EXPECT_FALSE(cut.isFaithful());
}

int waitForExitStatus(pid_t pid)
{
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ForkAndExecTest, MissingExecutableStartsAChildThatExitsWith127)
{
    winsize size {24, 80, 0, 0};
    auto child = PseudoTerminalHelpers::forkAndExec("/nonexistent/program", {"program"}, {}, std::nullopt, size);
    ASSERT_TRUE(child.has_value());
    EXPECT_GE(child->masterFd, 0);
    EXPECT_EQ(waitForExitStatus(child->pid), 127);
    ::close(child->masterFd);
}

TEST(ForkAndExecTest, RefusesStringsThatExecWouldCut)
{
    winsize size {24, 80, 0, 0};
    EXPECT_FALSE(PseudoTerminalHelpers::forkAndExec("/bin/true", {"true"}, {std::string("X=1\0Y=2", 7)},
        std::nullopt, size));
}

TEST(ForkAndExecTest, WindowSizeAndAvailableBytesUseTheMaster)
{
    winsize size {24, 80, 0, 0};
    auto child = PseudoTerminalHelpers::forkAndExec("/bin/sh", {"sh", "-c", "read x"}, {}, std::nullopt, size);
    ASSERT_TRUE(child.has_value());

    winsize bigger {50, 132, 0, 0};
    EXPECT_EQ(PseudoTerminalHelpers::setWinSize(child->masterFd, bigger), 0);
    winsize read {};
    ASSERT_EQ(::ioctl(child->masterFd, TIOCGWINSZ, &read), 0);
    EXPECT_EQ(read.ws_row, 50);
    EXPECT_EQ(read.ws_col, 132);

    EXPECT_EQ(PseudoTerminalHelpers::availableBytes(child->masterFd).status, 0);
    EXPECT_EQ(PseudoTerminalHelpers::setWinSize(-1, bigger), -1);
    EXPECT_EQ(PseudoTerminalHelpers::availableBytes(-1).status, -1);

    ASSERT_EQ(::write(child->masterFd, "\n", 1), 1);
    EXPECT_EQ(waitForExitStatus(child->pid), 0);
    ::close(child->masterFd);
}

} // namespace
