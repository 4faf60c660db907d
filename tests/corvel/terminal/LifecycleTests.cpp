// Construction, options, resets, resizing, the changed-row range, queries and
// the colour properties.

#include <gtest/gtest.h>

#include "TerminalTestSupport.h"

namespace corvel::test {
namespace {

TEST(Options, DefaultsAndCursorStyleNames)
{
    const TerminalOptions& o = TerminalOptions::defaultOptions();
    EXPECT_EQ(o.cols, 80);
    EXPECT_EQ(o.rows, 25);
    EXPECT_FALSE(o.convertEol);
    EXPECT_EQ(o.termName, "xterm-256color");
    EXPECT_EQ(o.cursorStyle, CursorStyle::blinkBlock);
    EXPECT_EQ(o.scrollback, 500);
    EXPECT_TRUE(o.enableSixelReported);
    EXPECT_EQ(o.kittyImageCacheLimitBytes, 335'544'320);
    EXPECT_EQ(o.ansi256PaletteStrategy, Ansi256PaletteStrategy::base16Lab);

    EXPECT_EQ(cursorStyleFromString("steadyBar"), CursorStyle::steadyBar);
    EXPECT_EQ(cursorStyleFromString("SteadyBar"), std::nullopt);
    EXPECT_EQ(cursorStyleFromString("steady Bar"), std::nullopt);
    EXPECT_EQ(cursorStyleFromString(""), std::nullopt);
}

TEST(Lifecycle, ConstructionAppliesOptions)
{
    RecordingDelegate host;
    Terminal t(&host, sized(100, 40));
    EXPECT_EQ(t.getDims(), std::make_pair(100, 40));
    EXPECT_EQ(t.normalBuffer().cols(), 100);
    EXPECT_EQ(t.altBuffer().rows(), 40);
    EXPECT_TRUE(t.modes().wraparound);
    EXPECT_FALSE(t.modes().insertMode);
    EXPECT_EQ(t.conformanceLevel(), Terminal::TerminalConformance::vt500);
    EXPECT_EQ(host.mouseModeChanges, 1);
    EXPECT_FALSE(t.isCurrentBufferAlternate());
}

TEST(Lifecycle, TinySizesAreRaisedToMinimum)
{
    RecordingDelegate host;
    Terminal t(&host, sized(1, 0));
    EXPECT_EQ(t.getDims(), std::make_pair(2, 1));
    t.resize(0, 0);
    EXPECT_EQ(t.getDims(), std::make_pair(2, 1));
}

TEST(Lifecycle, ConvertEolTakesEffectAtSetup)
{
    RecordingDelegate host;
    TerminalOptions options = sized(10, 3);
    options.convertEol = true;
    Terminal t(&host, options);
    EXPECT_TRUE(t.modes().lineFeedMode);
    t.options.convertEol = false;
    EXPECT_TRUE(t.modes().lineFeedMode);
    t.setup(false);
    EXPECT_FALSE(t.modes().lineFeedMode);
}

TEST(Lifecycle, ResizeMarksAllRowsAndExtendsTabs)
{
    RecordingDelegate host;
    Terminal t(&host, sized(80, 25));
    t.feed("\x1b[1;4H\x1bH");
    t.clearUpdateRange();
    t.resize(80, 25);
    EXPECT_EQ(t.getUpdateRange(), std::nullopt);
    t.resize(100, 25);
    ASSERT_TRUE(t.getUpdateRange());
    EXPECT_EQ(*t.getUpdateRange(), (Terminal::UpdateRange{0, 24}));
    const auto& stops = t.buffer().tabStops;
    EXPECT_TRUE(stops[3]);
    EXPECT_TRUE(stops[80]);
    EXPECT_TRUE(stops[88]);
    EXPECT_TRUE(stops[96]);
    EXPECT_FALSE(stops[81]);
}

TEST(Lifecycle, FullResetKeepsCursorVisibilityAndFocusReports)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 3));
    t.feed("\x1b[?1004h\x1b[?1049halt\x1b[?1049l");
    for (int i = 0; i < 6; ++i)
        t.feed("x\r\n");
    t.feed("\x1b[?25l\x1b[4h\x1b(0");
    const int hiddenCalls = host.cursorHidden;
    t.feed("\x1b"
           "c");
    EXPECT_TRUE(t.modes().cursorHidden);
    EXPECT_EQ(host.cursorHidden, hiddenCalls);
    EXPECT_TRUE(t.modes().sendFocus);
    EXPECT_FALSE(t.modes().insertMode);
    EXPECT_EQ(t.buffer().lines().count(), 3);
    EXPECT_EQ(t.buffer().yBase(), 0);
    EXPECT_EQ(screenText(t), "");
    EXPECT_EQ(t.altBuffer().lines()[0].translateToString(true), "");
    EXPECT_EQ(*t.getUpdateRange(), (Terminal::UpdateRange{0, 2}));
    // G0 is ASCII again: "q" prints as itself, not as a line-drawing character.
    t.feed("q");
    EXPECT_EQ(screenText(t), "q");
}

