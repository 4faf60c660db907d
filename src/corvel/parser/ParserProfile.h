#pragma once

#include <chrono>

// Timing of parser calls, on only when the environment variable
// CORVEL_PROFILE is exactly "1" (read once). Each span is written to
// standard error as one line: "ParserProfile <name> <microseconds> us".
namespace corvel::ParserProfile {

bool enabled();
void write(const char* name, std::chrono::steady_clock::duration elapsed);

class Span {
public:
    explicit Span(const char* name) : name_(enabled() ? name : nullptr)
    {
        if (name_)
            start_ = std::chrono::steady_clock::now();
    }
    ~Span()
    {
        if (name_)
            write(name_, std::chrono::steady_clock::now() - start_);
    }
    Span(const Span&) = delete;
    Span& operator=(const Span&) = delete;

private:
    const char* name_;
    std::chrono::steady_clock::time_point start_{};
};

} // namespace corvel::ParserProfile
