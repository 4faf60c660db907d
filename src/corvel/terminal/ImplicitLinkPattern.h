#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace corvel {

// The regular expression that finds URLs with a scheme and file paths in
// screen text, compiled once per process on first use (JIT where the
// platform has it). \w covers Unicode letters, digits and the underscore.
//
// Every attempt runs under a match limit, so text built to make the
// expression backtrack costs a bounded amount of work: an attempt that hits
// the limit is abandoned and the scan goes on from the next character, and
// after a few abandoned attempts the scan stops.
class ImplicitLinkPattern {
public:
    // A match as byte offsets into the UTF-8 text, end exclusive.
    struct Match {
        size_t start = 0;
        size_t end = 0;
    };

    static constexpr unsigned matchLimit = 200'000;
    static constexpr unsigned depthLimit = 10'000;
    static constexpr int maxAbandonedAttempts = 4;

    // The process-wide expression.
    static const ImplicitLinkPattern& shared();

    // False when the expression could not be compiled: there are no
    // implicit links then.
    bool isAvailable() const { return code_ != nullptr; }

    // Calls visit with every match of a valid UTF-8 text, in order and
    // without overlap, until visit returns true. Returns true when visit did.
    bool forEachMatch(std::string_view text, const std::function<bool(const Match&)>& visit) const;

    ImplicitLinkPattern(const ImplicitLinkPattern&) = delete;
    ImplicitLinkPattern& operator=(const ImplicitLinkPattern&) = delete;

private:
    ImplicitLinkPattern();
    ~ImplicitLinkPattern();

    void* code_ = nullptr; // pcre2_code
};

} // namespace corvel
