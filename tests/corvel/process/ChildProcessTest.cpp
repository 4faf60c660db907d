#include "corvel/process/ChildProcess.h"

#include "ProcessTestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

using corvel::ChildProcess;
using corvel::testing::eventually;
using corvel::testing::processExists;
using namespace std::chrono_literals;

namespace {

pid_t spawn(void (*body)())
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        body();
        ::_exit(0);
    }
    return pid;
}

// Both ways of watching a child must behave the same.
class ChildProcessTest : public ::testing::TestWithParam<bool> {
protected:
    std::shared_ptr<ChildProcess> adopt(pid_t pid) { return ChildProcess::adopt(pid, GetParam()); }
};

TEST_P(ChildProcessTest, ReportsTheExitStatus)
{
    auto child = adopt(spawn([] { ::_exit(5); }));
    ASSERT_TRUE(child->waitAndReap(10s));
    EXPECT_TRUE(child->isReaped());
    EXPECT_EQ(child->exitCode(), 5);
    EXPECT_FALSE(processExists(child->pid()));
}

TEST_P(ChildProcessTest, ReportsADeathBySignalAs128PlusTheSignal)
{
    auto child = adopt(spawn([] {
        for (;;)
            ::pause();
    }));
    EXPECT_FALSE(child->tryReap());
    EXPECT_TRUE(child->signal(SIGKILL));
    ASSERT_TRUE(child->waitAndReap(10s));
    EXPECT_EQ(child->exitCode(), 128 + SIGKILL);
}

TEST_P(ChildProcessTest, NeverSignalsOnceReaped)
{
    auto child = adopt(spawn([] { ::_exit(0); }));
    ASSERT_TRUE(child->waitAndReap(10s));
    EXPECT_FALSE(child->signal(SIGTERM));
}

TEST_P(ChildProcessTest, BackgroundReapingKillsAChildThatIgnoresSigterm)
{
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGTERM, SIG_IGN);
        (void)!::write(ready[1], "r", 1);
        for (;;)
            ::pause();
    }
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);

    auto child = adopt(pid);
    EXPECT_TRUE(child->signal(SIGTERM));
    ChildProcess::reapInBackground(child, 100ms);
    EXPECT_TRUE(eventually([&] { return child->isReaped(); }));
    EXPECT_EQ(child->exitCode(), 128 + SIGKILL);
    EXPECT_FALSE(processExists(pid));
}

INSTANTIATE_TEST_SUITE_P(Watch, ChildProcessTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "WaiterThread" : "Pidfd"; });

TEST(ExitCodeTest, DecodesWaitStatuses)
{
    EXPECT_EQ(ChildProcess::exitCodeFromWaitStatus(3 << 8), 3);
    EXPECT_EQ(ChildProcess::exitCodeFromWaitStatus(SIGTERM), 128 + SIGTERM);
}

} // namespace
