#include "RecordingHandler.h"

#include "corvel/parser/EscapeSequenceParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace corvel::test {
namespace {

// Pieces that random streams are made of: introducers, terminators, every
// kind of control, parameter bytes, and UTF-8 (whole, cut, and with bytes in
// the C1 range).
const std::vector<std::string> kPieces = {
    "\x1B",
    "[",
    "]",
    "P",
    "_",
    "X",
    "^",
    "\\",
    "(",
    "#",
    " ",
    "$",
    "+",
    "?",
    ">",
    "0",
    "1",
    "9",
    ";",
    ":",
    "m",
    "H",
    "q",
    "G",
    "c",
    "abc",
    "hello world ",
    "\a",
    "\n",
    "\r",
    "\x18",
    "\x1A",
    "\x19",
    "\x7F",
    "\x00",
    "\x84",
    "\x90",
    "\x9B",
    "\x9C",
    "\x9D",
    "\x9F",
    "\xA0",
    "\xC3\xA9",
    "\xE2\x82\xAC",
    "\xF0\x9F\x98\x80",
    "\xC4\x9C",
    "\xE2",
    "\xF0\x9F",
    "\x80",
    "\xFF",
};

std::string randomStream(std::mt19937& rng, size_t pieces)
{
    std::uniform_int_distribution<size_t> pick(0, kPieces.size() - 1);
    std::string out;
    for (size_t i = 0; i < pieces; ++i) {
        const std::string& piece = kPieces[pick(rng)];
        out += piece.empty() ? std::string(1, '\0') : piece;
    }
    return out;
}

std::vector<std::string> parseChunks(const std::string& input, const std::vector<size_t>& sizes)
{
    RecordingHandler handler;
    EscapeSequenceParser parser(handler);
    size_t at = 0;
    for (size_t size : sizes) {
        parser.parse(asBytes(std::string_view(input).substr(at, size)));
        at = std::min(at + size, input.size());
    }
    parser.parse(asBytes(std::string_view(input).substr(at)));
    return handler.log;
}

TEST(SplitInvariance, WholeByteByByteAndRandomChunksGiveTheSameCallbacks)
{
    std::mt19937 rng(20261210);
    for (int round = 0; round < 400; ++round) {
        const std::string input = randomStream(rng, 120);
        const auto whole = parseChunks(input, {});

        const auto byteByByte = parseChunks(input, std::vector<size_t>(input.size(), 1));
        ASSERT_EQ(byteByByte, whole) << "round " << round << " input " << escapeBytes(asBytes(input));

        std::vector<size_t> sizes;
        std::uniform_int_distribution<size_t> chunk(0, 12);
        for (size_t total = 0; total < input.size();) {
            sizes.push_back(chunk(rng));
            total += sizes.back();
        }
        ASSERT_EQ(parseChunks(input, sizes), whole) << "round " << round << " input " << escapeBytes(asBytes(input));
    }
}

// Without escape sequences every byte comes back, in order, as text or as a
// control, except DEL and EM, which are never text.
TEST(SplitInvariance, TextAndControlsLoseNoByte)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        std::string input;
        for (int i = 0; i < 200; ++i) {
            const auto b = static_cast<char>(byte(rng));
            if (b != '\x1B')
                input += b;
        }
        input += '.';

        struct Echo : ParserHandler {
            std::string out;
            void print(std::span<const uint8_t> text) override { out.append(text.begin(), text.end()); }
            void dispatchExecute(uint8_t code) override { out += static_cast<char>(code); }
            bool dispatchEsc(const Intermediates&, uint8_t) override { return true; }
            bool dispatchCsi(uint8_t, const SequenceParams&, const Intermediates&) override { return true; }
            bool dispatchOsc(int64_t, std::span<const uint8_t>) override { return true; }
            bool dispatchApc(uint8_t, std::span<const uint8_t>) override { return true; }
            DcsHandler* dispatchDcs(uint8_t, const SequenceParams&, const Intermediates&) override { return nullptr; }
        } echo;
        EscapeSequenceParser parser(echo);
        for (size_t at = 0; at < input.size(); at += 7)
            parser.parse(asBytes(std::string_view(input).substr(at, 7)));

        std::string expected;
        for (char c : input)
            if (c != '\x7F' && c != '\x19')
                expected += c;
        ASSERT_EQ(escapeBytes(asBytes(echo.out)), escapeBytes(asBytes(expected))) << "round " << round;
    }
}

} // namespace
} // namespace corvel::test
