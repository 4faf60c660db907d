#pragma once

#include "corvel/parser/ParserState.h"

#include <array>
#include <cstdint>

namespace corvel {

// What a transition does with its byte.
enum class ParserAction : uint8_t {
    ignore = 0,
    error = 1,
    print = 2,
    execute = 3,
    oscStart = 4,
    oscPut = 5,
    oscEnd = 6,
    csiDispatch = 7,
    param = 8,
    collect = 9,
    escDispatch = 10,
    clear = 11,
    dcsHook = 12,
    dcsPut = 13,
    dcsUnhook = 14,
};

// The VT500 state machine as one byte per (state, byte): the action in the
// high four bits, the next state in the low four. Bytes from 0xA0 up share
// the entry of 0xA0.
class TransitionTable {
public:
    static constexpr int kBytesPerState = 161;

    struct Transition {
        ParserAction action;
        ParserState next;
    };

    constexpr TransitionTable();

    constexpr Transition lookup(ParserState state, uint8_t byte) const
    {
        const uint8_t entry = table_[index(state, byte)];
        return {static_cast<ParserAction>(entry >> 4), static_cast<ParserState>(entry & 0x0F)};
    }

private:
    static constexpr int index(ParserState state, uint8_t byte)
    {
        return static_cast<int>(state) * kBytesPerState + (byte < 0xA0 ? byte : 0xA0);
    }
    constexpr void set(ParserState state, int from, int to, ParserAction action, ParserState next)
    {
        for (int b = from; b <= to; ++b)
            table_[static_cast<size_t>(index(state, static_cast<uint8_t>(b)))]
                = static_cast<uint8_t>(static_cast<uint8_t>(action) << 4 | static_cast<uint8_t>(next));
    }
    constexpr void set(ParserState state, int byte, ParserAction action, ParserState next)
    {
        set(state, byte, byte, action, next);
    }
    // C0 as the table sees it: 0x00-0x18 and 0x1C-0x1F (CAN in, EM, SUB, ESC out).
    constexpr void setC0(ParserState state, ParserAction action, ParserState next)
    {
        set(state, 0x00, 0x18, action, next);
        set(state, 0x1C, 0x1F, action, next);
    }

