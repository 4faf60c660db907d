#include "corvel/base/DiagnosticRateLimiter.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using corvel::DiagnosticRateLimiter;

namespace {

using Clock = DiagnosticRateLimiter::Clock;

int admitted(DiagnosticRateLimiter& limiter, Clock::time_point at, int lines)
{
    int written = 0;
    for (int i = 0; i < lines; ++i)
        written += limiter.admit(at).write ? 1 : 0;
    return written;
}

TEST(DiagnosticRateLimiter, LetsABurstThroughThenAFewLinesASecond)
{
    DiagnosticRateLimiter limiter;
    const Clock::time_point start{};
    EXPECT_EQ(admitted(limiter, start, 10'000), DiagnosticRateLimiter::kBurst);
    EXPECT_EQ(admitted(limiter, start + 1s, 10'000), DiagnosticRateLimiter::kLinesPerSecond);
    EXPECT_EQ(admitted(limiter, start + 1s + 100ms, 10'000), 0);
    // A long quiet spell refills only up to the burst.
    EXPECT_EQ(admitted(limiter, start + 1h, 10'000), DiagnosticRateLimiter::kBurst);
}

TEST(DiagnosticRateLimiter, TheNextLineWrittenCountsTheDroppedOnes)
{
    DiagnosticRateLimiter limiter;
    const Clock::time_point start{};
    admitted(limiter, start, DiagnosticRateLimiter::kBurst);
    EXPECT_EQ(admitted(limiter, start, 7), 0);
    const auto next = limiter.admit(start + 1s);
    EXPECT_TRUE(next.write);
    EXPECT_EQ(next.droppedBefore, 7u);
    EXPECT_EQ(limiter.admit(start + 1s).droppedBefore, 0u);
}

TEST(DiagnosticRateLimiter, AClockThatStepsBackRefillsNothing)
{
    DiagnosticRateLimiter limiter;
    const Clock::time_point start = Clock::time_point{} + 10s;
    admitted(limiter, start, DiagnosticRateLimiter::kBurst);
    EXPECT_EQ(admitted(limiter, start - 5s, 100), 0);
    EXPECT_EQ(admitted(limiter, start + 1s, 100), DiagnosticRateLimiter::kLinesPerSecond);
}

} // namespace