TEST(Lifecycle, ResetFromAlternateScreenHomesCursor)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 3));
    t.feed("\x1b[?1049h\x1b[2;5Hx\x1b"
           "c");
    EXPECT_FALSE(t.isCurrentBufferAlternate());
    EXPECT_EQ(t.getCursorLocation(), std::make_pair(0, 0));
}

TEST(Lifecycle, ResetCleansTheAlternateScreen)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 3));
    t.feed("\x1b[?47h\x1b[2;4r\x1b[3;5Hgone\x1b"
           "7\x1b[?47l\x1b"
           "c\x1b[?47h");
    EXPECT_EQ(screenText(t), "");
    EXPECT_EQ(t.buffer().scrollTop(), 0);
    EXPECT_EQ(t.buffer().scrollBottom(), 2);
    t.feed("\x1b"
           "8");
    EXPECT_EQ(t.getCursorLocation(), (std::pair{0, 0})) << "the saved cursor is gone too";
}

TEST(Lifecycle, UpdateRangeWidensAndClears)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 25));
    t.clearUpdateRange();
    EXPECT_EQ(t.getUpdateRange(), std::nullopt);
    t.updateRange(5);
    t.updateRange(2);
    t.updateRange(-1);
    EXPECT_EQ(*t.getUpdateRange(), (Terminal::UpdateRange{2, 5}));
    t.updateFullScreen();
    EXPECT_EQ(*t.getUpdateRange(), (Terminal::UpdateRange{0, 25}));
}

TEST(Lifecycle, PrintingMarksItsRowsAndScrollingKeepsLineIndexes)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 3));
    t.feed("\r\n\r\n");
    t.clearUpdateRange();
    t.feed("\r\nx");
    EXPECT_EQ(t.getUpdateRange()->endY, 2);
    EXPECT_EQ(*t.getScrollInvariantUpdateRange(), (Terminal::UpdateRange{3, 3}));
}

TEST(Lifecycle, QueriesOutsideTheScreenAreNone)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 3));
    EXPECT_EQ(t.getLine(3), nullptr);
    EXPECT_EQ(t.getLine(-1), nullptr);
    EXPECT_EQ(t.getCharData(10, 0), std::nullopt);
    t.feed("a");
    EXPECT_EQ(t.getCharacter(0, 0), std::u32string(U"a"));
    EXPECT_EQ(t.getScrollInvariantLine(0), t.getLine(0));
    EXPECT_EQ(t.getScrollInvariantLine(3), nullptr);
}

TEST(Lifecycle, ChangeScrollbackDropsOldestLines)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 3, 100));
    for (int i = 0; i < 20; ++i)
        t.feed(std::to_string(i) + "\r\n");
    t.changeScrollback(5);
    EXPECT_EQ(t.options.scrollback, 5);
    EXPECT_EQ(t.buffer().lines().count(), 8);
    EXPECT_EQ(allLines(t).front(), "13");
}

TEST(Colors, ForegroundSetterCallsHostOnceAndRebuildsPalette)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 3));
    const auto before = t.ansiColors();
    t.setForegroundColor(Color::fromRgb8(255, 255, 255));
    EXPECT_EQ(host.foregroundCalls, 1);
    EXPECT_EQ(host.colorChanges, 1);
    EXPECT_EQ(t.foregroundColor(), Color::fromRgb8(255, 255, 255));
    EXPECT_NE(t.ansiColors(), before);
}

TEST(Colors, XtermPaletteIsNotRebuilt)
{
    RecordingDelegate host;
    TerminalOptions options = sized(10, 3);
    options.ansi256PaletteStrategy = Ansi256PaletteStrategy::xterm;
    Terminal t(&host, options);
    t.setBackgroundColor(Color::fromRgb8(1, 2, 3));
    EXPECT_EQ(host.colorChanges, 0);
    EXPECT_EQ(host.getColors(t).background, Color::fromRgb8(1, 2, 3));
    t.setAnsi256PaletteStrategy(Ansi256PaletteStrategy::base16Lab);
    EXPECT_EQ(host.colorChanges, 1);
}

TEST(Colors, CursorColourResetByOsc112)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 3));
    t.setCursorColor(Color::fromRgb8(1, 1, 1));
    t.feed("\x1b]112\x07");
    EXPECT_EQ(t.cursorColor(), std::nullopt);
}

} // namespace
} // namespace corvel::test
