#include "corvel/base/Diagnostics.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace corvel {

namespace {

std::atomic<bool>& debugSwitch()
{
    static std::atomic<bool> enabled{debugDiagnosticsRequested(std::getenv("CORVEL_DEBUG"))};
    return enabled;
}

void writeFormatted(const char* format, std::va_list args)
{
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
}

} // namespace

void writeDiagnostic(std::string_view line)
{
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}

void writeDiagnosticf(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    writeFormatted(format, args);
    va_end(args);
}

bool debugDiagnosticsRequested(const char* value) { return value && *value && std::strcmp(value, "0") != 0; }

bool debugDiagnosticsEnabled() { return debugSwitch().load(std::memory_order_relaxed); }

void setDebugDiagnosticsEnabled(bool enabled) { debugSwitch().store(enabled, std::memory_order_relaxed); }

void writeDebugDiagnostic(std::string_view line)
{
    if (debugDiagnosticsEnabled())
        writeDiagnostic(line);
}

void writeDebugDiagnosticf(const char* format, ...)
{
    if (!debugDiagnosticsEnabled())
        return;
    std::va_list args;
    va_start(args, format);
    writeFormatted(format, args);
    va_end(args);
}

} // namespace corvel
