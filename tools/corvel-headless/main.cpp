// corvel-headless: runs a program in a terminal without a view and prints
// the screen it leaves behind.
//
//   corvel-headless [--cols N] [--rows N] [--timeout SECONDS] [-- PROGRAM [ARGS...]]
//   corvel-headless --help | --version
//
// PROGRAM is looked up on PATH unless it contains a slash; without "--" the
// user's login shell runs. The program gets the engine's child environment
// and a terminal that answers its queries; nothing is read from standard
// input. When it exits, the visible rows are printed (trailing blanks and
// trailing empty rows dropped) and corvel-headless exits with the program's
// exit code, 128 plus the signal that killed it, or 124 when the timeout
// stopped it.

#include "corvel/base/RunLoopExecutor.h"
#include "corvel/process/HeadlessTerminal.h"
#include "corvel/process/PseudoTerminalHelpers.h"
#include "corvel/terminal/Terminal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kUsageError = 2;
constexpr int kCannotStart = 126;
constexpr int kNotFound = 127;
constexpr int kTimedOut = 124;

struct Invocation {
    int cols = 80;
    int rows = 25;
    std::optional<double> timeoutSeconds;
    std::vector<std::string> command; // empty: the login shell
};

void printUsage(std::FILE* to)
{
    std::fputs("usage: corvel-headless [--cols N] [--rows N] [--timeout SECONDS] [-- PROGRAM [ARGS...]]\n"
               "       corvel-headless --help | --version\n",
               to);
}

std::optional<int> parseSize(std::string_view text, int lowest, int highest)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

std::optional<double> parseSeconds(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value > 0) || value > 1e7)
        return std::nullopt;
    return value;
}

// Returns the invocation, or an exit code when there is nothing to run.
std::optional<Invocation> parseArguments(int argc, char** argv, int& exitCode)
{
    Invocation invocation;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg == "-h" || arg == "--help") {
            printUsage(stdout);
            exitCode = 0;
            return std::nullopt;
        }
        if (arg == "--version") {
            std::puts("corvel-headless " CORVEL_TOOLS_VERSION);
            exitCode = 0;
            return std::nullopt;
        }
        const bool takesValue = arg == "--cols" || arg == "--rows" || arg == "--timeout";
        if (!takesValue || i + 1 >= argc) {
            std::fprintf(stderr, "corvel-headless: unexpected argument '%s'\n", argv[i]);
            printUsage(stderr);
            exitCode = kUsageError;
            return std::nullopt;
        }
        const std::string value = argv[++i];
        bool valid = true;
        if (arg == "--cols" || arg == "--rows") {
            const bool isCols = arg == "--cols";
            const int lowest = isCols ? corvel::Terminal::MINIMUM_COLS : corvel::Terminal::MINIMUM_ROWS;
            const int highest = isCols ? corvel::Terminal::MAXIMUM_COLS : corvel::Terminal::MAXIMUM_ROWS;
            const auto size = parseSize(value, lowest, highest);
            if (!size) {
                std::fprintf(stderr,
                             "corvel-headless: %s must be a whole number from %d to %d, not '%s'\n",
                             argv[i - 1],
                             lowest,
                             highest,
                             value.c_str());
                exitCode = kUsageError;
                return std::nullopt;
            }
            (isCols ? invocation.cols : invocation.rows) = *size;
        } else {
            invocation.timeoutSeconds = parseSeconds(value);
            valid = invocation.timeoutSeconds.has_value();
        }
        if (!valid) {
            std::fprintf(stderr, "corvel-headless: bad value '%s' for %s\n", value.c_str(), argv[i - 1]);
            exitCode = kUsageError;
            return std::nullopt;
        }
    }
    for (; i < argc; ++i)
        invocation.command.emplace_back(argv[i]);
    if (i == argc && invocation.command.empty() && argc > 1 && std::string_view(argv[argc - 1]) == "--") {
        std::fputs("corvel-headless: no program after '--'\n", stderr);
        exitCode = kUsageError;
        return std::nullopt;
    }
    return invocation;
}

bool isExecutableFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> findOnPath(const std::string& program)
{
    if (program.find('/') != std::string::npos)
        return program;
    const char* path = std::getenv("PATH");
    std::string_view rest = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const auto colon = rest.find(':');
        std::string dir(rest.substr(0, colon));
        if (dir.empty())
            dir.push_back('.');
        const std::string candidate = dir + "/" + program;
        if (isExecutableFile(candidate))
            return candidate;
        if (colon == std::string_view::npos)
            return std::nullopt;
        rest.remove_prefix(colon + 1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    const std::optional<Invocation> invocation = parseArguments(argc, argv, exitCode);
    if (!invocation)
        return exitCode;

    std::string executable;
    std::vector<std::string> args;
    std::optional<std::string> execName;
    if (invocation->command.empty()) {
        executable = corvel::PseudoTerminalHelpers::loginShell();
        execName = corvel::PseudoTerminalHelpers::loginShellArgv0(executable);
    } else {
        const std::string& program = invocation->command.front();
        const std::optional<std::string> found = findOnPath(program);
        if (!found) {
            std::fprintf(stderr, "corvel-headless: %s: command not found\n", program.c_str());
            return kNotFound;
        }
        executable = *found;
        execName = program;
        args.assign(invocation->command.begin() + 1, invocation->command.end());
    }

    corvel::TerminalOptions options;
    options.cols = invocation->cols;
    options.rows = invocation->rows;

    corvel::RunLoopExecutor loop;
    std::optional<std::optional<std::int32_t>> ended;
    corvel::HeadlessTerminal headless(loop, options, [&ended](auto code) { ended = code; });
    headless.process().startProcess(executable, args, std::nullopt, execName, std::nullopt);
    // A child that already ended is no failure; only a start that failed is.
    if (const int error = headless.process().startError(); error != 0) {
        std::fprintf(stderr, "%s\n", corvel::PseudoTerminalHelpers::cannotRunMessage(executable, error).c_str());
        return error == ENOENT ? kNotFound : kCannotStart;
    }

    const auto finished = [&ended] { return ended.has_value(); };
    if (invocation->timeoutSeconds) {
        const auto timeout = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::duration<double>(*invocation->timeoutSeconds));
        if (!loop.runUntil(finished, timeout)) {
            // What the child wrote and was already read still reaches the screen.
            loop.runPending();
            headless.process().terminateAndWait();
            std::fputs(headless.screenText().c_str(), stdout);
            return kTimedOut;
        }
    } else {
        while (!loop.runUntil(finished, std::chrono::hours(24))) {}
    }

    std::fputs(headless.screenText().c_str(), stdout);
    return ended->value_or(1);
}
