// Requests and the replies they get: device attributes and status, mode
// reports, status strings, the rectangle checksum and the window reports.

#include <gtest/gtest.h>

#include "TerminalTestSupport.h"

namespace corvel::test {
namespace {

struct ReplyCase {
    const char* name;
    const char* input;
    const char* reply;
};

class Replies : public ::testing::TestWithParam<ReplyCase> {};

// An 80 by 24 terminal with the default options (xterm-256color, Sixel).
TEST_P(Replies, Answer)
{
    RecordingDelegate host;
    Terminal t(&host, sized(80, 24));
    t.feed(GetParam().input);
    EXPECT_EQ(host.replies(), GetParam().reply) << GetParam().input;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Sequences, Replies,
    ::testing::Values(
        ReplyCase{"PrimaryDa", "\x1b[c", "\x1b[?65;4;1;2;6;21;22;17;28c"},
        ReplyCase{"PrimaryDaZero", "\x1b[0c", "\x1b[?65;4;1;2;6;21;22;17;28c"},
        ReplyCase{"PrimaryDaOneIsIgnored", "\x1b[1c", ""},
        ReplyCase{"SecondaryDa", "\x1b[>c", "\x1b[>65;20;1c"},
        ReplyCase{"SecondaryDaZero", "\x1b[>0c", "\x1b[>65;20;1c"},
        ReplyCase{"TertiaryDaIsIgnored", "\x1b[=c", ""},
        ReplyCase{"Status", "\x1b[5n", "\x1b[0n"},
        ReplyCase{"CursorPosition", "\x1b[3;5H\x1b[6n", "\x1b[3;5R"},
        ReplyCase{"ExtendedCursorPosition", "\x1b[3;5H\x1b[?6n", "\x1b[?3;5;1R"},
        ReplyCase{"CursorPositionInOriginMode", "\x1b[10;20r\x1b[4;1H\x1b[?6h\x1b[6n", "\x1b[1;1R"},
        ReplyCase{"ExtendedPositionNeverBelowOne", "\x1b[10;20r\x1b[4;1H\x1b[?6h\x1b[?6n", "\x1b[?1;1;1R"},
        ReplyCase{"PositionInPendingWrapIsLastColumn",
                  "\x1b[80G" "x\x1b[6n", "\x1b[1;80R"},
        ReplyCase{"Printer", "\x1b[?15n", "\x1b[?10n"},
        ReplyCase{"UserKeys", "\x1b[?25n", "\x1b[?21n"},
        ReplyCase{"Keyboard", "\x1b[?26n", "\x1b[?27;1;0;0n"},
        ReplyCase{"Locator", "\x1b[?55n", "\x1b[?53n"},
        ReplyCase{"LocatorType", "\x1b[?56n", "\x1b[?57;1n"},
        ReplyCase{"MacroSpace", "\x1b[?62n", "\x1b[0*{"},
        ReplyCase{"MemoryChecksum", "\x1b[?63;7n", "\x1bP7!~0000\x1b\\"},
        ReplyCase{"DataIntegrity", "\x1b[?75n", "\x1b[?70n"},
        ReplyCase{"Sessions", "\x1b[?85n", "\x1b[?83n"},
        ReplyCase{"UnknownStatusIsIgnored", "\x1b[99n\x1b[>5n", ""},
        ReplyCase{"EightBitAfterConformanceLevel", "\x1b[62;2\"p\x1b[5n", "\x9b" "0n"},
        ReplyCase{"Level61BackToSevenBit", "\x1b[62;2\"p\x1b[61;2\"p\x1b[5n", "\x1b[0n"},
        ReplyCase{"ReverseVideoModeReport", "\x1b[?5h\x1b[?5$p", "\x1b[?5;1$y"},
        ReplyCase{"ReverseVideoChangedBySgr", "\x1b[?5h\x1b[1m\x1b[?5$p", "\x1b[?5;2$y"},
        ReplyCase{"AltScreenWithCursorReportsZero", "\x1b[?1049h\x1b[?1049$p", "\x1b[?1049;0$y"},
        ReplyCase{"SynchronizedOutputActive", "\x1b[?2026h\x1b[?2026$p", "\x1b[?2026;1$y"},
        ReplyCase{"SynchronizedOutputInactive", "\x1b[?2026$p", "\x1b[?2026;2$y"},
        ReplyCase{"AnsiNewLineMode", "\x1b[20h\x1b[20$p\x1b[20l\x1b[20$p", "\x1b[20;1$y\x1b[20;2$y"},
        ReplyCase{"AnsiPermanentlyReset", "\x1b[1$p\x1b[3$p\x1b[12$p\x1b[6$p", "\x1b[1;4$y\x1b[3;2$y\x1b[12;1$y\x1b[6;0$y"},
        ReplyCase{"PrivateUnknown", "\x1b[?7777$p", "\x1b[?7777;0$y"},
        ReplyCase{"BracketedPaste", "\x1b[?2004h\x1b[?2004$p", "\x1b[?2004;1$y"},
        ReplyCase{"MouseModes", "\x1b[?1002h\x1b[?1006h\x1b[?1002$p\x1b[?1006$p\x1b[?1000$p",
                  "\x1b[?1002;1$y\x1b[?1006;1$y\x1b[?1000;2$y"},
        ReplyCase{"StatusStringSgr", "\x1b[1;31m\x1bP$qm\x1b\\", "\x1bP1$r0;1;31m\x1b\\"},
        ReplyCase{"StatusStringRegion", "\x1bP$qr\x1b\\", "\x1bP1$r1;24r\x1b\\"},
        ReplyCase{"StatusStringMargins", "\x1b[?69h\x1b[3;40s\x1bP$qs\x1b\\", "\x1bP1$r3;40s\x1b\\"},
        ReplyCase{"StatusStringConformanceDefault", "\x1bP$q\"p\x1b\\", "\x1bP1$r65;1\"p\x1b\\"},
        ReplyCase{"StatusStringConformanceAfterChange", "\x1b[62;1\"p\x1bP$q\"p\x1b\\", "\x1bP1$r62;1\"p\x1b\\"},
        ReplyCase{"StatusStringCursorStyleDefault", "\x1bP$q q\x1b\\", "\x1bP1$r1 q\x1b\\"},
        ReplyCase{"StatusStringCursorStyleAfterChange", "\x1b[5 q\x1bP$q q\x1b\\", "\x1bP1$r5 q\x1b\\"},
        ReplyCase{"StatusStringProtection", "\x1bP$q\"q\x1b\\", "\x1bP1$r\"q\x1b\\"},
        ReplyCase{"StatusStringUnknown", "\x1bP$qx\x1b\\", "\x1bP0$r\x1b\\"},
        ReplyCase{"ChecksumOfLetter", "A\x1b[1;1;1;1;1;1*y", "\x1bP1!~0041\x1b\\"},
        ReplyCase{"ChecksumOfEmptyCell", "\x1b[1;1;1;1;1;1*y", "\x1bP1!~0020\x1b\\"},
        ReplyCase{"ChecksumOfRow", "AB\x1b[9;1;1;1;1;3*y", "\x1bP9!~00a3\x1b\\"},
        ReplyCase{"ChecksumNeedsARectangle", "A\x1b[1;1*y", "\x1bP1!~0000\x1b\\"},
        ReplyCase{"ChecksumNeedsItsIntermediate", "A\x1b[1;1;1;1;1;1y", ""},
        ReplyCase{"CellSizeFallback", "\x1b[16t", "\x1b[6;16;10t"},
        ReplyCase{"TextAreaPixelsFallback", "\x1b[14t", "\x1b[4;384;800t"},
        ReplyCase{"WindowPixelsFallback", "\x1b[14;2t", "\x1b[4;384;800t"},
        ReplyCase{"ScreenPixelsFallback", "\x1b[15t", "\x1b[5;384;800t"},
        ReplyCase{"TextAreaCharacters", "\x1b[18t", "\x1b[8;24;80t"},
        ReplyCase{"ScreenCharacters", "\x1b[19t", "\x1b[9;24;80t"},
        ReplyCase{"IconLabel", "\x1b]1;icon\x07\x1b[20t", "\x1b]L\x1b\\"},
        ReplyCase{"WindowTitle", "\x1b]2;secret\x07\x1b[21t", "\x1b]l\x1b\\"},
        ReplyCase{"UnhandledWindowOps", "\x1b[9;4t\x1b[11t\x1b[22t\x1b[3;10t\x1b[14;1t", ""}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Every mode that keeps a state answers the report with what set and reset
// made of it, on its own fresh terminal.
TEST(ModeReports, FollowSetAndReset)
{
    struct Case {
        const char* prefix;
        int mode;
    };
    for (const Case& c :
         {Case{"", 4},     Case{"", 20},    Case{"?", 1},    Case{"?", 3},    Case{"?", 4},    Case{"?", 5},
          Case{"?", 6},    Case{"?", 7},    Case{"?", 9},    Case{"?", 12},   Case{"?", 25},   Case{"?", 40},
          Case{"?", 45},   Case{"?", 47},   Case{"?", 66},   Case{"?", 69},   Case{"?", 1000}, Case{"?", 1002},
          Case{"?", 1003}, Case{"?", 1004}, Case{"?", 1005}, Case{"?", 1006}, Case{"?", 1015}, Case{"?", 1016},
          Case{"?", 2004}, Case{"?", 2026}}) {
        RecordingDelegate host;
        Terminal t(&host, sized(80, 24));
        const std::string mode = std::string("\x1b[") + c.prefix + std::to_string(c.mode);
        t.feed(mode + "h" + mode + "$p" + mode + "l" + mode + "$p");
        EXPECT_EQ(host.replies(), mode + ";1$y" + mode + ";2$y") << c.prefix << c.mode;
    }
}

// Modes without a state of their own answer a fixed value whatever was sent,
// and modes the terminal does not know answer 0.
TEST(ModeReports, FixedAnswers)
{
    struct Case {
        const char* prefix;
        int mode;
        int answer;
    };
    for (const Case& c : {Case{"", 2, 2},
                          Case{"", 3, 2},
                          Case{"", 9, 0},
                          Case{"", 12, 1},
                          Case{"", 19, 4},
                          Case{"", 21, 0},
                          Case{"?", 2, 1},
                          Case{"?", 8, 1},
                          Case{"?", 10, 4},
                          Case{"?", 13, 2},
                          Case{"?", 41, 2},
                          Case{"?", 63, 0},
                          Case{"?", 95, 1},
                          Case{"?", 1001, 2},
                          Case{"?", 1034, 4},
                          Case{"?", 1047, 0},
                          Case{"?", 1048, 0},
                          Case{"?", 1049, 0},
                          Case{"?", 65536, 0}}) {
        RecordingDelegate host;
        Terminal t(&host, sized(80, 24));
        const std::string mode = std::string("\x1b[") + c.prefix + std::to_string(c.mode);
        const std::string answer = mode + ";" + std::to_string(c.answer) + "$y";
        t.feed(mode + "$p" + mode + "h" + mode + "$p" + mode + "l" + mode + "$p");
        EXPECT_EQ(host.replies(), answer + answer + answer) << c.prefix << c.mode;
    }
}

// Set and reset act only in the directions a mode takes; the others leave
// the screen and the modes alone.
TEST(ModeReports, OneSidedModes)
{
    RecordingDelegate host;
    Terminal t(&host, sized(20, 3));
    // DECSET 2 puts every G-slot back to the default set; DECRST 2 does not
    // touch them.
    t.feed("\x1b(0\x1b[?2lq\x1b[?2hq");
    EXPECT_EQ(t.lineText(0), "\u2500q");
    // Reverse wrap-around comes on only while auto-wrap is on, and stays on
    // when auto-wrap goes off.
    t.feed("\x1b[?7l\x1b[?45h\x1b[?45$p\x1b[?7h\x1b[?45h\x1b[?7l\x1b[?45$p");
    EXPECT_EQ(host.replies(), "\x1b[?45;2$y\x1b[?45;1$y");
}

class Reports : public ::testing::Test {
protected:
    Reports() : t(&host, sized(80, 24)) {}
    RecordingDelegate host;
    Terminal t;
};

TEST_F(Reports, DeviceAttributesFollowTheTerminalName)
{
    struct Case {
        const char* name;
        bool sixel;
        const char* primary;
    };
    for (const Case& c : {Case{"xterm", false, "\x1b[?65;1;2;6;21;22;17;28c"},
                          Case{"screen-256color", true, "\x1b[?1;2c"},
                          Case{"rxvt-unicode", true, "\x1b[?1;2c"},
                          Case{"linux", true, "\x1b[?6c"},
                          Case{"vt100", true, ""}}) {
        RecordingDelegate h;
        TerminalOptions options = sized(80, 24);
        options.termName = c.name;
        options.enableSixelReported = c.sixel;
        Terminal terminal(&h, options);
        terminal.feed("\x1b[c\x1b[>c");
        EXPECT_EQ(h.replies(), std::string(c.primary) + "\x1b[>65;20;1c") << c.name;
    }
}

TEST_F(Reports, ChecksumIsWithheldFromAnUntrustedProcess)
{
    struct Untrusting : RecordingDelegate {
        bool isProcessTrusted(Terminal&) override { return false; }
    } h;
    Terminal terminal(&h, sized(10, 4));
    terminal.feed("A\x1b[1;1;1;1;1;1*y");
    EXPECT_EQ(h.replies(), "\x1bP1!~0000\x1b\\");
}

TEST_F(Reports, TitleStacksPushAndPop)
{
    t.feed("\x1b]2;one\x07\x1b[22;2t\x1b]2;two\x07\x1b[22;2t\x1b]2;three\x07");
    host.titles.clear();
    t.feed("\x1b[23;2t\x1b[23;2t\x1b[23;2t");
    EXPECT_EQ(host.titles, (std::vector<std::string>{"two", "one"}));
    EXPECT_EQ(t.windowTitle(), "one");

    t.feed("\x1b]1;icon\x07\x1b[22;1t\x1b]1;other\x07");
    host.titles.clear();
    host.iconTitles.clear();
    t.feed("\x1b[23;1t");
    EXPECT_EQ(host.iconTitles, (std::vector<std::string>{"icon"}));
    EXPECT_TRUE(host.titles.empty());

    t.feed("\x1b[22;0t\x1b]2;x\x07\x1b]1;y\x07\x1b[23;0t");
    EXPECT_EQ(t.windowTitle(), "one");
    EXPECT_EQ(t.windowIconTitle(), "icon");
}

class WindowHost : public RecordingDelegate {
public:
    std::optional<std::vector<uint8_t>> windowCommand(Terminal&, const WindowManipulationCommand& command) override
    {
        commands.push_back(command);
        if (command.kind == WindowManipulationCommand::Kind::reportCellSizeInPixels)
            return bytes("\x1b[6;20;9t");
        return std::nullopt;
    }
    std::optional<std::pair<int, int>> cellSizeInPixels(Terminal&) override { return std::make_pair(8, 12); }
    std::vector<WindowManipulationCommand> commands;
};

TEST_F(Reports, WindowCommandsReachTheHost)
{
    using K = WindowManipulationCommand::Kind;
    WindowHost h;
    Terminal terminal(&h, sized(80, 24));
    terminal.feed("\x1b[1t\x1b[2t\x1b[3;10;20t\x1b[4;300;600t\x1b[5t\x1b[6t\x1b[7t\x1b[8;30;100t\x1b[9;1t\x1b[10;2t");
    EXPECT_EQ(h.commands,
              (std::vector<WindowManipulationCommand>{
                  {K::deiconifyWindow, 0, 0},
                  {K::iconifyWindow, 0, 0},
                  {K::moveWindowTo, 10, 20},
                  {K::resizeWindowTo, 600, 300},
                  {K::bringToFront, 0, 0},
                  {K::sendToBack, 0, 0},
                  {K::refreshWindow, 0, 0},
                  {K::resizeTerminal, 100, 30},
                  {K::maximizeWindow, 0, 0},
                  {K::toggleFullScreen, 0, 0},
              }));
    EXPECT_TRUE(h.sent.empty());
    terminal.feed("\x1b[16t\x1b[14t");
    EXPECT_EQ(h.replies(), "\x1b[6;20;9t\x1b[4;288;640t");
}

TEST_F(Reports, WindowCommandsNeedAHost)
{
    t.setDelegate(nullptr);
    t.feed("\x1b]2;a\x07\x1b[22;2t");
    t.setDelegate(&host);
    // Nothing was pushed: the pop finds an empty stack and changes nothing.
    t.feed("\x1b]2;b\x07\x1b[23;2t");
    EXPECT_EQ(host.titles, std::vector<std::string>{"b"});
    EXPECT_EQ(t.windowTitle(), "b");
}

TEST_F(Reports, UnknownStatusStringIsLogged)
{
    t.silentLog = false;
    testing::internal::CaptureStderr();
    t.feed("\x1bP$qzz\x1b\\\x1b[=1t\x1b[5&p");
    const std::string out = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("Info: Unknown DCS + zz\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Info: Unhandled csiT [61]\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Info: Unhandled CSI 38 with pars=[5]\n"), std::string::npos) << out;
}

} // namespace
} // namespace corvel::test
