// Rectangular-area commands: fill, erase, selective erase and copy, and the
// rectangle reader they share.

#include <gtest/gtest.h>

#include "TerminalTestSupport.h"
#include "support/DebugDiagnostics.h"

namespace corvel::test {
namespace {

struct RectCase {
    const char* name;
    const char* input;
    const char* screen;
};

class Rectangles : public ::testing::TestWithParam<RectCase> {};

constexpr const char* filled = "abcdefghij\r\nklmnopqrst\r\nuvwxyzABCD\r\nEFGHIJKLMN";

TEST_P(Rectangles, Screen)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 4));
    t.feed(filled);
    t.feed(GetParam().input);
    EXPECT_EQ(screenText(t), GetParam().screen) << GetParam().input;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Sequences, Rectangles,
    ::testing::Values(
        RectCase{"FillWithLetter", "\x1b[65;2;2;3;4$x", "abcdefghij\nkAAAopqrst\nuAAAyzABCD\nEFGHIJKLMN"},
        RectCase{"FillWithSurrogateUsesSpace", "\x1b[55296;1;1;1;3$x", "   defghij\nklmnopqrst\nuvwxyzABCD\nEFGHIJKLMN"},
        RectCase{"FillWithoutRectangleCoversScreen", "\x1b[35$x", "##########\n##########\n##########\n##########"},
        RectCase{"FillOtherIntermediateDoesNothing", "\x1b[65;1;1;2;2x", "abcdefghij\nklmnopqrst\nuvwxyzABCD\nEFGHIJKLMN"},
        RectCase{"EraseWholeScreen", "\x1b[$z", ""},
        RectCase{"EraseBottomZeroReachesLastRow", "\x1b[3;1;0;2$z", "abcdefghij\nklmnopqrst\n  wxyzABCD\n  GHIJKLMN"},
        RectCase{"EraseInvertedDoesNothing", "\x1b[3;1;1;10$z", "abcdefghij\nklmnopqrst\nuvwxyzABCD\nEFGHIJKLMN"},
        RectCase{"EraseInOriginModeCountsFromRegion", "\x1b[2;3r\x1b[?6h\x1b[1;1;1;1$z",
                 "abcdefghij\n lmnopqrst\nuvwxyzABCD\nEFGHIJKLMN"},
        RectCase{"SelectiveEraseWholeScreen", "\x1b[${", ""},
        RectCase{"CopyOverlappingDown", "\x1b[1;1;3;10;1;2;1;1$v", "abcdefghij\nabcdefghij\nklmnopqrst\nuvwxyzABCD"},
        RectCase{"CopyOverlappingUp", "\x1b[2;1;4;10;1;1;1;1$v", "klmnopqrst\nuvwxyzABCD\nEFGHIJKLMN\nEFGHIJKLMN"},
        RectCase{"CopyOverlappingRightInOneRow", "\x1b[1;1;1;5;1;1;3;1$v", "ababcdehij\nklmnopqrst\nuvwxyzABCD\nEFGHIJKLMN"},
        RectCase{"CopyOverlappingLeftInOneRow", "\x1b[1;3;1;7;1;1;1;1$v", "cdefgfghij\nklmnopqrst\nuvwxyzABCD\nEFGHIJKLMN"},
        RectCase{"CopyOverlappingDownAndRight", "\x1b[1;1;2;5;1;2;3;1$v", "abcdefghij\nklabcderst\nuvklmnoBCD\nEFGHIJKLMN"},
        RectCase{"CopyToLastColumnKeepsWhatFits", "\x1b[1;1;1;3;1;4;9;1$v", "abcdefghij\nklmnopqrst\nuvwxyzABCD\nEFGHIJKLab"},
        RectCase{"CopyInOriginModeCountsBothCornersFromRegion", "\x1b[2;3r\x1b[?6h\x1b[1;1;1;3;1;1;5;1$v",
                 "abcdefghij\nklmnklmrst\nuvwxyzABCD\nEFGHIJKLMN"},
        RectCase{"CopyToPageTwoDoesNothing", "\x1b[1;1;1;3;1;4;1;2$v", "abcdefghij\nklmnopqrst\nuvwxyzABCD\nEFGHIJKLMN"},
        RectCase{"CopyNeedsItsIntermediate", "\x1b[1;1;1;3;1;4;1;1v", "abcdefghij\nklmnopqrst\nuvwxyzABCD\nEFGHIJKLMN"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

class RectangleCells : public ::testing::Test {
protected:
    RectangleCells() : t(&host, sized(10, 4)) { t.feed(filled); }
    RecordingDelegate host;
    Terminal t;
};

TEST_F(RectangleCells, FillAndEraseUseTheCurrentAttribute)
{
    t.feed("\x1b[1;4;32m\x1b[90;1;1;1;1$x\x1b[1;2;1;2$z");
    const Attribute current = t.currentAttribute();
    EXPECT_EQ(t.buffer().lines()[0][0], CharData(current, 'Z', 1));
    EXPECT_EQ(t.buffer().lines()[0][1], CharData(current, ' ', 1));
}

TEST_F(RectangleCells, FillWithWideOrSupplementaryCharacterTakesOneColumn)
{
    t.feed("\x1b[128512;1;1;1;2$x");
    const CharData cell = t.buffer().lines()[0][1];
    EXPECT_EQ(cell.width, 1);
    EXPECT_EQ(t.character(cell.code), std::u32string(1, U'\U0001F600'));
}

TEST_F(RectangleCells, SelectiveEraseKeepsColoursAndLink)
{
    t.feed("\x1b[H\x1b[31m\x1b]8;;http://x\x1b\\Q\x1b]8;;\x1b\\\x1b[m\x1b[1;1;1;1${");
    const CharData cell = t.buffer().lines()[0][0];
    EXPECT_EQ(cell.code, ' ');
    EXPECT_EQ(cell.attribute.fg(), Attribute::Color::ansi256(1));
    EXPECT_EQ(cell.getPayload(), std::optional<std::string>(";http://x"));
}

TEST_F(RectangleCells, ReaderAppliesDefaultsClampingAndOriginMode)
{
    using R = Terminal::Rectangle;
    const int64_t none[] = {0};
    EXPECT_EQ(t.getRectangleFromRequest(std::span<const int64_t>(none, 0)), (R{0, 0, 3, 9}));
    const int64_t big[] = {2, 3, 99, 99};
    EXPECT_EQ(t.getRectangleFromRequest(big), (R{1, 2, 3, 9}));
    const int64_t inverted[] = {3, 1, 2, 5};
    EXPECT_EQ(t.getRectangleFromRequest(inverted), std::nullopt);
    t.feed("\x1b[2;3r\x1b[?69h\x1b[3;8s\x1b[?6h");
    const int64_t one[] = {1, 1, 1, 1};
    EXPECT_EQ(t.getRectangleFromRequest(one), (R{1, 2, 1, 2}));
}

TEST_F(RectangleCells, OtherIntermediatesOnlyLog)
{
    t.silentLog = false;
    const velmora::test::DebugDiagnostics debug(true);
    testing::internal::CaptureStderr();
    t.feed("\x1b[1;2#}\x1b[3#{\x1b[1'z\x1b[?5x");
    const std::string out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("Info: CSI # } not implemented- XTPOPSGR with [1, 2]\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Info: CSI # { not implemented - XTPUSHSGR with [3]\n"), std::string::npos) << out;
    EXPECT_NE(out.find("TODO: Enable Locator Reporting (DECELR)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Info: Not implemented CSI x with collect: collect=[63] and pars=[5]\n"), std::string::npos)
        << out;
    EXPECT_EQ(screenText(t), "abcdefghij\nklmnopqrst\nuvwxyzABCD\nEFGHIJKLMN");
}

} // namespace
} // namespace corvel::test
