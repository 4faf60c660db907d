#pragma once

#include "corvel/parser/EscapeSequenceParser.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvel::test {

// Writes bytes as text: printable ASCII as itself, everything else as \xHH.
std::string escapeBytes(std::span<const uint8_t> bytes);
std::span<const uint8_t> asBytes(std::string_view text);

// A parser handler that logs every callback as one line of text:
//   print "text"              exec 0A
//   esc (|B                   csi ?|25|h          (collect|params|final)
//   osc 2 "title"             apc G "data"
//   dcs $|0|q  hook  put "data"  unhook           (dcs = dispatchDcs)
//   csi-fallback ...          error 19 ground
// Adjacent print lines are joined, and so are adjacent put lines, so that the
// log does not depend on where the input was split.
class RecordingHandler : public ParserHandler, private DcsHandler {
public:
    std::vector<std::string> log;
    int printCalls = 0;
    std::span<const uint8_t> lastPrint;
    bool handles = true; // what the dispatch operations answer
    EscapeSequenceParser* resetOnRis = nullptr; // ESC c resets this parser

    void print(std::span<const uint8_t> text) override;
    void dispatchExecute(uint8_t code) override;
    bool dispatchEsc(const Intermediates& collect, uint8_t code) override;
    bool dispatchCsi(uint8_t code, const SequenceParams& pars, const Intermediates& collect) override;
    bool dispatchOsc(int64_t code, std::span<const uint8_t> data) override;
    bool dispatchApc(uint8_t kind, std::span<const uint8_t> data) override;
    DcsHandler* dispatchDcs(uint8_t code, const SequenceParams& pars, const Intermediates& collect) override;
    void escFallback(const Intermediates& collect, uint8_t code) override;
    void csiFallback(const SequenceParams& pars, const Intermediates& collect, uint8_t code) override;
    void oscFallback(int64_t code, std::span<const uint8_t> data) override;
    void apcFallback(uint8_t kind, std::span<const uint8_t> data) override;
    void parseError(const ParsingState& state) override;

    static std::string describe(uint8_t code, const SequenceParams& pars, const Intermediates& collect);

private:
    void hook(const Intermediates& collect, const SequenceParams& parameters, uint8_t flag) override;
    void put(std::span<const uint8_t> data) override;
    void unhook() override;

    void appendJoined(std::string_view kind, std::span<const uint8_t> bytes);

    std::string printed_; // the last run handed to print()
};

} // namespace corvel::test
