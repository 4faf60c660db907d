#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QObject>

#include "ViewTestSupport.h"
#include "corvel/qt/QtExecutor.h"

namespace corvel {
namespace {

using namespace std::chrono_literals;

TEST(QtExecutor, PostedTasksRunInOrderOnTheEventLoop)
{
    QObject context;
    QtExecutor executor(&context);
    std::vector<int> ran;
    executor.post([&] { ran.push_back(1); });
    executor.post([&] { ran.push_back(2); });
    EXPECT_TRUE(ran.empty());
    ASSERT_TRUE(test::waitFor([&] { return ran.size() == 2; }));
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST(QtExecutor, DelayedTasksWaitAndCanBeCancelled)
{
    QObject context;
    QtExecutor executor(&context);
    bool kept = false;
    bool cancelled = false;
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point ranAt;
    executor.postDelayed(30ms, [&] {
        kept = true;
        ranAt = std::chrono::steady_clock::now();
    });
    executor.postDelayed(10ms, [&] { cancelled = true; }).cancel();
    ASSERT_TRUE(test::waitFor([&] { return kept; }));
    EXPECT_GE(ranAt - start, 29ms); // timers may round to the millisecond
    test::waitFor([] { return false; }, 30);
    EXPECT_FALSE(cancelled);
}

TEST(QtExecutor, WorkPostedFromAnotherThreadRunsOnTheContextThread)
{
    QObject context;
    QtExecutor executor(&context);
    std::atomic<int> count{0};
    std::thread::id ranOn;
    std::thread poster([&] {
        executor.post([&] {
            ranOn = std::this_thread::get_id();
            ++count;
        });
        executor.postDelayed(5ms, [&] { ++count; });
    });
    poster.join();
    ASSERT_TRUE(test::waitFor([&] { return count == 2; }));
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(QtExecutor, TasksOfADestroyedContextAreDropped)
{
    bool ran = false;
    {
        QObject context;
        QtExecutor executor(&context);
        executor.post([&] { ran = true; });
        executor.postDelayed(1ms, [&] { ran = true; });
    }
    test::waitFor([] { return false; }, 20);
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace corvel
