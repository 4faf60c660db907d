#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace corvel {

// Writes byte runs to a non-blocking descriptor on its own thread, in the
// order they were queued, so a child that does not read its input never
// blocks the caller. Stopping (or destroying) the writer drops what is left.
class PtyWriter {
public:
    // fd stays owned by the caller and must outlive the writer. Completed
    // byte counts are added to total.
    PtyWriter(int fd, std::atomic<std::int64_t>& total, const std::atomic<bool>& debugIO);
    ~PtyWriter();

    PtyWriter(const PtyWriter&) = delete;
    PtyWriter& operator=(const PtyWriter&) = delete;

    void enqueue(std::vector<std::uint8_t> bytes, int sequence);

    // Bytes queued and not yet written.
    std::size_t queuedBytes() const;

    void stop();

private:
    struct Pending {
        std::vector<std::uint8_t> bytes;
        int sequence;
    };

    void run();
    bool writeAll(const Pending& pending);

    const int fd_;
    const int wakeFd_;
    std::atomic<std::int64_t>& total_;
    const std::atomic<bool>& debugIO_;

    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Pending> queue_;
    std::size_t queuedBytes_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace corvel
