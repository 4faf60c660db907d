// corvel-replay: feeds recorded terminal output through one Terminal and
// reports the throughput; with --dump, prints the screen it ends with.
//
//   corvel-replay [--cols N] [--rows N] [--scrollback N] [--repeat N]
//                 [--chunk BYTES] [--dump] FILE...
//   corvel-replay --help | --version

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "corvel/terminal/Terminal.h"

namespace {

class DiscardingHost : public corvel::TerminalDelegate {
public:
    void send(corvel::Terminal&, std::span<const uint8_t>) override {}
};

void printUsage(std::FILE* to)
{
    std::fputs("usage: corvel-replay [--cols N] [--rows N] [--scrollback N] [--repeat N] [--chunk BYTES] [--dump] "
               "FILE...\n"
               "       corvel-replay --help | --version\n",
               to);
}

// A mistake on the command line: says what is wrong and ends with status 2.
[[noreturn]] void usage(const char* message)
{
    std::fprintf(stderr, "corvel-replay: %s\n", message);
    printUsage(stderr);
    std::exit(2);
}

long positiveNumber(const char* option, const char* text)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!text[0] || *end || value <= 0 || value > 100'000'000)
        usage((std::string(option) + " needs a positive number").c_str());
    return value;
}

int screenSize(const char* option, const char* text, int highest)
{
    const long value = positiveNumber(option, text);
    if (value > highest)
        usage((std::string(option) + " is at most " + std::to_string(highest)).c_str());
    return static_cast<int>(value);
}

long nonNegativeNumber(const char* option, const char* text)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!text[0] || *end || value < 0 || value > 100'000'000)
        usage((std::string(option) + " needs a number").c_str());
    return value;
}

} // namespace

int main(int argc, char** argv)
{
    corvel::TerminalOptions options;
    long repeat = 1;
    long chunk = 16384;
    bool dump = false;
    std::vector<std::string> files;

    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                usage((std::string(arg) + " needs a value").c_str());
            return argv[++i];
        };
        if (!std::strcmp(arg, "--cols"))
            options.cols = screenSize(arg, value(), corvel::Terminal::MAXIMUM_COLS);
        else if (!std::strcmp(arg, "--rows"))
            options.rows = screenSize(arg, value(), corvel::Terminal::MAXIMUM_ROWS);
        else if (!std::strcmp(arg, "--scrollback"))
            options.scrollback = static_cast<int>(nonNegativeNumber(arg, value()));
        else if (!std::strcmp(arg, "--repeat"))
            repeat = positiveNumber(arg, value());
        else if (!std::strcmp(arg, "--chunk"))
            chunk = positiveNumber(arg, value());
        else if (!std::strcmp(arg, "--dump"))
            dump = true;
        else if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            printUsage(stdout);
            return 0;
        } else if (!std::strcmp(arg, "--version")) {
            std::puts("corvel-replay " CORVEL_TOOLS_VERSION);
            return 0;
        } else if (arg[0] == '-' && arg[1])
            usage((std::string("unknown option ") + arg).c_str());
        else
            files.emplace_back(arg);
    }
    if (files.empty())
        usage("no input file");

    std::vector<std::vector<uint8_t>> inputs;
    for (const std::string& name : files) {
        std::ifstream in(name, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "corvel-replay: cannot read %s\n", name.c_str());
            return 1;
        }
        inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    DiscardingHost host;
    corvel::Terminal terminal(&host, options);
    size_t total = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long round = 0; round < repeat; ++round) {
        for (const auto& input : inputs) {
            std::span<const uint8_t> rest(input);
            while (!rest.empty()) {
                const size_t n = std::min(rest.size(), static_cast<size_t>(chunk));
                terminal.parser().parse(rest.first(n));
                rest = rest.subspan(n);
            }
            total += input.size();
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double megabytes = static_cast<double>(total) / 1e6;
    std::fprintf(
        stderr, "corvel: %zu bytes in %.3f s = %.1f MB/s\n", total, seconds, seconds > 0 ? megabytes / seconds : 0.0);

    if (dump) {
        for (int row = 0; row < terminal.rows; ++row) {
            const std::string line = terminal.lineText(row);
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
        }
    }
    return 0;
}
