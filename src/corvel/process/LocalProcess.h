#pragma once

#include "corvel/base/Executor.h"
#include "corvel/process/LocalProcessDelegate.h"
#include "corvel/process/PendingChunks.h"

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvel {

class ChildProcess;
class PtyWriter;

// Runs one child program on a pseudo-terminal: its output is read on a
// thread named "sender" and handed in order to the delegate on the executor,
// in slices of about 4 ms so other work on the executor keeps running; writes
// go out in order on a writer thread; the child's exit is reported once its
// output has been delivered.
//
// The owner creates, starts, sends to, terminates and destroys the process
// on the executor's thread; the executor must outlive it. The delegate is
// not owned; clear it with setDelegate(nullptr) before it goes away.
class LocalProcess {
public:
    static constexpr std::size_t readSize = 131'072;
    static constexpr std::size_t pendingChunkFlushThreshold = PendingChunks::flushThreshold;
    static constexpr std::chrono::nanoseconds pendingTimeSlice = std::chrono::milliseconds(4);
    // Reading stops while more than this waits undelivered, and resumes once
    // the delegate has caught up to the lower mark.
    static constexpr std::size_t maxPendingBytes = 4 * 1024 * 1024;
    static constexpr std::size_t resumePendingBytes = 1024 * 1024;
    // After the child has ended, how long to wait for the end of its output
    // while another process still holds the terminal open.
    static constexpr std::chrono::milliseconds exitGracePeriod{150};
    // After terminate(), how long the child has to go before SIGKILL.
    static constexpr std::chrono::milliseconds killGracePeriod{2000};

    LocalProcess(LocalProcessDelegate* delegate, Executor& executor);
    virtual ~LocalProcess();

    LocalProcess(const LocalProcess&) = delete;
    LocalProcess& operator=(const LocalProcess&) = delete;

    // Does nothing while running.
    void startProcess(const std::string& executable, const std::vector<std::string>& args = {},
                      const std::optional<std::vector<std::string>>& environment = std::nullopt,
                      const std::optional<std::string>& execName = std::nullopt,
                      const std::optional<std::string>& currentDirectory = std::nullopt);

    // Starts a child whether or not one runs; a running one is stopped as by
    // terminate(). executable is used as given (no PATH search); args follow
    // execName (else executable) as argv[0]; without an environment the child
    // gets PseudoTerminalHelpers::getEnvironmentVariables(). When the program
    // cannot be started (missing, not executable, a folder, no terminal
    // left) running() stays false, startError() tells why, and the delegate
    // hears nothing.
    virtual void startProcessWithForkpty(const std::string& executable, const std::vector<std::string>& args,
                                         const std::optional<std::vector<std::string>>& environment,
                                         const std::optional<std::string>& execName,
                                         const std::optional<std::string>& currentDirectory);

    // Queues bytes for the child; nothing happens unless running().
    virtual void send(std::span<const std::uint8_t> data);

    // Stops the child: no more reading, SIGTERM, the terminal closed, and the
    // child reaped in the background (SIGKILL after killGracePeriod). The
    // delegate hears no processTerminated() for it.
    virtual void terminate();
    // As terminate(), but returns only once the child has ended and is
    // reaped: one still running after killGracePeriod gets SIGKILL. For a
    // program about to exit, whose background threads would die with it.
    void terminateAndWait();

    // Writes every chunk read into its own file "<directory>/log-N", N
    // counting successful writes from 0; nullopt turns logging off.
    void setHostLogging(const std::optional<std::string>& directory);

    // The errno value of the last start that failed; 0 after a start that
    // succeeded, and before the first.
    int startError() const { return startError_; }

    int childfd() const { return childfd_.load(); }
    pid_t shellPid() const { return shellPid_; }
    bool running() const { return running_.load(); }

    int sendCount() const { return sendCount_; }
    // Bytes queued by send() and not yet written to the terminal.
    std::size_t unsentBytes() const;
    std::int64_t total() const { return total_.load(); }
    std::int64_t totalRead() const { return totalRead_.load(); }
    int logFileCounter() const { return logFileCounter_.load(); }

    // Bytes read from the child and not yet handed to the delegate.
    std::size_t pendingBytes() const { return pending_.pendingBytes(); }
    bool drainScheduled() const { return pending_.drainScheduled(); }

    LocalProcessDelegate* delegate() const { return delegate_; }
    void setDelegate(LocalProcessDelegate* delegate) { delegate_ = delegate; }
    Executor& executor() const { return executor_; }

    // Diagnostic lines of reads and writes on standard error.
    std::atomic<bool> debugIO{false};

protected:
    // Hands a chunk to the delegate through the pending list (any thread).
    void enqueueReceivedData(std::vector<std::uint8_t> data);
    // Delivers pending items for up to one time slice (executor thread).
    void drainReceivedData();

private:
    struct Run;
    enum class ReadOutcome { Data, Empty, EndOfFile };

    void enqueue(PendingChunks::Item item);
    void scheduleDrain();
    void deliver(PendingChunks::Item& item);
    void readLoop(Run& run);
    ReadOutcome readOnce(Run& run, std::vector<std::uint8_t>& buffer, std::size_t& bytesRead);
    void logChunk(std::span<const std::uint8_t> chunk);
    void stopRun(bool killChild);
    void wakeReader();

    LocalProcessDelegate* delegate_;
    Executor& executor_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    PendingChunks pending_{maxPendingBytes, resumePendingBytes};
    std::unique_ptr<Run> run_;
    std::uint64_t runCount_ = 0;

    std::atomic<int> childfd_{-1};
    pid_t shellPid_ = 0;
    std::atomic<bool> running_{false};
    int startError_ = 0;

    int sendCount_ = 0;
    std::atomic<std::int64_t> total_{0};
    std::atomic<std::int64_t> totalRead_{0};

    std::mutex loggingMutex_;
    std::optional<std::string> loggingDir_;
    std::atomic<int> logFileCounter_{0};
};

} // namespace corvel
