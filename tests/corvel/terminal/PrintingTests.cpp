// Printing: text, wide characters, grapheme clusters, invalid UTF-8,
// character sets and REP, as byte streams against the expected screen.

#include <gtest/gtest.h>

#include "TerminalTestSupport.h"

namespace corvel::test {
namespace {

struct ScreenCase {
    const char* name;
    std::string input;
    std::string expected;
    int cols = 10;
    int rows = 4;
};

class PrintScreen : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(PrintScreen, ProducesExpectedText)
{
    const ScreenCase& c = GetParam();
    RecordingDelegate host;
    Terminal t(&host, sized(c.cols, c.rows));
    t.feed(c.input);
    EXPECT_EQ(screenText(t), c.expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Streams, PrintScreen,
    ::testing::Values(
        ScreenCase{"crlf", "A\r\nB", "A\nB"},
        ScreenCase{"autowrap", "0123456789abc", "0123456789\nabc"},
        ScreenCase{"autowrapOff", "\x1b[?7l" "0123456789abc", "012345678c"},
        ScreenCase{"pendingWrapThenCr", "0123456789\rX", "X123456789"},
        ScreenCase{"latin1Lead", "\xc3\xa9t\xc3\xa9", "\xc3\xa9t\xc3\xa9"},
        // A malformed sequence shows its lead byte; the bytes after it count again.
        ScreenCase{"badSequenceKeepsNextByte", "\xe2(\xa1", "\xc3\xa2(\xc2\xa1"},
        ScreenCase{"truncatedBeforeControl", "a\xe2\x82\r\nb", "a\xc3\xa2\nb"},
        ScreenCase{"strayContinuationPrintsLatin1", "\xa9", "\xc2\xa9"},
        ScreenCase{"strayC1IsDropped", "a\xc2\x85" "b", "ab"},
        ScreenCase{"surrogateIsInvalid", "\xed\xa0\x80!", "\xc3\xad\xc2\xa0!"},
        ScreenCase{"overlongIsInvalid", "\xc0\xaf!", "\xc3\x80\xc2\xaf!"},
        ScreenCase{"delAndEmNeverPrint", "a\x7f" "b\x19" "c", "abc"},
        ScreenCase{"wideCharacters", "\xe4\xb8\xad\xe6\x96\x87!", "\xe4\xb8\xad\xe6\x96\x87!"},
        ScreenCase{"wideWrapsWhole", "012345678\xe4\xb8\xad", "012345678\n\xe4\xb8\xad"},
        ScreenCase{"combiningJoins", "e\xcc\x81x", "e\xcc\x81x"},
        ScreenCase{"decGraphics", "\x1b(0qx\x1b(Bq", "\xe2\x94\x80\xe2\x94\x82q"},
        ScreenCase{"shiftOutToEmptyG1", "\x1b(0\x0eq\x0fq", "q\xe2\x94\x80"},
        ScreenCase{"g1LineDrawing", "\x1b)0\x0eq", "\xe2\x94\x80"},
        ScreenCase{"repeat", "x\x1b[5b", "xxxxxx"},
        ScreenCase{"repeatZeroIsOne", "x\x1b[0b", "xx"},
        ScreenCase{"repeatWide", "\xe4\xb8\xad\x1b[2b", "\xe4\xb8\xad\xe4\xb8\xad\xe4\xb8\xad"},
        ScreenCase{"canAndSubInsideCsi", "\x1b[1\x18" "2Cx", "            x", 20},
        ScreenCase{"subAbortsCsi", "\x1b[2\x1a" "Cx", "Cx"},
        ScreenCase{"colonAfterCsiIsText", "\x1b[:5mX", "5mX"},
        ScreenCase{"nulIgnored", std::string("a\0b", 3), "ab"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(Printing, RunSplitInsideUtf8GivesOneCell)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("\xc3");
    t.feed("\xa9");
    EXPECT_EQ(screenText(t), "\xc3\xa9");
    EXPECT_EQ(t.getCursorLocation().first, 1);
}

TEST(Printing, CombiningMarkGetsTableCodeAndOneColumn)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("e\xcc\x81");
    const CharData cell = *t.getCharData(0, 0);
    EXPECT_GE(cell.code, GraphemeTable::firstCode);
    EXPECT_EQ(t.character(cell.code), std::u32string(U"e\u0301"));
    EXPECT_EQ(t.getCursorLocation().first, 1);
}

TEST(Printing, MarkFirstOnFreshScreenIsDropped)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("\xcc\x81"
           "a");
    EXPECT_EQ(screenText(t), "a");
}

TEST(Printing, MarkAfterResizeIsDropped)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("e");
    t.resize(12, 2);
    t.feed("\xcc\x81");
    EXPECT_EQ(screenText(t), "e");
    EXPECT_EQ(t.getCharData(0, 0)->code, 'e');
}

TEST(Printing, BmpCodesAreScalarsAndEmojiCodesAreStable)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("\xc3\xa9\xf0\x9f\x98\x80 \xf0\x9f\x98\x80");
    EXPECT_EQ(t.getCharData(0, 0)->code, 0xE9);
    const int32_t emoji = t.getCharData(1, 0)->code;
    EXPECT_GE(emoji, GraphemeTable::firstCode);
    EXPECT_EQ(t.getCharData(1, 0)->width, 2);
    EXPECT_EQ(t.getCharData(4, 0)->code, emoji);
}

TEST(Printing, WideCharacterKeepsWidthWithMark)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("\xe4\xb8\xad\xcc\x81");
    EXPECT_EQ(t.getCharData(0, 0)->width, 2);
    EXPECT_EQ(t.character(t.getCharData(0, 0)->code), std::u32string(U"\u4E2D\u0301"));
    EXPECT_EQ(t.getCursorLocation().first, 2);
}

