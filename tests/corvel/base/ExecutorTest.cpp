#include "corvel/base/RunLoopExecutor.h"

#include <gtest/gtest.h>

#include <functional>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using corvel::Executor;
using corvel::RunLoopExecutor;

namespace {

class ManualExecutorTest : public ::testing::Test {
protected:
    RunLoopExecutor loop{RunLoopExecutor::ClockMode::Manual};
    std::vector<std::string> log;

    auto record(std::string what)
    {
        return [this, what] { log.push_back(what); };
    }
};

TEST_F(ManualExecutorTest, PostedTasksRunInOrderOnlyWhenTheLoopRuns)
{
    loop.post(record("a"));
    loop.post(record("b"));
    loop.post(record("c"));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(loop.runPending(), 3);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(ManualExecutorTest, RunPendingLeavesWorkPostedByTasksForLater)
{
    // A task that keeps re-posting itself must not trap runPending().
    std::function<void()> again = [&] {
        log.push_back("tick");
        loop.post(again);
    };
    loop.post(again);
    EXPECT_EQ(loop.runPending(), 1);
    EXPECT_EQ(loop.runPending(), 1);
    EXPECT_EQ(log.size(), 2u);
    EXPECT_EQ(loop.pendingCount(), 1u);
}

TEST_F(ManualExecutorTest, DelayedTasksFireInDueOrderWhenTheClockReachesThem)
{
    loop.postDelayed(30ms, record("30"));
    loop.postDelayed(10ms, record("10"));
    loop.postDelayed(20ms, record("20a"));
    loop.postDelayed(20ms, record("20b"));

    loop.advance(9ms);
    EXPECT_TRUE(log.empty());
    loop.advance(1ms);
    EXPECT_EQ(log, (std::vector<std::string>{"10"}));
    loop.advance(25ms);
    EXPECT_EQ(log, (std::vector<std::string>{"10", "20a", "20b", "30"}));
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST_F(ManualExecutorTest, ClockStandsAtEachDueTimeWhileItsTaskRuns)
{
    const auto start = loop.now();
    std::vector<std::chrono::nanoseconds> seen;
    auto stamp = [&] { seen.push_back(loop.now() - start); };
    loop.postDelayed(5ms, stamp);
    loop.postDelayed(15ms, [&] {
        stamp();
        // Due inside the same advance: fires before it returns.
        loop.postDelayed(3ms, stamp);
    });
    loop.advance(20ms);
    EXPECT_EQ(seen, (std::vector<std::chrono::nanoseconds>{5ms, 15ms, 18ms}));
    EXPECT_EQ(loop.now() - start, 20ms);
}

TEST_F(ManualExecutorTest, CancelledWorkNeverRunsAndCancelIsAlwaysSafe)
{
    auto early = loop.postDelayed(10ms, record("early"));
    auto late = loop.postDelayed(20ms, record("late"));
    auto immediate = loop.postDelayed(0ms, record("immediate"));
    immediate.cancel();
    early.cancel();
    early.cancel();
    loop.advance(15ms);
    EXPECT_TRUE(log.empty());
    loop.advance(10ms);
    EXPECT_EQ(log, (std::vector<std::string>{"late"}));

    late.cancel(); // after it ran
    Executor::CancelToken none;
    none.cancel();
    EXPECT_FALSE(none.isValid());
    EXPECT_TRUE(late.isValid());
}

TEST_F(ManualExecutorTest, RearmedTimeoutFiresOnceAfterTheLatestArm)
{
    // The pattern of a watchdog that each new begin pushes back.
    Executor::CancelToken pending;
    int fired = 0;
    auto arm = [&] {
        pending.cancel();
        pending = loop.postDelayed(1000ms, [&] { ++fired; });
    };
    arm();
    loop.advance(600ms);
    arm();
    loop.advance(600ms);
    EXPECT_EQ(fired, 0);
    loop.advance(400ms);
    EXPECT_EQ(fired, 1);
    loop.advance(5000ms);
    EXPECT_EQ(fired, 1);
}

TEST_F(ManualExecutorTest, CancellingFromInsideAnEarlierTaskStopsALaterOne)
{
    Executor::CancelToken victim;
    loop.postDelayed(5ms, [&] { victim.cancel(); });
    victim = loop.postDelayed(5ms, record("victim"));
    loop.advance(10ms);
    EXPECT_TRUE(log.empty());
}

TEST(RunLoopExecutorTest, PostsFromManyThreadsAllRun)
{
    RunLoopExecutor loop;
    constexpr int threads = 8;
    constexpr int perThread = 500;
    int ran = 0; // touched only on the loop's thread
    std::vector<std::thread> posters;
    for (int t = 0; t < threads; ++t)
        posters.emplace_back([&] {
            for (int i = 0; i < perThread; ++i)
                loop.post([&] { ++ran; });
        });
    EXPECT_TRUE(loop.runUntil([&] { return ran == threads * perThread; }, 10s));
    for (auto& t : posters)
        t.join();
    loop.runPending();
    EXPECT_EQ(ran, threads * perThread);
}

TEST(RunLoopExecutorTest, PostsFromOneThreadKeepTheirOrder)
{
    RunLoopExecutor loop;
    std::vector<int> order;
    std::thread poster([&] {
        for (int i = 0; i < 1000; ++i)
            loop.post([&order, i] { order.push_back(i); });
    });
    EXPECT_TRUE(loop.runUntil([&] { return order.size() == 1000; }, 10s));
    poster.join();
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(order[i], i);
}

TEST(RunLoopExecutorTest, RunUntilWakesForWorkFromAnotherThread)
{
    RunLoopExecutor loop;
    std::atomic<bool> go{false};
    bool done = false;
    std::thread worker([&] {
        while (!go.load())
            std::this_thread::yield();
        loop.post([&] { done = true; });
    });
    go = true;
    EXPECT_TRUE(loop.runUntil([&] { return done; }, 10s));
    worker.join();
}

TEST(RunLoopExecutorTest, RunUntilGivesUpAtTheTimeout)
{
    RunLoopExecutor loop;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(loop.runUntil([] { return false; }, 30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
}

// A loop that never runs out of work (a task that posts itself again, as a
// drain of a flooding child does) still returns when its time is up.
TEST(RunLoopExecutorTest, AlwaysBusyLoopStillStopsAtItsDeadline)
{
    RunLoopExecutor loop;
    std::function<void()> again;
    int runs = 0;
    again = [&] {
        ++runs;
        loop.post(again);
    };
    loop.post(again);
    EXPECT_FALSE(loop.runUntil([] { return false; }, 30ms));
    const int afterRunUntil = runs;
    EXPECT_GT(afterRunUntil, 0);
    loop.runFor(30ms);
    EXPECT_GT(runs, afterRunUntil);
}

TEST(RunLoopExecutorTest, RealClockDelayedTaskFiresWhileWaiting)
{
    RunLoopExecutor loop;
    bool fired = false;
    const auto start = std::chrono::steady_clock::now();
    loop.postDelayed(20ms, [&] { fired = true; });
    EXPECT_TRUE(loop.runUntil([&] { return fired; }, 10s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);
}

TEST(RunLoopExecutorTest, CancelFromAnotherThreadBeforeDueStopsTheTask)
{
    RunLoopExecutor loop;
    bool fired = false;
    auto token = loop.postDelayed(50ms, [&] { fired = true; });
    std::thread([token] { token.cancel(); }).join();
    loop.runFor(80ms);
    EXPECT_FALSE(fired);
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST(RunLoopExecutorTest, TaskCapturesAreReleasedAfterRunningOrCancelling)
{
    RunLoopExecutor loop{RunLoopExecutor::ClockMode::Manual};
    auto ran = std::make_shared<int>(0);
    auto dropped = std::make_shared<int>(0);
    loop.post([ran] { ++*ran; });
    loop.postDelayed(5ms, [dropped] { ++*dropped; }).cancel();
    loop.advance(10ms);
    EXPECT_EQ(*ran, 1);
    EXPECT_EQ(*dropped, 0);
    EXPECT_EQ(ran.use_count(), 1);
    EXPECT_EQ(dropped.use_count(), 1);
}

} // namespace
