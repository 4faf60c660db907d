// Cursor moves, tab stops, the scroll region and the left and right margins:
// sequence in, cursor position out.

#include <gtest/gtest.h>

#include "TerminalTestSupport.h"

namespace corvel::test {
namespace {

struct MoveCase {
    const char* name;
    const char* input;
    int x;
    int y;
};

class CursorMoves : public ::testing::TestWithParam<MoveCase> {};

// An 80 by 25 screen; "\x1b[5;10r" sets a region of rows 4 to 9 (0-based),
// "\x1b[?69h\x1b[11;41s" margins at columns 10 to 40.
TEST_P(CursorMoves, EndAt)
{
    RecordingDelegate host;
    Terminal t(&host, sized(80, 25));
    t.feed(GetParam().input);
    EXPECT_EQ(t.buffer().x(), GetParam().x) << GetParam().input;
    EXPECT_EQ(t.buffer().y(), GetParam().y) << GetParam().input;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Sequences, CursorMoves,
    ::testing::Values(
        MoveCase{"CuuAboveRegionStopsAtTop", "\x1b[5;10r\x1b[3;1H\x1b[9A", 0, 0},
        MoveCase{"CuuInsideRegionStopsAtRegionTop", "\x1b[5;10r\x1b[8;1H\x1b[9A", 0, 4},
        MoveCase{"CudBelowRegionStopsAtLastRow", "\x1b[5;10r\x1b[12;1H\x1b[99B", 0, 24},
        MoveCase{"CudInsideRegionStopsAtRegionBottom", "\x1b[5;10r\x1b[6;1H\x1b[99B", 0, 9},
        MoveCase{"CuuLeavesPendingWrap", "\x1b[2;1H" "0123456789012345678901234567890123456789"
                                         "0123456789012345678901234567890123456789\x1b[Ax", 79, 0},
        MoveCase{"CudLeavesPendingWrap", "0123456789012345678901234567890123456789"
                                         "0123456789012345678901234567890123456789\x1b[Bx", 79, 1},
        MoveCase{"CufZeroMovesOne", "\x1b[0C", 1, 0},
        MoveCase{"CufStopsAtRightMargin", "\x1b[?69h\x1b[11;41s\x1b[11G\x1b[100C", 40, 0},
        MoveCase{"CufRightOfMarginStopsAtLastColumn", "\x1b[?69h\x1b[11;41s\x1b[51G\x1b[100C", 79, 0},
        MoveCase{"CubStopsAtLeftMargin", "\x1b[?69h\x1b[11;41s\x1b[31G\x1b[100D", 10, 0},
        MoveCase{"CubLeftOfMarginStopsAtZero", "\x1b[?69h\x1b[11;41s\x1b[6G\x1b[100D", 0, 0},
        MoveCase{"CnlGoesToLeftMargin", "\x1b[?69h\x1b[11;41s\x1b[31G\x1b[2E", 10, 2},
        MoveCase{"CplGoesToLeftMargin", "\x1b[5;31H\x1b[2F", 0, 2},
        MoveCase{"CnlLeftOfMarginGoesToColumnZero", "\x1b[?69h\x1b[11;41s\x1b[6G\x1b[2E", 0, 2},
        MoveCase{"CplLeftOfMarginGoesToColumnZero", "\x1b[?69h\x1b[11;41s\x1b[5;6H\x1b[2F", 0, 2},
        MoveCase{"CplGoesToTheMarginsLeftEdge", "\x1b[?69h\x1b[11;41s\x1b[5;31H\x1b[2F", 10, 2},
        MoveCase{"ChaClampsToLastColumn", "\x1b[200G", 79, 0},
        MoveCase{"ChaCountsFromMarginInOriginMode", "\x1b[?69h\x1b[11;41s\x1b[?6h\x1b[5G", 14, 0},
        MoveCase{"CupHome", "\x1b[5;5H\x1b[H", 0, 0},
        MoveCase{"CupZeroIsHome", "\x1b[5;5H\x1b[0;0H", 0, 0},
        MoveCase{"CupOneParameterIsRow", "\x1b[7H", 0, 6},
        MoveCase{"CupOriginModeHome", "\x1b[5;10r\x1b[?69h\x1b[11;41s\x1b[?6h\x1b[H", 10, 4},
        MoveCase{"CupOriginModeStopsAtRegionBottom", "\x1b[5;10r\x1b[?6h\x1b[99;1H", 0, 9},
        MoveCase{"CupOriginModeStopsAtRightMargin", "\x1b[?69h\x1b[11;41s\x1b[?6h\x1b[1;99H", 40, 0},
        MoveCase{"ChaOriginModeStopsAtRightMargin", "\x1b[?69h\x1b[11;41s\x1b[?6h\x1b[99G", 40, 0},
        MoveCase{"ChaPassesRightMarginOutsideOriginMode", "\x1b[?69h\x1b[11;41s\x1b[50G", 49, 0},
        MoveCase{"HpaOriginModeStopsAtRightMargin", "\x1b[?69h\x1b[11;41s\x1b[?6h\x1b[99`", 40, 0},
        MoveCase{"HprOriginModeStopsAtRightMargin", "\x1b[?69h\x1b[11;41s\x1b[?6h\x1b[5G\x1b[99a", 40, 0},
        MoveCase{"HprPassesRightMarginOutsideOriginMode", "\x1b[?69h\x1b[11;41s\x1b[20G\x1b[99a", 79, 0},
        MoveCase{"VprOriginModeStopsAtRegionBottom", "\x1b[5;10r\x1b[?6h\x1b[2;1H\x1b[99e", 0, 9},
        MoveCase{"VprPassesRegionBottomOutsideOriginMode", "\x1b[5;10r\x1b[6;1H\x1b[99e", 0, 24},
        MoveCase{"HvpOriginModeReachesBelowRegion", "\x1b[5;10r\x1b[?6h\x1b[99;1f", 0, 24},
        MoveCase{"HvpPlain", "\x1b[3;4f", 3, 2},
        MoveCase{"HpaCountsFromMarginInOriginMode", "\x1b[5;10r\x1b[?69h\x1b[11;41s\x1b[?6h\x1b[3`", 12, 0},
        MoveCase{"HpaClamps", "\x1b[500`", 79, 0},
        MoveCase{"VpaCountsFromRegionInOriginMode", "\x1b[5;10r\x1b[?6h\x1b[2d", 0, 5},
        MoveCase{"VpaStopsAtRegionBottomInOriginMode", "\x1b[5;10r\x1b[?6h\x1b[99d", 0, 9},
        MoveCase{"VpaClamps", "\x1b[99d", 0, 24},
        MoveCase{"HprClamps", "\x1b[10G\x1b[3a\x1b[500a", 79, 0},
        MoveCase{"VprClamps", "\x1b[3e\x1b[500e", 0, 24},
        MoveCase{"ChtStopsAtRightMargin", "\x1b[?69h\x1b[11;41s\x1b[12G\x1b[9I", 40, 0},
        MoveCase{"ChtBigCountStopsAtLastColumn", "\x1b[1000I", 79, 0},
        MoveCase{"CbtAtZeroStays", "\x1b[Z", 0, 0},
        MoveCase{"CbtMovesToPreviousStops", "\x1b[30G\x1b[2Z", 16, 0},
        MoveCase{"CbtOriginModeStopsAtLeftMargin", "\x1b[?69h\x1b[11;41s\x1b[?6h\x1b[1;20H\x1b[9Z", 10, 0},
        MoveCase{"CbtPassesLeftMarginOutsideOriginMode", "\x1b[?69h\x1b[11;41s\x1b[30G\x1b[9Z", 0, 0},
        MoveCase{"TbcAllThenTabGoesToEnd", "\x1b[3g\t", 79, 0},
        MoveCase{"TbcAtCursorSkipsThatStop", "\x1b[9G\x1b[0g\r\t", 16, 0},
        MoveCase{"DecstbmHomes", "\x1b[5;5H\x1b[3;7r", 0, 0},
        MoveCase{"DecstbmHomesToRegionInOriginMode", "\x1b[?6h\x1b[3;7r", 0, 2},
        MoveCase{"ScoscAndScorc", "\x1b[4;6H\x1b[s\x1b[H\x1b[u", 5, 3},
        MoveCase{"DecslrmDoesNotMoveCursor", "\x1b[4;6H\x1b[?69h\x1b[2;30s", 5, 3}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

class Region : public ::testing::Test {
protected:
    Region() : t(&host, sized(80, 25)) {}
    RecordingDelegate host;
    Terminal t;
};

TEST_F(Region, ScrollRegionNeedsTwoRows)
{
    t.feed("\x1b[5;12r");
    t.feed("\x1b[5;5r");
    EXPECT_EQ(t.buffer().scrollTop(), 4);
    EXPECT_EQ(t.buffer().scrollBottom(), 11);
    t.feed("\x1b[10;3r");
    EXPECT_EQ(t.buffer().scrollBottom(), 11);
    t.feed("\x1b[5;0r");
    EXPECT_EQ(t.buffer().scrollTop(), 4);
    EXPECT_EQ(t.buffer().scrollBottom(), 24);
    t.feed("\x1b[r");
    EXPECT_EQ(t.buffer().scrollTop(), 0);
    EXPECT_EQ(t.buffer().scrollBottom(), 24);
}

TEST_F(Region, MarginsCollapseAndClamp)
{
    t.feed("\x1b[?69h\x1b[10;5s");
    EXPECT_EQ(t.buffer().marginLeft, 4);
    EXPECT_EQ(t.buffer().marginRight, 4);
    t.feed("\x1b[5;0s");
    EXPECT_EQ(t.buffer().marginLeft, 0);
    EXPECT_EQ(t.buffer().marginRight, 0);
    t.feed("\x1b[3;200s");
    EXPECT_EQ(t.buffer().marginLeft, 2);
    EXPECT_EQ(t.buffer().marginRight, 79);
    // With intermediates the command does nothing.
    t.feed("\x1b[5;9$s");
    EXPECT_EQ(t.buffer().marginLeft, 2);
}

TEST_F(Region, SaveWithoutMarginModeSavesCursor)
{
    t.feed("\x1b[3;4H\x1b[2;30s");
    EXPECT_EQ(t.buffer().marginLeft, 0);
    EXPECT_EQ(t.buffer().savedX, 3);
    EXPECT_EQ(t.buffer().savedY, 2);
}

// A restore without a save puts back the saved cursor's start values; the
// modes that are not part of the saved cursor stay as they are.
TEST_F(Region, RestoreWithoutSaveGoesHomeWithDefaults)
{
    t.feed("\x1b[1;31m\x1b(0\x1b[?6h\x1b[?69h\x1b[?45h\x1b[?7l\x1b[5;5H\x1b"
           "8");
    EXPECT_EQ(t.buffer().x(), 0);
    EXPECT_EQ(t.buffer().y(), 0);
    EXPECT_EQ(t.currentAttribute(), Attribute());
    EXPECT_FALSE(t.modes().originMode);
    EXPECT_TRUE(t.modes().marginMode);
    EXPECT_TRUE(t.modes().reverseWraparound);
    EXPECT_FALSE(t.modes().wraparound);
    // G0 is ASCII again and shifted in: "q" prints as itself, not as a
    // line-drawing character.
    t.feed("q");
    EXPECT_EQ(t.lineText(0), "q");
}

} // namespace
} // namespace corvel::test
