#include "corvel/base/Diagnostics.h"

#include <cstdarg>
#include <cstdio>

namespace corvel {

void writeDiagnostic(std::string_view line)
{
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
}

void writeDiagnosticf(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

} // namespace corvel
