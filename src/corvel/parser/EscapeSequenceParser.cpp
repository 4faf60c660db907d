#include "corvel/parser/EscapeSequenceParser.h"

#include "corvel/base/ProfileSpan.h"
#include "corvel/parser/ByteScan.h"
#include "corvel/parser/TransitionTable.h"

namespace corvel {

namespace {

constexpr TransitionTable kTable;

constexpr uint8_t BEL = 0x07;
constexpr uint8_t CAN = 0x18;
constexpr uint8_t EM = 0x19;
constexpr uint8_t SUB = 0x1A;
constexpr uint8_t ESC = 0x1B;
constexpr uint8_t DEL = 0x7F;
constexpr uint8_t ST = 0x9C;

// Memory kept for strings between sequences; a larger buffer is given back.
constexpr size_t kRetainedStringCapacity = 64 * 1024;

constexpr bool isContinuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// Length of the UTF-8 sequence that b starts, or 0 when b cannot start one.
constexpr int sequenceLength(uint8_t b)
{
    if (b >= 0xC2 && b <= 0xDF)
        return 2;
    if (b >= 0xE0 && b <= 0xEF)
        return 3;
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    return 0;
}

constexpr bool isStringState(ParserState state)
{
    return state == ParserState::oscString || state == ParserState::apcString;
}

// Decimal number at the start of the bytes; 0 when there is none or when it
// passes the parameter limit.
int64_t parseNumber(std::span<const uint8_t> bytes)
{
    int64_t value = 0;
    for (uint8_t b : bytes) {
        if (b < '0' || b > '9')
            break;
        value = value * 10 + (b - '0');
        if (value > SequenceParams::kMaxValue)
            return 0;
    }
    return value;
}

} // namespace

struct EscapeSequenceParser::Chunk {
    const uint8_t* begin;
    const uint8_t* end;
};

EscapeSequenceParser::EscapeSequenceParser(ParserHandler& handler) : handler_(&handler) {}

void EscapeSequenceParser::parse(std::span<const uint8_t> data)
{
    Profile::Span profile("ParserProfile", "Parser.Parse");
    Chunk chunk{data.data(), data.data() + data.size()};
    const uint8_t* p = chunk.begin;
    if (heldLength_ > 0 && p < chunk.end)
        p = completeHeldCharacter(p, chunk.end);

    while (p < chunk.end) {
        switch (state_) {
        case ParserState::ground: p = parseGround(chunk, p); break;
        case ParserState::oscString:
        case ParserState::apcString:
        case ParserState::sosPmApcString:
        case ParserState::dcsIgnore: p = parseString(chunk, p); break;
        case ParserState::dcsPassthrough: p = parseDcsData(chunk, p); break;
        case ParserState::csiEntry:
        case ParserState::csiParam: p = parseCsi(chunk, p); break;
        default: step(chunk, p++); break;
        }
    }
}

void EscapeSequenceParser::reset()
{
    state_ = ParserState::ground;
    clearSequence();
    dcsHandler_ = nullptr;
    dcsBytes_ = 0;
    heldLength_ = 0;
    heldNeeded_ = 0;
}

const uint8_t* EscapeSequenceParser::parseGround(Chunk& chunk, const uint8_t* p)
{
    if (*p >= 0x20 && *p != DEL) {
        const uint8_t* runEnd = ByteScan::findTextEnd(p, chunk.end);
        if (runEnd == chunk.end) {
            holdIncompleteTail(p, runEnd);
            return runEnd;
        }
        handler_->print({p, runEnd});
        p = runEnd;
    }
    if (*p == ESC && chunk.end - p > 1 && p[1] == '[') {
        // The most common sequence: straight to its parameters.
        clearSequence();
        state_ = ParserState::csiEntry;
        return p + 2 < chunk.end ? parseCsi(chunk, p + 2) : p + 2;
    }
    if (*p < 0x20 && *p != ESC && *p != EM) {
        // C0 controls (line ends above all) execute without leaving ground.
        handler_->dispatchExecute(*p);
        state_ = ParserState::ground;
        return p + 1;
    }
    step(chunk, p);
    return p + 1;
}

void EscapeSequenceParser::holdIncompleteTail(const uint8_t* runStart, const uint8_t* end)
{
    // Look back over at most three bytes for the lead byte of a sequence that
    // the next chunk may still complete.
    const uint8_t* textEnd = end;
    for (int back = 1; back <= 3 && end - back >= runStart; ++back) {
        const uint8_t b = *(end - back);
        if (isContinuation(b))
            continue;
        const int length = sequenceLength(b);
        if (length > back) {
            textEnd = end - back;
            heldNeeded_ = static_cast<uint8_t>(length);
            heldLength_ = static_cast<uint8_t>(back);
            for (int i = 0; i < back; ++i)
                held_[static_cast<size_t>(i)] = textEnd[i];
        }
        break;
    }
    if (textEnd > runStart)
        handler_->print({runStart, textEnd});
}

const uint8_t* EscapeSequenceParser::completeHeldCharacter(const uint8_t* p, const uint8_t* end)
{
    while (heldLength_ < heldNeeded_ && p < end && isContinuation(*p))
        held_[heldLength_++] = *p++;
    if (heldLength_ < heldNeeded_ && p == end)
        return p; // still incomplete: wait for the next chunk
    const uint8_t length = heldLength_;
    heldLength_ = 0;
    heldNeeded_ = 0;
    handler_->print({held_.data(), length});
    return p;
}

const uint8_t* EscapeSequenceParser::parseCsi(Chunk& chunk, const uint8_t* p)
{
    // The common shape (private marker, digits, separators, final byte) is
    // taken here without the table; anything else goes through step().
    if (state_ == ParserState::csiEntry) {
        const uint8_t b = *p;
        if (b >= 0x3C && b <= 0x3F) {
            collect_.add(b);
            ++p;
        } else if (!((b >= '0' && b <= '9') || b == ';')) {
            step(chunk, p);
            return p + 1;
        }
        state_ = ParserState::csiParam;
    }
    p = params_.addParameters(p, chunk.end);
    if (p == chunk.end)
        return p;
    const uint8_t b = *p;
    if (b >= 0x40 && b <= 0x7E)
        dispatchCsi(b);
    else
        step(chunk, p);
    return p + 1;
}

void EscapeSequenceParser::dispatchCsi(uint8_t code)
{
    state_ = ParserState::ground;
    if (!collectOverflow_ && !handler_->dispatchCsi(code, params_, collect_))
        handler_->csiFallback(params_, collect_, code);
}

const uint8_t* EscapeSequenceParser::parseString(Chunk& chunk, const uint8_t* p)
{
    const ParserState stringState = state_;
    const bool keep = isStringState(stringState);
    while (p < chunk.end) {
        const uint8_t* asciiEnd = ByteScan::findAsciiEnd(p, chunk.end);
        if (asciiEnd != p) {
            stringUtf8Pending_ = 0;
            if (keep)
                appendString(p, asciiEnd);
            p = asciiEnd;
            if (p == chunk.end)
                break;
        }
        const uint8_t b = *p;
        if (b < 0x20) {
            stringUtf8Pending_ = 0;
            step(chunk, p++);
            if (state_ != stringState)
                return p;
            continue;
        }
        if (b == DEL) {
            stringUtf8Pending_ = 0;
        } else if (isStringTerminator(b)) {
            if (keep)
                endString(b);
            clearSequence();
            state_ = ParserState::ground;
            return p + 1;
        }
        if (keep)
            appendString(p, p + 1);
        ++p;
    }
    return p;
}

const uint8_t* EscapeSequenceParser::parseDcsData(Chunk& chunk, const uint8_t* p)
{
    const uint8_t* runStart = p;
    while (p < chunk.end) {
        const uint8_t* asciiEnd = ByteScan::findAsciiEnd(p, chunk.end);
        if (asciiEnd != p) {
            stringUtf8Pending_ = 0;
            p = asciiEnd;
            if (p == chunk.end)
                break;
        }
        const uint8_t b = *p;
        if (b == EM || b == SUB || b == ESC) {
            putDcs(runStart, p);
            step(chunk, p);
            return p + 1;
        }
        if (b < 0x20 || b == DEL) {
            stringUtf8Pending_ = 0;
            if (b == DEL) {
                putDcs(runStart, p);
                runStart = p + 1;
            }
        } else if (isStringTerminator(b)) {
            putDcs(runStart, p);
            endDcs(true);
            clearSequence();
            state_ = ParserState::ground;
            return p + 1;
        }
        ++p;
    }
    putDcs(runStart, p);
    return p;
}

bool EscapeSequenceParser::isStringTerminator(uint8_t b)
{
    if (stringUtf8Pending_ > 0 && isContinuation(b)) {
        --stringUtf8Pending_;
        return false;
    }
    stringUtf8Pending_ = 0;
    if (b == ST)
        return true;
    const int length = sequenceLength(b);
    if (length > 0)
        stringUtf8Pending_ = static_cast<uint8_t>(length - 1);
    return false;
}

void EscapeSequenceParser::step(Chunk& chunk, const uint8_t* p)
{
    const uint8_t b = *p;
    const auto [action, next] = kTable.lookup(state_, b);

    // Leaving a device control string by any way but its terminator abandons it.
    if (state_ == ParserState::dcsPassthrough && next != ParserState::dcsPassthrough
        && action != ParserAction::dcsUnhook)
        endDcs(false);
    if (next != state_)
        stringUtf8Pending_ = 0;

    switch (action) {
    case ParserAction::ignore:
    case ParserAction::print:
    case ParserAction::oscPut:
    case ParserAction::dcsPut: break;
    case ParserAction::error:
        if (b >= 0xA0 && state_ == ParserState::csiIgnore)
            return;
        reportError(chunk, p);
        if (isStringState(state_))
            clearSequence();
        break;
    case ParserAction::execute: handler_->dispatchExecute(b); break;
    case ParserAction::oscStart: clearSequence(); break;
    case ParserAction::oscEnd:
        endString(b);
        clearSequence();
        state_ = b == ESC ? ParserState::escape : ParserState::ground;
        return;
    case ParserAction::csiDispatch: dispatchCsi(b); return;
    case ParserAction::param:
        if (b == ';' || b == ':')
            params_.addSeparator(b);
        else
            params_.addDigit(static_cast<uint8_t>(b - '0'));
        break;
    case ParserAction::collect:
        if (!collect_.add(b))
            collectOverflow_ = true;
        break;
    case ParserAction::escDispatch:
        state_ = ParserState::ground;
        if (!collectOverflow_ && !handler_->dispatchEsc(collect_, b))
            handler_->escFallback(collect_, b);
        return;
    case ParserAction::clear: clearSequence(); break;
    case ParserAction::dcsHook:
        state_ = ParserState::dcsPassthrough;
        hookDcs(b);
        return;
    case ParserAction::dcsUnhook:
        endDcs(true);
        clearSequence();
        state_ = b == ESC ? ParserState::escape : ParserState::ground;
        return;
    }
    state_ = next;
}

void EscapeSequenceParser::clearSequence()
{
    params_.clear();
    collect_.clear();
    collectOverflow_ = false;
    string_.clear();
    if (string_.capacity() > kRetainedStringCapacity)
        std::vector<uint8_t>().swap(string_);
    stringOverflow_ = false;
    stringUtf8Pending_ = 0;
}

void EscapeSequenceParser::appendString(const uint8_t* from, const uint8_t* to)
{
    if (stringOverflow_)
        return;
    const auto length = static_cast<size_t>(to - from);
    if (string_.size() + length > kMaxStringBytes) {
        stringOverflow_ = true;
        std::vector<uint8_t>().swap(string_);
        return;
    }
    string_.insert(string_.end(), from, to);
}

void EscapeSequenceParser::endString(uint8_t terminator)
{
    if (stringOverflow_ || string_.empty() || terminator == CAN || terminator == SUB)
        return;
    const std::span<const uint8_t> text(string_);
    if (state_ == ParserState::oscString) {
        const uint8_t* end = text.data() + text.size();
        const uint8_t* semicolon = text.data();
        while (semicolon < end && *semicolon != ';')
            ++semicolon;
        const int64_t code = parseNumber({text.data(), semicolon});
        const auto data = semicolon < end ? std::span<const uint8_t>(semicolon + 1, end) : std::span<const uint8_t>();
        if (!handler_->dispatchOsc(code, data))
            handler_->oscFallback(code, data);
    } else if (state_ == ParserState::apcString) {
        const uint8_t kind = text[0];
        const auto data = text.subspan(1);
        if (!handler_->dispatchApc(kind, data))
            handler_->apcFallback(kind, data);
    }
}

void EscapeSequenceParser::hookDcs(uint8_t code)
{
    dcsHandler_ = nullptr;
    dcsBytes_ = 0;
    if (collectOverflow_)
        return;
    DcsHandler* handler = handler_->dispatchDcs(code, params_, collect_);
    if (handler) {
        handler->hook(collect_, params_, code);
        dcsHandler_ = handler;
    }
}

void EscapeSequenceParser::putDcs(const uint8_t* from, const uint8_t* to)
{
    if (from == to || !dcsHandler_)
        return;
    const auto length = static_cast<size_t>(to - from);
    if (dcsBytes_ + length > kMaxStringBytes) {
        dcsHandler_ = nullptr;
        return;
    }
    dcsBytes_ += length;
    dcsHandler_->put({from, to});
}

void EscapeSequenceParser::endDcs(bool complete)
{
    DcsHandler* handler = dcsHandler_;
    dcsHandler_ = nullptr;
    dcsBytes_ = 0;
    if (handler && complete)
        handler->unhook();
}

void EscapeSequenceParser::reportError(const Chunk& chunk, const uint8_t* p)
{
    ParsingState state;
    state.position = static_cast<size_t>(p - chunk.begin);
    state.code = *p;
    state.currentState = state_;
    state.collect = &collect_;
    state.string = string_;
    handler_->parseError(state);
}

} // namespace corvel
