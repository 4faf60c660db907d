#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BufferTestSupport.h"
#include "corvel/model/Buffer.h"

namespace corvel {
namespace {

using testing::bytesOf;
using testing::cellOf;
using testing::ScreenFixture;

class Screen : public ::testing::Test, public ScreenFixture {};

TEST_F(Screen, NewScreenStartsEmptyWithRegularTabStops)
{
    Buffer b(80, 24, 8, 500);
    EXPECT_EQ(b.lines().maxLength(), 524);
    EXPECT_EQ(b.lines().count(), 0);
    EXPECT_EQ(b.scrollTop(), 0);
    EXPECT_EQ(b.scrollBottom(), 23);
    EXPECT_EQ(b.curAttr.bg(), Attribute::Color::defaultInvertedColor);
    EXPECT_TRUE(b.isReflowEnabled());
    EXPECT_FALSE(Buffer(80, 24, 8, std::nullopt).isReflowEnabled());
    EXPECT_EQ(Buffer(80, 24, 8, std::nullopt).lines().maxLength(), 24);
    std::vector<int> stops;
    for (int i = 0; i < 80; ++i) {
        if (b.tabStops[static_cast<size_t>(i)])
            stops.push_back(i);
    }
    EXPECT_EQ(stops, (std::vector<int>{0, 8, 16, 24, 32, 40, 48, 56, 64, 72}));
    EXPECT_EQ(b.marginLeft, 0);
    EXPECT_EQ(b.marginRight, 79) << "a new screen's margins span the whole width";

    b.fillViewportRows();
    EXPECT_EQ(b.lines().count(), 24);
    EXPECT_EQ(b.lines()[0].count(), 80);
    EXPECT_EQ(b.lines()[0][0], CharData::Null);
    b.fillViewportRows(Attribute::empty);
    EXPECT_EQ(b.lines().count(), 24) << "a filled ring is left alone";

    ::testing::internal::CaptureStderr();
    b.scroll(true);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "This should be set after creating a buffer\n");
}

TEST_F(Screen, HugeScrollbackDoesNotOverflowTheCapacity)
{
    Buffer b(80, 24, 8, INT32_MAX);
    EXPECT_EQ(b.getCorrectBufferLength(24), INT32_MAX);
    EXPECT_EQ(b.lines().maxLength(), INT32_MAX);
}

// Printing one cell on a screen of 10 columns and 4 rows. Rows are shown as
// cells, "." for an empty one; "W" is a wide character (its placeholder shows
// as ".").
struct PrintCase {
    const char* name;
    bool wrap = true;
    bool insert = false;
    bool marginMode = false;
    int marginLeft = 0, marginRight = 9;
    int x = 0, y = 0;
    bool pending = false; // a wrap pending at x
    const char* before = "..........";
    char ch = 'A';
    int width = 1;
    int expectedX = 0, expectedY = 0;
    bool expectedPending = false;
    const char* rowAfter = nullptr; // row y afterwards
    const char* nextRow = nullptr; // row y + 1 afterwards
    bool nextRowWrapped = false;
    std::vector<bool> scrolls = {};
};

class Printing : public Screen, public ::testing::WithParamInterface<PrintCase> {};

TEST_P(Printing, PlacesTheCellWrappingAtTheRightLimit)
{
    const PrintCase& c = GetParam();
    make(10, 4, 10);
    Buffer& b = *buffer;
    b.wraparound = c.wrap;
    b.insertMode = c.insert;
    b.marginMode = c.marginMode;
    b.marginLeft = c.marginLeft;
    b.marginRight = c.marginRight;
    setRow(c.y, c.before);
    b.setX(c.x);
    b.setY(c.y);
    b.setPendingWrap(c.pending);
    b.insertCharacter(CharData(Attribute(), static_cast<uint8_t>(c.ch), static_cast<int8_t>(c.width)));
    EXPECT_EQ(b.x(), c.expectedX);
    EXPECT_EQ(b.y(), c.expectedY);
    EXPECT_EQ(b.pendingWrap(), c.expectedPending);
    EXPECT_EQ(scrolls, c.scrolls);
    if (c.rowAfter) {
        EXPECT_EQ(cells(c.y), c.rowAfter);
    }
    if (c.nextRow) {
        EXPECT_EQ(cells(c.y + 1), c.nextRow);
        EXPECT_EQ(b.lines()[b.yBase() + c.y + 1].isWrapped, c.nextRowWrapped);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, Printing,
                         ::testing::Values(PrintCase{.name = "LastColumnLeavesAPendingWrap",
                                                     .x = 9,
                                                     .y = 1,
                                                     .expectedX = 9,
                                                     .expectedY = 1,
                                                     .expectedPending = true,
                                                     .rowAfter = ".........A"},
                                           PrintCase{.name = "PendingWrapMovesDown",
                                                     .x = 9,
                                                     .y = 1,
                                                     .pending = true,
                                                     .expectedX = 1,
                                                     .expectedY = 2,
                                                     .rowAfter = "..........",
                                                     .nextRow = "A.........",
                                                     .nextRowWrapped = true},
                                           PrintCase{.name = "PendingWrapAtBottomScrolls",
                                                     .x = 9,
                                                     .y = 3,
                                                     .pending = true,
                                                     .expectedX = 1,
                                                     .expectedY = 3,
                                                     .rowAfter = "A.........",
                                                     .scrolls = {true}},
                                           PrintCase{.name = "WideThatDoesNotFitWraps",
                                                     .x = 9,
                                                     .ch = 'W',
                                                     .width = 2,
                                                     .expectedX = 2,
                                                     .expectedY = 1,
                                                     .rowAfter = "..........",
                                                     .nextRow = "W.........",
                                                     .nextRowWrapped = true},
                                           PrintCase{.name = "WideFitsInTheLastTwoColumns",
                                                     .x = 8,
                                                     .ch = 'W',
                                                     .width = 2,
                                                     .expectedX = 9,
                                                     .expectedPending = true,
                                                     .rowAfter = "........W."},
                                           PrintCase{.name = "WideDroppedWithoutWrap",
                                                     .wrap = false,
                                                     .x = 9,
                                                     .before = "abcdefghij",
                                                     .ch = 'W',
                                                     .width = 2,
                                                     .expectedX = 9,
                                                     .rowAfter = "abcdefghij"},
                                           PrintCase{.name = "NarrowOverwritesLastColumnWithoutWrap",
                                                     .wrap = false,
                                                     .x = 9,
                                                     .before = "abcdefghij",
                                                     .ch = 'Z',
                                                     .expectedX = 9,
                                                     .rowAfter = "abcdefghiZ",
                                                     .nextRow = "..........",
                                                     .nextRowWrapped = false},
                                           PrintCase{.name = "PendingWrapIgnoredOnceWrapIsOff",
                                                     .wrap = false,
                                                     .x = 9,
                                                     .pending = true,
                                                     .before = "abcdefghij",
                                                     .ch = 'Z',
                                                     .expectedX = 9,
                                                     .rowAfter = "abcdefghiZ"},
                                           PrintCase{.name = "WithoutWrapTheCursorStaysOnTheRightMargin",
                                                     .wrap = false,
                                                     .marginMode = true,
                                                     .marginLeft = 2,
                                                     .marginRight = 6,
                                                     .x = 6,
                                                     .expectedX = 6,
                                                     .rowAfter = "......A..."},
                                           PrintCase{.name = "WideWrapsToTheLeftMargin",
                                                     .marginMode = true,
                                                     .marginLeft = 2,
                                                     .marginRight = 6,
                                                     .x = 6,
                                                     .ch = 'W',
                                                     .width = 2,
                                                     .expectedX = 4,
                                                     .expectedY = 1,
                                                     .nextRow = "..W.......",
                                                     .nextRowWrapped = true},
                                           PrintCase{.name = "PendingWrapAtTheRightMarginGoesToTheLeftMargin",
                                                     .marginMode = true,
                                                     .marginLeft = 2,
                                                     .marginRight = 6,
                                                     .x = 6,
                                                     .pending = true,
                                                     .expectedX = 3,
                                                     .expectedY = 1,
                                                     .nextRow = "..A.......",
                                                     .nextRowWrapped = true},
                                           PrintCase{.name = "RightOfTheMarginPrintsUpToTheEdge",
                                                     .marginMode = true,
                                                     .marginLeft = 2,
                                                     .marginRight = 6,
                                                     .x = 8,
                                                     .expectedX = 9,
                                                     .rowAfter = "........A."},
                                           PrintCase{.name = "InsertModeWideOpensTwoCells",
                                                     .insert = true,
                                                     .x = 3,
                                                     .before = "abcdefghij",
                                                     .ch = 'W',
                                                     .width = 2,
                                                     .expectedX = 5,
                                                     .rowAfter = "abcW.defgh"},
                                           PrintCase{.name = "InsertModeKeepsCellsRightOfTheMargin",
                                                     .insert = true,
                                                     .marginMode = true,
                                                     .marginRight = 5,
                                                     .x = 1,
                                                     .before = "abcdefghij",
                                                     .ch = 'x',
                                                     .expectedX = 2,
                                                     .rowAfter = "axbcdeghij"},
                                           PrintCase{.name = "InsertModeAtPendingWrapWraps",
                                                     .insert = true,
                                                     .x = 9,
                                                     .pending = true,
                                                     .before = "abcdefghij",
                                                     .expectedX = 1,
                                                     .expectedY = 1,
                                                     .rowAfter = "abcdefghij",
                                                     .nextRow = "A.........",
                                                     .nextRowWrapped = true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Screen, PrintingAtPendingWrapMarksTheAbsoluteLineWrapped)
{
    make(80, 24, 500, 54); // 30 lines of scroll-back
    Buffer& b = *buffer;
    ASSERT_EQ(b.yBase(), 30);
    b.setX(79);
    b.setY(5);
    b.setPendingWrap(true);
    b.insertCharacter(cellOf('A'));
    EXPECT_EQ(b.y(), 6);
    EXPECT_EQ(b.x(), 1);
    EXPECT_EQ(b.lines()[36][0].code, 'A');
    EXPECT_TRUE(b.lines()[36].isWrapped);
    EXPECT_EQ(b.lastBufferStorage.y, 36);
    EXPECT_EQ(b.lastBufferStorage.x, 0);
    EXPECT_EQ(b.lastBufferStorage.cols, 80);
    EXPECT_EQ(b.lastBufferStorage.rows, 24);

    b.setX(79);
    b.setY(23);
    b.setPendingWrap(true);
    b.insertCharacter(cellOf('B'));
    EXPECT_EQ(scrolls, std::vector<bool>{true});
    EXPECT_EQ(b.yBase(), 31);
    EXPECT_EQ(row(23), "B");
}

TEST_F(Screen, WideCharacterPlaceholderTakesTheFillAttribute)
{
    make(10, 2, std::nullopt);
    Buffer& b = *buffer;
    const Attribute red(Attribute::Color::ansi256(1), Attribute::Color::defaultColor);
    b.insertCharacter(CharData(red, 0x4E2D, 2));
    EXPECT_EQ(b.lines()[0][0], CharData(red, 0x4E2D, 2));
    EXPECT_EQ(b.lines()[0][1], CharData(Attribute::empty, 0, 0));
    EXPECT_EQ(b.x(), 2);
}

TEST_F(Screen, InsertModeNeverLeavesAWideCharacterCutAtTheEdge)
{
    make(10, 2, std::nullopt);
    Buffer& b = *buffer;
    b.insertMode = true;
    b.setX(7);
    b.insertCharacter(CharData(Attribute(), 'W', 2)); // W at 7, placeholder at 8
    b.setX(0);
    b.insertCharacter(cellOf('x')); // W moves to 8 and 9, still whole
    EXPECT_EQ(cells(0), "x.......W.");
    EXPECT_EQ(b.lines()[0][8].width, 2);
    b.setX(0);
    b.insertCharacter(cellOf('y')); // W reaches the last column alone
    EXPECT_EQ(cells(0), "yx........");
    EXPECT_EQ(b.lines()[0][9], CharData(Attribute::empty, 0, 1));
}

struct RunCase {
    const char* name;
    bool wrap = true;
    bool insert = false;
    bool marginMode = false;
    int marginLeft = 0, marginRight = 9;
    int x = 0, y = 0;
    bool pending = false;
    std::string text = "hello";
    int printed = 0;
    int expectedX = 0, expectedY = 0;
    bool expectedPending = false;
    const char* rowAfter = nullptr;
    const char* nextRow = nullptr;
    int storageRow = 0, storageCol = 0; // relative to yBase; -1: untouched
    std::vector<bool> scrolls = {};
};

class AsciiRun : public Screen, public ::testing::WithParamInterface<RunCase> {};

TEST_P(AsciiRun, WritesStretchesAndReportsHowManyBytes)
{
    const RunCase& c = GetParam();
    make(10, 3, 10);
    Buffer& b = *buffer;
    b.wraparound = c.wrap;
    b.insertMode = c.insert;
    b.marginMode = c.marginMode;
    b.marginLeft = c.marginLeft;
    b.marginRight = c.marginRight;
    b.setX(c.x);
    b.setY(c.y);
    b.setPendingWrap(c.pending);
    const Attribute bold(Attribute::Color::defaultColor, Attribute::Color::defaultColor, CharacterStyle::bold);
    EXPECT_EQ(b.insertAsciiRun(bytesOf(c.text), bold), c.printed);
    EXPECT_EQ(b.x(), c.expectedX);
    EXPECT_EQ(b.y(), c.expectedY);
    EXPECT_EQ(b.pendingWrap(), c.expectedPending);
    EXPECT_EQ(scrolls, c.scrolls);
    if (c.rowAfter) {
        EXPECT_EQ(cells(c.y), c.rowAfter);
    }
    if (c.nextRow) {
        EXPECT_EQ(cells(c.y + 1), c.nextRow);
    }
    if (c.storageRow >= 0) {
        EXPECT_EQ(b.lastBufferStorage.y, b.yBase() + c.storageRow);
        EXPECT_EQ(b.lastBufferStorage.x, c.storageCol);
    } else {
        EXPECT_EQ(b.lastBufferStorage.y, 0);
        EXPECT_EQ(b.lastBufferStorage.cols, 0);
    }
    if (c.printed > 0) {
        EXPECT_EQ(b.lines()[b.lastBufferStorage.y][b.lastBufferStorage.x].attribute, bold);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, AsciiRun,
    ::testing::Values(RunCase{.name = "WrapsOntoTheNextRow",
                              .x = 7,
                              .printed = 5,
                              .expectedX = 2,
                              .expectedY = 1,
                              .rowAfter = ".......hel",
                              .nextRow = "lo........",
                              .storageRow = 1,
                              .storageCol = 1},
                      RunCase{.name = "FillingTheLastColumnLeavesAPendingWrap",
                              .x = 5,
                              .printed = 5,
                              .expectedX = 9,
                              .expectedPending = true,
                              .rowAfter = ".....hello",
                              .storageRow = 0,
                              .storageCol = 9},
                      RunCase{.name = "WithoutWrapTheLastByteStaysOnTheLastColumn",
                              .wrap = false,
                              .x = 7,
                              .printed = 5,
                              .expectedX = 9,
                              .rowAfter = ".......heo",
                              .nextRow = "..........",
                              .storageRow = 0,
                              .storageCol = 9},
                      RunCase{.name = "RightOfTheMarginRunsToTheEdgeThenWrapsToTheMargin",
                              .marginMode = true,
                              .marginLeft = 2,
                              .marginRight = 4,
                              .x = 7,
                              .printed = 5,
                              .expectedX = 4,
                              .expectedY = 1,
                              .rowAfter = ".......hel",
                              .nextRow = "..lo......",
                              .storageRow = 1,
                              .storageCol = 3},
                      RunCase{.name = "InsertModePrintsNothing",
                              .insert = true,
                              .x = 7,
                              .printed = 0,
                              .expectedX = 7,
                              .rowAfter = "..........",
                              .storageRow = -1},
                      RunCase{.name = "EmptyRun", .x = 3, .text = "", .printed = 0, .expectedX = 3, .storageRow = -1},
                      RunCase{.name = "WrapsToTheLeftMargin",
                              .marginMode = true,
                              .marginLeft = 2,
                              .marginRight = 6,
                              .x = 4,
                              .printed = 5,
                              .expectedX = 4,
                              .expectedY = 1,
                              .rowAfter = "....hel...",
                              .nextRow = "..lo......",
                              .storageRow = 1,
                              .storageCol = 3},
                      RunCase{.name = "PendingWrapWrapsFirst",
                              .x = 9,
                              .pending = true,
                              .text = "ab",
                              .printed = 2,
                              .expectedX = 2,
                              .expectedY = 1,
                              .nextRow = "ab........",
                              .storageRow = 1,
                              .storageCol = 1},
                      RunCase{.name = "LongRunScrollsAtTheBottom",
                              .y = 2,
                              .text = "0123456789abcdefghijKLMNO",
                              .printed = 25,
                              .expectedX = 5,
                              .expectedY = 2,
                              .rowAfter = "KLMNO.....",
                              .storageRow = 2,
                              .storageCol = 4,
                              .scrolls = {true, true}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Screen, AsciiRunMarksWrappedRows)
{
    make(4, 3, std::nullopt);
    buffer->insertAsciiRun(bytesOf("abcdefgh"), Attribute());
    EXPECT_FALSE(buffer->lines()[0].isWrapped);
    EXPECT_TRUE(buffer->lines()[1].isWrapped);
    EXPECT_EQ(row(0), "abcd");
    EXPECT_EQ(row(1), "efgh");
}

TEST_F(Screen, TabStops)
{
    make(80, 4, std::nullopt);
    Buffer& b = *buffer;
    struct Case {
        const char* name;
        bool next;
        bool marginMode;
        int marginRight;
        int cursor;
        int from;
        int expected;
    };
    const std::vector<Case> cases = {
        {"NextBeforeTheLastStop", true, false, 79, 0, 75, 79},
        {"NextFromTheLastColumn", true, false, 79, 0, 79, 79},
        {"NextFromAStop", true, false, 79, 0, 8, 16},
        {"NextFromTheCursor", true, false, 79, 3, -1, 8},
        {"NextStopsAtTheRightMargin", true, true, 40, 0, 50, 40},
        {"NextWithinTheMargin", true, true, 40, 0, 33, 40},
        {"NextIgnoresTheMarginOutsideMarginMode", true, false, 40, 0, 50, 56},
        {"PreviousFromColumnZero", false, false, 79, 0, 0, 0},
        {"PreviousFromJustPastAStop", false, false, 79, 0, 9, 8},
        {"PreviousFromAStop", false, false, 79, 0, 8, 0},
        {"PreviousFromTheCursor", false, false, 79, 20, -1, 16},
        {"PreviousFromTheLastColumn", false, false, 79, 79, -1, 72},
        {"PreviousOfANegativeColumn", false, false, 79, 0, -5, -5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        b.marginRight = c.marginRight;
        b.setX(c.cursor);
        EXPECT_EQ(c.next ? b.nextTabStop(c.marginMode, c.from) : b.previousTabStop(c.from), c.expected);
    }

    b.tabClear(8);
    b.tabSet(12);
    b.tabSet(80); // past the table: ignored
    b.tabClear(-1);
    EXPECT_EQ(b.nextTabStop(false, 0), 12);
    EXPECT_EQ(b.tabStops.size(), 80u);
}

TEST_F(Screen, TabStopsSeededIntoColumnsAddedByAResize)
{
    make(80, 4, std::nullopt);
    Buffer& b = *buffer;
    b.tabClear(72);
    b.tabSet(75);
    b.resize(100, 4);
    b.setupTabStops(80, 8);
    std::vector<int> stops;
    for (int i = 64; i < 100; ++i) {
        if (b.tabStops[static_cast<size_t>(i)])
            stops.push_back(i);
    }
    EXPECT_EQ(stops, (std::vector<int>{64, 75, 83, 91, 99})) << "stops continue from the last one before the old edge";
    b.setupTabStops(-1, 10);
    EXPECT_EQ(b.nextTabStop(false, 0), 10);
    EXPECT_EQ(b.nextTabStop(false, 12), 20);
}

TEST_F(Screen, ShrinkingHistoryDropsTheOldestLinesAndKeepsScreenRows)
{
    make(80, 24, 1000, 300);
    Buffer& b = *buffer;
    ASSERT_EQ(b.yBase(), 276);
    b.setY(10);
    b.savedY = 7;
    b.setYDisp(250);
    b.changeHistorySize(100);
    EXPECT_EQ(b.lines().count(), 124);
    EXPECT_EQ(b.lines().maxLength(), 124);
    EXPECT_EQ(b.yBase(), 100);
    EXPECT_EQ(b.yDisp(), 74);
    EXPECT_EQ(b.savedY, 7) << "the saved cursor row is a screen row";
    EXPECT_EQ(row(0), "L276");
    EXPECT_EQ(row(10), "L286");
    EXPECT_EQ(b.lines()[0].translateToString(true), "L176");

    b.changeHistorySize(2000);
    EXPECT_EQ(b.lines().maxLength(), 2024);
    EXPECT_EQ(b.lines().count(), 124) << "growing drops nothing";
    EXPECT_EQ(row(0), "L276");

    b.changeHistorySize(std::nullopt);
    EXPECT_FALSE(b.isReflowEnabled());
    EXPECT_EQ(b.lines().count(), 24);
    EXPECT_EQ(b.lines().maxLength(), 24);
    EXPECT_EQ(b.yBase(), 0);
    EXPECT_EQ(b.yDisp(), 0);
    EXPECT_EQ(b.savedY, 7);
    EXPECT_EQ(row(0), "L276");
    EXPECT_EQ(row(23), "L299");
}

TEST_F(Screen, SoftResetRestoresSavedStateAndMargins)
{
    make(80, 24, 100);
    Buffer& b = *buffer;
    b.marginLeft = 5;
    b.marginRight = 20;
    b.setX(12);
    b.setY(4);
    b.savedX = 3;
    b.savedY = 2;
    b.savedPendingWrap = true;
    b.savedGLevel = 2;
    b.savedOriginMode = true;
    b.savedAttr = Attribute::empty;
    b.softReset();
    EXPECT_EQ(b.marginLeft, 0);
    EXPECT_EQ(b.marginRight, 79);
    EXPECT_EQ(b.x(), 12);
    EXPECT_EQ(b.y(), 4);
    EXPECT_EQ(b.savedX, 0);
    EXPECT_EQ(b.savedY, 0);
    EXPECT_FALSE(b.savedPendingWrap);
    EXPECT_EQ(b.savedGLevel, 0);
    EXPECT_FALSE(b.savedOriginMode);
    EXPECT_EQ(b.savedAttr, Attribute());
}

TEST_F(Screen, NegativeWritesAreIgnored)
{
    make(80, 24, 100);
    Buffer& b = *buffer;
    b.setX(3);
    b.setY(4);
    b.setScrollTop(2);
    b.setScrollBottom(20);
    b.setYDisp(1);
    b.setX(-1);
    b.setY(-1);
    b.setScrollTop(-1);
    b.setScrollBottom(-1);
    b.setYDisp(-1);
    EXPECT_EQ(b.x(), 3);
    EXPECT_EQ(b.y(), 4);
    EXPECT_EQ(b.scrollTop(), 2);
    EXPECT_EQ(b.scrollBottom(), 20);
    EXPECT_EQ(b.yDisp(), 1);
}

TEST_F(Screen, CellLookupByViewAndByRing)
{
    make(80, 4, 100, 10); // yBase 6
    Buffer& b = *buffer;
    b.setYDisp(2);
    EXPECT_EQ(b.getChar(Position(1, 0)).code, '2');
    EXPECT_EQ(b.getCharAtBufferRelative(Position(1, 9)).code, '9');
    EXPECT_EQ(b.getChar(Position(-1, 0)), CharData::Null);
    EXPECT_EQ(b.getChar(Position(80, 0)), CharData::Null);
    EXPECT_TRUE(b.isCursorInViewPort() == false) << "cursor row 0 is ring line 6, the view shows 2 to 5";
    b.setYDisp(6);
    EXPECT_TRUE(b.isCursorInViewPort());

    auto blank = b.getBlankLine(Attribute::empty, true);
    EXPECT_EQ(blank->count(), 80);
    EXPECT_TRUE(blank->isWrapped);
    EXPECT_EQ((*blank)[5], CharData(Attribute::empty, 0, 1));
    EXPECT_EQ(Buffer::getNullCell(), CharData(Attribute::empty, 32, 1));
}

class FakeImage : public TerminalImage {
public:
    int pixelWidth() const override { return 8; }
    int pixelHeight() const override { return 16; }
    int col() const override { return 0; }
    void setCol(int) override {}
};

TEST_F(Screen, CountsLinesWithImages)
{
    make(10, 3, std::nullopt);
    Buffer& b = *buffer;
    EXPECT_FALSE(b.hasAnyImages());
    auto image = std::make_shared<FakeImage>();
    b.attachImage(image, 0);
    b.attachImage(image, 0);
    EXPECT_EQ(b.linesWithImagesCount(), 1) << "one line, two images";
    EXPECT_EQ(b.lines()[0].images->size(), 2u);
    b.attachImage(image, 2);
    EXPECT_EQ(b.linesWithImagesCount(), 2);

    b.clearImagesFromLine(2);
    EXPECT_EQ(b.linesWithImagesCount(), 1);
    b.clearImagesFromLine(2);
    EXPECT_EQ(b.linesWithImagesCount(), 1) << "a line without images changes nothing";

    // The alternate-style ring is full: scrolling recycles line 0 and its image.
    b.lines().recycle(Attribute());
    EXPECT_EQ(b.linesWithImagesCount(), 0);
    EXPECT_FALSE(b.hasAnyImages());

    auto withImage = b.getBlankLine(Attribute());
    withImage->attach(image);
    b.lines().push(withImage);
    EXPECT_EQ(b.linesWithImagesCount(), 1);

    b.lines()[1].attach(image); // behind the count's back
    b.recalculateLinesWithImagesCount();
    EXPECT_EQ(b.linesWithImagesCount(), 2);
}

TEST_F(Screen, ClearEmptiesTheRingAndKeepsItsHooks)
{
    make(10, 3, 5, 8);
    Buffer& b = *buffer;
    b.setX(4);
    b.setY(2);
    b.linesTop = 9;
    b.marginRight = 6;
    b.attachImage(std::make_shared<FakeImage>(), 1);
    b.clear();
    EXPECT_EQ(b.lines().count(), 0);
    EXPECT_EQ(b.lines().maxLength(), 8);
    EXPECT_EQ(b.x(), 0);
    EXPECT_EQ(b.y(), 0);
    EXPECT_EQ(b.yBase(), 0);
    EXPECT_EQ(b.linesTop, 0);
    EXPECT_EQ(b.linesWithImagesCount(), 0);
    EXPECT_EQ(b.scrollBottom(), 2);
    EXPECT_EQ(b.marginRight, 6) << "margins are not touched";

    b.fillViewportRows();
    EXPECT_EQ(b.lines()[0].count(), 10);
    b.attachImage(std::make_shared<FakeImage>(), 0);
    EXPECT_EQ(b.linesWithImagesCount(), 1);
    b.lines().setCount(5);
    EXPECT_EQ(b.lines()[4].count(), 10) << "the factory makes lines of the screen's width";
}

} // namespace
} // namespace corvel
