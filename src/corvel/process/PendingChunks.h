#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace corvel {

// The hand-over list between the pseudo-terminal reader thread and the
// executor that delivers the child's output. The reader pushes; the drain on
// the executor takes items in order. At most one drain is scheduled at a
// time, and the reader is told to pause while too many bytes wait, so a
// child that writes faster than the terminal can parse blocks in write()
// instead of growing this list without bound.
class PendingChunks {
public:
    static constexpr std::size_t flushThreshold = 32;

    struct Item {
        enum class Kind {
            Data, // bytes read from the child
            Exit, // the child has ended and its output has been read
            Finished, // the reader thread of this run has stopped for good
        };
        Kind kind = Kind::Data;
        std::vector<std::uint8_t> bytes;
        std::optional<std::int32_t> exitCode;
        std::uint64_t run = 0; // which start of the process the item belongs to
    };

    struct PushResult {
        bool scheduleDrain; // no drain was scheduled: the caller must post one
        bool pauseReader; // too many bytes wait: stop reading until resumed
    };

    struct TakeResult {
        std::optional<Item> item; // nothing: the list is empty and no drain is scheduled any more
        bool resumeReader; // a paused reader may read again
    };

    PendingChunks(std::size_t pauseAbove, std::size_t resumeAtOrBelow);

    PushResult push(Item item);
    TakeResult takeNext();

    // Whether the reader should currently stay paused.
    bool readerPaused() const;

    std::size_t pendingBytes() const;
    std::size_t storedCount() const;
    std::size_t nextIndex() const;
    bool drainScheduled() const;

private:
    const std::size_t pauseAbove_;
    const std::size_t resumeAtOrBelow_;

    mutable std::mutex mutex_;
    std::vector<Item> items_;
    std::size_t index_ = 0;
    std::size_t bytes_ = 0;
    bool scheduled_ = false;
    bool paused_ = false;
};

} // namespace corvel
