#pragma once

#include <cstddef>
#include <cstdint>

// Output for code that runs inside a signal handler: no allocation, no lock,
// no stdio; only write(2). Digits are produced by hand in a small buffer on
// the stack.
namespace velmora::SignalSafeWriter {

// Writes all the bytes, retrying after EINTR. Any other failure, or a write
// of nothing, ends the piece silently. Returns true when every byte went out.
bool writeRaw(int fd, const void* bytes, std::size_t count);

// Writes a NUL-terminated text without its terminator.
bool writeLit(int fd, const char* text);

// Writes a value in decimal, "-" first when it is negative.
bool writeDec(int fd, std::int64_t value);

// Writes "0x" and the value's lower-case hexadecimal digits without leading
// zeros ("0x0" for zero).
bool writeHex(int fd, std::uintptr_t value);

// Stores the decimal digits of a value of zero or more at buffer[position]
// and returns the position behind them. The caller makes sure they fit (at
// most 19 digits).
std::size_t appendDec(char* buffer, std::size_t position, std::int64_t value);

} // namespace velmora::SignalSafeWriter
