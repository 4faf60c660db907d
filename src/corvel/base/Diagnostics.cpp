#include "corvel/base/Diagnostics.h"

#include "corvel/base/DiagnosticRateLimiter.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace corvel {

namespace {

std::atomic<bool>& debugSwitch()
{
    static std::atomic<bool> enabled{debugDiagnosticsRequested(std::getenv("CORVEL_DEBUG"))};
    return enabled;
}

std::mutex& sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

void emit(DiagnosticRateLimiter* limiter, std::string_view line)
{
    const std::lock_guard lock(sinkMutex());
    if (limiter) {
        const auto decision = limiter->admit(DiagnosticRateLimiter::Clock::now());
        if (!decision.write)
            return;
        if (decision.droppedBefore)
            std::fprintf(stderr,
                         "Corvel: %llu diagnostic lines dropped\n",
                         static_cast<unsigned long long>(decision.droppedBefore));
    }
    const bool cut = line.size() > kMaxDiagnosticLine;
    if (cut)
        line = line.substr(0, kMaxDiagnosticLine);
    std::fwrite(line.data(), 1, line.size(), stderr);
    if (cut)
        std::fputs("...", stderr);
    std::fputc('\n', stderr);
}

void emitFormatted(DiagnosticRateLimiter* limiter, const char* format, std::va_list args)
{
    // One byte more than a line may have, so emit() sees that a longer one was cut.
    char buffer[kMaxDiagnosticLine + 2];
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (length >= 0)
        emit(limiter, std::string_view(buffer, std::min(static_cast<size_t>(length), kMaxDiagnosticLine + 1)));
}

} // namespace

void writeDiagnostic(std::string_view line) { emit(nullptr, line); }

void writeDiagnosticf(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    emitFormatted(nullptr, format, args);
    va_end(args);
}

bool debugDiagnosticsRequested(const char* value) { return value && *value && std::strcmp(value, "0") != 0; }

bool debugDiagnosticsEnabled() { return debugSwitch().load(std::memory_order_relaxed); }

void setDebugDiagnosticsEnabled(bool enabled) { debugSwitch().store(enabled, std::memory_order_relaxed); }

void writeDebugDiagnostic(std::string_view line)
{
    if (debugDiagnosticsEnabled())
        emit(nullptr, line);
}

void writeDebugDiagnosticf(const char* format, ...)
{
    if (!debugDiagnosticsEnabled())
        return;
    std::va_list args;
    va_start(args, format);
    emitFormatted(nullptr, format, args);
    va_end(args);
}

void writeDiagnostic(DiagnosticRateLimiter& limiter, std::string_view line) { emit(&limiter, line); }

void writeDiagnosticf(DiagnosticRateLimiter& limiter, const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    emitFormatted(&limiter, format, args);
    va_end(args);
}

void writeDebugDiagnostic(DiagnosticRateLimiter& limiter, std::string_view line)
{
    if (debugDiagnosticsEnabled())
        emit(&limiter, line);
}

void writeDebugDiagnosticf(DiagnosticRateLimiter& limiter, const char* format, ...)
{
    if (!debugDiagnosticsEnabled())
        return;
    std::va_list args;
    va_start(args, format);
    emitFormatted(&limiter, format, args);
    va_end(args);
}

} // namespace corvel
