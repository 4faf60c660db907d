#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "corvel/base/UnicodeUtil.h"
#include "corvel/base/UnicodeWidthData.h"

namespace corvel {
namespace {

struct WidthCase {
    char32_t rune;
    int width;
};

std::string hex(char32_t c)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

class ColumnWidth : public ::testing::TestWithParam<WidthCase> {};

TEST_P(ColumnWidth, MatchesExpected)
{
    const WidthCase& c = GetParam();
    EXPECT_EQ(UnicodeUtil::columnWidth(c.rune), c.width) << hex(c.rune);
}

INSTANTIATE_TEST_SUITE_P(ControlsAndAscii, ColumnWidth,
                         ::testing::Values(WidthCase{0x0000, 0}, WidthCase{0x0007, -1}, WidthCase{0x001B, -1},
                                           WidthCase{0x001F, -1}, WidthCase{0x0020, 1}, WidthCase{'A', 1},
                                           WidthCase{0x007E, 1}, WidthCase{0x007F, -1}, WidthCase{0x0080, -1},
                                           WidthCase{0x009B, -1}, WidthCase{0x009F, -1}, WidthCase{0x00A0, 1}));

INSTANTIATE_TEST_SUITE_P(FormatAndSeparators, ColumnWidth,
                         ::testing::Values(WidthCase{0x00AD, 1}, // soft hyphen is the one visible format character
                                           WidthCase{0x200B, 0}, WidthCase{0x200C, 0}, WidthCase{0x200D, 0},
                                           WidthCase{0x2060, 0}, WidthCase{0xFEFF, 0}, WidthCase{0xE0001, 0},
                                           WidthCase{0x2028, 0}, WidthCase{0x2029, 0}));

INSTANTIATE_TEST_SUITE_P(Marks, ColumnWidth,
                         ::testing::Values(WidthCase{0x0301, 0}, WidthCase{0x0903, 0}, WidthCase{0x20DD, 0},
                                           WidthCase{0xFE0F, 0},
                                           WidthCase{0x3099, 0}, // a mark inside a wide range still takes no column
                                           WidthCase{0xE0100, 0}));

INSTANTIATE_TEST_SUITE_P(Hangul, ColumnWidth,
                         ::testing::Values(WidthCase{0x1100, 2}, WidthCase{0x115F, 2}, WidthCase{0x1160, 0},
                                           WidthCase{0x11FF, 0}, WidthCase{0x1200, 1}, WidthCase{0xAC00, 2},
                                           WidthCase{0xD7A3, 2}, WidthCase{0xD7B0, 0}, WidthCase{0xD7FF, 0}));

INSTANTIATE_TEST_SUITE_P(EastAsian, ColumnWidth,
                         ::testing::Values(WidthCase{0x3000, 2}, WidthCase{0x303F, 1}, WidthCase{0xFF01, 2},
                                           WidthCase{0xFF60, 2}, WidthCase{0xFF61, 1}, WidthCase{0xFF3E, 2},
                                           WidthCase{0xFF40, 2},
                                           WidthCase{0xFFE3, 2}, // modifier symbols in the wide table
                                           WidthCase{0x4DC0, 2},
                                           WidthCase{0x1D300, 2}, // wide in the pinned table ahead of the packaged data
                                           WidthCase{0x20000, 2},
                                           WidthCase{0x2A6E0, 2}, // plane 2 is wide, assigned or not
                                           WidthCase{0x3FFFD, 2}, WidthCase{0x3FFFE, 1}));

INSTANTIATE_TEST_SUITE_P(Emoji, ColumnWidth,
                         ::testing::Values(WidthCase{0x1F1E6, 2}, WidthCase{0x1F1FF, 2}, // regional indicators
                                           WidthCase{0x1F3FB, 0}, WidthCase{0x1F3FD, 0},
                                           WidthCase{0x1F3FF, 0}, // skin-tone modifiers
                                           WidthCase{0x1F600, 2}, WidthCase{0x1F7F0, 2}, WidthCase{0x1F7F1, 1},
                                           WidthCase{0x2705, 2}, WidthCase{0x00A9, 1}));

INSTANTIATE_TEST_SUITE_P(OutOfRange, ColumnWidth,
                         ::testing::Values(WidthCase{0xD800, 1}, WidthCase{0x10FFFF, 1}, WidthCase{0x110000, 1},
                                           WidthCase{0xFFFFFFFF, 1}));

TEST(Bisearch, RangeEdgesAndGaps)
{
    const std::vector<UnicodeUtil::LH> table = {{0x10, 0x1F}, {0x30, 0x30}, {0x40, 0x4F}};
    struct Case {
        uint32_t rune;
        int max;
        int expected;
    };
    const Case cases[] = {
        {0x0F, 2, 0},
        {0x10, 2, 1},
        {0x1F, 2, 1},
        {0x20, 2, 0},
        {0x2F, 2, 0},
        {0x30, 2, 1},
        {0x31, 2, 0},
        {0x40, 2, 1},
        {0x4F, 2, 1},
        {0x50, 2, 0},
        {0x40, 1, 0},
        {0x30, 1, 1},
        {0x10, 0, 1},
        {0x30, 0, 0}, // max limits the ranges searched
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UnicodeUtil::bisearch(c.rune, table, c.max), c.expected)
            << std::hex << "rune 0x" << c.rune << " max " << std::dec << c.max;
    }
}

TEST(Bisearch, NeverReadsOutsideTheTable)
{
    const std::vector<UnicodeUtil::LH> table = {{0x10, 0x1F}, {0x40, 0x4F}};
    EXPECT_EQ(UnicodeUtil::bisearch(0x10, {}, 0), 0);
    EXPECT_EQ(UnicodeUtil::bisearch(0x10, table, -1), 0);
    EXPECT_EQ(UnicodeUtil::bisearch(0x45, table, 7), 1);
    EXPECT_EQ(UnicodeUtil::bisearch(0x50, table, 7), 0);
}

// Every range of both tables is found at its edges and missed just outside.
TEST(Bisearch, FindsEveryRangeOfTheGeneratedTables)
{
    for (auto table : {UnicodeWidthData::eastAsianWide, UnicodeWidthData::emojiVs16Base}) {
        const int max = static_cast<int>(table.size()) - 1;
        for (size_t i = 0; i < table.size(); ++i) {
            EXPECT_EQ(UnicodeUtil::bisearch(table[i].lo, table, max), 1) << hex(table[i].lo);
            EXPECT_EQ(UnicodeUtil::bisearch(table[i].hi, table, max), 1) << hex(table[i].hi);
            if (i + 1 < table.size() && table[i].hi + 1 < table[i + 1].lo) {
                EXPECT_EQ(UnicodeUtil::bisearch(table[i].hi + 1, table, max), 0) << hex(table[i].hi + 1);
            }
        }
    }
}

TEST(UnicodeWidthData, TablesAreSortedAndDisjoint)
{
    struct Expected {
        std::span<const UnicodeUtil::LH> table;
        size_t size;
    };
    for (const Expected& e :
         {Expected{UnicodeWidthData::eastAsianWide, 123}, Expected{UnicodeWidthData::emojiVs16Base, 183}}) {
        ASSERT_EQ(e.table.size(), e.size);
        for (size_t i = 0; i < e.table.size(); ++i) {
            EXPECT_LE(e.table[i].lo, e.table[i].hi) << i;
            if (i > 0) {
                EXPECT_GT(e.table[i].lo, e.table[i - 1].hi + 1) << "not joined or overlapping at " << i;
            }
        }
    }
}

TEST(UnicodeWidthData, FirstAndLastEntries)
{
    const auto& wide = UnicodeWidthData::eastAsianWide;
    EXPECT_EQ(wide.front().lo, 0x1100u);
    EXPECT_EQ(wide.front().hi, 0x115Fu);
    EXPECT_EQ(wide.back().lo, 0x30000u);
    EXPECT_EQ(wide.back().hi, 0x3FFFDu);
    const auto& vs = UnicodeWidthData::emojiVs16Base;
    EXPECT_EQ(vs.front().lo, 0x0023u);
    EXPECT_EQ(vs.back().lo, 0x1F6F3u);
}

TEST(UnicodeWidthData, PresentationSelectorBases)
{
    const auto& vs = UnicodeWidthData::emojiVs16Base;
    const int max = static_cast<int>(vs.size()) - 1;
    for (uint32_t yes : {0x23u, 0x30u, 0x39u, 0x2764u, 0x2705u, 0x1F610u}) {
        EXPECT_EQ(UnicodeUtil::bisearch(yes, vs, max), 1) << hex(yes);
    }
    for (uint32_t no : {0x41u, 0x2765u, 0x1F600u, 0x1F6F4u}) {
        EXPECT_EQ(UnicodeUtil::bisearch(no, vs, max), 0) << hex(no);
    }
}

TEST(FirstByteTable, EntriesByRange)
{
    struct Row {
        int from;
        int to;
        uint8_t entry;
    };
    const Row rows[] = {
        {0x00, 0x7F, 0xF0},
        {0x80, 0xC1, 0xF1},
        {0xC2, 0xDF, 0x02},
        {0xE0, 0xE0, 0x13},
        {0xE1, 0xEC, 0x03},
        {0xED, 0xED, 0x23},
        {0xEE, 0xEF, 0x03},
        {0xF0, 0xF0, 0x34},
        {0xF1, 0xF3, 0x04},
        {0xF4, 0xF4, 0x44},
        {0xF5, 0xFF, 0xF1},
    };
    int next = 0;
    for (const Row& row : rows) {
        ASSERT_EQ(row.from, next) << "rows must cover every byte";
        for (int b = row.from; b <= row.to; ++b) {
            EXPECT_EQ(UnicodeUtil::first[b], row.entry) << "byte 0x" << std::hex << b;
        }
        next = row.to + 1;
    }
    EXPECT_EQ(next, 256);
}

} // namespace
} // namespace corvel
