// Operating-system commands: palette and default colours, current document
// and directory, hyperlinks, progress, notifications and inline images.

#include <gtest/gtest.h>

#include <algorithm>

#include "TerminalTestSupport.h"
#include "corvel/terminal/LinkDetector.h"

namespace corvel::test {
namespace {

class OscHost : public RecordingDelegate {
public:
    void colorChanged(Terminal&, std::optional<int> idx) override { changed.push_back(idx.value_or(-1)); }
    void setBackgroundColor(Terminal& source, const Color& color) override
    {
        ++backgroundCalls;
        TerminalDelegate::setBackgroundColor(source, color);
    }
    void setCursorColor(Terminal& source, const std::optional<Color>& color) override
    {
        cursorCalls.push_back(color);
        TerminalDelegate::setCursorColor(source, color);
    }
    bool isProcessTrusted(Terminal&) override { return trusted; }
    void hostCurrentDirectoryUpdated(Terminal&) override { ++directoryUpdates; }
    void hostCurrentDocumentUpdated(Terminal&) override { ++documentUpdates; }
    void notify(Terminal&, const std::string& title, const std::string& body) override
    {
        notifications.emplace_back(title, body);
    }
    void progressReport(Terminal&, const ProgressReport& report) override { reports.push_back(report); }
    void iTermContent(Terminal&, std::span<const uint8_t> content) override
    {
        iTerm.emplace_back(content.begin(), content.end());
    }
    void createImage(Terminal&, std::span<const uint8_t> data, ImageSizeRequest width, ImageSizeRequest height,
                     bool preserveAspectRatio) override
    {
        images.push_back({std::string(data.begin(), data.end()), width, height, preserveAspectRatio});
    }

