#pragma once

#include "corvel/base/RunLoopExecutor.h"
#include "corvel/process/LocalProcess.h"
#include "corvel/process/LocalProcessDelegate.h"

#include <sys/types.h>

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace corvel::testing {

using namespace std::chrono_literals;

// Collects what a LocalProcess delivers, in order.
struct RecordingDelegate : LocalProcessDelegate {
    std::string output;
    std::vector<std::string> events; // "data" per chunk, "exit" once
    std::optional<std::optional<std::int32_t>> exit;
    std::size_t outputAtExit = 0;
    bool runningDuringExit = false;
    winsize size{24, 80, 0, 0};
    std::function<void(std::span<const std::uint8_t>)> onData;

    void processTerminated(LocalProcess& source, std::optional<std::int32_t> exitCode) override
    {
        exit = exitCode;
        outputAtExit = output.size();
        runningDuringExit = source.running();
        events.push_back("exit");
    }

    void dataReceived(std::span<const std::uint8_t> slice) override
    {
        output.append(reinterpret_cast<const char*>(slice.data()), slice.size());
        events.push_back("data");
        if (onData)
            onData(slice);
    }

    winsize getWindowSize() override { return size; }
};

// True while /proc knows pid as a live process or an unreaped zombie.
inline bool processExists(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    return stat.good();
}

// Waits (bounded) for a condition that another thread or process makes true.
inline bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A new empty folder of its own, removed by the caller.
inline std::string makeTempDir()
{
    std::string pattern = std::filesystem::temp_directory_path().string() + "/velmora-process-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return {};
    return pattern;
}

// Splits terminal output into lines, dropping the carriage returns.
inline std::vector<std::string> terminalLines(const std::string& output)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : output) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(c);
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

} // namespace corvel::testing
