// Feeding the same stream whole, byte by byte and in random chunks must give
// the same screen.

#include <gtest/gtest.h>

#include <random>

#include "TerminalTestSupport.h"

namespace corvel::test {
namespace {

// Text, controls and sequences of every family, mixed at random.
std::string randomStream(std::mt19937& rng, size_t pieces)
{
    static const std::vector<std::string> fragments = {
        "hello",
        " ",
        "world",
        "\r\n",
        "\n",
        "\r",
        "\t",
        "\b",
        "\x07",
        "\x0e",
        "\x0f",
        "\x18",
        "\x1a",
        "\x19",
        "\xc3\xa9",
        "\xe4\xb8\xad",
        "\xf0\x9f\x98\x80",
        "e\xcc\x81",
        "\xe2\x80\x8d",
        "\xef\xb8\x8f",
        "\xf0\x9f\x87\xa9",
        "\xe2\x9d\xa4",
        "\xff",
        "\xe2\x28",
        "\xc0",
        "\x7f",
        "\x1b[31m",
        "\x1b[38;2;1;2;3m",
        "\x1b[38:5:100m",
        "\x1b[0m",
        "\x1b[H",
        "\x1b[5;7H",
        "\x1b[2J",
        "\x1b[K",
        "\x1b[1K",
        "\x1b[3L",
        "\x1b[2M",
        "\x1b[S",
        "\x1b[2T",
        "\x1b[3;8r",
        "\x1b[r",
        "\x1b[?7l",
        "\x1b[?7h",
        "\x1b[4h",
        "\x1b[4l",
        "\x1b[?1049h",
        "\x1b[?1049l",
        "\x1b[?6h",
        "\x1b[?6l",
        "\x1b"
        "7",
        "\x1b"
        "8",
        "\x1b"
        "D",
        "\x1b"
        "M",
        "\x1b"
        "E",
        "\x1b(0",
        "\x1b(B",
        "\x1b)0",
        "\x1b[3b",
        "\x1b[5I",
        "\x1b[2Z",
        "\x1b]2;title\x07",
        "\x1b]0;t\xc3\xa9\x1b\\",
        "\x1bPq#0;2;0;0;0#0~~\x1b\\",
        "\x1b_Ga=q\x1b\\",
        "\x1b[?25l",
        "\x1b[?25h",
        "\x1b[?45h",
        "\x1b[6n",
        "\x1b[c",
        "\x1b c",
    };
    std::uniform_int_distribution<size_t> pick(0, fragments.size() - 1);
    std::string out;
    for (size_t i = 0; i < pieces; ++i)
        out += fragments[pick(rng)];
    return out;
}

struct Snapshot {
    std::vector<std::string> lines;
    std::pair<int, int> cursor;
    std::vector<Attribute> attributes;
    bool alternate;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot snapshot(Terminal& t)
{
    Snapshot s{allLines(t), t.getCursorLocation(), {}, t.isCurrentBufferAlternate()};
    for (int row = 0; row < t.rows; ++row)
        for (const CharData& cell : t.getLine(row)->cells())
            s.attributes.push_back(cell.attribute);
    return s;
}

void feedInChunks(Terminal& t, std::string_view stream, const std::vector<size_t>& cuts)
{
    size_t start = 0;
    for (size_t cut : cuts) {
        t.feed(stream.substr(start, cut - start));
        start = cut;
    }
    t.feed(stream.substr(start));
}

TEST(SplitStreams, SameScreenWhateverTheChunking)
{
    std::mt19937 rng(20261210);
    for (int round = 0; round < 60; ++round) {
        const std::string stream = randomStream(rng, 200);

        RecordingDelegate wholeHost;
        Terminal whole(&wholeHost, sized(17, 6, 20));
        whole.feed(stream);
        const Snapshot expected = snapshot(whole);

        RecordingDelegate byteHost;
        Terminal byByte(&byteHost, sized(17, 6, 20));
        for (char c : stream)
            byByte.feed(std::string_view(&c, 1));
        ASSERT_EQ(snapshot(byByte), expected) << "round " << round;
        EXPECT_EQ(byteHost.replies(), wholeHost.replies());

        RecordingDelegate chunkHost;
        Terminal chunked(&chunkHost, sized(17, 6, 20));
        std::vector<size_t> cuts;
        std::uniform_int_distribution<size_t> at(0, stream.size());
        for (int i = 0; i < 12; ++i)
            cuts.push_back(at(rng));
        std::sort(cuts.begin(), cuts.end());
        feedInChunks(chunked, stream, cuts);
        ASSERT_EQ(snapshot(chunked), expected) << "round " << round;
    }
}

} // namespace
} // namespace corvel::test
