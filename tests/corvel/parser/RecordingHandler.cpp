#include "RecordingHandler.h"

#include <cstdio>

namespace corvel::test {

std::string escapeBytes(std::span<const uint8_t> bytes)
{
    std::string out;
    for (uint8_t b : bytes) {
        if (b >= 0x20 && b < 0x7F && b != '\\') {
            out += static_cast<char>(b);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        }
    }
    return out;
}

std::span<const uint8_t> asBytes(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

namespace {

std::string hexByte(uint8_t b)
{
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", b);
    return hex;
}

std::string finalByte(uint8_t code) { return escapeBytes({&code, 1}); }

} // namespace

std::string RecordingHandler::describe(uint8_t code, const SequenceParams& pars, const Intermediates& collect)
{
    std::string out = escapeBytes(asBytes(collect.view())) + "|";
    for (int i = 0; i < pars.size(); ++i) {
        if (i > 0)
            out += static_cast<char>(pars.separator(i - 1));
        out += std::to_string(pars[i]);
    }
    return out + "|" + finalByte(code);
}

void RecordingHandler::appendJoined(std::string_view kind, std::span<const uint8_t> bytes)
{
    const std::string prefix = std::string(kind) + " \"";
    if (!log.empty() && log.back().starts_with(prefix)) {
        log.back().pop_back(); // closing quote
        log.back() += escapeBytes(bytes) + "\"";
    } else {
        log.push_back(prefix + escapeBytes(bytes) + "\"");
    }
}

namespace {

// True when the bytes end inside a UTF-8 sequence (a lead byte followed by
// fewer continuation bytes than it announces).
bool endsInsideCharacter(const std::string& joined)
{
    int continuations = 0;
    for (auto it = joined.rbegin(); it != joined.rend() && continuations < 4; ++it) {
        const auto b = static_cast<uint8_t>(*it);
        if ((b & 0xC0) == 0x80) {
            ++continuations;
            continue;
        }
        const int length = b >= 0xF5 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 1;
        return length > continuations + 1;
    }
    return false;
}

} // namespace

void RecordingHandler::print(std::span<const uint8_t> text)
{
    ++printCalls;
    // A run that continues a character the previous run left unfinished
    // breaks the handler's contract; make it show in the log.
    const bool followsPrint = !log.empty() && log.back().starts_with("print \"");
    if (followsPrint && endsInsideCharacter(printed_) && (text[0] & 0xC0) == 0x80)
        log.push_back("print continues a cut character");
    printed_.assign(text.begin(), text.end());
    lastPrint = text;
    appendJoined("print", text);
}

void RecordingHandler::dispatchExecute(uint8_t code) { log.push_back("exec " + hexByte(code)); }

bool RecordingHandler::dispatchEsc(const Intermediates& collect, uint8_t code)
{
    if (!handles)
        return false;
    log.push_back("esc " + escapeBytes(asBytes(collect.view())) + "|" + finalByte(code));
    if (resetOnRis && code == 'c' && collect.empty())
        resetOnRis->reset();
    return true;
}

bool RecordingHandler::dispatchCsi(uint8_t code, const SequenceParams& pars, const Intermediates& collect)
{
    if (!handles)
        return false;
    log.push_back("csi " + describe(code, pars, collect));
    return true;
}

bool RecordingHandler::dispatchOsc(int64_t code, std::span<const uint8_t> data)
{
    if (!handles)
        return false;
    log.push_back("osc " + std::to_string(code) + " \"" + escapeBytes(data) + "\"");
    return true;
}

bool RecordingHandler::dispatchApc(uint8_t kind, std::span<const uint8_t> data)
{
    if (!handles)
        return false;
    log.push_back("apc " + finalByte(kind) + " \"" + escapeBytes(data) + "\"");
    return true;
}

DcsHandler* RecordingHandler::dispatchDcs(uint8_t code, const SequenceParams& pars, const Intermediates& collect)
{
    log.push_back("dcs " + describe(code, pars, collect));
    const bool known = code == 'q' && (collect.empty() || collect == "$");
    return known ? static_cast<DcsHandler*>(this) : nullptr;
}

void RecordingHandler::hook(const Intermediates& collect, const SequenceParams& parameters, uint8_t flag)
{
    log.push_back("hook " + describe(flag, parameters, collect));
}

void RecordingHandler::put(std::span<const uint8_t> data) { appendJoined("put", data); }

void RecordingHandler::unhook() { log.push_back("unhook"); }

void RecordingHandler::escFallback(const Intermediates& collect, uint8_t code)
{
    log.push_back("esc-fallback " + escapeBytes(asBytes(collect.view())) + "|" + finalByte(code));
}

void RecordingHandler::csiFallback(const SequenceParams& pars, const Intermediates& collect, uint8_t code)
{
    log.push_back("csi-fallback " + describe(code, pars, collect));
}

void RecordingHandler::oscFallback(int64_t code, std::span<const uint8_t> data)
{
    log.push_back("osc-fallback " + std::to_string(code) + " \"" + escapeBytes(data) + "\"");
}

void RecordingHandler::apcFallback(uint8_t kind, std::span<const uint8_t> data)
{
    log.push_back("apc-fallback " + finalByte(kind) + " \"" + escapeBytes(data) + "\"");
}

void RecordingHandler::parseError(const ParsingState& state)
{
    log.push_back("error " + hexByte(state.code) + " " + parserStateName(state.currentState));
}

} // namespace corvel::test
