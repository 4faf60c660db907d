#pragma once

#include "corvel/parser/DcsHandler.h"
#include "corvel/parser/Intermediates.h"
#include "corvel/parser/ParserHandler.h"
#include "corvel/parser/ParserState.h"
#include "corvel/parser/SequenceParams.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace corvel {

// Splits the byte stream a child writes into printable runs, control bytes
// and ESC, CSI, OSC, DCS, APC, SOS and PM sequences (the VT500 parser model)
// and hands them to a ParserHandler. It knows nothing of screens.
//
// State is kept between calls of parse(), so any sequence, string or UTF-8
// character may be split anywhere across calls; the callbacks are the same
// whatever the split, except that a run of text or of device control data
// may arrive in more pieces.
//
// Particulars:
//   - In the ground state every byte from 0x20 up except DEL is text, 0x80-0xFF
//     included; C1 bytes act as controls only while an escape or control
//     sequence is being collected. DEL and EM are never text.
//   - CAN is executed without ending an escape or control sequence; it
//     abandons an OSC or APC string and is data inside a device control string.
//     SUB ends everything; EM takes the error path.
//   - Inside OSC, APC, DCS, SOS and PM strings, bytes from 0x80 up are data.
//     0x9C (ST) ends the string unless it continues a UTF-8 sequence.
//   - A ':' right after CSI is an error: the sequence is dropped and what
//     follows is text.
//   - Bounded: at most SequenceParams::kMaxCount parameters,
//     Intermediates::kCapacity intermediates (a sequence with more is
//     ignored), kMaxStringBytes of OSC/APC string and of device control data
//     (a longer string is abandoned: nothing is dispatched, a DCS handler is
//     forgotten without unhook(), and the rest is swallowed up to the end of
//     the string).
class EscapeSequenceParser {
public:
    static constexpr size_t kMaxStringBytes = 8u * 1024u * 1024u;

    // The handler is not owned and must outlive the parser's use of it.
    explicit EscapeSequenceParser(ParserHandler& handler);

    EscapeSequenceParser(const EscapeSequenceParser&) = delete;
    EscapeSequenceParser& operator=(const EscapeSequenceParser&) = delete;

    void setHandler(ParserHandler& handler) { handler_ = &handler; }

    // Runs the state machine over the chunk. An empty chunk changes nothing.
    // Handlers may call reset() from inside a callback.
    void parse(std::span<const uint8_t> data);

    // Back to the ground state: drops any sequence or string being collected,
    // forgets the device control handler without unhook(), and drops an
    // incomplete UTF-8 character held from the last chunk.
    void reset();

    ParserState currentState() const { return state_; }

private:
    struct Chunk;

    const uint8_t* parseGround(Chunk& chunk, const uint8_t* p);
    const uint8_t* parseCsi(Chunk& chunk, const uint8_t* p);
    const uint8_t* parseString(Chunk& chunk, const uint8_t* p);
    const uint8_t* parseDcsData(Chunk& chunk, const uint8_t* p);
    const uint8_t* completeHeldCharacter(const uint8_t* p, const uint8_t* end);
    void holdIncompleteTail(const uint8_t* runStart, const uint8_t* end);

    // One byte through the transition table.
    void step(Chunk& chunk, const uint8_t* p);

    void dispatchCsi(uint8_t code);
    void clearSequence();
    void beginString(ParserState next);
    void appendString(const uint8_t* from, const uint8_t* to);
    void endString(uint8_t terminator);
    void hookDcs(uint8_t code);
    void putDcs(const uint8_t* from, const uint8_t* to);
    void endDcs(bool complete);
    void reportError(const Chunk& chunk, const uint8_t* p);
    // Tracks UTF-8 inside a string body; true when b is an ST that ends it.
    bool isStringTerminator(uint8_t b);

    ParserHandler* handler_;
    ParserState state_ = ParserState::ground;
    SequenceParams params_;
    Intermediates collect_;
    bool collectOverflow_ = false;

    std::vector<uint8_t> string_;
    bool stringOverflow_ = false;
    uint8_t stringUtf8Pending_ = 0;

    DcsHandler* dcsHandler_ = nullptr;
    size_t dcsBytes_ = 0;

    std::array<uint8_t, 4> held_{};
    uint8_t heldLength_ = 0;
    uint8_t heldNeeded_ = 0;
};

} // namespace corvel
