#pragma once

#include "corvel/base/Executor.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

namespace corvel {

// A small run loop for tests and command-line tools. Tasks run on whichever
// thread calls one of the run functions; post() and postDelayed() may be
// called from any thread.
//
// With ClockMode::Manual, time stands still until advance() or runFor()
// moves it, so delayed work can be tested without sleeping. Work posted from
// other threads is still awaited in real time by runUntil().
class RunLoopExecutor final : public Executor {
public:
    enum class ClockMode { Real, Manual };
    using TimePoint = std::chrono::steady_clock::time_point;

    explicit RunLoopExecutor(ClockMode mode = ClockMode::Real);
    ~RunLoopExecutor() override;

    RunLoopExecutor(const RunLoopExecutor&) = delete;
    RunLoopExecutor& operator=(const RunLoopExecutor&) = delete;

    void post(Task task) override;
    CancelToken postDelayed(Duration delay, Task task) override;

    // The executor's idea of the current time (frozen in manual mode).
    TimePoint now() const;

    // Runs every task that is ready now, without waiting; returns how many ran.
    int runPending();

    // Runs tasks until predicate() holds or timeout has passed in real time;
    // returns the predicate's last value. The predicate is checked before
    // waiting and after every task.
    bool runUntil(const std::function<bool()>& predicate, Duration timeout);

    // Runs tasks for the given span: real time in real mode; in manual mode
    // the clock is moved forward at once, firing delayed work in due order.
    void runFor(Duration duration);

    // Manual mode: moves the clock forward by duration, running each delayed
    // task when its due time is reached. Real mode: the same as runFor().
    void advance(Duration duration);

    // Number of tasks waiting (ready and delayed, cancelled ones included).
    std::size_t pendingCount() const;

private:
    struct Delayed {
        Task task;
        CancelToken token;
    };
    using DelayedKey = std::pair<TimePoint, std::uint64_t>;

    TimePoint clockNow() const; // caller holds mutex_
    bool runOne(std::unique_lock<std::mutex>& lock);
    void promoteDue(TimePoint at);

    ClockMode mode_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Delayed> ready_;
    std::map<DelayedKey, Delayed> delayed_;
    std::uint64_t sequence_ = 0;
    TimePoint manualNow_;
};

} // namespace corvel