TEST(Printing, EmojiSelectorWidensAndMovesCursor)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("\xe2\x9d\xa4\xef\xb8\x8f"
           "a");
    const CharData heart = *t.getCharData(0, 0);
    EXPECT_EQ(heart.width, 2);
    EXPECT_EQ(t.character(heart.code), std::u32string(U"\u2764\uFE0F"));
    EXPECT_EQ(t.getCharData(1, 0)->width, 0);
    EXPECT_EQ(t.getCharData(2, 0)->code, 'a');
}

TEST(Printing, EmojiSelectorInLastColumnKeepsWidthOne)
{
    RecordingDelegate host;
    Terminal t(&host, sized(4, 2));
    t.feed("abc\xe2\x9d\xa4\xef\xb8\x8f");
    EXPECT_EQ(t.getCharData(3, 0)->width, 1);
}

TEST(Printing, SelectorAfterPlainLetterIsDropped)
{
    RecordingDelegate host;
    Terminal t(&host, sized(4, 2));
    t.feed("A\xef\xb8\x8f");
    EXPECT_EQ(t.getCharData(0, 0)->code, 'A');
    EXPECT_EQ(t.getCursorLocation().first, 1);
}

TEST(Printing, TextSelectorNarrowsWideEmoji)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("\xe2\x8c\x9a\xef\xb8\x8e"); // U+231A WATCH, wide, then VS15
    EXPECT_EQ(t.getCharData(0, 0)->width, 1);
    EXPECT_EQ(t.getCursorLocation().first, 1);
}

TEST(Printing, FlagsPairUp)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("\xf0\x9f\x87\xa9\xf0\x9f\x87\xaa\xf0\x9f\x87\xab"); // D E F regional indicators
    EXPECT_EQ(t.character(t.getCharData(0, 0)->code), std::u32string(U"\U0001F1E9\U0001F1EA"));
    EXPECT_EQ(t.character(t.getCharData(2, 0)->code), std::u32string(U"\U0001F1EB"));
    EXPECT_EQ(t.getCursorLocation().first, 4);
}

TEST(Printing, ZwjFamilyIsOneCell)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("\xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa9\xe2\x80\x8d\xf0\x9f\x91\xa7");
    EXPECT_EQ(t.character(t.getCharData(0, 0)->code), std::u32string(U"\U0001F468\u200D\U0001F469\u200D\U0001F467"));
    EXPECT_EQ(t.getCursorLocation().first, 2);
}

TEST(Printing, WideCharacterAtLastColumnWrapsAndMarksRow)
{
    RecordingDelegate host;
    Terminal t(&host, sized(5, 3));
    t.feed("abcd\xe4\xb8\xad");
    EXPECT_EQ(screenText(t), "abcd\n\xe4\xb8\xad");
    EXPECT_TRUE(t.getLine(1)->isWrapped);
}

TEST(Printing, WideCharacterWithoutAutowrapIsDropped)
{
    RecordingDelegate host;
    Terminal t(&host, sized(5, 3));
    t.feed("\x1b[?7labcd\xe4\xb8\xad");
    EXPECT_EQ(screenText(t), "abcd");
}

TEST(Printing, InsertModeShiftsText)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("abc\r\x1b[4hXY\x1b[4lZ");
    EXPECT_EQ(screenText(t), "XYZbc");
}

