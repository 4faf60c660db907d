#pragma once

#include "corvel/parser/Intermediates.h"
#include "corvel/parser/ParserState.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace corvel {

// What the parser reports about a byte that no rule accepts (EM anywhere, DEL
// in the ground state, a byte from 0xA0 up inside an escape or control
// sequence, ':' right after CSI). The parser then returns to the ground state
// and goes on; the report is only for logging. Views are valid during the call.
struct ParsingState {
    size_t position = 0; // index of the byte in the chunk being parsed
    uint8_t code = 0; // the byte
    ParserState currentState = ParserState::ground; // the state before the byte
    const Intermediates* collect = nullptr; // intermediates collected so far
    std::span<const uint8_t> string; // the OSC or APC string collected so far
};

} // namespace corvel