    struct Image {
        std::string data;
        ImageSizeRequest width;
        ImageSizeRequest height;
        bool preserveAspectRatio;
    };
    std::vector<int> changed;
    int backgroundCalls = 0;
    std::vector<std::optional<Color>> cursorCalls;
    bool trusted = true;
    int directoryUpdates = 0;
    int documentUpdates = 0;
    std::vector<std::pair<std::string, std::string>> notifications;
    std::vector<ProgressReport> reports;
    std::vector<std::string> iTerm;
    std::vector<Image> images;
};

class Osc : public ::testing::Test {
protected:
    Osc() : t(&host, sized(10, 4, 50)) {}
    std::string osc(std::string_view text) { return "\x1b]" + std::string(text) + "\x1b\\"; }
    OscHost host;
    Terminal t;
};

// ---- palette -------------------------------------------------------------------------

TEST_F(Osc, PaletteQueriesAnswerEachIndexWithSt)
{
    t.feed("\x1b]4;1;?;2;?\x07");
    EXPECT_EQ(host.sent,
              (std::vector<std::vector<uint8_t>>{
                  bytes("\x1b]4;1;" + t.ansiColors()[1].formatAsXcolor() + "\x1b\\"),
                  bytes("\x1b]4;2;" + t.ansiColors()[2].formatAsXcolor() + "\x1b\\"),
              }));
}

TEST_F(Osc, PaletteSetsStopAtBadIndexAndSkipBadSpecifications)
{
    const auto before = t.ansiColors();
    t.feed(osc("4;300;rgb:ff/00/00;1;rgb:00/ff/00"));
    EXPECT_EQ(t.ansiColors(), before);
    t.feed(osc("4;x;#ff0000"));
    EXPECT_EQ(t.ansiColors()[0], Color::fromRgb8(255, 0, 0));
    t.feed(osc("4;5;bogus;6;#00ff00"));
    EXPECT_EQ(t.ansiColors()[5], before[5]);
    EXPECT_EQ(t.ansiColors()[6], Color::fromRgb8(0, 255, 0));
    EXPECT_EQ(host.changed, (std::vector<int>{0, 6}));
}

TEST_F(Osc, PaletteResetByIndexOrWhole)
{
    t.feed(osc("4;0;#111111;1;#222222;2;#333333;3;#444444"));
    host.changed.clear();
    t.feed(osc("104;1;abc;2"));
    EXPECT_EQ(host.changed, (std::vector<int>{1, 0, 2}));
    t.feed(osc("104;-1;256"));
    EXPECT_EQ(host.changed.size(), 3u);
    EXPECT_EQ(t.ansiColors()[3], Color::fromRgb8(0x44, 0x44, 0x44));
    t.feed(osc("104"));
    EXPECT_EQ(host.changed.back(), -1);
    EXPECT_EQ(t.ansiColors(), t.defaultAnsiColors());
}

TEST_F(Osc, DefaultColourQueries)
{
    t.feed(osc("10;?") + osc("10;;?") + osc("12;?;?"));
    const std::string fg = Color::defaultForeground.formatAsXcolor();
    EXPECT_EQ(fg, "rgb:8a3d/8a3d/8a3d");
    EXPECT_EQ(host.replies(), "\x1b]10;" + fg + "\x1b\\" + "\x1b]10;" + fg + "\x1b\\" + "\x1b]12;" + fg + "\x1b\\");
}

TEST_F(Osc, BackgroundSetThenCursorQuery)
{
    t.feed(osc("11;#000000;?"));
    EXPECT_EQ(t.backgroundColor(), Color::fromRgb8(0, 0, 0));
    EXPECT_EQ(host.backgroundCalls, 2);
    EXPECT_EQ(host.replies(), "\x1b]12;" + Color::defaultForeground.formatAsXcolor() + "\x1b\\");
    t.feed(osc("12;#ff0000"));
    EXPECT_EQ(t.cursorColor(), Color::fromRgb8(255, 0, 0));
    t.feed("\x1b]112\x07");
    EXPECT_EQ(t.cursorColor(), std::nullopt);
    EXPECT_EQ(host.cursorCalls.back(), std::nullopt);
}

// A colour set by the child reaches the host twice, from the setter and from
// the command, and the default's store back into the terminal starts no
// further round; the palette is rebuilt once per default colour, and only
// when it is generated from them.
TEST(OscColours, ChangeTellsTheHostTwiceAndRebuildsOnce)
{
    struct Case {
        const char* command;
        Ansi256PaletteStrategy strategy;
        int foregroundCalls;
        int backgroundCalls;
        size_t cursorCalls;
        long rebuilds;
    };
    const auto lab = Ansi256PaletteStrategy::base16Lab;
    for (const Case& c : {
             Case{"10;#102030", lab, 2, 0, 0, 1},
             Case{"11;#102030", lab, 0, 2, 0, 1},
             Case{"12;#102030", lab, 0, 0, 2, 0},
             Case{"10;#102030;#405060", lab, 2, 2, 0, 2},
             Case{"11;#102030", Ansi256PaletteStrategy::xterm, 0, 2, 0, 0},
             Case{"112", lab, 0, 0, 1, 0},
         }) {
        OscHost host;
        TerminalOptions options = sized(10, 4);
        options.ansi256PaletteStrategy = c.strategy;
        Terminal t(&host, options);
        t.feed("\x1b]" + std::string(c.command) + "\x1b\\");
        EXPECT_EQ(host.foregroundCalls, c.foregroundCalls) << c.command;
        EXPECT_EQ(host.backgroundCalls, c.backgroundCalls) << c.command;
        EXPECT_EQ(host.cursorCalls.size(), c.cursorCalls) << c.command;
        EXPECT_EQ(std::count(host.changed.begin(), host.changed.end(), -1), c.rebuilds) << c.command;
    }
}

TEST(OscColours, HostStoresTheColourTheCommandSet)
{
    OscHost host;
    Terminal t(&host, sized(10, 4));
    t.feed("\x1b]10;#102030;#405060;#708090\x1b\\");
    EXPECT_EQ(t.foregroundColor(), Color::fromRgb8(0x10, 0x20, 0x30));
    EXPECT_EQ(t.backgroundColor(), Color::fromRgb8(0x40, 0x50, 0x60));
    EXPECT_EQ(t.cursorColor(), Color::fromRgb8(0x70, 0x80, 0x90));
    EXPECT_EQ(host.cursorCalls, (std::vector<std::optional<Color>>(2, Color::fromRgb8(0x70, 0x80, 0x90))));
    t.feed("\x1b]112\x1b\\");
    EXPECT_EQ(t.cursorColor(), std::nullopt);
}

TEST_F(Osc, BackgroundChangeRebuildsAGeneratedPalette)
{
    ASSERT_EQ(t.ansi256PaletteStrategy(), Ansi256PaletteStrategy::base16Lab);
    t.feed(osc("4;100;#123456"));
    t.feed(osc("11;#202020"));
    EXPECT_EQ(t.ansiColors()[100], t.defaultAnsiColors()[100]);
    EXPECT_NE(t.ansiColors()[100], Color::fromRgb8(0x12, 0x34, 0x56));
}

TEST_F(Osc, InstallPaletteNeedsSixteenColours)
{
    std::vector<Color> colors(16, Color::fromRgb8(1, 2, 3));
    t.installPalette(std::span<const Color>(colors).first(15));
    EXPECT_NE(t.installedColors()[0], colors[0]);
    t.installPalette(colors);
    EXPECT_EQ(t.installedColors()[0], colors[0]);
    EXPECT_TRUE(host.changed.empty());
}

TEST_F(Osc, TitlesAndInvalidUtf8)
{
    t.feed(osc("1;icon") + osc("0;both"));
    EXPECT_EQ(t.windowIconTitle(), "icon");
    EXPECT_EQ(t.windowTitle(), "both");
    t.feed("\x1b]2;\xff\xfe\x1b\\");
    EXPECT_EQ(t.windowTitle(), "");
    EXPECT_EQ(host.titles.back(), "");
}

// ---- host commands -------------------------------------------------------------------

TEST_F(Osc, DirectoryAndDocumentNeedTrust)
{
    t.feed(osc("7;file://host/tmp/a%20b") + osc("6;file:///doc.txt"));
    EXPECT_EQ(t.currentDirectory(), "file://host/tmp/a%20b");
    EXPECT_EQ(t.currentDocument(), "file:///doc.txt");
    EXPECT_EQ(host.directoryUpdates, 1);
    EXPECT_EQ(host.documentUpdates, 1);
    host.trusted = false;
    t.feed(osc("7;/other"));
    EXPECT_EQ(t.currentDirectory(), "file://host/tmp/a%20b");
    host.trusted = true;
    t.feed("\x1b]7;\xc3\x28\x1b\\");
    EXPECT_EQ(host.directoryUpdates, 1);
}

TEST_F(Osc, ProgressReports)
{
    using S = ProgressReport::State;
    struct Case {
        const char* data;
        std::optional<ProgressReport> expected;
    };
    for (const Case& c : {
             Case{"4;1", ProgressReport{S::set, 0}},
             Case{"4;1;150", ProgressReport{S::set, 100}},
             Case{"4;1;-5", ProgressReport{S::set, 0}},
             Case{"4;0;50", ProgressReport{S::remove, std::nullopt}},
             Case{"4;2", ProgressReport{S::error, std::nullopt}},
             Case{"4;3;40;x", ProgressReport{S::indeterminate, 40}},
             Case{"4;5", std::nullopt},
             Case{"4;12", std::nullopt},
             Case{"4;1;abc", std::nullopt},
             Case{"3;1", std::nullopt},
             Case{"hello", std::nullopt},
         }) {
        const std::string data = c.data;
        EXPECT_EQ(t.parseProgressReport(bytes(data)), c.expected) << data;
    }
    t.feed(osc("9;4;4;30"));
    ASSERT_EQ(host.reports.size(), 1u);
    EXPECT_EQ(host.reports[0], (ProgressReport{S::pause, 30}));
}

TEST_F(Osc, NotificationsNeedATitleAndBody)
{
    t.feed(osc("777;notify;Build;done;ok") + osc("777;notify;Build") + osc("777;other;a;b"));
    EXPECT_EQ(host.notifications, (std::vector<std::pair<std::string, std::string>>{{"Build", "done;ok"}}));
}

TEST_F(Osc, ClipboardCopy)
{
    t.feed(osc("52;c;aGVsbG8=") + osc("52;p;aGVsbG8=") + osc("52;c;?") + osc("52;c;"));
    EXPECT_EQ(host.clipboard, (std::vector<std::string>{"hello", ""}));
}

TEST_F(Osc, InlineImages)
{
    using R = ImageSizeRequest;
    t.feed(osc("1337;File=inline=1;width=50%;height=10px:aGk="));
    t.feed(osc("1337;File=inline=1;width=0;height=200;preserveAspectRatio=0:aGk="));
    t.feed(osc("1337;File=inline=1;width=7:!!"));
    ASSERT_EQ(host.images.size(), 2u);
    EXPECT_EQ(host.images[0].data, "hi");
    EXPECT_EQ(host.images[0].width, R::percent(50));
    EXPECT_EQ(host.images[0].height, R::pixels(10));
    EXPECT_TRUE(host.images[0].preserveAspectRatio);
    EXPECT_EQ(host.images[1].width, R::automatic());
    EXPECT_EQ(host.images[1].height, R::automatic());
    EXPECT_FALSE(host.images[1].preserveAspectRatio);

    t.feed(osc("1337;File=name=a:aGk=") + osc("1337;SetMark=1") + osc("1337;nothing"));
    EXPECT_EQ(host.iTerm, (std::vector<std::string>{"File=name=a:aGk=", "SetMark=1"}));
}

// ---- hyperlinks ----------------------------------------------------------------------

std::optional<std::string> uriAt(Terminal& t, int col, int row)
{
    const auto payload = t.buffer().lines()[row][col].getPayload();
    if (!payload)
        return std::nullopt;
    return LinkDetector::parseHyperlinkPayload(*payload);
}

TEST_F(Osc, HyperlinkCoversExactlyThePrintedCells)
{
    t.feed("\x1b[1;6H" + osc("8;id=1;http://a") + "xyz" + osc("8;;"));
    for (int col = 0; col < 10; ++col)
        EXPECT_EQ(uriAt(t, col, 0), col >= 5 && col <= 7 ? std::optional<std::string>("http://a") : std::nullopt)
            << col;
    EXPECT_EQ(t.buffer().lines()[0][5].getPayload(), std::optional<std::string>("id=1;http://a"));
}

TEST_F(Osc, HyperlinkWithoutPrintingMarksNothing)
{
    t.feed("abc\x1b[1;1H" + osc("8;;http://a") + osc("8;;"));
    for (int col = 0; col < 10; ++col)
        EXPECT_FALSE(t.buffer().lines()[0][col].hasPayload()) << col;
}

TEST_F(Osc, OneCharacterLinkInTheLastColumn)
{
    t.feed("\x1b[1;10H" + osc("8;;http://z") + "q" + osc("8;;") + "r");
    EXPECT_EQ(uriAt(t, 9, 0), "http://z");
    EXPECT_EQ(uriAt(t, 8, 0), std::nullopt);
    EXPECT_EQ(uriAt(t, 0, 1), std::nullopt);
}

TEST_F(Osc, HyperlinkAcrossScrollingAndCursorMoves)
{
    t.feed("\x1b[4;8H" + osc("8;;http://long") + "abcdefghijklmnop" + "\x1b[H" + osc("8;;") + "Z");
    Buffer& b = t.buffer();
    // Printed: row 3 columns 7..9, then two rows after scrolling by two.
    EXPECT_EQ(b.yBase(), 2);
    EXPECT_EQ(uriAt(t, 7, b.yBase() + 1), "http://long");
    EXPECT_EQ(uriAt(t, 9, b.yBase() + 2), "http://long");
    EXPECT_EQ(uriAt(t, 2, b.yBase() + 3), "http://long");
    EXPECT_EQ(uriAt(t, 3, b.yBase() + 3), std::nullopt);
    EXPECT_EQ(uriAt(t, 0, b.yBase()), std::nullopt);
    EXPECT_EQ(t.link(LinkLookupLocation::screen(Position(9, 1)), LinkLookupMode::explicitOnly), "http://long");
}

TEST_F(Osc, OpeningWithParametersOnlyIsAnEmptyLinkNotAClose)
{
    t.feed(osc("8;;http://a") + "a" + osc("8;id=1;") + "b" + osc("8;;") + "c");
    EXPECT_EQ(uriAt(t, 0, 0), "http://a");
    EXPECT_EQ(uriAt(t, 1, 0), "");
    EXPECT_FALSE(t.buffer().lines()[0][2].hasPayload());
}

TEST_F(Osc, HyperlinkHandlesAreReusedWhenTheTableIsFull)
{
    // Fill the table with handles that no cell keeps.
    std::vector<TinyAtom> spare;
    while (auto atom = TinyAtom::lookup("spare" + std::to_string(spare.size())))
        spare.push_back(*atom);
    ASSERT_FALSE(spare.empty());
    t.feed(osc("8;;http://after") + "k" + osc("8;;"));
    EXPECT_EQ(uriAt(t, 0, 0), "http://after");
    EXPECT_LT(TinyAtom::liveCount(), static_cast<size_t>(TinyAtom::maxCode));
}

TEST_F(Osc, HandlesOfOtherLiveTerminalsSurviveCollection)
{
    OscHost otherHost;
    Terminal other(&otherHost, sized(10, 4));
    other.feed(osc("8;;http://other") + "o" + osc("8;;"));
    std::vector<TinyAtom> spare;
    while (auto atom = TinyAtom::lookup("spare" + std::to_string(spare.size())))
        spare.push_back(*atom);
    t.feed(osc("8;;http://mine") + "m" + osc("8;;"));
    EXPECT_EQ(uriAt(other, 0, 0), "http://other");
    EXPECT_EQ(uriAt(t, 0, 0), "http://mine");
}

} // namespace
} // namespace corvel::test
