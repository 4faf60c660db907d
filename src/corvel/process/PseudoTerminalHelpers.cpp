#include "corvel/process/PseudoTerminalHelpers.h"

#include "corvel/process/CStringArray.h"

#include <fcntl.h>
#include <locale.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <new>

namespace corvel {

namespace {

// Names copied from the parent when set, in this order.
constexpr const char* kCopiedVariables[] = {
    "LOGNAME",
    "USER",
    "DISPLAY",
    "LC_CTYPE",
    "HOME",
    "WAYLAND_DISPLAY",
    "XDG_RUNTIME_DIR",
    "DBUS_SESSION_BUS_ADDRESS",
    "XAUTHORITY",
    "SSH_AUTH_SOCK",
};

constexpr const char* kPreferredLocale = "en_US.UTF-8";

void closeQuietly(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

struct PtyPair {
    int master = -1;
    int slave = -1;
};

std::optional<PtyPair> openPtyPair(const winsize& size)
{
    PtyPair pair;
    pair.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pair.master < 0)
        return std::nullopt;
    char name[128];
    if (::grantpt(pair.master) != 0 || ::unlockpt(pair.master) != 0
        || ::ptsname_r(pair.master, name, sizeof name) != 0) {
        closeQuietly(pair.master);
        return std::nullopt;
    }
    pair.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pair.slave < 0) {
        closeQuietly(pair.master);
        return std::nullopt;
    }
    termios attributes {};
    if (::tcgetattr(pair.slave, &attributes) == 0) {
        attributes.c_iflag |= IUTF8;
        ::tcsetattr(pair.slave, TCSANOW, &attributes);
    }
    ::ioctl(pair.master, TIOCSWINSZ, &size);
    return pair;
}

// Runs in the child between fork and exec: async-signal-safe calls only.
[[noreturn]] void becomeChild(int slave, const char* path, char* const* argv, char* const* envp, const char* directory)
{
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &defaults, nullptr);

    ::setsid();
    ::ioctl(slave, TIOCSCTTY, 0);
    for (int fd = 0; fd <= 2; ++fd)
        ::dup2(slave, fd);
    // Nothing but the terminal may reach the program, whatever the parent
    // forgot to mark close-on-exec.
    ::syscall(SYS_close_range, 3U, ~0U, 0U);

    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    if (directory)
        (void)::chdir(directory);
    ::execve(path, argv, envp);
    ::_exit(127);
}

} // namespace

std::optional<PseudoTerminalHelpers::StartedChild> PseudoTerminalHelpers::forkAndExec(const std::string& executable,
    const std::vector<std::string>& args, const std::vector<std::string>& env,
    const std::optional<std::string>& currentDirectory, const winsize& desiredWindowSize)
{
    try {
        CStringArray argv(args);
        CStringArray envp(env);
        const std::string path = executable;
        const std::optional<std::string> directory = currentDirectory;
        auto hasNul = [](const std::string& s) { return s.find('\0') != std::string::npos; };
        if (!argv.isFaithful() || !envp.isFaithful() || hasNul(path) || (directory && hasNul(*directory)))
            return std::nullopt;

        std::optional<PtyPair> pty = openPtyPair(desiredWindowSize);
        if (!pty)
            return std::nullopt;

        // No handler of ours may run in the child before it resets them.
        sigset_t all, previous;
        sigfillset(&all);
        ::pthread_sigmask(SIG_SETMASK, &all, &previous);
        const pid_t pid = ::fork();
        if (pid == 0)
            becomeChild(pty->slave, path.c_str(), argv.data(), envp.data(), directory ? directory->c_str() : nullptr);
        const int forkErrno = errno;
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);

        closeQuietly(pty->slave);
        if (pid < 0) {
            closeQuietly(pty->master);
            errno = forkErrno;
            return std::nullopt;
        }
        return StartedChild {pid, pty->master};
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

int PseudoTerminalHelpers::setWinSize(int masterPtyDescriptor, const winsize& windowSize)
{
    return ::ioctl(masterPtyDescriptor, TIOCSWINSZ, &windowSize);
}

PseudoTerminalHelpers::AvailableBytes PseudoTerminalHelpers::availableBytes(int fd)
{
    int count = 0;
    const int status = ::ioctl(fd, FIONREAD, &count);
    return {status, count};
}

std::vector<std::string> PseudoTerminalHelpers::getEnvironmentVariables(
    const std::optional<std::string>& termName, bool trueColor)
{
    return getEnvironmentVariables(
        termName, trueColor, [](const char* name) -> const char* { return ::getenv(name); },
        isLocaleInstalled(kPreferredLocale));
}

std::vector<std::string> PseudoTerminalHelpers::getEnvironmentVariables(const std::optional<std::string>& termName,
    bool trueColor, const EnvironmentLookup& lookup, bool preferredLocaleInstalled)
{
    std::vector<std::string> env;
    env.push_back("TERM=" + termName.value_or("xterm-256color"));
    if (trueColor)
        env.push_back("COLORTERM=truecolor");
    env.push_back("LANG=" + childLanguage(preferredLocaleInstalled, lookup("LANG")));
    for (const char* name : kCopiedVariables) {
        if (const char* value = lookup(name))
            env.push_back(std::string(name) + "=" + value);
    }
    return env;
}

std::string PseudoTerminalHelpers::childLanguage(bool preferredLocaleInstalled, const char* ownLang)
{
    if (preferredLocaleInstalled)
        return kPreferredLocale;
    if (ownLang && isUtf8LocaleName(ownLang))
        return ownLang;
    return "C.UTF-8";
}

bool PseudoTerminalHelpers::isUtf8LocaleName(std::string_view name)
{
    // language[_territory][.codeset][@modifier]
    const auto dot = name.find('.');
    if (dot == std::string_view::npos)
        return false;
    std::string_view codeset = name.substr(dot + 1);
    codeset = codeset.substr(0, codeset.find('@'));
    std::string folded;
    for (char c : codeset) {
        if (c != '-')
            folded.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return folded == "utf8";
}

bool PseudoTerminalHelpers::isLocaleInstalled(const char* name)
{
    locale_t locale = ::newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0));
    if (!locale)
        return false;
    ::freelocale(locale);
    return true;
}

std::string PseudoTerminalHelpers::loginShell()
{
    std::string shell;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry {};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_shell)
        shell = found->pw_shell;
    struct stat info {};
    if (!shell.empty() && shell.front() == '/' && ::stat(shell.c_str(), &info) == 0 && S_ISREG(info.st_mode)
        && ::access(shell.c_str(), X_OK) == 0)
        return shell;
    return "/bin/sh";
}

std::string PseudoTerminalHelpers::loginShellArgv0(std::string_view shellPath)
{
    const auto slash = shellPath.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? shellPath : shellPath.substr(slash + 1);
    return "-" + std::string(name);
}

} // namespace corvel
