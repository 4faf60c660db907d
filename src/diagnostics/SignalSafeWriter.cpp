#include "diagnostics/SignalSafeWriter.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace velmora::SignalSafeWriter {
namespace {

// Room for any 64-bit value in decimal with its sign, or in hexadecimal with "0x".
constexpr std::size_t digitBufferSize = 24;

// Fills the scratch buffer from its end; returns the first digit.
char* decimalDigits(std::uint64_t magnitude, char* scratch)
{
    char* cursor = scratch + digitBufferSize;
    do {
        *--cursor = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    return cursor;
}

std::uint64_t magnitudeOf(std::int64_t value)
{
    // Negating in unsigned arithmetic keeps INT64_MIN exact.
    return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

} // namespace

bool writeRaw(int fd, const void* bytes, std::size_t count)
{
    const char* cursor = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t written = ::write(fd, cursor, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        cursor += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

bool writeLit(int fd, const char* text) { return writeRaw(fd, text, std::strlen(text)); }

bool writeDec(int fd, std::int64_t value)
{
    char scratch[digitBufferSize];
    char* first = decimalDigits(magnitudeOf(value), scratch);
    if (value < 0)
        *--first = '-';
    return writeRaw(fd, first, static_cast<std::size_t>(scratch + digitBufferSize - first));
}

bool writeHex(int fd, std::uintptr_t value)
{
    char scratch[digitBufferSize];
    static constexpr char hexDigits[] = "0123456789abcdef";
    char* cursor = scratch + digitBufferSize;
    do {
        *--cursor = hexDigits[value & 0xf];
        value >>= 4;
    } while (value != 0);
    *--cursor = 'x';
    *--cursor = '0';
    return writeRaw(fd, cursor, static_cast<std::size_t>(scratch + digitBufferSize - cursor));
}

std::size_t appendDec(char* buffer, std::size_t position, std::int64_t value)
{
    char scratch[digitBufferSize];
    const char* first = decimalDigits(magnitudeOf(value), scratch);
    const std::size_t count = static_cast<std::size_t>(scratch + digitBufferSize - first);
    std::memcpy(buffer + position, first, count);
    return position + count;
}

} // namespace velmora::SignalSafeWriter
