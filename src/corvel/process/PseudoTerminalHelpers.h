#pragma once

#include <sys/ioctl.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvel {

// Static services beneath the child process: starting a program on a new
// pseudo-terminal, the window size, the child's environment and login shell.
class PseudoTerminalHelpers {
public:
    PseudoTerminalHelpers() = delete;

    struct StartedChild {
        pid_t pid;
        int masterFd; // close-on-exec, blocking
    };

    // Starts executable (used as given, no search along PATH) on a new
    // pseudo-terminal of the given size, with args as the complete argument
    // vector and env as the complete environment. The child becomes a session
    // leader with the terminal as its controlling terminal, starts with
    // default signal dispositions, an empty signal mask and no descriptors
    // but 0, 1 and 2, and changes to currentDirectory when given (ignoring a
    // failure). The terminal is in UTF-8 input mode.
    //
    // Returns nothing, with errno set to the reason, when the program cannot
    // be started: a step before fork fails (EINVAL for strings exec would
    // cut), the executable is a folder (EISDIR), or exec fails (its errno:
    // ENOENT, EACCES, ENOEXEC...). A child whose exec failed has already
    // ended and been reaped by then.
    static std::optional<StartedChild> forkAndExec(const std::string& executable, const std::vector<std::string>& args,
                                                   const std::vector<std::string>& env,
                                                   const std::optional<std::string>& currentDirectory,
                                                   const winsize& desiredWindowSize);

    // The TIOCSWINSZ request; 0, or -1 with errno set.
    static int setWinSize(int masterPtyDescriptor, const winsize& windowSize);

    struct AvailableBytes {
        std::int32_t status; // the FIONREAD request's result
        std::int32_t size; // bytes ready to read
    };
    static AvailableBytes availableBytes(int fd);

    // The environment a child shell receives: TERM, COLORTERM when trueColor,
    // LANG, then LOGNAME, USER, DISPLAY, LC_CTYPE and HOME, each copied from
    // this process when set there, SHELL (the given shell, else the login
    // shell), and the desktop session variables that are set here.
    static std::vector<std::string>
    getEnvironmentVariables(const std::optional<std::string>& termName = std::string("xterm-256color"),
                            bool trueColor = true, const std::optional<std::string>& shell = std::nullopt);

    // The same, reading the parent's variables through lookup (null when a
    // name is not set) and told whether "en_US.UTF-8" is installed.
    using EnvironmentLookup = std::function<const char*(const char* name)>;
    static std::vector<std::string> getEnvironmentVariables(const std::optional<std::string>& termName, bool trueColor,
                                                            const std::string& shell, const EnvironmentLookup& lookup,
                                                            bool preferredLocaleInstalled);

    // LANG for the child: "en_US.UTF-8" when installed, else ownLang when it
    // names a UTF-8 locale, else "C.UTF-8".
    static std::string childLanguage(bool preferredLocaleInstalled, const char* ownLang);
    static bool isUtf8LocaleName(std::string_view name);
    static bool isLocaleInstalled(const char* name);

    // The user's login shell from the password database when it is an
    // executable file, else "/bin/sh".
    static std::string loginShell();
    // "-" followed by the shell's file name: makes the shell a login shell.
    static std::string loginShellArgv0(std::string_view shellPath);

    // What a program that could not be started says about it:
    // "corvel: cannot run PATH: REASON", REASON the text of the errno value.
    static std::string cannotRunMessage(std::string_view executable, int error);
};

} // namespace corvel
