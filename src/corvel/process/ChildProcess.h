#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace corvel {

// One child of this process, watched and reaped without a SIGCHLD handler
// and without ever signalling a process id that may have been recycled.
//
// The child is watched through a pidfd; where the kernel has none, a helper
// thread waits for the exit (without reaping it) and signals an eventfd, and
// signals are only sent while the child is not yet reaped.
class ChildProcess {
public:
    // Takes charge of pid, which must be an unreaped child of this process.
    // forceWaiterThread selects the fallback watch even where pidfd works.
    static std::shared_ptr<ChildProcess> adopt(pid_t pid, bool forceWaiterThread = false);

    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }

    // A descriptor that polls readable once the child has ended. It stays
    // readable; nobody reads from it.
    int exitFd() const { return exitFd_; }

    // Sends sig to the child; false (and nothing sent) once it is reaped.
    bool signal(int sig);

    // Reaps the child if it has ended; true once it is reaped.
    bool tryReap();
    bool isReaped() const;

    // The exit code once reaped: the exit status, or 128 plus the signal that
    // ended it; nothing when the status was lost (someone else reaped it).
    std::optional<std::int32_t> exitCode() const;

    // Makes sure the child is reaped without waiting for it here: when it has
    // not ended within killAfter it is sent SIGKILL; a detached thread waits.
    static void reapInBackground(std::shared_ptr<ChildProcess> child, std::chrono::milliseconds killAfter);

    // Blocks until the child has ended (or timeout passes) and reaps it.
    bool waitAndReap(std::chrono::milliseconds timeout);

    static std::optional<std::int32_t> exitCodeFromWaitStatus(int status);

private:
    ChildProcess(pid_t pid, int pidfd, int exitFd);
    bool waitForExit(int timeoutMs) const;

    const pid_t pid_;
    const int pidfd_; // -1 when the kernel gives none
    const int exitFd_; // the pidfd, or an eventfd set by the waiter thread

    mutable std::mutex mutex_;
    bool reaped_ = false;
    std::optional<std::int32_t> exitCode_;
};

} // namespace corvel
