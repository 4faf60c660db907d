#pragma once

#include <cstdint>

// Finding the end of a run of bytes that the parser takes without looking at
// each one. Each function returns the first byte in [p, end) that stops the
// run, or end.
namespace corvel::ByteScan {

// End of printable text in the ground state: a byte below 0x20 or DEL.
// Bytes from 0x80 up are text.
const uint8_t* findTextEnd(const uint8_t* p, const uint8_t* end);

// End of printable ASCII: a byte below 0x20 or from 0x7F up.
const uint8_t* findAsciiEnd(const uint8_t* p, const uint8_t* end);

// The same, one machine word at a time (the fallback without SSE2).
const uint8_t* findTextEndWordwise(const uint8_t* p, const uint8_t* end);
const uint8_t* findAsciiEndWordwise(const uint8_t* p, const uint8_t* end);

} // namespace corvel::ByteScan