TEST(Printing, RepeatIsBoundedByScreenArea)
{
    RecordingDelegate host;
    Terminal t(&host, sized(80, 25, 10000));
    t.feed("x\x1b[10000000b");
    // 1 + 4000 characters: 50 full rows plus one more character.
    int total = 0;
    for (const std::string& line : allLines(t))
        total += static_cast<int>(line.size());
    EXPECT_EQ(total, 4001);
}

TEST(Printing, RepeatAtColumnZeroWritesEmptyCells)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("\x1b[3b");
    EXPECT_EQ(t.getCursorLocation().first, 3);
    EXPECT_EQ(t.getCharData(0, 0)->code, 0);
}

TEST(Printing, CharsetDesignationReplacesActiveSlotAtOnce)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("\x1b)0\x0eq\x1b)Bq");
    EXPECT_EQ(screenText(t), "\xe2\x94\x80q");
}

TEST(Printing, PrintedCellsTakeCurrentAttribute)
{
    RecordingDelegate host;
    Terminal t(&host, sized(10, 2));
    t.feed("\x1b[1;31ma\x1b[0mb");
    const Attribute a = t.getCharData(0, 0)->attribute;
    EXPECT_EQ(a.fg(), Attribute::Color::ansi256(1));
    EXPECT_TRUE(a.style().contains(CharacterStyle::bold));
    EXPECT_EQ(t.getCharData(1, 0)->attribute, Attribute());
}

TEST(GraphemeTable, CodesAreStableAndBounded)
{
    GraphemeTable table;
    EXPECT_EQ(table.code(U"A"), 'A');
    EXPECT_EQ(table.code(U"\r\n"), 10);
    const int32_t first = table.code(U"e\u0301");
    EXPECT_EQ(first, GraphemeTable::firstCode);
    EXPECT_EQ(table.code(U"e\u0301"), first);
    EXPECT_EQ(table.character(first), U"e\u0301");
    EXPECT_EQ(table.character(0x400000 + 999), U" ");
    EXPECT_EQ(table.character(0xD800), U" ");
}

TEST(GraphemeTable, ClustersAreCutAtTheLongestKept)
{
    GraphemeTable table;
    std::u32string marks = U"a";
    marks.append(100, U'\u0301');
    const int32_t code = table.code(marks);
    EXPECT_EQ(table.character(code), marks.substr(0, GraphemeTable::maxClusterScalars));
    EXPECT_EQ(table.length(code), GraphemeTable::maxClusterScalars);
    EXPECT_EQ(table.code(marks.substr(0, GraphemeTable::maxClusterScalars)), code);
    EXPECT_EQ(table.append(code, U'\u0301'), 0);
    // One entry per scalar after the first, however the cluster was reached.
    EXPECT_EQ(table.size(), GraphemeTable::maxClusterScalars - 1);
}

TEST(GraphemeTable, BreakStateIsCarriedAlongTheCluster)
{
    GraphemeTable table;
    constexpr char32_t flagU = 0x1F1FA, flagS = 0x1F1F8;
    const int32_t one = table.code(std::u32string(1, flagU));
    EXPECT_TRUE(table.extends(one, flagS));
    const int32_t pair = table.append(one, flagS);
    EXPECT_EQ(table.character(pair), (std::u32string{flagU, flagS}));
    // A third regional indicator starts a new flag.
    EXPECT_FALSE(table.extends(pair, flagU));
    EXPECT_TRUE(table.extends('e', U'\u0301'));
    EXPECT_FALSE(table.extends('e', 'f'));
    EXPECT_EQ(table.lastScalar(pair), flagS);
    EXPECT_EQ(table.lastScalar(0xD800), U' ');
}

TEST(GraphemeTable, FullTableFallsBackToFirstScalar)
{
    GraphemeTable table;
    std::u32string cluster = U"a\u0301";
    for (size_t i = 0; i < GraphemeTable::maxEntries; ++i) {
        cluster[0] = static_cast<char32_t>(0x4E00 + (i % 20000));
        cluster[1] = static_cast<char32_t>(0x300 + i / 20000);
        table.code(cluster);
    }
    EXPECT_EQ(table.size(), GraphemeTable::maxEntries);
    EXPECT_EQ(table.code(U"q\u0302\u0303"), 'q');
    EXPECT_EQ(table.code(U"\U0001F600\U0001F3FB"), 0xFFFD);
    EXPECT_EQ(table.size(), GraphemeTable::maxEntries);
}

} // namespace
} // namespace corvel::test
