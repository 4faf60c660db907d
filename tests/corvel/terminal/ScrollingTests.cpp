// Control bytes, line feed and the scrolling commands: cursor positions,
// scroll-back and region contents after byte streams.

#include <gtest/gtest.h>

#include "TerminalTestSupport.h"

namespace corvel::test {
namespace {

using namespace std::string_literals;

class Scrolling : public ::testing::Test {
protected:
    void make(int cols, int rows, int scrollback = 500)
    {
        terminal = std::make_unique<Terminal>(&host, sized(cols, rows, scrollback));
    }
    Terminal& t() { return *terminal; }
    std::pair<int, int> cursor() { return terminal->getCursorLocation(); }
    void setMargins(int left, int right)
    {
        terminal->buffer().marginLeft = left;
        terminal->buffer().marginRight = right;
    }

    RecordingDelegate host;
    std::unique_ptr<Terminal> terminal;
};

TEST_F(Scrolling, LineFeedsMoveIntoScrollback)
{
    make(10, 3);
    t().feed("1\r\n2\r\n3\r\n4\r\n5");
    EXPECT_EQ(screenText(t()), "3\n4\n5");
    EXPECT_EQ(allLines(t()), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(t().buffer().yBase(), 2);
    EXPECT_EQ(t().buffer().yDisp(), 2);
    EXPECT_EQ(host.scrolls, (std::vector<int>{1, 2}));
    EXPECT_EQ(host.linefeeds, 4);
}

TEST_F(Scrolling, FullRingRecyclesOldestLine)
{
    make(10, 3, 2);
    for (int i = 1; i <= 8; ++i)
        t().feed(std::to_string(i) + (i < 8 ? "\r\n" : ""));
    EXPECT_EQ(allLines(t()), (std::vector<std::string>{"4", "5", "6", "7", "8"}));
    EXPECT_EQ(t().buffer().yBase(), 2);
    EXPECT_EQ(t().buffer().linesTop, 3);
    EXPECT_EQ(screenText(t()), "6\n7\n8");
}

TEST_F(Scrolling, WrapAtBottomMarksNewLineWrapped)
{
    make(4, 2, 2);
    for (int i = 0; i < 5; ++i)
        t().feed("abcdefgh");
    EXPECT_TRUE(t().getLine(1)->isWrapped);
    EXPECT_EQ(screenText(t()), "abcd\nefgh");
}

TEST_F(Scrolling, ScrolledLinesUseEraseBackground)
{
    make(4, 2);
    t().feed("\x1b[44m\r\n\r\n");
    EXPECT_EQ(t().getCharData(0, 1)->attribute.bg(), Attribute::Color::ansi256(4));
    EXPECT_EQ(t().getCharData(0, 1)->attribute.fg(), Attribute::Color::defaultColor);
}

TEST_F(Scrolling, RegionFromTopSendsTopLineToScrollback)
{
    make(10, 4);
    t().feed("A\r\nB\r\nC\r\nD\x1b[1;2r\x1b[2;1H\nX");
    EXPECT_EQ(screenText(t()), "B\nX\nC\nD");
    EXPECT_EQ(allLines(t()).front(), "A");
    EXPECT_EQ(t().buffer().yBase(), 1);
}

TEST_F(Scrolling, RegionBelowTopDiscardsTopLine)
{
    make(10, 4);
    t().feed("A\r\nB\r\nC\r\nD\x1b[2;3r\x1b[3;1H\nX");
    EXPECT_EQ(screenText(t()), "A\nC\nX\nD");
    EXPECT_EQ(t().buffer().yBase(), 0);
    EXPECT_EQ(allLines(t()).size(), 4u);
}

TEST_F(Scrolling, LineFeedBelowRegionStopsAtLastRow)
{
    make(10, 4);
    t().feed("\x1b[1;2r\x1b[4;1H\n\n");
    EXPECT_EQ(cursor(), std::make_pair(0, 3));
    EXPECT_TRUE(host.scrolls.empty());
}

// Below the region IND moves down to the last row, as LF does, and never
// scrolls the region.
TEST_F(Scrolling, IndexBelowRegionMovesDownWithoutScrolling)
{
    make(10, 5);
    t().feed("A\r\nB\r\nC\r\nD\x1b[2;3r\x1b[4;1H\x1b"
             "D");
    EXPECT_EQ(cursor(), std::make_pair(0, 4));
    t().feed("\x1b"
             "D\x1b"
             "E");
    EXPECT_EQ(cursor(), std::make_pair(0, 4));
    EXPECT_EQ(screenText(t()), "A\nB\nC\nD");
}

TEST_F(Scrolling, ReverseIndexAtTopInsertsBlankLine)
{
    make(10, 4);
    t().feed("A\r\nB\r\nC\r\nD\x1b[2;3r\x1b[2;1H\x1bM");
    EXPECT_EQ(screenText(t()), "A\n\nB\nD");
    t().feed("\x1b[r\x1b[1;1H\x1bM"); // row 0 is the region's top now: scrolls
    EXPECT_EQ(screenText(t()), "\nA\n\nB");
}

TEST_F(Scrolling, ReverseIndexAtRowZeroOutsideRegionDoesNothing)
{
    make(10, 4);
    t().feed("A\x1b[2;3r\x1b[1;1H\x1bM");
    EXPECT_EQ(screenText(t()), "A");
    EXPECT_EQ(cursor(), std::make_pair(0, 0));
}

TEST_F(Scrolling, ScrollUpAndDownAreCapped)
{
    make(10, 24);
    t().feed("\x1b[1000S");
    EXPECT_EQ(t().buffer().yBase(), 0);
    t().feed("top\x1b[1000T");
    EXPECT_EQ(screenText(t()), "");
}

TEST_F(Scrolling, ScrollUpUsesPlainCellsWhateverTheBackground)
{
    make(5, 3);
    t().feed("a\r\nb\r\nc\x1b[41m\x1b[S");
    EXPECT_EQ(screenText(t()), "b\nc");
    EXPECT_EQ(t().getCharData(0, 2)->attribute, Attribute());
    EXPECT_EQ(t().buffer().yBase(), 0);
}

TEST_F(Scrolling, InsertAndDeleteLinesStayInRegion)
{
    make(5, 5);
    t().feed("a\r\nb\r\nc\r\nd\r\ne\x1b[2;4r\x1b[2;1H\x1b[L");
    EXPECT_EQ(screenText(t()), "a\n\nb\nc\ne");
    t().feed("\x1b[2M");
    EXPECT_EQ(screenText(t()), "a\nc\n\n\ne");
    EXPECT_EQ(cursor(), std::make_pair(0, 1));
}

TEST_F(Scrolling, InsertLinesOutsideRegionChangesNothing)
{
    make(5, 5);
    t().feed("a\r\nb\r\nc\x1b[2;3r\x1b[5;1H\x1b[3L\x1b[3M");
    EXPECT_EQ(screenText(t()), "a\nb\nc");
}

TEST_F(Scrolling, HugeInsertLineCountBlanksToRegionBottom)
{
    make(5, 4);
    t().feed("a\r\nb\r\nc\r\nd\x1b[2;1H\x1b[999999999L");
    EXPECT_EQ(screenText(t()), "a");
}

TEST_F(Scrolling, MarginsConfineScrolling)
{
    make(6, 3);
    t().feed("abcdef\r\nghijkl\r\nmnopqr\x1b[?69h");
    setMargins(1, 4);
    t().feed("\x1b[3;3H\n");
    EXPECT_EQ(screenText(t()), "ahijkf\ngnopql\nm    r");
    EXPECT_EQ(t().buffer().yBase(), 0);
}

TEST_F(Scrolling, LineFeedLeftOfMarginAtBottomDoesNothing)
{
    make(6, 3);
    t().feed("a\r\nb\r\nc\x1b[?69h");
    setMargins(2, 4);
    t().feed("\x1b[3;1H\n");
    EXPECT_EQ(screenText(t()), "a\nb\nc");
}

TEST_F(Scrolling, AlternateScreenRecyclesWithoutScrollback)
{
    make(4, 3);
    t().feed("\x1b[?1049h1\r\n2\r\n3\r\n4\r\n5");
    EXPECT_EQ(screenText(t()), "3\n4\n5");
    EXPECT_EQ(t().buffer().yBase(), 0);
    EXPECT_EQ(t().buffer().linesTop, 0);
    EXPECT_EQ(t().buffer().lines().count(), 3);
}

TEST_F(Scrolling, ScrollUpWithMarginsLeavesOuterColumns)
{
    make(6, 3);
    t().feed("abcdef\r\nghijkl\r\nmnopqr\x1b[?69h");
    setMargins(1, 3);
    t().feed("\x1b[S");
    EXPECT_EQ(screenText(t()), "ahijef\ngnopkl\nm   qr");
    t().feed("\x1b[T");
    EXPECT_EQ(screenText(t()), "a   ef\nghijkl\nmnopqr");
}

TEST_F(Scrolling, BackIndexAndForwardIndexShiftColumns)
{
    make(6, 2);
    t().feed("abcdef\x1b[1;1H\x1b"
             "6");
    EXPECT_EQ(screenText(t()), " abcde");
    t().feed("\x1b[1;6H\x1b"
             "9");
    EXPECT_EQ(screenText(t()), "abcde");
    t().feed("\x1b[1;6Hx\x1b"
             "9"); // printed into the last column: still at the margin
    EXPECT_EQ(screenText(t()), "bcdex");
}

struct ControlCase {
    const char* name;
    std::string input;
    int x;
    int y;
};

class ControlBytes : public ::testing::TestWithParam<ControlCase> {};

TEST_P(ControlBytes, PlaceCursor)
{
    RecordingDelegate host;
    Terminal t(&host, sized(80, 24));
    t.feed(GetParam().input);
    EXPECT_EQ(t.getCursorLocation(), std::make_pair(GetParam().x, GetParam().y));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cursor, ControlBytes,
    ::testing::Values(
        ControlCase{"tabToLastColumn", "\x1b[1;76H\t", 79, 0},
        ControlCase{"secondTabStays", "\x1b[1;76H\t\t", 79, 0},
        ControlCase{"tab", "ab\t", 8, 0},
        ControlCase{"forwardTabulation", "\x1b[3I", 24, 0},
        ControlCase{"backwardTabulation", "\x1b[1;20H\x1b[2Z", 8, 0},
        ControlCase{"backspace", "abc\b", 2, 0},
        ControlCase{"backspaceAtZero", "\b", 0, 0},
        ControlCase{"backspaceFromPendingWrap", "\x1b[1;80Hx\b", 78, 0},
        ControlCase{"reverseWrapToPreviousRow", "\x1b[?45h\x1b[6;1H\b", 79, 4},
        ControlCase{"reverseWrapFromTopToBottom", "\x1b[?45h\x1b[1;1H\b", 79, 23},
        ControlCase{"lineFeedKeepsColumn", "abc\n", 3, 1},
        ControlCase{"newLineMode", "\x1b[20habc\n", 0, 1},
        ControlCase{"verticalTabAndFormFeed", "\x0b\x0c", 0, 2},
        ControlCase{"lineFeedLeavesPendingWrap", "\x1b[1;80Hx\n", 79, 1},
        ControlCase{"nextLine", "abc\x1b" "E", 0, 1},
        ControlCase{"c1NextLineAfterEscape", "abc\x1b\x85", 0, 1},
        ControlCase{"c1InTextIsText", "abc\xc2\x85", 3, 0},
        ControlCase{"cursorForwardZeroIsOne", "\x1b[C", 1, 0},
        ControlCase{"cursorForwardStopsAtEdge", "\x1b[999C", 79, 0},
        ControlCase{"cursorPositionClamped", "\x1b[99;99H", 79, 23},
        ControlCase{"cursorPositionOneParam", "\x1b[5H", 0, 4},
        ControlCase{"originModeHome", "\x1b[5;10r\x1b[?6h\x1b[H", 0, 4},
        ControlCase{"originModeClampsToRegion", "\x1b[5;10r\x1b[?6h\x1b[99;1H", 0, 9},
        ControlCase{"scrollRegionHomes", "abc\x1b[5;10r", 0, 0},
        ControlCase{"cancelInsideCsiContinues", "\x1b[1\x18" "0C", 10, 0},
        ControlCase{"overflowingParameterRestartsFromZero", "\x1b[99999999999999999907C", 7, 0},
        ControlCase{"saveAndRestore", "\x1b[3;4H\x1b" "7\x1b[H\x1b" "8", 3, 2}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(Scrolling, CarriageReturnHonoursLeftMargin)
{
    make(80, 3);
    t().feed("\x1b[?69h");
    setMargins(10, 70);
    t().feed("\x1b[1;31H\r");
    EXPECT_EQ(cursor(), std::make_pair(10, 0));
    t().feed("\x1b[1;6H\r");
    EXPECT_EQ(cursor(), std::make_pair(0, 0));
}

// NEL returns by the rule of CR: to the left margin from inside the
// margins, to column 0 from left of them.
TEST_F(Scrolling, NextLineReturnsAsCarriageReturnDoes)
{
    make(80, 3);
    t().feed("\x1b[?69h");
    setMargins(4, 9);
    t().feed("\x1b[1;7Habc\x1b"
             "E");
    EXPECT_EQ(cursor(), std::make_pair(4, 1));
    t().feed("\x1b[2;2H\x1b"
             "E");
    EXPECT_EQ(cursor(), std::make_pair(0, 2));
}

TEST(ControlBytesEffects, BellReachesHostOncePerByte)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 3));
    t.feed("\a\a");
    EXPECT_EQ(host.bells, 2);
    EXPECT_EQ(screenText(t), "");
}

TEST(ControlBytesEffects, HorizontalTabSetByEscH)
{
    RecordingDelegate host;
    Terminal t(&host, sized(80, 3));
    t.feed("\x1b[1;4H\x1bH\r\t");
    EXPECT_EQ(t.getCursorLocation().first, 3);
}

} // namespace
} // namespace corvel::test
