#pragma once

#include <cstdint>

namespace corvel {

// The fifteen states of the VT500 parser model. A raw value of 15 or more is
// no state.
enum class ParserState : uint8_t {
    ground = 0,
    escape = 1,
    escapeIntermediate = 2,
    csiEntry = 3,
    csiParam = 4,
    csiIntermediate = 5,
    csiIgnore = 6,
    sosPmApcString = 7,
    oscString = 8,
    apcString = 9,
    dcsEntry = 10,
    dcsParam = 11,
    dcsIgnore = 12,
    dcsIntermediate = 13,
    dcsPassthrough = 14,
};

inline constexpr int kParserStateCount = 15;

// The state's name as written above ("ground", "csiParam", ...).
const char* parserStateName(ParserState state);

} // namespace corvel
