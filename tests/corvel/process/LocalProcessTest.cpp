#include "corvel/process/LocalProcess.h"
#include "corvel/process/PseudoTerminalHelpers.h"

#include "ProcessTestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace corvel;
using namespace corvel::testing;

namespace {

class LocalProcessTest : public ::testing::Test {
protected:
    RunLoopExecutor loop;
    RecordingDelegate recorder;
    LocalProcess process{&recorder, loop};

    void runShell(const std::string& script)
    {
        process.startProcess("/bin/sh", {"-c", script}, std::nullopt, std::nullopt, std::nullopt);
        ASSERT_GT(process.shellPid(), 0);
    }

    bool runUntilExit(std::chrono::seconds timeout = 20s)
    {
        return loop.runUntil([&] { return recorder.exit.has_value(); }, timeout);
    }

    bool runUntilOutput(const std::string& needle, std::chrono::seconds timeout = 20s)
    {
        return loop.runUntil([&] { return recorder.output.find(needle) != std::string::npos; }, timeout);
    }

    // Runs until the process has let go of its child and terminal.
    bool runUntilSettled(std::chrono::seconds timeout = 20s)
    {
        return loop.runUntil([&] { return !process.running() && !process.drainScheduled(); }, timeout);
    }
};

TEST_F(LocalProcessTest, DeliversOutputThenTheExitCode)
{
    runShell("printf 'hello\\n'; exit 3");
    ASSERT_TRUE(runUntilExit());
    EXPECT_EQ(recorder.output, "hello\r\n");
    EXPECT_EQ(recorder.exit, std::optional<std::int32_t>(3));
    EXPECT_EQ(recorder.events.back(), "exit");
    EXPECT_TRUE(runUntilSettled());
    EXPECT_EQ(process.childfd(), -1);
}

TEST_F(LocalProcessTest, ExitArrivesOnlyAfterTheLastOfMuchOutput)
{
    // More than the terminal's buffers hold: the child is still writing
    // while earlier chunks are delivered, and exits right after.
    runShell("head -c 3000000 /dev/zero | tr '\\0' x; exit 7");
    ASSERT_TRUE(runUntilExit());
    EXPECT_EQ(recorder.exit, std::optional<std::int32_t>(7));
    EXPECT_EQ(recorder.outputAtExit, 3'000'000u);
    EXPECT_EQ(std::count(recorder.output.begin(), recorder.output.end(), 'x'), 3'000'000);
}

TEST_F(LocalProcessTest, ExitWhileReadingIsPausedWaitsForTheRestOfTheOutput)
{
    // Nobody drains at first: the reader pauses past the limit, the child
    // finishes its last writes into the terminal and ends, and is reaped.
    // The reader may reap the child before it reads the last chunk, so both
    // are awaited.
    const std::size_t size = LocalProcess::maxPendingBytes + 4096;
    runShell("head -c " + std::to_string(size) + " /dev/zero; exit 6");
    const pid_t pid = process.shellPid();
    ASSERT_TRUE(
        eventually([&] { return !processExists(pid) && process.pendingBytes() > LocalProcess::maxPendingBytes; }));
    ASSERT_TRUE(runUntilExit());
    EXPECT_EQ(recorder.exit, std::optional<std::int32_t>(6));
    EXPECT_EQ(recorder.outputAtExit, size);
}

TEST_F(LocalProcessTest, ProgramThatCannotRunIsAFailedStartWithItsReason)
{
    process.startProcess("/nonexistent/velmora-test-program", {}, std::nullopt, std::nullopt, std::nullopt);
    EXPECT_FALSE(process.running());
    EXPECT_EQ(process.startError(), ENOENT);
    EXPECT_EQ(process.childfd(), -1);
    // Nothing is delivered for a child that never ran.
    loop.runUntil([] { return false; }, 50ms);
    EXPECT_TRUE(recorder.events.empty());

    runShell("exit 0");
    EXPECT_EQ(process.startError(), 0);
    ASSERT_TRUE(runUntilExit());
}

TEST_F(LocalProcessTest, DeathBySignalReports128PlusTheSignal)
{
    runShell("kill -KILL $$");
    ASSERT_TRUE(runUntilExit());
    EXPECT_EQ(recorder.exit, std::optional<std::int32_t>(128 + SIGKILL));
}

TEST_F(LocalProcessTest, ChildSeesTheDelegatesWindowSize)
{
    recorder.size = winsize{33, 101, 0, 0};
    runShell("stty size");
    ASSERT_TRUE(runUntilExit());
    EXPECT_EQ(recorder.output, "33 101\r\n");
}

TEST_F(LocalProcessTest, ChildGetsExactlyTheBuiltEnvironment)
{
    ::setenv("DISPLAY", ":77", 1);
    ::setenv("VELMORA_TEST_SECRET", "must-not-leak", 1);
    const std::vector<std::string> expected = PseudoTerminalHelpers::getEnvironmentVariables();
    EXPECT_NE(std::find(expected.begin(), expected.end(), "SHELL=" + PseudoTerminalHelpers::loginShell()),
              expected.end());
    process.startProcess("/usr/bin/env", {}, std::nullopt, std::nullopt, std::nullopt);
    ASSERT_TRUE(runUntilExit());
    ::unsetenv("VELMORA_TEST_SECRET");
    ::unsetenv("DISPLAY");

    EXPECT_EQ(terminalLines(recorder.output), expected);
    EXPECT_NE(std::find(expected.begin(), expected.end(), "DISPLAY=:77"), expected.end());
    EXPECT_EQ(expected.front(), "TERM=xterm-256color");
    EXPECT_EQ(recorder.output.find("VELMORA_TEST_SECRET"), std::string::npos);
    EXPECT_EQ(recorder.output.find("PATH="), std::string::npos);
}

TEST_F(LocalProcessTest, GivenEnvironmentArgv0AndDirectoryAreUsed)
{
    process.startProcess("/bin/sh",
                         {"-c", "echo \"$0|$GREETING|$(pwd)\""},
                         std::vector<std::string>{"GREETING=hi"},
                         std::string("-velmora"),
                         std::string("/tmp"));
    ASSERT_TRUE(runUntilExit());
    EXPECT_EQ(recorder.output, "-velmora|hi|/tmp\r\n");
}

TEST_F(LocalProcessTest, MissingDirectoryLeavesTheChildWhereItWas)
{
    process.startProcess("/bin/sh", {"-c", "pwd"}, std::nullopt, std::nullopt, std::string("/nonexistent/dir"));
    ASSERT_TRUE(runUntilExit());
    EXPECT_EQ(recorder.output, std::filesystem::current_path().string() + "\r\n");
}

TEST_F(LocalProcessTest, TerminalIsInUtf8ModeAndSignalsStartClean)
{
    // The child must not inherit what this process ignores or blocks.
    struct sigaction ignore {
    }, previousInt{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGINT, &ignore, &previousInt);
    sigset_t usr1, previousMask;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    ::pthread_sigmask(SIG_BLOCK, &usr1, &previousMask);

    runShell("stty -a | tr ' ' '\\n' | grep -x -e iutf8 -e -iutf8; grep -E '^Sig(Ign|Blk)' /proc/self/status");

    ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    ::sigaction(SIGINT, &previousInt, nullptr);

    ASSERT_TRUE(runUntilExit());
    const auto lines = terminalLines(recorder.output);
    ASSERT_EQ(lines.size(), 3u) << recorder.output;
    EXPECT_EQ(lines[0], "iutf8");
    EXPECT_EQ(lines[1], "SigBlk:\t0000000000000000");
    EXPECT_EQ(lines[2], "SigIgn:\t0000000000000000");
}

TEST_F(LocalProcessTest, ChildInheritsNoOtherTerminal)
{
    RecordingDelegate otherRecorder;
    LocalProcess other(&otherRecorder, loop);
    other.startProcess("/bin/sh", {"-c", "read line"}, std::nullopt, std::nullopt, std::nullopt);
    ASSERT_TRUE(other.running());

    runShell("ls -l /proc/self/fd/ | grep -c ptmx; ls /proc/self/fd | wc -l");
    ASSERT_TRUE(runUntilExit());
    const auto lines = terminalLines(recorder.output);
    ASSERT_EQ(lines.size(), 2u) << recorder.output;
    EXPECT_EQ(lines[0], "0");
    // 0, 1, 2 and the descriptor ls opened on the directory.
    EXPECT_EQ(lines[1], "4");
}

TEST_F(LocalProcessTest, WritesReachTheChildInOrder)
{
    runShell("stty raw -echo; echo ready; head -c 60000 | cksum");
    ASSERT_TRUE(runUntilOutput("ready"));

    std::string sent;
    for (int i = 0; i < 1000; ++i) {
        char piece[61];
        std::snprintf(piece, sizeof piece, "%059d\n", i);
        sent += piece;
        process.send(std::span(reinterpret_cast<const std::uint8_t*>(piece), 60));
    }
    EXPECT_EQ(process.sendCount(), 1000);

    // The same checksum over what was sent, computed by the same tool.
    const std::string dir = makeTempDir();
    ASSERT_FALSE(dir.empty());
    const std::string file = dir + "/sent";
    std::ofstream(file, std::ios::binary) << sent;
    const std::string command = "cksum < " + file;
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char expected[128] = {};
    ASSERT_NE(std::fgets(expected, sizeof expected, pipe), nullptr);
    ::pclose(pipe);
    std::filesystem::remove_all(dir);
    std::string expectedLine(expected);
    expectedLine.erase(expectedLine.find_last_not_of('\n') + 1);

    ASSERT_TRUE(runUntilExit());
    EXPECT_EQ(recorder.exit, std::optional<std::int32_t>(0));
    EXPECT_NE(recorder.output.find(expectedLine), std::string::npos) << recorder.output;
    EXPECT_TRUE(loop.runUntil([&] { return process.total() == 60000; }, 10s));
}

TEST_F(LocalProcessTest, AChildReadsTheAnswersToItsQueries)
{
    // The delegate plays the terminal: each query it sees is answered
    // through send(), and the child prints what it read back.
    const std::string da1 = "\x1b[?65;1c";
    const std::string cpr = "\x1b[3;7R";
    std::size_t scanned = 0;
    recorder.onData = [&](auto) {
        for (;;) {
            const auto da1At = recorder.output.find("\x1b[c", scanned);
            const auto cprAt = recorder.output.find("\x1b[6n", scanned);
            const auto at = std::min(da1At, cprAt);
            if (at == std::string::npos)
                return;
            const std::string& answer = at == da1At ? da1 : cpr;
            process.send(std::span(reinterpret_cast<const std::uint8_t*>(answer.data()), answer.size()));
            scanned = at + 1;
        }
    };
    runShell("stty raw -echo min 0 time 50; "
             "printf '\\033[c'; a=$(dd bs=64 count=1 2>/dev/null); "
             "printf '\\033[6n'; b=$(dd bs=64 count=1 2>/dev/null); "
             "printf '\\r\\n%s|%s\\r\\n' \"$a\" \"$b\" | tr '\\033' E");
    ASSERT_TRUE(runUntilExit());
    EXPECT_NE(recorder.output.find("E[?65;1c|E[3;7R\r\n"), std::string::npos) << recorder.output;
}

TEST_F(LocalProcessTest, SendWithoutARunningChildWritesNothing)
{
    const std::uint8_t byte = 'x';
    process.send(std::span(&byte, 1));
    EXPECT_EQ(process.sendCount(), 0);

    runShell("exit 0");
    ASSERT_TRUE(runUntilExit());
    ASSERT_TRUE(runUntilSettled());
    process.send(std::span(&byte, 1));
    EXPECT_EQ(process.sendCount(), 0);
}

TEST_F(LocalProcessTest, StartWhileRunningDoesNothing)
{
    runShell("read line");
    const pid_t first = process.shellPid();
    process.startProcess("/bin/sh", {"-c", "exit 9"}, std::nullopt, std::nullopt, std::nullopt);
    EXPECT_EQ(process.shellPid(), first);
    process.terminate();
}

TEST_F(LocalProcessTest, ForcedStartReplacesARunningChildWithoutLeavingItBehind)
{
    runShell("echo first; read line");
    ASSERT_TRUE(runUntilOutput("first"));
    const pid_t first = process.shellPid();
    process.startProcessWithForkpty("/bin/sh", {"-c", "echo second; exit 5"}, std::nullopt, std::nullopt, std::nullopt);
    EXPECT_NE(process.shellPid(), first);
    ASSERT_TRUE(runUntilExit());
    EXPECT_EQ(recorder.exit, std::optional<std::int32_t>(5));
    EXPECT_EQ(recorder.events.back(), "exit");
    EXPECT_EQ(std::count(recorder.events.begin(), recorder.events.end(), "exit"), 1);
    EXPECT_TRUE(eventually([first] { return !processExists(first); }));
}

TEST_F(LocalProcessTest, CanBeStartedAgainAfterTheChildEnded)
{
    runShell("exit 1");
    ASSERT_TRUE(runUntilExit());
    ASSERT_TRUE(runUntilSettled());
    recorder.exit.reset();
    runShell("printf again; exit 2");
    ASSERT_TRUE(runUntilExit());
    EXPECT_EQ(recorder.exit, std::optional<std::int32_t>(2));
    EXPECT_EQ(recorder.output, "again");
}

TEST_F(LocalProcessTest, TerminateReapsTheChildAndReportsNothing)
{
    runShell("echo started; while :; do sleep 1; done");
    ASSERT_TRUE(runUntilOutput("started"));
    const pid_t pid = process.shellPid();
    process.terminate();
    EXPECT_FALSE(process.running());
    EXPECT_EQ(process.childfd(), -1);
    EXPECT_TRUE(eventually([pid] { return !processExists(pid); }));
    loop.runFor(200ms);
    EXPECT_FALSE(recorder.exit.has_value());
}

TEST_F(LocalProcessTest, TerminateKillsAChildThatIgnoresTermAndHangup)
{
    runShell("trap '' TERM HUP; echo started; while :; do :; done");
    ASSERT_TRUE(runUntilOutput("started"));
    const pid_t pid = process.shellPid();
    process.terminate();
    EXPECT_TRUE(eventually([pid] { return !processExists(pid); }, LocalProcess::killGracePeriod + 10s));
}

TEST_F(LocalProcessTest, DestroyingARunningProcessLeavesNoZombie)
{
    pid_t pid = 0;
    {
        RecordingDelegate local;
        LocalProcess doomed(&local, loop);
        doomed.startProcess("/bin/sh", {"-c", "read line"}, std::nullopt, std::nullopt, std::nullopt);
        pid = doomed.shellPid();
        ASSERT_GT(pid, 0);
    }
    EXPECT_TRUE(eventually([pid] { return !processExists(pid); }));
    loop.runFor(50ms); // stale drains must find nothing to touch
}

TEST_F(LocalProcessTest, OutputOfAProcessThatOutlivesTheChildStillArrives)
{
    // The child ends while a background process it left still holds the
    // terminal: the exit is reported without waiting for that process, and
    // its later output is still delivered.
    runShell("trap '' HUP; (sleep 1; printf late) & printf early; exit 4");
    ASSERT_TRUE(runUntilExit());
    EXPECT_EQ(recorder.exit, std::optional<std::int32_t>(4));
    EXPECT_EQ(recorder.output.substr(0, recorder.outputAtExit), "early");
    EXPECT_FALSE(process.running());
    ASSERT_TRUE(runUntilOutput("late"));
    EXPECT_TRUE(runUntilSettled());
}

TEST_F(LocalProcessTest, AFloodFromAProcessThatOutlivesTheChildDoesNotHoldBackTheExit)
{
    runShell("trap '' HUP; yes & sleep 0.2; exit 4");
    ASSERT_TRUE(runUntilExit());
    EXPECT_EQ(recorder.exit, std::optional<std::int32_t>(4));
    // Closing the terminal ends the flood: its writes fail from then on.
    process.terminate();
}

TEST_F(LocalProcessTest, HostLoggingWritesEachChunkToItsOwnFile)
{
    const std::filesystem::path dir = makeTempDir();
    ASSERT_FALSE(dir.empty());
    process.setHostLogging(dir.string());
    runShell("printf one; sleep 0.2; printf two");
    ASSERT_TRUE(runUntilExit());

    std::string joined;
    for (int i = 0; i < process.logFileCounter(); ++i) {
        std::ifstream file(dir / ("log-" + std::to_string(i)), std::ios::binary);
        ASSERT_TRUE(file.good()) << i;
        std::stringstream content;
        content << file.rdbuf();
        joined += content.str();
    }
    EXPECT_GE(process.logFileCounter(), 2);
    EXPECT_EQ(joined, "onetwo");
    std::filesystem::remove_all(dir);
}

TEST_F(LocalProcessTest, YesKeepsPendingBytesBoundedAndLosesNothing)
{
    std::size_t highest = 0;
    std::size_t received = 0;
    bool intact = true;
    recorder.onData = [&](std::span<const std::uint8_t> slice) {
        // "y\r\n" over and over, split anywhere between chunks.
        for (std::uint8_t byte : slice) {
            const char expected = "y\r\n"[received % 3];
            intact = intact && byte == expected;
            ++received;
        }
        highest = std::max(highest, process.pendingBytes());
        recorder.output.clear();
    };
    runShell("exec yes");

    // With nobody draining, the reader stops once the limit is passed.
    ASSERT_TRUE(eventually([&] { return process.pendingBytes() > LocalProcess::maxPendingBytes; }));
    const std::size_t bound = LocalProcess::maxPendingBytes + LocalProcess::readSize;
    for (int i = 0; i < 50; ++i) {
        highest = std::max(highest, process.pendingBytes());
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_LE(highest, bound);

    // Draining lets it go on, still bounded.
    EXPECT_TRUE(loop.runUntil([&] { return received > 3 * LocalProcess::maxPendingBytes; }, 30s));
    EXPECT_LE(highest, bound);
    EXPECT_TRUE(intact);
    process.terminate();
}

// Reaches the hand-over list directly, without a child.
class DirectFeedProcess : public LocalProcess {
public:
    using LocalProcess::enqueueReceivedData;
    using LocalProcess::LocalProcess;
};

class DrainTest : public ::testing::Test {
protected:
    RunLoopExecutor loop{RunLoopExecutor::ClockMode::Manual};
    RecordingDelegate recorder;
    DirectFeedProcess process{&recorder, loop};

    void feed(int count)
    {
        for (int i = 0; i < count; ++i)
            process.enqueueReceivedData({static_cast<std::uint8_t>('A' + i % 26)});
    }

    // Runs the one pending drain. A drain that a loaded machine held up past
    // its time slice rightly leaves the rest to a drain of its own: that one
    // runs too, and the answer is false.
    bool drainOnce()
    {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(loop.runPending(), 1);
        if (std::chrono::steady_clock::now() - start < LocalProcess::pendingTimeSlice)
            return true;
        while (loop.runPending() > 0) {}
        return false;
    }
};

TEST_F(DrainTest, ManyQueuedChunksArriveInOrderFromOneDrain)
{
    feed(40);
    EXPECT_EQ(loop.pendingCount(), 1u);
    drainOnce();
    std::string expected;
    for (int i = 0; i < 40; ++i)
        expected.push_back(static_cast<char>('A' + i % 26));
    EXPECT_EQ(recorder.output, expected);
    EXPECT_EQ(recorder.events.size(), 40u);
    EXPECT_FALSE(process.drainScheduled());
    EXPECT_EQ(process.pendingBytes(), 0u);
}

TEST_F(DrainTest, ASlowDelegateGetsOneChunkPerSlice)
{
    recorder.onData = [](auto) { std::this_thread::sleep_for(LocalProcess::pendingTimeSlice + 1ms); };
    feed(3);
    for (int delivered = 1; delivered <= 3; ++delivered) {
        EXPECT_EQ(loop.runPending(), 1);
        EXPECT_EQ(recorder.events.size(), static_cast<std::size_t>(delivered));
        EXPECT_EQ(process.drainScheduled(), delivered < 3 || loop.pendingCount() > 0);
    }
    loop.runPending();
    EXPECT_FALSE(process.drainScheduled());
    EXPECT_EQ(recorder.output, "ABC");
}

TEST_F(DrainTest, AChunkArrivingDuringADrainIsDeliveredByIt)
{
    bool fedMore = false;
    recorder.onData = [&](auto) {
        if (!fedMore) {
            fedMore = true;
            process.enqueueReceivedData({'z'});
        }
    };
    feed(1);
    drainOnce();
    EXPECT_EQ(recorder.output, "Az");
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST_F(DrainTest, ChunksForAGoneDelegateAreDropped)
{
    feed(5);
    process.setDelegate(nullptr);
    loop.runPending();
    EXPECT_TRUE(recorder.output.empty());
    EXPECT_FALSE(process.drainScheduled());
}

TEST_F(DrainTest, AScheduledDrainOutlivingTheProcessDoesNothing)
{
    RecordingDelegate local;
    {
        DirectFeedProcess shortLived(&local, loop);
        shortLived.enqueueReceivedData({'x'});
    }
    EXPECT_EQ(loop.runPending(), 1);
    EXPECT_TRUE(local.output.empty());
}

} // namespace
