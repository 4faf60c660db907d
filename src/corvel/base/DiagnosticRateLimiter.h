#pragma once

#include <chrono>
#include <cstdint>

namespace corvel {

// Decides which of one source's diagnostic lines reach standard error. A
// program in the terminal can provoke a line with every few bytes it writes
// (an unknown SGR attribute, an unhandled escape), so each terminal lets a
// burst through and then only a few lines a second; the lines held back are
// counted, and the next line that passes first says how many there were.
class DiagnosticRateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kBurst = 20;
    static constexpr int kLinesPerSecond = 5;

    struct Decision {
        bool write = false;
        // Lines dropped since the last one written; only set when `write` is.
        uint64_t droppedBefore = 0;
    };

    Decision admit(Clock::time_point now);

private:
    // Lines that may still be written at once; refilled with time up to kBurst.
    double tokens_ = kBurst;
    Clock::time_point last_{};
    bool started_ = false;
    uint64_t dropped_ = 0;
};

} // namespace corvel
