#include "corvel/process/LocalProcess.h"

#include "corvel/process/ChildProcess.h"
#include "corvel/process/PseudoTerminalHelpers.h"
#include "corvel/process/PtyWriter.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

namespace corvel {

using SteadyClock = std::chrono::steady_clock;

// Everything that belongs to one start of the child.
struct LocalProcess::Run {
    std::uint64_t id = 0;
    int masterFd = -1;
    int wakeFd = -1; // wakes the reader: stop, or room again in the pending list
    std::shared_ptr<ChildProcess> child;
    std::unique_ptr<PtyWriter> writer;
    std::thread reader;
    std::atomic<bool> stopping{false};
};

namespace {

// More than the kernel's pseudo-terminal buffers hold: once this much has
// been read after the child ended, everything the child wrote has been read.
constexpr std::size_t kTerminalBufferBound = 1024 * 1024;

void signalEventFd(int fd)
{
    const std::uint64_t one = 1;
    if (fd >= 0)
        (void)!::write(fd, &one, sizeof one);
}

void clearEventFd(int fd)
{
    std::uint64_t value = 0;
    (void)!::read(fd, &value, sizeof value);
}

} // namespace

LocalProcess::LocalProcess(LocalProcessDelegate* delegate, Executor& executor)
    : delegate_(delegate), executor_(executor)
{
}

LocalProcess::~LocalProcess()
{
    // The reader is stopped first: it reads alive_ when it schedules a drain.
    stopRun(true);
    alive_.reset();
}

void LocalProcess::startProcess(const std::string& executable, const std::vector<std::string>& args,
                                const std::optional<std::vector<std::string>>& environment,
                                const std::optional<std::string>& execName,
                                const std::optional<std::string>& currentDirectory)
{
    if (running())
        return;
    startProcessWithForkpty(executable, args, environment, execName, currentDirectory);
}

void LocalProcess::startProcessWithForkpty(const std::string& executable, const std::vector<std::string>& args,
                                           const std::optional<std::vector<std::string>>& environment,
                                           const std::optional<std::string>& execName,
                                           const std::optional<std::string>& currentDirectory)
{
    winsize size{};
    if (delegate_)
        size = delegate_->getWindowSize();

    std::vector<std::string> argv;
    argv.reserve(args.size() + 1);
    argv.push_back(execName.value_or(executable));
    argv.insert(argv.end(), args.begin(), args.end());
    const std::vector<std::string> env
        = environment ? *environment : PseudoTerminalHelpers::getEnvironmentVariables("xterm-256color", true);

    stopRun(true);
    running_ = false;
    childfd_ = -1;

    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        startError_ = errno;
        return;
    }
    const auto started = PseudoTerminalHelpers::forkAndExec(executable, argv, env, currentDirectory, size);
    if (!started) {
        startError_ = errno != 0 ? errno : EIO;
        ::close(wakeFd);
        return;
    }
    startError_ = 0;
    ::fcntl(started->masterFd, F_SETFL, ::fcntl(started->masterFd, F_GETFL) | O_NONBLOCK);

    auto run = std::make_unique<Run>();
    run->id = ++runCount_;
    run->masterFd = started->masterFd;
    run->wakeFd = wakeFd;
    run->child = ChildProcess::adopt(started->pid);

    running_ = true;
    childfd_ = started->masterFd;
    shellPid_ = started->pid;

    run->writer = std::make_unique<PtyWriter>(run->masterFd, total_, debugIO);
    Run* raw = run.get();
    run->reader = std::thread([this, raw] { readLoop(*raw); });
    run_ = std::move(run);
}

void LocalProcess::send(std::span<const std::uint8_t> data)
{
    if (!running() || !run_ || !run_->writer)
        return;
    const int sequence = sendCount_++;
    if (debugIO) {
        std::string list;
        for (std::uint8_t byte : data) {
            if (!list.empty())
                list += ", ";
            list += std::to_string(byte);
        }
        std::fprintf(stderr, "[SEND-%d] Queuing data to client: [%s] \n", sequence, list.c_str());
    }
    run_->writer->enqueue(std::vector<std::uint8_t>(data.begin(), data.end()), sequence);
}

