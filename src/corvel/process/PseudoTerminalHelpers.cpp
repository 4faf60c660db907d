#include "corvel/process/PseudoTerminalHelpers.h"

#include "corvel/process/CStringArray.h"

#include <fcntl.h>
#include <locale.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>

namespace corvel {

namespace {

// Names copied from the parent when set, in this order; SHELL follows them.
constexpr const char* kCopiedVariables[] = {
    "LOGNAME",
    "USER",
    "DISPLAY",
    "LC_CTYPE",
    "HOME",
};

// The desktop session's variables, copied when set, after SHELL.
constexpr const char* kSessionVariables[] = {
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
    termios attributes{};
    if (::tcgetattr(pair.slave, &attributes) == 0) {
        attributes.c_iflag |= IUTF8;
        ::tcsetattr(pair.slave, TCSANOW, &attributes);
    }
    ::ioctl(pair.master, TIOCSWINSZ, &size);
    return pair;
}

// Tells the parent why the program could not be started, and ends the child.
[[noreturn]] void failStart(int errorFd, int error)
{
    ssize_t written;
    do {
        written = ::write(errorFd, &error, sizeof error);
    } while (written < 0 && errno == EINTR);
    ::_exit(127);
}

// Runs in the child between fork and exec: async-signal-safe calls only.
// errorFd (close-on-exec, above 2) reports a failed start to the parent.
[[noreturn]] void becomeChild(int slave, int errorFd, const char* path, char* const* argv, char* const* envp,
                              const char* directory)
{
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &defaults, nullptr);

    ::setsid();
    ::ioctl(slave, TIOCSCTTY, 0);
    // A parent started with 0-2 closed may have the terminal there already:
    // dup2 onto itself would leave it close-on-exec.
    for (int fd = 0; fd <= 2; ++fd) {
        if (slave == fd)
            ::fcntl(fd, F_SETFD, 0);
        else
            ::dup2(slave, fd);
    }
    // Nothing but the terminal may reach the program, whatever the parent
    // forgot to mark close-on-exec; the error pipe closes itself on exec.
    ::syscall(SYS_close_range, 3U, static_cast<unsigned>(errorFd) - 1U, 0U);
    ::syscall(SYS_close_range, static_cast<unsigned>(errorFd) + 1U, ~0U, 0U);

    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    if (directory)
        (void)::chdir(directory);
    // exec would only say "permission denied" for a folder.
    struct stat info {};
    if (::stat(path, &info) == 0 && S_ISDIR(info.st_mode))
        failStart(errorFd, EISDIR);
    ::execve(path, argv, envp);
    failStart(errorFd, errno);
}

// A close-on-exec pipe whose write end is above 2, so that making the
// terminal the child's standard descriptors never replaces it.
bool openErrorPipe(int (&fds)[2])
{
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    if (fds[1] <= 2) {
        const int moved = ::fcntl(fds[1], F_DUPFD_CLOEXEC, 3);
        ::close(fds[1]);
        fds[1] = moved;
        if (moved < 0) {
            ::close(fds[0]);
            return false;
        }
    }
    return true;
}

// The errno the child reported, or 0 once exec has closed the pipe.
int readStartError(int fd)
{
    int error = 0;
    std::size_t have = 0;
    while (have < sizeof error) {
        const ssize_t n = ::read(fd, reinterpret_cast<char*>(&error) + have, sizeof error - have);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        have += static_cast<std::size_t>(n);
    }
    return have == sizeof error ? (error != 0 ? error : EIO) : 0;
}

} // namespace

std::optional<PseudoTerminalHelpers::StartedChild>
PseudoTerminalHelpers::forkAndExec(const std::string& executable, const std::vector<std::string>& args,
                                   const std::vector<std::string>& env,
                                   const std::optional<std::string>& currentDirectory, const winsize& desiredWindowSize)
{
    try {
        CStringArray argv(args);
        CStringArray envp(env);
        const std::string path = executable;
        const std::optional<std::string> directory = currentDirectory;
        auto hasNul = [](const std::string& s) { return s.find('\0') != std::string::npos; };
        if (!argv.isFaithful() || !envp.isFaithful() || hasNul(path) || (directory && hasNul(*directory))) {
            errno = EINVAL;
            return std::nullopt;
        }

        std::optional<PtyPair> pty = openPtyPair(desiredWindowSize);
        if (!pty)
            return std::nullopt;
        int errorPipe[2];
        if (!openErrorPipe(errorPipe)) {
            const int error = errno;
            closeQuietly(pty->slave);
            closeQuietly(pty->master);
            errno = error;
            return std::nullopt;
        }

        // No handler of ours may run in the child before it resets them.
        sigset_t all, previous;
        sigfillset(&all);
        ::pthread_sigmask(SIG_SETMASK, &all, &previous);
        const pid_t pid = ::fork();
        if (pid == 0)
            becomeChild(pty->slave,
                        errorPipe[1],
                        path.c_str(),
                        argv.data(),
                        envp.data(),
                        directory ? directory->c_str() : nullptr);
        const int forkErrno = errno;
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);

        closeQuietly(pty->slave);
        closeQuietly(errorPipe[1]);
        if (pid < 0) {
            closeQuietly(errorPipe[0]);
            closeQuietly(pty->master);
            errno = forkErrno;
            return std::nullopt;
        }
        // The pipe closes when exec succeeds; a failed start writes its errno.
        const int startError = readStartError(errorPipe[0]);
        closeQuietly(errorPipe[0]);
        if (startError != 0) {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
            closeQuietly(pty->master);
            errno = startError;
            return std::nullopt;
        }
        return StartedChild{pid, pty->master};
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
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

std::vector<std::string> PseudoTerminalHelpers::getEnvironmentVariables(const std::optional<std::string>& termName,
                                                                        bool trueColor,
                                                                        const std::optional<std::string>& shell)
{
    return getEnvironmentVariables(
        termName,
        trueColor,
        shell ? *shell : loginShell(),
        [](const char* name) -> const char* { return ::getenv(name); },
        isLocaleInstalled(kPreferredLocale));
}

std::vector<std::string> PseudoTerminalHelpers::getEnvironmentVariables(const std::optional<std::string>& termName,
                                                                        bool trueColor, const std::string& shell,
                                                                        const EnvironmentLookup& lookup,
                                                                        bool preferredLocaleInstalled)
{
    std::vector<std::string> env;
    env.push_back("TERM=" + termName.value_or("xterm-256color"));
    if (trueColor)
        env.push_back("COLORTERM=truecolor");
    env.push_back("LANG=" + childLanguage(preferredLocaleInstalled, lookup("LANG")));
    const auto copy = [&env, &lookup](const char* name) {
        if (const char* value = lookup(name))
            env.push_back(std::string(name) + "=" + value);
    };
    for (const char* name : kCopiedVariables)
        copy(name);
    env.push_back("SHELL=" + shell);
    for (const char* name : kSessionVariables)
        copy(name);
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
    passwd entry{};
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

std::string PseudoTerminalHelpers::cannotRunMessage(std::string_view executable, int error)
{
    return "corvel: cannot run " + std::string(executable) + ": " + std::strerror(error);
}

} // namespace corvel
