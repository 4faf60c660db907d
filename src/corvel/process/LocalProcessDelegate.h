#pragma once

#include <sys/ioctl.h>

#include <cstdint>
#include <optional>
#include <span>

namespace corvel {

class LocalProcess;

// The receiver of a LocalProcess's output, exit and window-size question.
// Every call arrives on the process's executor.
class LocalProcessDelegate {
public:
    virtual ~LocalProcessDelegate() = default;

    // The child has ended and every byte it wrote before has been delivered.
    // exitCode is its exit status, or 128 plus the signal that ended it;
    // nothing when the status could not be read. Not called for a child
    // stopped with terminate().
    virtual void processTerminated(LocalProcess& source, std::optional<std::int32_t> exitCode) = 0;

    // One chunk of the child's output, in order.
    virtual void dataReceived(std::span<const std::uint8_t> slice) = 0;

    // The size to give a new pseudo-terminal.
    virtual winsize getWindowSize() = 0;
};

} // namespace corvel
