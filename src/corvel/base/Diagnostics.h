#pragma once

#include <string_view>

// The engine's diagnostic lines (consistency warnings, unhandled requests,
// "Info: " logging). They go to standard error, so programs whose standard
// output carries data, such as a screen dump, are never mixed with them.
namespace corvel {

// Writes `line` and a line break.
void writeDiagnostic(std::string_view line);

// printf-style form of writeDiagnostic; the line break is added.
void writeDiagnosticf(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace corvel
