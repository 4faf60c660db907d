// What a program in the terminal (possibly a remote one) can throw at it
// without freezing it, growing its memory without bound or losing anything.
#include "TerminalTestSupport.h"

#include "support/DebugDiagnostics.h"

#include <gtest/gtest.h>

#include "corvel/model/TinyAtom.h"

#include <string>
#include <vector>

using namespace corvel;
using namespace corvel::test;

namespace {

std::string repeated(std::string_view piece, size_t totalBytes)
{
    std::string out;
    out.reserve(totalBytes + piece.size());
    while (out.size() < totalBytes)
        out += piece;
    return out;
}

TEST(HostileInput, AFloodOfUnknownAttributesWritesAFewDiagnosticLines)
{
    RecordingDelegate host;
    Terminal t(&host, sized(80, 24));
    std::string sequence = "\x1b[";
    for (int i = 0; i < 32; ++i)
        sequence += i ? ";66" : "66";
    sequence += "m";
    const std::string flood = repeated(sequence, 4 << 20);

    const velmora::test::DebugDiagnostics debug(true);
    testing::internal::CaptureStderr();
    t.feed(flood);
    const std::string out = testing::internal::GetCapturedStderr();
    // Once per sequence at most, and only a burst of those.
    EXPECT_LT(out.size(), 64u * 1024) << out.substr(0, 400);
    EXPECT_EQ(out.rfind("Unknown SGR attribute: 66 [66, 66,", 0), 0u) << out.substr(0, 400);
}

std::string utf8(std::u32string_view text) { return toUtf8(text); }

TEST(HostileInput, TwentyThousandMarksOnOneLetterKeepTheirCell)
{
    RecordingDelegate host;
    Terminal t(&host, sized(20, 3));
    t.feed("a" + utf8(std::u32string(40'000, U'\u0301')) + "b");
    const std::u32string first = t.getCharacter(*t.getCharData(0, 0));
    ASSERT_EQ(first.size(), GraphemeTable::maxClusterScalars);
    EXPECT_EQ(first[0], U'a');
    EXPECT_EQ(first.back(), U'\u0301');
    EXPECT_EQ(t.lineText(0).substr(t.lineText(0).size() - 1), "b");
    EXPECT_EQ(t.getCursorLocation(), std::make_pair(2, 0));
    // The cluster's prefixes cost one small entry each.
    EXPECT_LE(t.graphemeTable().size(), GraphemeTable::maxClusterScalars);
}

TEST(HostileInput, ALongJoinedEmojiChainIsCut)
{
    RecordingDelegate host;
    Terminal t(&host, sized(20, 3));
    std::u32string chain;
    for (int i = 0; i < 5'000; ++i)
        chain += U"\U0001F468\u200D";
    t.feed(utf8(chain) + "x");
    const std::u32string first = t.getCharacter(*t.getCharData(0, 0));
    EXPECT_EQ(first.size(), GraphemeTable::maxClusterScalars);
    EXPECT_EQ(t.getCharData(0, 0)->width, 2);
    EXPECT_EQ(t.getCharacter(*t.getCharData(2, 0)), U"x");
    EXPECT_LE(t.graphemeTable().size(), GraphemeTable::maxClusterScalars);
}

std::string osc8(std::string_view uri) { return "\x1b]8;;" + std::string(uri) + "\x1b\\"; }

TEST(HostileInput, LinksShareHandlesAndOverlongOnesMakeNone)
{
    RecordingDelegate host;
    Terminal t(&host, sized(40, 3));
    const size_t before = TinyAtom::totalBytes();
    std::string stream;
    for (int i = 0; i < 1'000; ++i)
        stream += osc8("https://example.com/same") + "s" + osc8("");
    t.feed(stream);
    EXPECT_EQ(t.getCharData(0, 0)->payload, t.getCharData(39, 0)->payload);
    EXPECT_EQ(t.getCharData(0, 0)->getPayload(), ";https://example.com/same");
    EXPECT_LE(TinyAtom::totalBytes() - before, 64u);

    t.feed("\x1b[H\x1b[2J");
    const std::string overlong = "https://example.com/" + std::string(8 * 1024, 'x');
    for (int i = 0; i < 20; ++i)
        t.feed(osc8(overlong + std::to_string(i)) + "o");
    EXPECT_EQ(t.lineText(0), std::string(20, 'o'));
    EXPECT_FALSE(t.getCharData(0, 0)->hasPayload());
    EXPECT_FALSE(t.getCharData(19, 0)->hasPayload());
    EXPECT_LE(TinyAtom::totalBytes() - before, 64u);

    // Just under the limit still links.
    t.feed(osc8(overlong.substr(0, 8 * 1024)) + "k" + osc8(""));
    EXPECT_TRUE(t.getCharData(20, 0)->hasPayload());
}

TEST(HostileInput, AFullResetDropsAnUnfinishedPictureTransfer)
{
    RecordingDelegate host;
    Terminal t(&host, sized(20, 5));
    // "EBAgMA==" is one RGBA pixel; the first program stops after half of it.
    t.feed("\x1b_Ga=t,i=1,s=1,v=1,m=1;EBAg\x1b\\");
    t.feed("\x1b"
           "c");
    // The next program happens to use the same id.
    t.feed("\x1b_Ga=t,i=1,s=1,v=1;EBAgMA==\x1b\\");
    EXPECT_EQ(host.replies(), "\x1b_Gi=1;OK\x1b\\");
    EXPECT_FALSE(t.kittyGraphics().pending);
}

std::vector<std::string> shownLines(Terminal& t)
{
    std::vector<std::string> out;
    Buffer& shown = t.displayBuffer();
    for (int i = 0; i < shown.lines().count(); ++i)
        out.push_back(shown.lines()[i].translateToString(true));
    return out;
}

std::string numberedLines(const char* prefix, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += "\r\n" + std::string(prefix) + std::to_string(i);
    return out;
}

TEST(HostileInput, ASynchronizedFrameKeepsItsScrollbackWhateverOutputDoes)
{
    for (const char* during : {"\x1b[3J", "", "\x1b[3J\x1b[2J"}) {
        RecordingDelegate host;
        Terminal t(&host, sized(10, 3, 5));
        t.feed(numberedLines("old", 12)); // the ring of 8 lines is full
        const std::vector<std::string> before = shownLines(t);
        ASSERT_EQ(before.front(), "old4");
        // The view reads part of the scroll-back before the frame changes.
        t.feed("\x1b[?2026h");
        EXPECT_EQ(t.displayBuffer().lines()[1].translateToString(true), "old5");
        t.feed(during + numberedLines("new", 20));
        EXPECT_EQ(shownLines(t), before) << "during: " << (*during ? during + 1 : "plain output");
        t.feed("\x1b[?2026l");
        EXPECT_EQ(t.lineText(2), "new19");
    }
}

TEST(HostileInput, AScreenLargerThanTheMostIsRefused)
{
    RecordingDelegate host;
    Terminal t(&host, sized(80, 24));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(t.resize(100'000, 24));
    EXPECT_FALSE(t.resize(80, Terminal::MAXIMUM_ROWS + 1));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Cannot resize the terminal to 100000 x 24 cells: the most is 4096 x 4096"), std::string::npos)
        << said;
    EXPECT_EQ(t.getDims(), std::make_pair(80, 24));
    EXPECT_EQ(t.buffer().lines().count(), 24);
    EXPECT_TRUE(t.resize(Terminal::MAXIMUM_COLS, 3));
    EXPECT_EQ(t.getDims(), std::make_pair(Terminal::MAXIMUM_COLS, 3));

    // Options asking for more are cut to the most.
    testing::internal::CaptureStderr();
    Terminal huge(&host, sized(1'000'000, 2));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(huge.getDims(), std::make_pair(Terminal::MAXIMUM_COLS, 2));
}

// A host whose child reads its input only when the test says so.
class UnreadRepliesHost : public RecordingDelegate {
public:
    void send(Terminal&, std::span<const uint8_t> data) override { unread += data.size(); }
    std::size_t unsentBytes(Terminal&) override { return unread; }
    std::size_t unread = 0;
};

TEST(HostileInput, RepliesWaitingForAChildThatDoesNotReadStopAtTheBound)
{
    UnreadRepliesHost host;
    Terminal t(&host, sized(20, 5));
    const std::string query = "\x1b[c";
    t.feed(query);
    const size_t reply = host.unread;
    ASSERT_GT(reply, 0u);
    // Enough queries to answer twice the bound.
    const std::string flood = repeated(query, 2 * (Terminal::maxUnsentReplyBytes / reply) * query.size());
    const std::string said = "replies are dropped";

    testing::internal::CaptureStderr();
    t.feed(flood);
    EXPECT_GE(host.unread, Terminal::maxUnsentReplyBytes);
    EXPECT_LT(host.unread, Terminal::maxUnsentReplyBytes + reply);

    // Reading a little is not enough to take answers again...
    host.unread = Terminal::maxUnsentReplyBytes / 2 + reply;
    t.feed(query);
    EXPECT_EQ(host.unread, Terminal::maxUnsentReplyBytes / 2 + reply);
    // ...reading half of what waits is.
    host.unread = Terminal::maxUnsentReplyBytes / 2 - 1;
    t.feed(query);
    EXPECT_EQ(host.unread, Terminal::maxUnsentReplyBytes / 2 - 1 + reply);

    // Stopping again at the bound says nothing new.
    t.feed(flood);
    EXPECT_GE(host.unread, Terminal::maxUnsentReplyBytes);
    EXPECT_LT(host.unread, Terminal::maxUnsentReplyBytes + reply);
    const std::string out = testing::internal::GetCapturedStderr();
    const size_t first = out.find(said);
    EXPECT_NE(first, std::string::npos) << out.substr(0, 400);
    EXPECT_EQ(out.find(said, first + 1), std::string::npos) << out.substr(0, 400);

    // Other output is untouched by the replies dropped.
    t.feed("\x1b[H\x1b[2Jstill here");
    EXPECT_EQ(t.lineText(0), "still here");
}

TEST(HostileInput, AFloodOfOverlappingCopiesMovesEveryCell)
{
    RecordingDelegate host;
    const int cols = 1'000;
    const int rows = 100;
    Terminal t(&host, sized(cols, rows, 0));
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::vector<std::string> expected;
    for (int row = 0; row < rows; ++row) {
        std::string line;
        for (int col = 0; col < cols; ++col)
            line += alphabet[static_cast<size_t>(row + col) % alphabet.size()];
        expected.push_back(line);
        t.feed("\x1b[" + std::to_string(row + 1) + "H" + line);
    }
    // Each copy moves the whole screen but its last column one cell right
    // over itself, and a full screen down by one row.
    const int copies = 300;
    std::string flood;
    for (int i = 0; i < copies; ++i) {
        flood += "\x1b[1;1;" + std::to_string(rows) + ";" + std::to_string(cols - 1) + ";1;1;2;1$v";
        if (i % 100 == 99)
            flood += "\x1b[1;1;" + std::to_string(rows - 1) + ";" + std::to_string(cols) + ";1;2;1;1$v";
    }
    t.feed(flood);
    const int downs = copies / 100;
    for (int row = 0; row < rows; ++row) {
        const std::string& from = expected[static_cast<size_t>(std::max(row - downs, 0))];
        const std::string shifted = std::string(copies, from[0]) + from.substr(0, cols - copies);
        ASSERT_EQ(t.lineText(row), shifted) << "row " << row;
    }
    EXPECT_EQ(t.buffer().lines().count(), rows);
}

} // namespace
