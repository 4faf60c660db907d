#include "corvel/base/RunLoopExecutor.h"

#include <algorithm>

namespace corvel {

using SteadyClock = std::chrono::steady_clock;

RunLoopExecutor::RunLoopExecutor(ClockMode mode) : mode_(mode), manualNow_(SteadyClock::now()) {}

RunLoopExecutor::~RunLoopExecutor() = default;

void RunLoopExecutor::post(Task task)
{
    {
        std::lock_guard lock(mutex_);
        ready_.push_back({std::move(task), CancelToken()});
    }
    wake_.notify_all();
}

Executor::CancelToken RunLoopExecutor::postDelayed(Duration delay, Task task)
{
    CancelToken token = CancelToken::make();
    {
        std::lock_guard lock(mutex_);
        if (delay <= Duration::zero())
            ready_.push_back({std::move(task), token});
        else
            delayed_.emplace(DelayedKey{clockNow() + delay, sequence_++}, Delayed{std::move(task), token});
    }
    wake_.notify_all();
    return token;
}

RunLoopExecutor::TimePoint RunLoopExecutor::now() const
{
    std::lock_guard lock(mutex_);
    return clockNow();
}

RunLoopExecutor::TimePoint RunLoopExecutor::clockNow() const
{
    return mode_ == ClockMode::Manual ? manualNow_ : SteadyClock::now();
}

void RunLoopExecutor::promoteDue(TimePoint at)
{
    auto it = delayed_.begin();
    while (it != delayed_.end() && it->first.first <= at) {
        ready_.push_back(std::move(it->second));
        it = delayed_.erase(it);
    }
}

bool RunLoopExecutor::runOne(std::unique_lock<std::mutex>& lock)
{
    promoteDue(clockNow());
    if (ready_.empty())
        return false;
    Delayed next = std::move(ready_.front());
    ready_.pop_front();
    if (next.token.isCancelled())
        return true;
    lock.unlock();
    next.task();
    // Captures are released before the lock is taken again, so a task's
    // destructor may post.
    next.task = nullptr;
    lock.lock();
    return true;
}

int RunLoopExecutor::runPending()
{
    std::unique_lock lock(mutex_);
    promoteDue(clockNow());
    std::size_t budget = ready_.size();
    int ran = 0;
    while (budget-- > 0 && runOne(lock))
        ++ran;
    return ran;
}

bool RunLoopExecutor::runUntil(const std::function<bool()>& predicate, Duration timeout)
{
    const TimePoint deadline = SteadyClock::now() + timeout;
    for (;;) {
        if (predicate())
            return true;
        // The deadline is checked before every task: a loop that always has
        // work (a child flooding the terminal) must still give up in time.
        if (SteadyClock::now() >= deadline)
            break;
        std::unique_lock lock(mutex_);
        if (runOne(lock))
            continue;
        TimePoint wakeAt = deadline;
        if (mode_ == ClockMode::Real && !delayed_.empty())
            wakeAt = std::min(wakeAt, delayed_.begin()->first.first);
        wake_.wait_until(lock, wakeAt, [this] { return !ready_.empty(); });
    }
    return predicate();
}

void RunLoopExecutor::runFor(Duration duration)
{
    if (mode_ == ClockMode::Manual) {
        advance(duration);
        return;
    }
    const TimePoint deadline = SteadyClock::now() + duration;
    std::unique_lock lock(mutex_);
    for (;;) {
        if (SteadyClock::now() >= deadline)
            return;
        if (runOne(lock))
            continue;
        TimePoint wakeAt = deadline;
        if (!delayed_.empty())
            wakeAt = std::min(wakeAt, delayed_.begin()->first.first);
        wake_.wait_until(lock, wakeAt, [this] { return !ready_.empty(); });
    }
}

void RunLoopExecutor::advance(Duration duration)
{
    if (mode_ == ClockMode::Real) {
        runFor(duration);
        return;
    }
    std::unique_lock lock(mutex_);
    const TimePoint target = manualNow_ + duration;
    for (;;) {
        while (runOne(lock)) {}
        if (delayed_.empty() || delayed_.begin()->first.first > target)
            break;
        manualNow_ = delayed_.begin()->first.first;
    }
    manualNow_ = target;
    while (runOne(lock)) {}
}

std::size_t RunLoopExecutor::pendingCount() const
{
    std::lock_guard lock(mutex_);
    return ready_.size() + delayed_.size();
}

} // namespace corvel
