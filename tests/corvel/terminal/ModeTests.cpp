// Modes, cursor styles, the soft reset, graphic rendition and synchronized
// output.

#include <gtest/gtest.h>

#include <chrono>

#include "TerminalTestSupport.h"
#include "corvel/base/RunLoopExecutor.h"

namespace corvel::test {
namespace {

class ModeHost : public RecordingDelegate {
public:
    void cursorStyleChanged(Terminal&, CursorStyle style) override { styles.push_back(style); }
    void synchronizedOutputChanged(Terminal&, bool active) override { synchronized.push_back(active); }
    void sizeChanged(Terminal&) override { ++sizeChanges; }
    std::vector<CursorStyle> styles;
    std::vector<bool> synchronized;
    int sizeChanges = 0;
};

class Modes : public ::testing::Test {
protected:
    Modes() : t(&host, sized(20, 5)) {}
    ModeHost host;
    Terminal t;
};

TEST_F(Modes, CursorStyles)
{
    struct Case {
        const char* input;
        CursorStyle expected;
    };
    for (const Case& c : {Case{"\x1b[2 q", CursorStyle::steadyBlock},
                          Case{"\x1b[3 q", CursorStyle::blinkUnderline},
                          Case{"\x1b[4 q", CursorStyle::steadyUnderline},
                          Case{"\x1b[5 q", CursorStyle::blinkBar},
                          Case{"\x1b[6 q", CursorStyle::steadyBar},
                          Case{"\x1b[0 q", CursorStyle::blinkBlock},
                          Case{"\x1b[6 q", CursorStyle::steadyBar},
                          Case{"\x1b[ q", CursorStyle::blinkBlock}}) {
        t.feed(c.input);
        EXPECT_EQ(t.options.cursorStyle, c.expected) << c.input;
    }
    EXPECT_EQ(host.styles.size(), 8u);
    t.feed("\x1b[ q\x1b[7 q\x1b[4q\x1b[4$q");
    EXPECT_EQ(t.options.cursorStyle, CursorStyle::blinkBlock);
    EXPECT_EQ(host.styles.size(), 8u);
}

TEST_F(Modes, SoftResetRestoresDefaultsAndKeepsTheRest)
{
    t.feed("\x1b[?25l\x1b[?6h\x1b[4h\x1b[?7l\x1b[?1h\x1b=\x1b[2;4r\x1b[1;31m\x1b[?69h\x1b[?1002h\x1b[?2004h"
           "\x1b]8;;http://a\x1b\\\x1b]4;1;#010203\x1b\\\x1b[3;3H");
    host.cursorShown = 0;
    t.feed("\x1b[!p");
    EXPECT_FALSE(t.modes().cursorHidden);
    EXPECT_EQ(host.cursorShown, 1);
    EXPECT_FALSE(t.modes().originMode);
    EXPECT_FALSE(t.modes().insertMode);
    EXPECT_TRUE(t.modes().wraparound);
    EXPECT_FALSE(t.modes().applicationCursor);
    EXPECT_FALSE(t.modes().applicationKeypad);
    EXPECT_EQ(t.buffer().scrollTop(), 0);
    EXPECT_EQ(t.buffer().scrollBottom(), 4);
    EXPECT_EQ(t.currentAttribute(), Attribute());
    EXPECT_EQ(t.ansiColors()[1], t.defaultAnsiColors()[1]);
    EXPECT_FALSE(t.modes().marginMode);
    EXPECT_FALSE(t.normalBuffer().marginMode);
    EXPECT_FALSE(t.altBuffer().marginMode);
    // Left alone:
    EXPECT_EQ(t.mouseMode(), Terminal::MouseMode::buttonEventTracking);
    EXPECT_TRUE(t.modes().bracketedPasteMode);
    // The cursor stays where origin mode put it (row 3 of the region at row 1).
    EXPECT_EQ(t.buffer().x(), 2);
    EXPECT_EQ(t.buffer().y(), 3);
    // The open link ended: text printed after the reset carries none.
    t.feed("z");
    EXPECT_FALSE(t.buffer().lines()[3][2].hasPayload());
}

TEST_F(Modes, SoftResetEndsInsertMode)
{
    t.feed("abc\x1b[4h\x1b[!p\x1b[Hx");
    EXPECT_EQ(t.lineText(0), "xbc");
}

TEST_F(Modes, SwitchTo132ColumnsAndBack)
{
    t.feed("text\x1b[3;5r\x1b[?69h\x1b[4;9s\x1b[4;4H\x1b[?25l\x1b[?3h");
    EXPECT_EQ(t.cols, 132);
    EXPECT_TRUE(t.modes().cursorHidden);
    EXPECT_EQ(host.sizeChanges, 1);
    // The screen is erased, the region and margins span it, the cursor is home.
    EXPECT_EQ(screenText(t), "");
    EXPECT_EQ(t.getCursorLocation(), (std::pair{0, 0}));
    EXPECT_EQ(t.buffer().scrollTop(), 0);
    EXPECT_EQ(t.buffer().scrollBottom(), t.rows - 1);
    EXPECT_EQ(t.buffer().marginLeft, 0);
    EXPECT_EQ(t.buffer().marginRight, 131);
    EXPECT_TRUE(t.modes().marginMode);
    t.feed("\x1b[?3$p");
    EXPECT_EQ(host.replies(), "\x1b[?3;1$y");
    t.feed("\x1b[?3l");
    EXPECT_EQ(t.cols, 80);
    t.feed("\x1b[?40l\x1b[?3h");
    EXPECT_EQ(t.cols, 80);
}

TEST_F(Modes, MouseEncodingResetTurnsTrackingOff)
{
    host.mouseModeChanges = 0;
    t.feed("\x1b[?1002h\x1b[?1006h\x1b[?1006l");
    EXPECT_EQ(t.mouseMode(), Terminal::MouseMode::off);
    EXPECT_EQ(t.modes().mouseProtocol, Terminal::MouseProtocolEncoding::x10);
    EXPECT_EQ(host.mouseModeChanges, 2);
}

TEST_F(Modes, ReverseWrapNeedsAutoWrap)
{
    t.feed("\x1b[?7l\x1b[?45h");
    EXPECT_FALSE(t.modes().reverseWraparound);
    t.feed("\x1b[?7h\x1b[?45h");
    EXPECT_TRUE(t.modes().reverseWraparound);
}

struct SgrEdge {
    const char* input;
    Attribute expected;
};

TEST_F(Modes, GraphicRenditionEdges)
{
    using C = Attribute::Color;
    auto with = [](C fg,
                   C bg,
                   uint8_t style,
                   UnderlineStyle underline = UnderlineStyle::none,
                   std::optional<C> underlineColor = std::nullopt) {
        return Attribute(fg, bg, CharacterStyle(style), underline, underlineColor);
    };
    const C d = C::defaultColor;
    for (const SgrEdge& c : {
             SgrEdge{"\x1b[38;5;300m", with(C::ansi256(255), d, 0)},
             SgrEdge{"\x1b[38:2::10:20:30m", with(C::trueColor(10, 20, 30), d, 0)},
             SgrEdge{"\x1b[38:2:10:20:30m", with(C::trueColor(10, 20, 30), d, 0)},
             SgrEdge{"\x1b[38;2;10;20m", with(d, d, 0)},
             SgrEdge{"\x1b[4:3m", with(d, d, 2, UnderlineStyle::curly)},
             SgrEdge{"\x1b[4;3m", with(d, d, 2 | 64, UnderlineStyle::single)},
             SgrEdge{"\x1b[4m\x1b[4:0m", with(d, d, 0)},
             SgrEdge{"\x1b[1;2;3m\x1b[22m", with(d, d, 64)},
             SgrEdge{"\x1b[58:5:1m", with(d, d, 0, UnderlineStyle::none, C::ansi256(1))},
             SgrEdge{"\x1b[58:5:1m\x1b[59m", with(d, d, 0)},
             SgrEdge{"\x1b[21m", with(d, d, 2, UnderlineStyle::doubled)},
             SgrEdge{"\x1b[95;104m", with(C::ansi256(13), C::ansi256(12), 0)},
             SgrEdge{"\x1b[31m\x1b[>4;2m", with(C::ansi256(1), d, 0)},
         }) {
        t.feed("\x1b[0m");
        testing::internal::CaptureStderr();
        t.feed(c.input);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(t.currentAttribute(), c.expected) << c.input;
    }
}

// ---- synchronized output ---------------------------------------------------------

class Synchronized : public ::testing::Test {
protected:
    Synchronized() : executor(RunLoopExecutor::ClockMode::Manual), t(&host, sized(10, 3, 100))
    {
        t.setExecutor(&executor);
    }
    std::string shownRow(int row)
    {
        Buffer& shown = t.displayBuffer();
        return shown.lines()[shown.yDisp() + row].translateToString(true);
    }
    RunLoopExecutor executor;
    ModeHost host;
    Terminal t;
};

TEST_F(Synchronized, ViewShowsTheFrameAsItBeganUntilTheLastBeginTimesOut)
{
    using namespace std::chrono_literals;
    t.feed("before");
    t.feed("\x1b[?2026h\x1b[Hafter!");
    EXPECT_EQ(shownRow(0), "before");
    EXPECT_EQ(t.lineText(0), "after!");
    executor.advance(600ms);
    t.feed("\x1b[?2026h");
    executor.advance(600ms);
    EXPECT_TRUE(t.isSynchronizedOutputActive());
    EXPECT_EQ(shownRow(0), "before");
    executor.advance(500ms);
    EXPECT_FALSE(t.isSynchronizedOutputActive());
    EXPECT_EQ(shownRow(0), "after!");
    EXPECT_EQ(host.synchronized, (std::vector<bool>{true, false}));
}

TEST_F(Synchronized, ExplicitEndMarksEveryRowAndShowsTheLiveScreen)
{
    t.feed("\x1b[?2026h");
    t.feed("x");
    t.clearUpdateRange();
    t.feed("\x1b[?2026l");
    EXPECT_EQ(t.getUpdateRange(), (Terminal::UpdateRange{0, 2}));
    EXPECT_EQ(&t.displayBuffer(), &t.buffer());
    EXPECT_EQ(host.synchronized, (std::vector<bool>{true, false}));
    // A pending deadline was cancelled with the end.
    t.feed("\x1b[?2026h");
    t.feed("\x1b[?2026l");
    executor.advance(std::chrono::seconds(2));
    EXPECT_EQ(host.synchronized, (std::vector<bool>{true, false, true, false}));
}

TEST_F(Synchronized, EndWhileInactiveDoesNothing)
{
    t.clearUpdateRange();
    t.feed("\x1b[?2026l");
    EXPECT_TRUE(host.synchronized.empty());
    EXPECT_EQ(t.getUpdateRange(), std::nullopt);
}

TEST_F(Synchronized, SnapshotKeepsScrollBackIndexesAndTheScreenItShowed)
{
    for (int i = 0; i < 8; ++i)
        t.feed("line" + std::to_string(i) + "\r\n");
    t.feed("\x1b[?1049h\x1b[?2026h");
    EXPECT_TRUE(t.isDisplayBufferAlternate());
    t.feed("\x1b[?1049l");
    EXPECT_TRUE(t.isDisplayBufferAlternate());
    t.feed("\x1b[?2026l\x1b[?2026h");
    Buffer& shown = t.displayBuffer();
    EXPECT_FALSE(t.isDisplayBufferAlternate());
    EXPECT_EQ(shown.lines().count(), t.buffer().lines().count());
    EXPECT_EQ(shown.yBase(), t.buffer().yBase());
    EXPECT_EQ(shown.lines()[0].translateToString(true), "line0");
    // Output that scrolls the live screen leaves the frozen rows alone.
    t.feed("\r\n\r\n\r\nnew");
    EXPECT_EQ(t.lineText(2), "new");
    EXPECT_EQ(shownRow(0), "line6");
    EXPECT_EQ(shownRow(1), "line7");
}

TEST_F(Synchronized, ScrollingAFrameOfTheOtherScreenLeavesTheLiveScreenInItsLines)
{
    for (int i = 0; i < 8; ++i)
        t.feed("line" + std::to_string(i) + "\r\n");
    t.feed("\x1b[?2026h\x1b[?1049h");
    ASSERT_FALSE(t.isDisplayBufferAlternate());
    const int top = t.displayBuffer().yBase();
    ASSERT_GT(top, 2);
    t.scrollDisplayTo(2);
    EXPECT_EQ(t.displayBuffer().yDisp(), 2);
    EXPECT_EQ(shownRow(0), "line2");
    // The alternate screen has no scroll-back: it stays on its own rows.
    EXPECT_EQ(t.buffer().yDisp(), 0);
    t.feed("\x1b[?2026l");
    EXPECT_EQ(t.displayBuffer().yDisp(), 0);
    t.feed("\x1b[?1049l");
    EXPECT_EQ(t.buffer().yDisp(), t.buffer().yBase());
}

TEST_F(Synchronized, ScrollingStaysInsideTheShownLines)
{
    for (int i = 0; i < 8; ++i)
        t.feed("line" + std::to_string(i) + "\r\n");
    t.scrollDisplayTo(1000);
    EXPECT_EQ(t.buffer().yDisp(), t.buffer().yBase());
    t.feed("\x1b[?2026h");
    t.scrollDisplayTo(1000);
    EXPECT_EQ(t.displayBuffer().yDisp(), t.displayBuffer().yBase());
    EXPECT_EQ(t.buffer().yDisp(), t.buffer().yBase());
}

TEST_F(Synchronized, ScrollBackReadLaterIsTheLineShownAtTheBegin)
{
    ModeHost h;
    Terminal small(&h, sized(10, 3, 5));
    for (int i = 0; i < 12; ++i)
        small.feed("old" + std::to_string(i) + "\r\n");
    ASSERT_TRUE(small.buffer().lines().isFull());
    Buffer& live = small.buffer();
    std::vector<std::string> before;
    for (int i = 0; i < live.lines().count(); ++i)
        before.push_back(live.lines()[i].translateToString(true));
    small.feed("\x1b[?2026h");
    // The full ring drops its two oldest lines while the frame is held; the
    // frame still shows them.
    small.feed("new1\r\nnew2\r\n");
    Buffer& shown = small.displayBuffer();
    for (int i = 0; i < shown.lines().count(); ++i)
        EXPECT_EQ(shown.lines()[i].translateToString(true), before[static_cast<size_t>(i)]) << i;
}

TEST_F(Synchronized, WithoutExecutorItEndsOnlyWhenAsked)
{
    ModeHost h;
    Terminal bare(&h, sized(10, 3));
    bare.feed("\x1b[?2026h");
    executor.advance(std::chrono::seconds(5));
    EXPECT_TRUE(bare.isSynchronizedOutputActive());
    bare.feed("\x1b[?2026l");
    EXPECT_FALSE(bare.isSynchronizedOutputActive());
}

TEST_F(Synchronized, ResizeAndResetEndIt)
{
    t.feed("\x1b[?2026h");
    t.resize(12, 3);
    EXPECT_FALSE(t.isSynchronizedOutputActive());
    t.feed("\x1b[?2026h\x1b"
           "c");
    EXPECT_FALSE(t.isSynchronizedOutputActive());
    EXPECT_EQ(host.synchronized, (std::vector<bool>{true, false, true, false}));
}

TEST_F(Synchronized, DeadlineAfterTheTerminalIsGoneDoesNothing)
{
    ModeHost h;
    {
        Terminal shortLived(&h, sized(10, 3));
        shortLived.setExecutor(&executor);
        shortLived.feed("\x1b[?2026h");
    }
    executor.advance(std::chrono::seconds(2));
    EXPECT_EQ(h.synchronized, (std::vector<bool>{true}));
}

} // namespace
} // namespace corvel::test

namespace corvel::test {
namespace {

TEST(FullReset, HomesTheCursorOnACleanNormalScreen)
{
    ModeHost host;
    Terminal t(&host, sized(10, 4));
    t.feed("normal\r\n\x1b[?1049h\x1b[3;5Halt text\x1b[2;3r\x1b[?6h\x1b[1;31m");
    t.feed("\x1b"
           "c");
    EXPECT_FALSE(t.isCurrentBufferAlternate());
    EXPECT_EQ(t.buffer().x(), 0);
    EXPECT_EQ(t.buffer().y(), 0);
    EXPECT_EQ(screenText(t), "");
    EXPECT_EQ(t.buffer().scrollTop(), 0);
    EXPECT_EQ(t.buffer().scrollBottom(), 3);
    EXPECT_FALSE(t.modes().originMode);
    EXPECT_EQ(t.currentAttribute(), Attribute());
}

} // namespace
} // namespace corvel::test
