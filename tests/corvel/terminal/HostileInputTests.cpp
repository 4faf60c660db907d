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
    t.feed("\x1b" "c");
    // The next program happens to use the same id.
    t.feed("\x1b_Ga=t,i=1,s=1,v=1;EBAgMA==\x1b\\");
    EXPECT_EQ(host.replies(), "\x1b_Gi=1;OK\x1b\\");
    EXPECT_FALSE(t.kittyGraphicsState.pending);
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

} // namespace
