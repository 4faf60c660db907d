// The sequence switches: which command each ESC, CSI and OSC reaches, the
// replies and their 7-bit and 8-bit forms, and what reaches the fallbacks.

#include <gtest/gtest.h>

#include "TerminalTestSupport.h"
#include "support/DebugDiagnostics.h"

namespace corvel::test {
namespace {

class Dispatch : public ::testing::Test {
protected:
    Dispatch() : t(&host, sized(20, 5)) {}
    RecordingDelegate host;
    Terminal t;
};

TEST_F(Dispatch, ReplyIsOneCallInOrder)
{
    const uint8_t esc[] = {0x1b, '['};
    t.sendResponse({std::span<const uint8_t>(esc), "0n"});
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(host.sent[0], bytes("\x1b[0n"));
}

TEST_F(Dispatch, ReplyWithoutDelegateIsDropped)
{
    t.setDelegate(nullptr);
    t.sendResponse("x");
    t.feed("\a\x1b]2;t\x07");
    EXPECT_EQ(t.windowTitle(), "t");
    EXPECT_TRUE(host.sent.empty());
    EXPECT_EQ(host.bells, 0);
}

TEST_F(Dispatch, FocusReportsFollowControlWidth)
{
    t.setTerminalFocus(true);
    EXPECT_TRUE(host.sent.empty());
    t.feed("\x1b[?1004h");
    t.setTerminalFocus(true);
    t.feed("\x1b G"); // S8C1T
    t.setTerminalFocus(false);
    t.feed("\x1b F"); // S7C1T
    t.setTerminalFocus(false);
    EXPECT_EQ(host.sent, (std::vector<std::vector<uint8_t>>{bytes("\x1b[I"), bytes("\x9bO"), bytes("\x1b[O")}));
}

TEST_F(Dispatch, IntroducersFollowSend8bit)
{
    EXPECT_EQ(t.csi(), "\x1b[");
    EXPECT_EQ(t.osc(), "\x1b]");
    EXPECT_EQ(t.dcs(), "\x1bP");
    EXPECT_EQ(t.st(), "\x1b\\");
    t.feed("\x1b G");
    EXPECT_EQ(t.csi(), "\x9b");
    EXPECT_EQ(t.osc(), "\x9d");
    EXPECT_EQ(t.dcs(), "\x90");
    EXPECT_EQ(t.st(), "\x9c");
}

TEST_F(Dispatch, TitlesReachHost)
{
    t.feed("\x1b]0;zero\x07\x1b]1;icon\x1b\\\x1b]2;two\x9c");
    EXPECT_EQ(host.titles, (std::vector<std::string>{"zero", "two"}));
    EXPECT_EQ(host.iconTitles, (std::vector<std::string>{"icon"}));
    EXPECT_EQ(t.windowIconTitle(), "icon");
    t.feed("\x1b]2;bad\xff\x07");
    EXPECT_EQ(t.windowTitle(), "");
}

TEST_F(Dispatch, TitleStackIsBounded)
{
    std::vector<std::string> stack;
    for (int i = 0; i < 25; ++i)
        Terminal::pushTitle(stack, std::to_string(i));
    ASSERT_EQ(stack.size(), Terminal::maxTitleStackDepth);
    EXPECT_EQ(stack.front(), "15");
    EXPECT_EQ(stack.back(), "24");
}

TEST_F(Dispatch, TitleModeFlags)
{
    t.feed("\x1b[>1;3t");
    EXPECT_TRUE(t.titleModes().queryHex);
    EXPECT_TRUE(t.titleModes().queryUtf);
    EXPECT_FALSE(t.titleModes().setHex);
    t.feed("\x1b[>1T");
    EXPECT_FALSE(t.titleModes().queryHex);
    EXPECT_TRUE(t.titleModes().queryUtf);
}

TEST_F(Dispatch, ClipboardNeedsSelectionCAndStrictBase64)
{
    t.feed("\x1b]52;c;aGVsbG8=\x07");
    t.feed("\x1b]52;p;aGVsbG8=\x07");
    t.feed("\x1b]52;c;?\x07");
    t.feed("\x1b]52;c;aGVs bG8=\x07");
    EXPECT_EQ(host.clipboard, (std::vector<std::string>{"hello"}));
}

TEST_F(Dispatch, RegisteredOscHandlerOverridesBuiltIn)
{
    std::string seen;
    t.registerOscHandler(2, [&seen](std::span<const uint8_t> data) { seen.assign(data.begin(), data.end()); });
    t.feed("\x1b]2;mine\x07");
    EXPECT_EQ(seen, "mine");
    EXPECT_TRUE(host.titles.empty());
}

TEST_F(Dispatch, AlternateScreenWithSavedCursor)
{
    t.feed("main\x1b[2;3H\x1b[?1049h");
    EXPECT_TRUE(t.isCurrentBufferAlternate());
    EXPECT_EQ(screenText(t), "");
    EXPECT_EQ(t.getCursorLocation(), std::make_pair(2, 1));
    t.feed("alt\x1b[5;5H\x1b[?1049l");
    EXPECT_FALSE(t.isCurrentBufferAlternate());
    EXPECT_EQ(screenText(t), "main");
    EXPECT_EQ(t.getCursorLocation(), std::make_pair(2, 1));
    EXPECT_EQ(host.bufferActivations, 2);
    t.feed("\x1b[?1049h");
    EXPECT_EQ(screenText(t), ""); // cleared on the way back
}

TEST_F(Dispatch, Mode47KeepsAlternateContent)
{
    t.feed("\x1b[?47hkept\x1b[?47l\x1b[?47h");
    EXPECT_EQ(screenText(t), "kept");
}

TEST_F(Dispatch, CursorVisibilityModes)
{
    t.feed("\x1b[?25l\x1b[?25l");
    EXPECT_TRUE(t.modes().cursorHidden);
    EXPECT_EQ(host.cursorHidden, 1);
    t.feed("\x1b[?1049h");
    EXPECT_FALSE(t.modes().cursorHidden);
    EXPECT_EQ(host.cursorShown, 1);
}

TEST_F(Dispatch, PrivateMarkerIgnoredForErase)
{
    t.feed("abc\x1b[1;2H\x1b[?J");
    EXPECT_EQ(screenText(t), "a");
}

TEST_F(Dispatch, EraseInLine)
{
    t.feed("abcdef\x1b[1;3H\x1b[K");
    EXPECT_EQ(screenText(t), "ab");
    t.feed("\x1b[2;1Hxyz\x1b[2;2H\x1b[1K");
    EXPECT_EQ(t.lineText(1), "  z");
    t.feed("\x1b[2K");
    EXPECT_EQ(t.lineText(1), "");
}

TEST_F(Dispatch, EraseBelowAboveAndAll)
{
    t.feed("1\r\n2\r\n3\r\n4\x1b[2;1H\x1b[1J");
    EXPECT_EQ(screenText(t), "\n\n3\n4");
    t.feed("\x1b[3;1H\x1b[0J");
    EXPECT_EQ(screenText(t), "");
    t.feed("xy\x1b[2J");
    EXPECT_EQ(screenText(t), "");
    EXPECT_EQ(t.getCursorLocation(), std::make_pair(2, 2));
}

TEST_F(Dispatch, EraseScrollbackKeepsScreen)
{
    for (int i = 0; i < 12; ++i)
        t.feed("line\r\n");
    ASSERT_GT(t.buffer().yBase(), 0);
    t.feed("\x1b[3J");
    EXPECT_EQ(t.buffer().yBase(), 0);
    EXPECT_EQ(t.buffer().lines().count(), 5);
    EXPECT_EQ(t.lineText(0), "line");
}

TEST_F(Dispatch, ErasedCellsTakeBackgroundOnly)
{
    t.feed("\x1b[1;4;31;42mab\x1b[1;1H\x1b[K");
    const Attribute erased = t.getCharData(0, 0)->attribute;
    EXPECT_EQ(erased.bg(), Attribute::Color::ansi256(2));
    EXPECT_EQ(erased.fg(), Attribute::Color::defaultColor);
    EXPECT_TRUE(erased.style().isEmpty());
}

struct SgrCase {
    const char* name;
    std::string input;
    Attribute expected;
};

class Sgr : public ::testing::TestWithParam<SgrCase> {};

TEST_P(Sgr, SetsCurrentAttribute)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    ::testing::internal::CaptureStderr();
    t.feed(GetParam().input);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(t.currentAttribute(), GetParam().expected);
}

using C = Attribute::Color;
Attribute styled(CharacterStyle style, UnderlineStyle underline = UnderlineStyle::none)
{
    return Attribute(C::defaultColor, C::defaultColor, style, underline);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rendition, Sgr,
    ::testing::Values(
        SgrCase{"reset", "\x1b[1;31m\x1b[m", Attribute()},
        SgrCase{"boldRed", "\x1b[1;31m", Attribute(C::ansi256(1), C::defaultColor, CharacterStyle::bold)},
        SgrCase{"brightColours", "\x1b[97;100m", Attribute(C::ansi256(15), C::ansi256(8))},
        SgrCase{"palette", "\x1b[38;5;196;48;5;21m", Attribute(C::ansi256(196), C::ansi256(21))},
        SgrCase{"paletteClamped", "\x1b[38;5;300m", Attribute(C::ansi256(255), C::defaultColor)},
        SgrCase{"trueColorSemicolons", "\x1b[38;2;10;20;30m", Attribute(C::trueColor(10, 20, 30), C::defaultColor)},
        SgrCase{"trueColorBackgroundKeepsTheRest", "\x1b[1;31m\x1b[48;2;1;2;300m",
                Attribute(C::ansi256(1), C::trueColor(1, 2, 255), CharacterStyle::bold)},
        SgrCase{"trueColorForegroundKeepsTheRest", "\x1b[4;44m\x1b[38;2;7;8;9m",
                Attribute(C::trueColor(7, 8, 9), C::ansi256(4), CharacterStyle::underline, UnderlineStyle::single)},
        SgrCase{"trueColorColonsWithSpace", "\x1b[38:2:0:10:20:30m",
                Attribute(C::trueColor(10, 20, 30), C::defaultColor)},
        SgrCase{"trueColorColons", "\x1b[48:2:10:20:30m", Attribute(C::defaultColor, C::trueColor(10, 20, 30))},
        SgrCase{"trueColorEmptySpace", "\x1b[38:2::10:20:30m",
                Attribute(C::trueColor(10, 20, 30), C::defaultColor)},
        SgrCase{"shortTrueColorReadsRestAsSgr", "\x1b[38;2;1;3m",
                styled(CharacterStyle({CharacterStyle::bold, CharacterStyle::italic}))},
        SgrCase{"curlyUnderline", "\x1b[4:3m", styled(CharacterStyle::underline, UnderlineStyle::curly)},
        SgrCase{"underlineThenItalic", "\x1b[4;3m",
                styled(CharacterStyle({CharacterStyle::underline, CharacterStyle::italic}), UnderlineStyle::single)},
        SgrCase{"doubleUnderline", "\x1b[21m", styled(CharacterStyle::underline, UnderlineStyle::doubled)},
        SgrCase{"underlineOff", "\x1b[4m\x1b[24m", Attribute()},
        SgrCase{"boldAndDimOff", "\x1b[1;2;3m\x1b[22m", styled(CharacterStyle::italic)},
        SgrCase{"underlineColour", "\x1b[58;5;9m",
                Attribute(C::defaultColor, C::defaultColor, CharacterStyle::none, UnderlineStyle::none, C::ansi256(9))},
        SgrCase{"defaultColours", "\x1b[31;42m\x1b[39;49m", Attribute()},
        SgrCase{"unknownSkipped", "\x1b[6;7m", styled(CharacterStyle::inverse)},
        SgrCase{"withIntermediatesIgnored", "\x1b[>1m", Attribute()},
        SgrCase{"reverseVideoMode", "\x1b[?5h", Attribute(C::defaultInvertedColor, C::defaultInvertedColor)}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(Dispatch, UnknownSgrIsReportedAtTheDebugLevelWhateverTheLogSetting)
{
    for (const bool debug : {false, true}) {
        const velmora::test::DebugDiagnostics level(debug);
        ::testing::internal::CaptureStderr();
        t.feed("\x1b[1;6m");
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), debug ? "Unknown SGR attribute: 6 [1, 6]\n" : "");
    }
}

struct LogCase {
    const char* name;
    std::string input;
    std::string expected;
};

class FallbackLog : public ::testing::TestWithParam<LogCase> {};

TEST_P(FallbackLog, PrintsOneLineWhenLoggingIsOn)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    ::testing::internal::CaptureStderr();
    t.feed(GetParam().input);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    t.silentLog = false;
    ::testing::internal::CaptureStderr();
    t.feed(GetParam().input);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), GetParam().expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Unknown, FallbackLog,
    ::testing::Values(
        LogCase{"esc", "\x1b" "a", "Info: Corvel: Unknown ESC Code: ESC + a txt=[]\n"},
        LogCase{"escComma", "\x1b,0", "Info: Corvel: Unknown ESC Code: ESC + 0 txt=[44]\n"},
        LogCase{"escTwoIntermediates", "\x1b(%0", "Info: Corvel: Unknown ESC Code: ESC + 0 txt=[40, 37]\n"},
        LogCase{"csi", "\x1b[?5;2W", "Info: Corvel: Unknown CSI Code (collect=[63] code=W pars=[5, 2])\n"},
        LogCase{"osc", "\x1b]99;x\x07", "Info: Corvel: Unknown OSC code: 99\n"},
        LogCase{"apc", "\x1b_Xdata\x1b\\", "Info: Corvel: Unknown APC code: X\n"},
        LogCase{"csiT", "\x1b[=1t", "Info: Unhandled csiT [61]\n"},
        LogCase{"decset", "\x1b[?12345h", "Info: Unhandled DEC Private Mode Set (DECSET) with 12345\n"},
        LogCase{"decsetResetOnly", "\x1b[?41h", "Info: Unhandled DEC Private Mode Set (DECSET) with 41\n"},
        LogCase{"decrstSetOnly", "\x1b[?2l", "Info: Unhandled DEC Private Mode Reset (DECRST) with 2\n"},
        LogCase{"smReportOnly", "\x1b[12h", "Info: Unhandled verbatim setMode with 12 and []\n"},
        LogCase{"smWithIntermediate", "\x1b[>4h", "Info: Unhandled setMode (SM) with 4 and [62]\n"},
        LogCase{"rmUnknownIsSilent", "\x1b[12l\x1b[>4l", ""}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(Dispatch, SingleShiftsAndUnknownDesignatorsChangeNothing)
{
    t.feed("\x1bNq\x1b(Zq");
    EXPECT_EQ(screenText(t), "qq");
}

TEST_F(Dispatch, LockingShifts)
{
    t.feed("\x1b*0\x1bnq\x1b~q");
    EXPECT_EQ(screenText(t), "\xe2\x94\x80q");
    // Choosing UTF-8 shifts G0 back in and makes it ASCII: with G0 and G2
    // both line drawing and G2 shifted in, "q" prints as itself after it.
    t.feed("\x1b(0\x1bn\x1b%Gq");
    EXPECT_EQ(screenText(t), "\xe2\x94\x80qq");
}

TEST_F(Dispatch, KeypadModes)
{
    t.feed("\x1b=");
    EXPECT_TRUE(t.modes().applicationKeypad);
    t.feed("\x1b>");
    EXPECT_FALSE(t.modes().applicationKeypad);
}

} // namespace
} // namespace corvel::test
