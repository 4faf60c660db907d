#pragma once

#include "corvel/base/DiagnosticRateLimiter.h"
#include "corvel/parser/DcsHandler.h"
#include "corvel/parser/Intermediates.h"
#include "corvel/parser/ParsingState.h"
#include "corvel/parser/SequenceParams.h"

#include <cstdint>
#include <span>

namespace corvel {

// Where EscapeSequenceParser sends what it recognises: one virtual call per
// printable run, control byte or finished sequence. Every view handed over
// (text, data, parameters, intermediates) is valid only during the call.
//
// Printed text
// ------------
// print() receives the bytes of a run as they stand: every byte from 0x20 up
// except DEL (0x7F), 0x80-0xFF included, so the receiver decodes UTF-8. The
// parser never splits a UTF-8 sequence between two runs that could still be
// joined: when a chunk ends inside a sequence, it keeps the incomplete tail
// (at most three bytes) and hands the whole sequence over with the next chunk,
// from its own small buffer; everything else is a view into the caller's
// chunk, never a copy. Each run is therefore self-contained, and the receiver
// must keep no decoding state between runs:
//   - a sequence cut short inside a run or at its end (by a control byte, an
//     escape sequence or the end of the text) is invalid;
//   - an invalid lead byte is shown as the character U+00xx of the same value,
//     and decoding goes on with the byte right after it, so no valid byte is
//     ever lost.
// With those rules, splitting a stream anywhere gives the same screen.
//
// Dispatch and fallbacks
// ----------------------
// dispatchEsc/Csi/Osc/Apc return true when they handled the sequence; false
// sends it on to the matching fallback, which by default does nothing (the
// CSI one prints "Cannot handle ESC-" and the final byte in decimal, rate
// limited by diagnosticLimiter).
class ParserHandler {
public:
    virtual ~ParserHandler() = default;

    // A run of printable text (see above). Never empty.
    virtual void print(std::span<const uint8_t> text) = 0;

    // A C0 control, or a C1 control (0x80-0x9F) met while a sequence was
    // being collected. In running text bytes from 0x80 up are text.
    virtual void dispatchExecute(uint8_t code) = 0;

    // ESC, intermediates (0x20-0x2F), final byte (0x30-0x7E).
    virtual bool dispatchEsc(const Intermediates& collect, uint8_t code) = 0;

    // CSI (ESC [ or 0x9B), parameters, private marker and intermediates in
    // collect, final byte (0x40-0x7E).
    virtual bool dispatchCsi(uint8_t code, const SequenceParams& pars, const Intermediates& collect) = 0;

    // OSC (ESC ] or 0x9D) ended by BEL, ESC or ST: the decimal number before
    // the first ';' (0 when there is none, 0 when it passes
    // SequenceParams::kMaxValue) and the bytes after it. An empty string and
    // a string abandoned by CAN or SUB are not dispatched.
    virtual bool dispatchOsc(int64_t code, std::span<const uint8_t> data) = 0;

    // APC (ESC _ or 0x9F) ended like an OSC: its first byte (the kind, 'G' for
    // graphics) and the rest. An empty string is not dispatched.
    virtual bool dispatchApc(uint8_t kind, std::span<const uint8_t> data) = 0;

    // A device control string (ESC P or 0x90) reached its final byte. Return
    // the handler that takes it, or nullptr to drop it. The parser does not
    // own the handler; it calls hook() right away, then put() and unhook(),
    // and forgets it at the end of the string or at reset().
    virtual DcsHandler* dispatchDcs(uint8_t code, const SequenceParams& pars, const Intermediates& collect) = 0;

    virtual void escFallback(const Intermediates& /*collect*/, uint8_t /*code*/) {}
    virtual void csiFallback(const SequenceParams& pars, const Intermediates& collect, uint8_t code);
    virtual void oscFallback(int64_t /*code*/, std::span<const uint8_t> /*data*/) {}
    virtual void apcFallback(uint8_t /*kind*/, std::span<const uint8_t> /*data*/) {}

    // A byte that no rule accepts; see ParsingState. Parsing goes on.
    virtual void parseError(const ParsingState& /*state*/) {}

protected:
    // Paces the diagnostic lines the parsed stream provokes.
    mutable DiagnosticRateLimiter diagnosticLimiter;
};

} // namespace corvel
