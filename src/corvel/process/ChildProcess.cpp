#include "corvel/process/ChildProcess.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <thread>

namespace corvel {

namespace {

int openPidfd(pid_t pid)
{
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        // pidfds are created close-on-exec.
        return static_cast<int>(fd);
    }
#endif
    return -1;
}

int sendThroughPidfd(int pidfd, int sig)
{
#ifdef SYS_pidfd_send_signal
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0));
#else
    errno = ENOSYS;
    return -1;
#endif
}

} // namespace

ChildProcess::ChildProcess(pid_t pid, int pidfd, int exitFd) : pid_(pid), pidfd_(pidfd), exitFd_(exitFd) {}

ChildProcess::~ChildProcess()
{
    if (exitFd_ >= 0)
        ::close(exitFd_);
}

std::shared_ptr<ChildProcess> ChildProcess::adopt(pid_t pid, bool forceWaiterThread)
{
    const int pidfd = forceWaiterThread ? -1 : openPidfd(pid);
    if (pidfd >= 0)
        return std::shared_ptr<ChildProcess>(new ChildProcess(pid, pidfd, pidfd));

    const int event = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::shared_ptr<ChildProcess> child(new ChildProcess(pid, -1, event));
    // The waiter keeps the child object (and so the eventfd) alive until the
    // exit. WNOWAIT leaves the child unreaped, so its pid cannot be reused
    // while signal() may still reach it.
    std::thread([child] {
        ::pthread_setname_np(::pthread_self(), "child-wait");
        siginfo_t info{};
        while (::waitid(P_PID, static_cast<id_t>(child->pid_), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {}
        const std::uint64_t one = 1;
        if (child->exitFd_ >= 0)
            (void)!::write(child->exitFd_, &one, sizeof one);
    }).detach();
    return child;
}

bool ChildProcess::signal(int sig)
{
    std::lock_guard lock(mutex_);
    if (reaped_)
        return false;
    if (pidfd_ >= 0)
        return sendThroughPidfd(pidfd_, sig) == 0;
    return ::kill(pid_, sig) == 0;
}

bool ChildProcess::tryReap()
{
    std::lock_guard lock(mutex_);
    if (reaped_)
        return true;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid_, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0)
        return false;
    reaped_ = true;
    if (result == pid_)
        exitCode_ = exitCodeFromWaitStatus(status);
    return true;
}

bool ChildProcess::isReaped() const
{
    std::lock_guard lock(mutex_);
    return reaped_;
}

std::optional<std::int32_t> ChildProcess::exitCode() const
{
    std::lock_guard lock(mutex_);
    return exitCode_;
}

bool ChildProcess::waitForExit(int timeoutMs) const
{
    if (exitFd_ < 0)
        return false;
    pollfd entry{exitFd_, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&entry, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

bool ChildProcess::waitAndReap(std::chrono::milliseconds timeout)
{
    if (tryReap())
        return true;
    return waitForExit(static_cast<int>(timeout.count())) && tryReap();
}

void ChildProcess::reapInBackground(std::shared_ptr<ChildProcess> child, std::chrono::milliseconds killAfter)
{
    if (!child || child->tryReap())
        return;
    std::thread([child = std::move(child), killAfter] {
        ::pthread_setname_np(::pthread_self(), "child-reap");
        if (!child->waitForExit(static_cast<int>(killAfter.count())))
            child->signal(SIGKILL);
        while (!child->tryReap())
            child->waitForExit(1000);
    }).detach();
}

std::optional<std::int32_t> ChildProcess::exitCodeFromWaitStatus(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return std::nullopt;
}

} // namespace corvel
