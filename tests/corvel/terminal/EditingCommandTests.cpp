// Editing in place: erasing, inserting and deleting characters and columns,
// the alignment pattern and line sizes: sequence in, screen out.

#include <gtest/gtest.h>

#include "TerminalTestSupport.h"

namespace corvel::test {
namespace {

struct EditCase {
    const char* name;
    const char* input;
    const char* screen;
};

class Editing : public ::testing::TestWithParam<EditCase> {};

// A 10 by 4 screen; rows are written "abcdefghij" and so on first where the
// case needs them.
constexpr const char* fourRows = "abcdefghij"
                                 "klmnopqrst"
                                 "uvwxyzABCD"
                                 "EFGHIJKLM";

TEST_P(Editing, Screen)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 4));
    t.feed(GetParam().input);
    EXPECT_EQ(screenText(t), GetParam().screen) << GetParam().input;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Sequences, Editing,
    ::testing::Values(
        EditCase{"EchErasesCount", "abcdefghij\x1b[1;3H\x1b[4X", "ab    ghij"},
        EditCase{"EchStopsAtLineEnd", "abcdefghij\x1b[1;8H\x1b[5X", "abcdefg"},
        EditCase{"EchIgnoresMargins", "abcdefghij\x1b[?69h\x1b[1;4s\x1b[1;3H\x1b[5X", "ab     hij"},
        EditCase{"IchShiftsRight", "abcdefghij\x1b[1;3H\x1b[2@", "ab  cdefgh"},
        EditCase{"IchWithinMargins", "abcdefghij\x1b[?69h\x1b[1;5s\x1b[1;2H\x1b[2@", "a  bcfghij"},
        EditCase{"IchOutsideMarginsDoesNothing", "abcdefghij\x1b[?69h\x1b[3;5s\x1b[1;8H\x1b[2@", "abcdefghij"},
        // Printing into the last column leaves the cursor on it: commands at
        // the cursor act on that column and take back the pending wrap.
        EditCase{"IchInPendingWrapOpensTheLastColumn", "abcdefghij\x1b[2@z", "abcdefghiz"},
        EditCase{"DchShiftsLeft", "abcdefghij\x1b[1;3H\x1b[2P", "abefghij"},
        EditCase{"DchManyWithMarginsStopsAtMargin", "abcdefghij\x1b[?69h\x1b[1;5s\x1b[1;2H\x1b[100P", "a    fghij"},
        EditCase{"DchOutsideMarginsDoesNothing", "abcdefghij\x1b[?69h\x1b[3;5s\x1b[1;8H\x1b[2P", "abcdefghij"},
        EditCase{"DchInPendingWrapDeletesTheLastColumn", "abcdefghij\x1b[2P", "abcdefghi"},
        EditCase{"ElRightInPendingWrapErasesTheLastColumn", "abcdefghij\x1b[Kz", "abcdefghiz"},
        EditCase{"RepInPendingWrapRepeatsTheLastCharacter", "abcdefghij\x1b[2b", "abcdefghij\njj"},
        EditCase{"ElRight", "abcdefghij\x1b[1;4H\x1b[K", "abc"},
        EditCase{"ElLeft", "abcdefghij\x1b[1;4H\x1b[1K", "    efghij"},
        EditCase{"ElLeftInPendingWrapErasesAll", "abcdefghij\x1b[1K", ""},
        EditCase{"ElAll", "abcdefghij\x1b[1;4H\x1b[2K", ""},
        EditCase{"EdBelow", "abcdefghij" "klmnopqrst\x1b[1;4H\x1b[J", "abc"},
        EditCase{"EdAbove", "abcdefghij" "klmnopqrst\x1b[2;4H\x1b[1J", "\n    opqrst"},
        EditCase{"EdPrivateMarkerActsAsPlain", "abcdefghij\x1b[1;4H\x1b[?J", "abc"},
        EditCase{"DecicInsertsInEveryRegionRow", "abcdefghij" "klmnopqrst\x1b[1;2r\x1b[2;3H\x1b[2'}",
                 "ab  cdefgh\nkl  mnopqr"},
        EditCase{"DecdcDeletesInEveryRegionRow", "abcdefghij" "klmnopqrst\x1b[1;2r\x1b[1;3H\x1b[2'~",
                 "abefghij\nklopqrst"},
        EditCase{"DecicOutsideRegionDoesNothing", "abcdefghij" "klmnopqrst\x1b[1;2r\x1b[4;3H\x1b[2'}",
                 "abcdefghij\nklmnopqrst"},
        EditCase{"DecdcNeedsItsIntermediate", "abcdefghij\x1b[1;3H\x1b[2$~", "abcdefghij"},
        EditCase{"DecalnFillsScreen", "xy\x1b#8", "EEEEEEEEEE\nEEEEEEEEEE\nEEEEEEEEEE\nEEEEEEEEEE"},
        EditCase{"RepRepeatsLastCharacter", "ab\x1b[3b", "abbbb"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

class EditingState : public ::testing::Test {
protected:
    EditingState() : t(&host, sized(10, 4)) {}
    RecordingDelegate host;
    Terminal t;
};

TEST_F(EditingState, ErasedCellsKeepTheBackgroundOnly)
{
    t.feed("abcdef\x1b[1;4;41m\x1b[1;2H\x1b[2X\x1b[2@");
    const Attribute erase(Attribute::Color::defaultColor, Attribute::Color::ansi256(1));
    for (int col = 1; col <= 2; ++col)
        EXPECT_EQ(t.buffer().lines()[0][col], CharData(erase, 0, 1)) << col;
}

TEST_F(EditingState, EraseBelowFromColumnZeroUnwraps)
{
    t.feed("abcdefghijkl");
    ASSERT_TRUE(t.buffer().lines()[1].isWrapped);
    t.feed("\x1b[2;3H\x1b[J");
    EXPECT_TRUE(t.buffer().lines()[1].isWrapped);
    t.feed("\x1b[2;1H\x1b[J");
    EXPECT_FALSE(t.buffer().lines()[1].isWrapped);
}

TEST_F(EditingState, EraseAboveFromLastColumnUnwrapsTheRowBelow)
{
    t.feed("abcdefghijkl\x1b[1;10H\x1b[1J");
    EXPECT_FALSE(t.buffer().lines()[1].isWrapped);
}

TEST_F(EditingState, DecalnResetsRegionAndOriginModeAndKeepsColours)
{
    t.feed("\x1b[2;3r\x1b[?69h\x1b[3;6s\x1b[?6h\x1b[1;4;31;44m\x1b[2;2H\x1b#8");
    EXPECT_EQ(t.buffer().x(), 0);
    EXPECT_EQ(t.buffer().y(), 0);
    EXPECT_EQ(t.buffer().scrollTop(), 0);
    EXPECT_EQ(t.buffer().scrollBottom(), t.rows - 1);
    EXPECT_EQ(t.buffer().marginLeft, 0);
    EXPECT_EQ(t.buffer().marginRight, t.cols - 1);
    EXPECT_FALSE(t.modes().originMode);
    EXPECT_TRUE(t.modes().marginMode) << "the margin mode stays; only the margins widen";
    const CharData cell = t.buffer().lines()[3][9];
    EXPECT_EQ(cell.code, 'E');
    EXPECT_EQ(cell.attribute, Attribute(Attribute::Color::ansi256(1), Attribute::Color::ansi256(4)));
}

TEST_F(EditingState, LineSizesChangeOnlyTheCursorLine)
{
    t.feed("ab\x1b[2;1Hcd\x1b#6");
    EXPECT_EQ(t.buffer().lines()[1].renderMode, BufferLine::RenderLineMode::doubleWidth);
    EXPECT_EQ(t.buffer().lines()[0].renderMode, BufferLine::RenderLineMode::single);
    EXPECT_EQ(screenText(t), "ab\ncd");
    t.feed("\x1b#3");
    EXPECT_EQ(t.buffer().lines()[1].renderMode, BufferLine::RenderLineMode::doubledTop);
    t.feed("\x1b#4");
    EXPECT_EQ(t.buffer().lines()[1].renderMode, BufferLine::RenderLineMode::doubledDown);
    t.feed("\x1b#5");
    EXPECT_EQ(t.buffer().lines()[1].renderMode, BufferLine::RenderLineMode::single);
}

TEST_F(EditingState, ColumnEditsUnwrapTheRegionRows)
{
    t.feed("abcdefghijkl\x1b[1;3H\x1b['}");
    EXPECT_FALSE(t.buffer().lines()[1].isWrapped);
}

} // namespace
} // namespace corvel::test

