// Margins, saved cursor, index, reverse wrap, pending wrap, alignment,
// resets and the 80/132-column switch as DEC terminals and xterm handle
// them: bytes in, screen text, cursor and replies out. Each row was checked
// against xterm, except where its comment says otherwise.

#include <gtest/gtest.h>

#include <vector>

#include "TerminalTestSupport.h"

namespace corvel::test {
namespace {

// Text expected on the screen from a position on (1-based, as CUP counts).
struct TextAt {
    int row;
    int col;
    const char* text;
};

struct RuleCase {
    const char* name;
    const char* input;
    std::vector<TextAt> text;
    // The answer to CSI 6n after the input, "row;col"; nullptr: not checked.
    const char* cursor;
    // Every reply the input's own requests got.
    const char* replies = "";
};

class DecRules : public ::testing::TestWithParam<RuleCase> {};

// An 80 by 25 screen.
TEST_P(DecRules, ScreenCursorAndReplies)
{
    const RuleCase& c = GetParam();
    RecordingDelegate host;
    Terminal t(&host, sized(80, 25));
    t.feed(c.input);
    EXPECT_EQ(host.replies(), c.replies);
    for (const TextAt& at : c.text) {
        std::string row = t.lineText(at.row - 1);
        row.resize(static_cast<size_t>(t.cols), ' ');
        EXPECT_EQ(row.substr(static_cast<size_t>(at.col - 1), std::string_view(at.text).size()), at.text)
            << "at " << at.row << ";" << at.col;
    }
    if (c.cursor) {
        host.sent.clear();
        t.feed("\x1b[6n");
        EXPECT_EQ(host.replies(), std::string("\x1b[") + c.cursor + "R");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, DecRules,
    ::testing::Values(
        // Leaving margin mode widens the margins again, so a line feed at the
        // bottom scrolls from any column.
        RuleCase{"MarginModeOffRestoresTheFullWidth",
                 "\x1b[?69h\x1b[10;20s\x1b[?69l\x1b[24;1Hline24\x1b[25;1Hbottom\r\nnext",
                 {{24, 1, "bottom"}, {25, 1, "next  "}},
                 "25;5"},
        RuleCase{"RectangleCopyCountsFromTheOrigin",
                 "abcdefgh\r\nijklmnop\r\nqrstuvwx\x1b[2;9r\x1b[?69h\x1b[2;9s\x1b[?6h\x1b[1;1;1;3;1;4;4;1$v",
                 {{5, 5, "jkl"}, {2, 1, "ijklmnop"}},
                 nullptr},
        RuleCase{"SoftResetLeavesMarginMode", "\x1b[?69h\x1b[!p\x1b[2;4s\x1b[3;3Habc", {{3, 3, "abc"}}, "3;6"},
        // The saved cursor holds no auto-wrap: the restore leaves it off.
        RuleCase{"RestoreKeepsAutoWrapAsItIs",
                 "\x1b[?7h\x1b"
                 "7\x1b[?7l\x1b"
                 "8\x1b[1;79Habcd",
                 {{1, 79, "ad"}},
                 "1;80"},
        RuleCase{"RestoreBringsBackThePendingWrap",
                 "\x1b[1;79Hab\x1b"
                 "7\x1b[H\x1b"
                 "8c",
                 {{1, 79, "ab"}, {2, 1, "c"}},
                 "2;2"},
        RuleCase{"RestoreBringsBackTheCharacterSetSlots",
                 "ab\x1b(0\x1b"
                 "7\x1b(B\x1b)0\x0e\x1b"
                 "8q\x0fq",
                 {{1, 1, "ab\u2500\u2500"}},
                 "1;5"},
        RuleCase{"IndexBelowTheRegionNeverScrollsIt",
                 "\x1b[4;5r\x1b[4;1Hfour\x1b[6;1H\x1b"
                 "D\x1b"
                 "D",
                 {{4, 1, "four"}},
                 "8;1"},
        RuleCase{"NextLineIndexesThenReturns",
                 "\x1b[?69h\x1b[2;5s\x1b[2;5r\x1b[5;3Hx\x1b[5;4H\x1b"
                 "E",
                 {{4, 3, "x"}, {5, 3, " "}},
                 "5;2"},
        RuleCase{"HpaAndVpaCountFromTheOrigin",
                 "\x1b[6;11r\x1b[?69h\x1b[5;10s\x1b[?6h\x1b[3d\x1b[2`X",
                 {{8, 6, "X"}},
                 "3;3"},
        // Pending wrap is a flag on the last column.
        RuleCase{"NoWrapStaysOnTheRightMargin", "\x1b[?69h\x1b[5;9s\x1b[?7l\x1b[1;8Habcdef", {{1, 8, "af"}}, "1;9"},
        RuleCase{"ForwardIndexAfterPrintingIntoTheLastColumn",
                 "\x1b[1;80Hx\x1b"
                 "9",
                 {{1, 79, "x "}},
                 "1;80"},
        RuleCase{"ForwardIndexKeepsThePendingWrap",
                 "\x1b[1;80Hx\x1b"
                 "9y",
                 {{1, 79, "x "}, {2, 1, "y"}},
                 "2;2"},
        RuleCase{"CursorUpTakesBackThePendingWrap", "\x1b[3;79Hab\x1b[Ac", {{2, 80, "c"}, {3, 79, "ab"}}, "2;80"},
        RuleCase{"EraseInLineAtThePendingWrapTakesTheLastColumn", "\x1b[1;79Hab\x1b[K", {{1, 79, "a "}}, "1;80"},
        RuleCase{"TabAtTheLastColumnKeepsThePendingWrap", "\x1b[1;79Hab\tc", {{1, 79, "ab"}, {2, 1, "c"}}, "2;2"},
        RuleCase{"RepeatAtThePendingWrapRepeatsTheLastCharacter", "\x1b[1;79Hab\x1b[2b", {{2, 1, "bb"}}, "2;3"},
        RuleCase{"BackspaceFromThePendingWrap", "\x1b[1;79Hab\bc", {{1, 79, "cb"}}, "1;80"},
        RuleCase{"RightOfTheMarginPrintsUpToTheEdge",
                 "\x1b[?69h\x1b[5;9s\x1b[1;78Habcd",
                 {{1, 78, "abc"}, {2, 5, "d"}},
                 "2;6"},
        RuleCase{
            "WrapBelowTheRegionStaysOnTheLastRow", "\x1b[2;5r\x1b[25;79Habc", {{25, 1, "c"}, {25, 79, "ab"}}, "25;2"},
        // Reverse wrap needs auto-wrap too, at the time of the move.
        RuleCase{"CursorBackWrapsToThePreviousLine", "\x1b[?7h\x1b[?45h\x1b[2;1H\x1b[2D", {}, "1;79"},
        RuleCase{"BackspaceDoesNotWrapWithoutAutoWrap", "\x1b[?45h\x1b[?7l\x1b[2;1H\b", {}, "2;1"},
        RuleCase{"AlignmentResetsRegionAndMargins",
                 "\x1b[4;5r\x1b[?69h\x1b[2;3s\x1b#8\x1b[4;2H\x1b[A",
                 {{1, 1, "EEEE"}},
                 "3;2"},
        RuleCase{"AlignmentLeavesOriginMode", "\x1b[?6h\x1b[5;10r\x1b#8\x1b[?6$p", {}, "1;1", "\x1b[?6;2$y"},
        RuleCase{"ResetLeaves132Columns",
                 "\x1b[?40h\x1b[?3h\x1b"
                 "c\x1b[18t",
                 {},
                 "1;1",
                 "\x1b[8;25;80t"},
        // xterm 379 keeps the alternate screen's text through a reset.
        RuleCase{"ResetCleansTheAlternateScreen",
                 "\x1b[?47ha\x1b"
                 "c\x1b[?47h",
                 {{1, 1, " "}},
                 "1;1"},
        RuleCase{"ColumnSwitchKeepsTheInputModes",
                 "\x1b[?2004h\x1b[?1000h\x1b[?1h\x1b[?40h\x1b[?3h\x1b[?2004$p\x1b[?1000$p\x1b[?1$p",
                 {},
                 "1;1",
                 "\x1b[?2004;1$y\x1b[?1000;1$y\x1b[?1;1$y"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace corvel::test
