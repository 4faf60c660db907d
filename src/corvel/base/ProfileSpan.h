#pragma once

#include <chrono>

// Timing spans for measuring where the time of a call goes, on only when the
// environment variable CORVEL_PROFILE is exactly "1" (read once). Each span
// is written to standard error as one line:
// "<category> <name> <microseconds> us".
namespace corvel::Profile {

// Whether a value of CORVEL_PROFILE turns the spans on.
bool enabledBy(const char* value);
bool enabled();
void write(const char* category, const char* name, std::chrono::steady_clock::duration elapsed);

class Span {
public:
    Span(const char* category, const char* name) : category_(category), name_(enabled() ? name : nullptr)
    {
        if (name_)
            start_ = std::chrono::steady_clock::now();
    }
    ~Span()
    {
        if (name_)
            write(category_, name_, std::chrono::steady_clock::now() - start_);
    }
    Span(const Span&) = delete;
    Span& operator=(const Span&) = delete;

private:
    const char* category_;
    const char* name_;
    std::chrono::steady_clock::time_point start_{};
};

} // namespace corvel::Profile
