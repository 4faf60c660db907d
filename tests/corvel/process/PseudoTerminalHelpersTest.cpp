#include "corvel/process/PseudoTerminalHelpers.h"
#include "corvel/process/CStringArray.h"

#include "ProcessTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
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
    // The shell being started; the parent's own SHELL is never copied.
    std::string shell = "/bin/bash";
};

class ChildEnvironmentTest : public ::testing::TestWithParam<EnvironmentCase> {};

TEST_P(ChildEnvironmentTest, BuildsExactlyTheExpectedList)
{
    const EnvironmentCase& c = GetParam();
    EXPECT_EQ(PseudoTerminalHelpers::getEnvironmentVariables(
                  c.termName, c.trueColor, c.shell, lookupIn(c.parent), c.preferredLocaleInstalled),
              c.expected);
}

const Variables kDesktopParent{
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

INSTANTIATE_TEST_SUITE_P(
    Cases, ChildEnvironmentTest,
    ::testing::Values(EnvironmentCase{"WithoutDisplayOrCtype",
                                      "xterm-256color",
                                      true,
                                      {{"LOGNAME", "ada"}, {"USER", "ada"}, {"HOME", "/home/ada"}, {"PATH", "/bin"}},
                                      true,
                                      {"TERM=xterm-256color",
                                       "COLORTERM=truecolor",
                                       "LANG=en_US.UTF-8",
                                       "LOGNAME=ada",
                                       "USER=ada",
                                       "HOME=/home/ada",
                                       "SHELL=/bin/bash"}},
                      EnvironmentCase{"DefaultTermNameWithoutTrueColor",
                                      std::nullopt,
                                      false,
                                      {{"USER", "ada"}},
                                      true,
                                      {"TERM=xterm-256color", "LANG=en_US.UTF-8", "USER=ada", "SHELL=/bin/bash"}},
                      EnvironmentCase{"EmptyValueIsStillCopied",
                                      "vt100",
                                      false,
                                      {{"DISPLAY", ""}},
                                      true,
                                      {"TERM=vt100", "LANG=en_US.UTF-8", "DISPLAY=", "SHELL=/bin/bash"}},
                      EnvironmentCase{"DesktopSessionPassesOnlyItsOwnList",
                                      "xterm-256color",
                                      true,
                                      kDesktopParent,
                                      false,
                                      {"TERM=xterm-256color",
                                       "COLORTERM=truecolor",
                                       "LANG=de_DE.UTF-8",
                                       "LOGNAME=ada",
                                       "USER=ada",
                                       "DISPLAY=:0",
                                       "LC_CTYPE=de_DE.UTF-8",
                                       "HOME=/home/ada",
                                       "SHELL=/usr/bin/fish",
                                       "WAYLAND_DISPLAY=wayland-0",
                                       "XDG_RUNTIME_DIR=/run/user/1000",
                                       "DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/1000/bus",
                                       "XAUTHORITY=/home/ada/.Xauthority",
                                       "SSH_AUTH_SOCK=/run/user/1000/ssh"},
                                      "/usr/bin/fish"},
                      EnvironmentCase{"EmptyParent",
                                      "xterm-256color",
                                      true,
                                      {},
                                      false,
                                      {"TERM=xterm-256color", "COLORTERM=truecolor", "LANG=C.UTF-8", "SHELL=/bin/sh"},
                                      "/bin/sh"}),
    [](const auto& info) { return std::string(info.param.name); });

struct LanguageCase {
    bool preferredInstalled;
    const char* ownLang;
    const char* expected;
};

TEST(ChildLanguageTest, NeverHandsTheChildANonUtf8Locale)
{
    const std::vector<LanguageCase> cases{
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

struct StartFailureCase {
    const char* name;
    std::string executable;
    std::optional<std::string> directory;
    int error;
};

TEST(ForkAndExecTest, ProgramsThatCannotRunAreReportedWithTheirReason)
{
    const std::string dir = corvel::testing::makeTempDir();
    ASSERT_FALSE(dir.empty());
    {
        std::ofstream(dir + "/plain") << "not a program\n";
        std::ofstream(dir + "/tool") << "#!/bin/sh\nexit 0\n";
    }
    ::chmod((dir + "/tool").c_str(), 0755);
    const std::vector<StartFailureCase> cases{
        {"missing", "/nonexistent/program", std::nullopt, ENOENT},
        {"folder", dir, std::nullopt, EISDIR},
        {"not_executable", dir + "/plain", std::nullopt, EACCES},
        {"cut_by_exec", std::string("/bin/tr\0ue", 10), std::nullopt, EINVAL},
        // A relative name is looked up in the child's start folder.
        {"relative_missing_in_start_folder", "true", std::string("/"), ENOENT},
    };
    winsize size{24, 80, 0, 0};
    for (const StartFailureCase& c : cases) {
        errno = 0;
        const auto child = PseudoTerminalHelpers::forkAndExec(c.executable, {"program"}, {}, c.directory, size);
        EXPECT_FALSE(child.has_value()) << c.name;
        EXPECT_EQ(errno, c.error) << c.name;
    }
    const auto relative = PseudoTerminalHelpers::forkAndExec("./tool", {"tool"}, {}, dir, size);
    ASSERT_TRUE(relative.has_value());
    EXPECT_EQ(waitForExitStatus(relative->pid), 0);
    ::close(relative->masterFd);
    std::filesystem::remove_all(dir);
}

TEST(ForkAndExecTest, FailedStartsLeaveNoChildAndNoDescriptorBehind)
{
    const auto openDescriptors = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto before = openDescriptors();
    winsize size{24, 80, 0, 0};
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(PseudoTerminalHelpers::forkAndExec("/nonexistent/program", {"program"}, {}, std::nullopt, size));
    EXPECT_EQ(openDescriptors(), before);
    // Every failed child was reaped: no zombie is left to collect.
    EXPECT_LE(::waitpid(-1, nullptr, WNOHANG), 0);
}

TEST(CannotRunMessageTest, NamesTheProgramAndTheReason)
{
    EXPECT_EQ(PseudoTerminalHelpers::cannotRunMessage("/x/y", ENOENT),
              "corvel: cannot run /x/y: No such file or directory");
    EXPECT_EQ(PseudoTerminalHelpers::cannotRunMessage("/tmp", EISDIR), "corvel: cannot run /tmp: Is a directory");
}

TEST(ForkAndExecTest, RefusesStringsThatExecWouldCut)
{
    winsize size{24, 80, 0, 0};
    EXPECT_FALSE(
        PseudoTerminalHelpers::forkAndExec("/bin/true", {"true"}, {std::string("X=1\0Y=2", 7)}, std::nullopt, size));
    EXPECT_EQ(errno, EINVAL);
}

TEST(ForkAndExecTest, WindowSizeAndAvailableBytesUseTheMaster)
{
    winsize size{24, 80, 0, 0};
    auto child = PseudoTerminalHelpers::forkAndExec("/bin/sh", {"sh", "-c", "read x"}, {}, std::nullopt, size);
    ASSERT_TRUE(child.has_value());

    winsize bigger{50, 132, 0, 0};
    EXPECT_EQ(PseudoTerminalHelpers::setWinSize(child->masterFd, bigger), 0);
    winsize read{};
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
