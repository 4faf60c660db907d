#include "corvel/base/DiagnosticRateLimiter.h"

#include <algorithm>

namespace corvel {

DiagnosticRateLimiter::Decision DiagnosticRateLimiter::admit(Clock::time_point now)
{
    if (!started_) {
        started_ = true;
        last_ = now;
    }
    if (now > last_) {
        const double seconds = std::chrono::duration<double>(now - last_).count();
        tokens_ = std::min<double>(kBurst, tokens_ + seconds * kLinesPerSecond);
        last_ = now;
    }
    if (tokens_ < 1.0) {
        ++dropped_;
        return {};
    }
    tokens_ -= 1.0;
    Decision decision{true, dropped_};
    dropped_ = 0;
    return decision;
}

} // namespace corvel