void LocalProcess::terminateAndWait()
{
    const std::shared_ptr<ChildProcess> child = run_ ? run_->child : nullptr;
    terminate();
    if (!child || child->waitAndReap(killGracePeriod))
        return;
    child->signal(SIGKILL);
    while (!child->waitAndReap(std::chrono::seconds(1))) {}
}

std::size_t LocalProcess::unsentBytes() const { return run_ && run_->writer ? run_->writer->queuedBytes() : 0; }

void LocalProcess::terminate()
{
    stopRun(true);
    childfd_ = -1;
    running_ = false;
}

void LocalProcess::setHostLogging(const std::optional<std::string>& directory)
{
    std::lock_guard lock(loggingMutex_);
    loggingDir_ = directory;
}

void LocalProcess::stopRun(bool killChild)
{
    if (!run_)
        return;
    std::unique_ptr<Run> run = std::move(run_);
    run->stopping = true;
    signalEventFd(run->wakeFd);
    if (run->reader.joinable())
        run->reader.join();
    run->writer.reset();
    if (killChild && run->child)
        run->child->signal(SIGTERM);
    // Closing the master hangs the terminal up, which ends a shell that
    // ignores SIGTERM.
    ::close(run->masterFd);
    ::close(run->wakeFd);
    if (run->child)
        ChildProcess::reapInBackground(run->child, killGracePeriod);
}

void LocalProcess::wakeReader()
{
    if (run_)
        signalEventFd(run_->wakeFd);
}

// Reader thread ----------------------------------------------------------

void LocalProcess::readLoop(Run& run)
{
    ::pthread_setname_np(::pthread_self(), "sender");
    std::vector<std::uint8_t> buffer(readSize);
    bool endOfFile = false;
    bool exited = false;
    bool exitQueued = false;
    std::size_t readSinceExit = 0;
    std::optional<SteadyClock::time_point> exitDeadline;

    while (!run.stopping) {
        if (exited && !exitQueued && (endOfFile || (exitDeadline && SteadyClock::now() >= *exitDeadline))) {
            enqueue({PendingChunks::Item::Kind::Exit, {}, run.child->exitCode(), run.id});
            exitQueued = true;
        }
        if (endOfFile && exitQueued)
            break;

        const bool paused = pending_.readerPaused();
        pollfd fds[3];
        int count = 0;
        fds[count++] = {run.wakeFd, POLLIN, 0};
        const int masterSlot = (!endOfFile && !paused) ? count : -1;
        if (masterSlot >= 0)
            fds[count++] = {run.masterFd, POLLIN, 0};
        const int exitSlot = !exited ? count : -1;
        if (exitSlot >= 0)
            fds[count++] = {run.child->exitFd(), POLLIN, 0};

        int timeoutMs = -1;
        if (exited && !exitQueued) {
            if (exitDeadline) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(*exitDeadline - SteadyClock::now());
                timeoutMs = static_cast<int>(std::max<std::int64_t>(0, left.count()));
            } else if (masterSlot >= 0) {
                timeoutMs = 0; // just look whether the terminal has run dry
            }
        }
        if (::poll(fds, static_cast<nfds_t>(count), timeoutMs) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents)
            clearEventFd(run.wakeFd);
        if (exitSlot >= 0 && fds[exitSlot].revents) {
            run.child->tryReap();
            exited = true;
        }
        bool masterIdle = masterSlot >= 0;
        if (masterSlot >= 0 && fds[masterSlot].revents) {
            std::size_t bytesRead = 0;
            switch (readOnce(run, buffer, bytesRead)) {
            case ReadOutcome::Data:
                masterIdle = false;
                if (exited)
                    readSinceExit += bytesRead;
                break;
            case ReadOutcome::Empty: break;
            case ReadOutcome::EndOfFile:
                masterIdle = false;
                endOfFile = true;
                running_ = false;
                childfd_ = -1;
                break;
            }
        }
        // The child's own output was all written before it ended; once the
        // terminal has run dry after the exit (or more was read than it can
        // hold), only a process that inherited the terminal can still be
        // writing, and it gets a short grace.
        if (exited && !endOfFile && !exitDeadline && (masterIdle || readSinceExit >= kTerminalBufferBound))
            exitDeadline = SteadyClock::now() + exitGracePeriod;
    }
    if (!run.stopping)
        enqueue({PendingChunks::Item::Kind::Finished, {}, std::nullopt, run.id});
}

