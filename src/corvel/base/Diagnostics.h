#pragma once

#include <cstddef>
#include <string_view>

// The engine's diagnostic lines (consistency warnings, unhandled requests,
// "Info: " logging). They go to standard error, so programs whose standard
// output carries data, such as a screen dump, are never mixed with them.
// A line longer than kMaxDiagnosticLine bytes is cut and ends in "...".
//
// Two levels: warnings are always written; debug lines, the chatter a
// program or the user can cause at every turn (unknown attributes, pointer
// coordinates, scroller clicks), only when the environment variable
// CORVEL_DEBUG is set to a non-empty value other than "0".
//
// Lines a program in the terminal can provoke at will also go through a
// DiagnosticRateLimiter of their source, which lets a burst through and then
// only a few a second.
namespace corvel {

class DiagnosticRateLimiter;

inline constexpr size_t kMaxDiagnosticLine = 512;

// Writes `line` and a line break.
void writeDiagnostic(std::string_view line);

// printf-style form of writeDiagnostic; the line break is added.
void writeDiagnosticf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Whether debug lines are written. Read from CORVEL_DEBUG on first use.
bool debugDiagnosticsEnabled();

// Whether a value of CORVEL_DEBUG (nullptr when unset) asks for debug lines.
bool debugDiagnosticsRequested(const char* value);

// Switches debug lines on or off whatever CORVEL_DEBUG says (tests, hosts).
void setDebugDiagnosticsEnabled(bool enabled);

// writeDiagnostic and writeDiagnosticf at the debug level.
void writeDebugDiagnostic(std::string_view line);
void writeDebugDiagnosticf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The forms of both levels for lines a program can provoke: written only when
// `limiter` lets them through.
void writeDiagnostic(DiagnosticRateLimiter& limiter, std::string_view line);
void writeDiagnosticf(DiagnosticRateLimiter& limiter, const char* format, ...) __attribute__((format(printf, 2, 3)));
void writeDebugDiagnostic(DiagnosticRateLimiter& limiter, std::string_view line);
void writeDebugDiagnosticf(DiagnosticRateLimiter& limiter, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

} // namespace corvel