namespace corvel::test {
namespace {

// Final bytes whose commands have no form with intermediates or a private
// marker: such sequences reach the fallback and change nothing. A graphics
// probe (CSI ? Pi ; Pa ; Pv S) in particular must not scroll.
TEST(ForeignForms, ReachTheFallbackAndChangeNothing)
{
    for (const char* sequence : {"\x1b[?1;1;0S",
                                 "\x1b[?2;1;0S",
                                 "\x1b[2 @",
                                 "\x1b[2 A",
                                 "\x1b[2$~",
                                 "\x1b[>3L",
                                 "\x1b[?2P",
                                 "\x1b[=2X",
                                 "\x1b[?5G",
                                 "\x1b[3!d",
                                 "\x1b[3 b",
                                 "\x1b[>1H",
                                 "\x1b[1;1;1;1;1;1y",
                                 "\x1b[3~"}) {
        RecordingDelegate host;
        Terminal t(&host, sized(10, 4));
        t.feed("abcdefghij"
               "klmnopqrst\x1b[2;3H");
        t.silentLog = false;
        testing::internal::CaptureStderr();
        t.feed(sequence);
        const std::string out = testing::internal::GetCapturedStderr();
        EXPECT_EQ(screenText(t), "abcdefghij\nklmnopqrst") << sequence + 1;
        EXPECT_EQ(t.getCursorLocation(), std::make_pair(2, 1)) << sequence + 1;
        EXPECT_NE(out.find("Info: Corvel: Unknown CSI Code"), std::string::npos) << sequence + 1;
        EXPECT_TRUE(host.sent.empty()) << sequence + 1;
    }
}

} // namespace
} // namespace corvel::test

namespace corvel::test {
namespace {

// The ring-index range names the lines that changed, also while the view is
// scrolled back and shows other lines.
TEST(ChangedLines, RingRangeIgnoresTheViewPosition)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 4, 50));
    for (int i = 0; i < 12; ++i)
        t.feed("row\r\n");
    Buffer& b = t.buffer();
    b.setYDisp(2);
    t.clearUpdateRange();
    t.feed("\x1b[2;1H\x1b[K");
    // Rows 1 (erased) to 3 (where the cursor left from).
    ASSERT_NE(b.yDisp(), b.yBase());
    EXPECT_EQ(t.getScrollInvariantUpdateRange(), (Terminal::UpdateRange{b.yBase() + 1, b.yBase() + 3}));
    EXPECT_EQ(t.getUpdateRange(), (Terminal::UpdateRange{1, 3}));
}

} // namespace
} // namespace corvel::test