// One read of up to readSize bytes; a chunk read is queued for delivery.
LocalProcess::ReadOutcome LocalProcess::readOnce(Run& run, std::vector<std::uint8_t>& buffer, std::size_t& bytesRead)
{
    ssize_t n;
    do {
        n = ::read(run.masterFd, buffer.data(), buffer.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return ReadOutcome::Empty;
    // EIO is how the terminal reports that every writer has closed it.
    if (n <= 0)
        return ReadOutcome::EndOfFile;

    if (debugIO) {
        totalRead_ += n;
        std::fprintf(
            stderr, "[READ] count=%zd received from host total=%lld\n", n, static_cast<long long>(totalRead_.load()));
    }
    bytesRead = static_cast<std::size_t>(n);
    std::vector<std::uint8_t> chunk(buffer.begin(), buffer.begin() + n);
    logChunk(chunk);
    enqueueReceivedData(std::move(chunk));
    return ReadOutcome::Data;
}

void LocalProcess::logChunk(std::span<const std::uint8_t> chunk)
{
    std::string path;
    {
        std::lock_guard lock(loggingMutex_);
        if (!loggingDir_)
            return;
        path = *loggingDir_ + "/log-" + std::to_string(logFileCounter_.load());
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool ok = fd >= 0;
    std::size_t done = 0;
    while (ok && done < chunk.size()) {
        const ssize_t n = ::write(fd, chunk.data() + done, chunk.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<std::size_t>(n);
    }
    const int error = ok ? 0 : errno;
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
    }
    if (!ok) {
        std::fprintf(stderr,
                     "Got error while logging data dump to %s: %s\n",
                     path.c_str(),
                     std::strerror(error ? error : errno));
        return;
    }
    ++logFileCounter_;
}

// Hand-over to the executor ------------------------------------------------

void LocalProcess::enqueueReceivedData(std::vector<std::uint8_t> data)
{
    enqueue({PendingChunks::Item::Kind::Data, std::move(data), std::nullopt, 0});
}

void LocalProcess::enqueue(PendingChunks::Item item)
{
    if (pending_.push(std::move(item)).scheduleDrain)
        scheduleDrain();
}

void LocalProcess::scheduleDrain()
{
    executor_.post([weak = std::weak_ptr<bool>(alive_), this] {
        if (weak.lock())
            drainReceivedData();
    });
}

void LocalProcess::drainReceivedData()
{
    const auto start = SteadyClock::now();
    const std::weak_ptr<bool> weak = alive_;
    for (;;) {
        PendingChunks::TakeResult taken = pending_.takeNext();
        if (taken.resumeReader)
            wakeReader();
        if (!taken.item)
            return;
        deliver(*taken.item);
        if (weak.expired())
            return; // the delegate destroyed this process
        if (SteadyClock::now() - start >= pendingTimeSlice) {
            // Still marked scheduled: let other work on the executor run.
            scheduleDrain();
            return;
        }
    }
}

void LocalProcess::deliver(PendingChunks::Item& item)
{
    switch (item.kind) {
    case PendingChunks::Item::Kind::Data:
        if (delegate_)
            delegate_->dataReceived(item.bytes);
        break;
    case PendingChunks::Item::Kind::Exit: {
        if (!run_ || run_->id != item.run)
            break; // stopped or replaced meanwhile
        const std::weak_ptr<bool> weak = alive_;
        if (delegate_)
            delegate_->processTerminated(*this, item.exitCode);
        if (!weak.expired() && run_ && run_->id == item.run)
            running_ = false;
        break;
    }
    case PendingChunks::Item::Kind::Finished:
        if (run_ && run_->id == item.run)
            stopRun(false);
        break;
    }
}

} // namespace corvel
