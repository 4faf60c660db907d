#include "corvel/process/PtyWriter.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace corvel {

PtyWriter::PtyWriter(int fd, std::atomic<std::int64_t>& total, const std::atomic<bool>& debugIO)
    : fd_(fd), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), total_(total), debugIO_(debugIO)
{
    thread_ = std::thread([this] { run(); });
}

PtyWriter::~PtyWriter()
{
    stop();
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

void PtyWriter::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_all();
    const std::uint64_t one = 1;
    if (wakeFd_ >= 0)
        (void)!::write(wakeFd_, &one, sizeof one);
    if (thread_.joinable())
        thread_.join();
}

void PtyWriter::enqueue(std::vector<std::uint8_t> bytes, int sequence)
{
    if (bytes.empty())
        return;
    {
        std::lock_guard lock(mutex_);
        queuedBytes_ += bytes.size();
        queue_.push_back({std::move(bytes), sequence});
    }
    ready_.notify_one();
}

std::size_t PtyWriter::queuedBytes() const
{
    std::lock_guard lock(mutex_);
    return queuedBytes_;
}

void PtyWriter::run()
{
    ::pthread_setname_np(::pthread_self(), "pty-writer");
    for (;;) {
        Pending next;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            next = std::move(queue_.front());
            queue_.pop_front();
        }
        writeAll(next);
        std::lock_guard lock(mutex_);
        queuedBytes_ -= next.bytes.size();
    }
}

bool PtyWriter::writeAll(const Pending& pending)
{
    std::size_t done = 0;
    while (done < pending.bytes.size()) {
        const ssize_t n = ::write(fd_, pending.bytes.data() + done, pending.bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            total_ += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            // The child is not reading; wait until it does or we are stopped.
            pollfd fds[2] = {{fd_, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR)
                break;
            if (stopping_)
                return false;
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
                // Let write() report what went wrong.
                if (!(fds[0].revents & POLLOUT) && (fds[0].revents & POLLNVAL))
                    break;
            }
            continue;
        }
        std::fprintf(stderr, "Error writing data to the child, errno=%d\n", n < 0 ? errno : 0);
        return false;
    }
    if (debugIO_)
        std::fprintf(
            stderr, "[SEND-%d] completed bytes=%lld\n", pending.sequence, static_cast<long long>(total_.load()));
    return done == pending.bytes.size();
}

} // namespace corvel
