#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

namespace corvel {

// Where the engine's work runs. The engine itself is single-threaded: every
// task posted here runs on the executor's own thread, one at a time, in the
// order it was posted (delayed tasks in the order they fall due). post() and
// postDelayed() may be called from any thread.
//
// Tests and tools use RunLoopExecutor; the application drives it from its
// event loop.
class Executor {
public:
    using Task = std::function<void()>;
    using Duration = std::chrono::nanoseconds;

    // Handle on one piece of delayed work. Cancelling stops the task from
    // running if it has not started yet; cancelling after it ran, cancelling
    // twice, or cancelling an empty token does nothing. Copies share the state.
    class CancelToken {
    public:
        CancelToken() = default;

        static CancelToken make() { return CancelToken(std::make_shared<std::atomic<bool>>(false)); }

        void cancel() const
        {
            if (state_)
                state_->store(true, std::memory_order_release);
        }

        bool isCancelled() const { return state_ && state_->load(std::memory_order_acquire); }
        bool isValid() const { return state_ != nullptr; }

    private:
        explicit CancelToken(std::shared_ptr<std::atomic<bool>> state) : state_(std::move(state)) {}
        std::shared_ptr<std::atomic<bool>> state_;
    };

    virtual ~Executor();

    // Runs task soon, after the tasks already posted.
    virtual void post(Task task) = 0;

    // Runs task once delay has passed, unless the returned token is cancelled
    // first. A zero or negative delay behaves like post().
    virtual CancelToken postDelayed(Duration delay, Task task) = 0;
};

} // namespace corvel