    std::array<uint8_t, kParserStateCount * kBytesPerState> table_{};
};

constexpr TransitionTable::TransitionTable()
{
    using S = ParserState;
    using A = ParserAction;

    for (int s = 0; s < kParserStateCount; ++s) {
        const auto state = static_cast<S>(s);
        set(state, 0x00, 0xA0, A::error, S::ground);
        set(state, 0x19, A::error, S::ground);
        set(state, 0x1A, A::execute, S::ground);
        set(state, 0x1B, A::clear, S::escape);
        set(state, 0x80, 0x8F, A::execute, S::ground);
        set(state, 0x91, 0x97, A::execute, S::ground);
        set(state, 0x99, 0x9A, A::execute, S::ground);
        set(state, 0x90, A::clear, S::dcsEntry);
        set(state, 0x98, A::ignore, S::sosPmApcString);
        set(state, 0x9E, A::ignore, S::sosPmApcString);
        set(state, 0x9B, A::clear, S::csiEntry);
        set(state, 0x9C, A::ignore, S::ground);
        set(state, 0x9D, A::oscStart, S::oscString);
        set(state, 0x9F, A::oscStart, S::apcString);
        set(state, 0xA0, A::error, S::ground);
    }

    setC0(S::ground, A::execute, S::ground);
    set(S::ground, 0x20, 0x7E, A::print, S::ground);
    set(S::ground, 0x7F, A::error, S::ground);

    setC0(S::escape, A::execute, S::escape);
    set(S::escape, 0x20, 0x2F, A::collect, S::escapeIntermediate);
    set(S::escape, 0x30, 0x7E, A::escDispatch, S::ground);
    set(S::escape, 'P', A::clear, S::dcsEntry);
    set(S::escape, 'X', A::ignore, S::sosPmApcString);
    set(S::escape, '^', A::ignore, S::sosPmApcString);
    set(S::escape, '[', A::clear, S::csiEntry);
    set(S::escape, ']', A::oscStart, S::oscString);
    set(S::escape, '_', A::oscStart, S::apcString);
    set(S::escape, 0x7F, A::ignore, S::escape);

    setC0(S::escapeIntermediate, A::execute, S::escapeIntermediate);
    set(S::escapeIntermediate, 0x20, 0x2F, A::collect, S::escapeIntermediate);
    set(S::escapeIntermediate, 0x30, 0x7E, A::escDispatch, S::ground);
    set(S::escapeIntermediate, 0x7F, A::ignore, S::escapeIntermediate);

    setC0(S::csiEntry, A::execute, S::csiEntry);
    set(S::csiEntry, 0x20, 0x2F, A::collect, S::csiIntermediate);
    set(S::csiEntry, 0x30, 0x39, A::param, S::csiParam);
    set(S::csiEntry, 0x3A, A::error, S::ground);
    set(S::csiEntry, 0x3B, A::param, S::csiParam);
    set(S::csiEntry, 0x3C, 0x3F, A::collect, S::csiParam);
    set(S::csiEntry, 0x40, 0x7E, A::csiDispatch, S::ground);
    set(S::csiEntry, 0x7F, A::ignore, S::csiEntry);

    setC0(S::csiParam, A::execute, S::csiParam);
    set(S::csiParam, 0x20, 0x2F, A::collect, S::csiIntermediate);
    set(S::csiParam, 0x30, 0x3B, A::param, S::csiParam);
    set(S::csiParam, 0x3C, 0x3F, A::ignore, S::csiIgnore);
    set(S::csiParam, 0x40, 0x7E, A::csiDispatch, S::ground);
    set(S::csiParam, 0x7F, A::ignore, S::csiParam);

    setC0(S::csiIntermediate, A::execute, S::csiIntermediate);
    set(S::csiIntermediate, 0x20, 0x2F, A::collect, S::csiIntermediate);
    set(S::csiIntermediate, 0x30, 0x3F, A::ignore, S::csiIgnore);
    set(S::csiIntermediate, 0x40, 0x7E, A::csiDispatch, S::ground);
    set(S::csiIntermediate, 0x7F, A::ignore, S::csiIntermediate);

    setC0(S::csiIgnore, A::execute, S::csiIgnore);
    set(S::csiIgnore, 0x20, 0x3F, A::ignore, S::csiIgnore);
    set(S::csiIgnore, 0x40, 0x7E, A::ignore, S::ground);
    set(S::csiIgnore, 0x7F, A::ignore, S::csiIgnore);

    set(S::sosPmApcString, 0x00, 0x18, A::ignore, S::sosPmApcString);
    set(S::sosPmApcString, 0x1C, 0x7F, A::ignore, S::sosPmApcString);

    for (S s : {S::oscString, S::apcString}) {
        set(s, 0x00, 0x06, A::ignore, s);
        set(s, 0x08, 0x17, A::ignore, s);
        set(s, 0x1C, 0x1F, A::ignore, s);
        set(s, 0x07, A::oscEnd, S::ground);
        set(s, 0x18, A::oscEnd, S::ground);
        set(s, 0x1A, A::oscEnd, S::ground);
        set(s, 0x1B, A::oscEnd, S::ground);
        set(s, 0x9C, A::oscEnd, S::ground);
        set(s, 0x20, 0x7F, A::oscPut, s);
        set(s, 0xA0, A::oscPut, s);
    }

    setC0(S::dcsEntry, A::ignore, S::dcsEntry);
    set(S::dcsEntry, 0x20, 0x2F, A::collect, S::dcsIntermediate);
    set(S::dcsEntry, 0x30, 0x39, A::param, S::dcsParam);
    set(S::dcsEntry, 0x3A, A::ignore, S::dcsIgnore);
    set(S::dcsEntry, 0x3B, A::param, S::dcsParam);
    set(S::dcsEntry, 0x3C, 0x3F, A::collect, S::dcsParam);
    set(S::dcsEntry, 0x40, 0x7E, A::dcsHook, S::dcsPassthrough);
    set(S::dcsEntry, 0x7F, A::ignore, S::dcsEntry);

    setC0(S::dcsParam, A::ignore, S::dcsParam);
    set(S::dcsParam, 0x20, 0x2F, A::collect, S::dcsIntermediate);
    set(S::dcsParam, 0x30, 0x39, A::param, S::dcsParam);
    set(S::dcsParam, 0x3A, A::ignore, S::dcsIgnore);
    set(S::dcsParam, 0x3B, A::param, S::dcsParam);
    set(S::dcsParam, 0x3C, 0x3F, A::ignore, S::dcsIgnore);
    set(S::dcsParam, 0x40, 0x7E, A::dcsHook, S::dcsPassthrough);
    set(S::dcsParam, 0x7F, A::ignore, S::dcsParam);

    set(S::dcsIgnore, 0x00, 0x18, A::ignore, S::dcsIgnore);
    set(S::dcsIgnore, 0x1C, 0x7F, A::ignore, S::dcsIgnore);

    setC0(S::dcsIntermediate, A::ignore, S::dcsIntermediate);
    set(S::dcsIntermediate, 0x20, 0x2F, A::collect, S::dcsIntermediate);
    set(S::dcsIntermediate, 0x30, 0x3F, A::ignore, S::dcsIgnore);
    set(S::dcsIntermediate, 0x40, 0x7E, A::dcsHook, S::dcsPassthrough);
    set(S::dcsIntermediate, 0x7F, A::ignore, S::dcsIntermediate);

    set(S::dcsPassthrough, 0x00, 0x18, A::dcsPut, S::dcsPassthrough);
    set(S::dcsPassthrough, 0x1C, 0x7E, A::dcsPut, S::dcsPassthrough);
    set(S::dcsPassthrough, 0x7F, A::ignore, S::dcsPassthrough);
    set(S::dcsPassthrough, 0x1B, A::dcsUnhook, S::ground);
    set(S::dcsPassthrough, 0x9C, A::dcsUnhook, S::ground);
}

} // namespace corvel
