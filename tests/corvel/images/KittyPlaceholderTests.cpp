#include "corvel/images/KittyPlaceholder.h"
#include "corvel/images/KittyPlaceholderDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace corvel {
namespace {

using Color = Attribute::Color;

TEST(KittyPlaceholderTable, HoldsTheMarksInOrder)
{
    const auto& marks = KittyPlaceholder::diacritics;
    ASSERT_EQ(marks.size(), 297u);
    EXPECT_EQ(marks.front(), 0x0305u);
    EXPECT_EQ(marks.back(), 0x1D244u);
    EXPECT_TRUE(std::is_sorted(marks.begin(), marks.end()));
    EXPECT_EQ(std::adjacent_find(marks.begin(), marks.end()), marks.end());
    // Marks the table leaves out although they are of the same kind.
    for (uint32_t excluded : {0x0300u, 0x0304u, 0x0306u, 0x030Fu, 0x0342u, 0x0654u})
        EXPECT_FALSE(KittyPlaceholder::diacriticIndex().contains(excluded)) << std::hex << excluded;
    EXPECT_EQ(KittyPlaceholder::diacriticIndex().at(0x030D), 1);
    EXPECT_EQ(KittyPlaceholder::diacriticIndex().at(0x1D244), 296);
}

// The placeholder followed by the marks of the given numbers.
std::u32string cell(std::vector<int> numbers)
{
    std::u32string out(1, KittyPlaceholder::placeholder);
    for (int n : numbers)
        out += static_cast<char32_t>(KittyPlaceholder::diacritics[static_cast<size_t>(n)]);
    return out;
}

Attribute colored(Color fg, std::optional<Color> underline = std::nullopt)
{
    return Attribute(fg, Color::defaultInvertedColor, CharacterStyle::none, UnderlineStyle::none, underline);
}

struct DecodeCase {
    std::string name;
    std::u32string character;
    Attribute attribute;
    uint32_t imageId;
    uint32_t placementId;
    int row;
    int col;
    int msb;
};

class KittyPlaceholderDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(KittyPlaceholderDecode, DecodesALoneCell)
{
    const DecodeCase& c = GetParam();
    std::optional<KittyPlaceholderCell> decoded
        = KittyPlaceholderDecoder::decode(c.character, c.attribute, 3, 4, std::nullopt, std::nullopt);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->row, 3);
    EXPECT_EQ(decoded->col, 4);
    EXPECT_EQ(decoded->imageId, c.imageId);
    EXPECT_EQ(decoded->placementId, c.placementId);
    EXPECT_EQ(decoded->placeholderRow, c.row);
    EXPECT_EQ(decoded->placeholderCol, c.col);
    EXPECT_EQ(decoded->msb, c.msb);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Kitty, KittyPlaceholderDecode,
    ::testing::Values(
        DecodeCase{"Bare", cell({}), colored(Color::ansi256(42)), 42, 0, 0, 0, 0},
        DecodeCase{"TrueColorId", cell({1, 2}), colored(Color::trueColor(1, 2, 3)), 66051, 0, 1, 2, 0},
        DecodeCase{"HighByte", cell({0, 0, 5}), colored(Color::trueColor(1, 2, 3)), 0x05010203, 0, 0, 0, 5},
        DecodeCase{"HighByteSaturates", cell({0, 0, 296}), colored(Color::ansi256(1)), 0xFF000001, 0, 0, 0, 296},
        DecodeCase{"ExtraMarksIgnored", cell({7, 8, 0, 9}), colored(Color::ansi256(1)), 1, 0, 7, 8, 0},
        DecodeCase{"UnderlineIsPlacement", cell({}), colored(Color::ansi256(9), Color::trueColor(0, 1, 2)), 9, 258,
                   0, 0, 0},
        DecodeCase{"UnderlineCode", cell({}), colored(Color::ansi256(9), Color::ansi256(17)), 9, 17, 0, 0, 0},
        DecodeCase{"DefaultColorsAreZero", cell({}),
                   colored(Color::defaultColor, Color::defaultInvertedColor), 0, 0, 0, 0, 0},
        // A mark outside the table between row and column is skipped.
        DecodeCase{"ForeignMarkSkipped", cell({2}) + U"\u0300" + cell({6}).substr(1), colored(Color::ansi256(1)), 1,
                   0, 2, 6, 0}),
    [](const auto& info) { return info.param.name; });
// clang-format on

TEST(KittyPlaceholderDecoder, RejectsOtherCharacters)
{
    EXPECT_FALSE(KittyPlaceholderDecoder::decode(U"", Attribute::empty, 0, 0, std::nullopt, std::nullopt));
    std::u32string letter = cell({1, 2});
    letter[0] = U'a';
    EXPECT_FALSE(KittyPlaceholderDecoder::decode(letter, Attribute::empty, 0, 0, std::nullopt, std::nullopt));
}

// Decodes one row of cells left to right, feeding each result to the next.
std::vector<std::optional<KittyPlaceholderCell>> decodeRow(const std::vector<std::pair<std::u32string, Attribute>>& row,
                                                           int firstCol = 0)
{
    std::vector<std::optional<KittyPlaceholderCell>> out;
    std::optional<KittyPlaceholderCell> previous;
    std::optional<Attribute> previousAttribute;
    int col = firstCol;
    for (const auto& [character, attribute] : row) {
        std::optional<KittyPlaceholderCell> decoded
            = KittyPlaceholderDecoder::decode(character, attribute, 0, col, previous, previousAttribute);
        out.push_back(decoded);
        previous = decoded;
        previousAttribute = decoded ? std::optional(attribute) : std::nullopt;
        ++col;
    }
    return out;
}

TEST(KittyPlaceholderDecoder, BareCellsContinueTheirLeftNeighbour)
{
    const Attribute a = colored(Color::ansi256(5), Color::ansi256(2));
    auto row = decodeRow({{cell({2, 0, 3}), a}, {cell({}), a}, {cell({}), a}, {cell({2}), a}, {cell({2, 4}), a}});
    for (size_t i = 0; i < row.size(); ++i) {
        ASSERT_TRUE(row[i]);
        EXPECT_EQ(row[i]->placeholderRow, 2) << i;
        EXPECT_EQ(row[i]->placeholderCol, static_cast<int>(i)) << i;
        EXPECT_EQ(row[i]->msb, 3) << i;
        EXPECT_EQ(row[i]->imageId, 0x03000005u) << i;
    }
}

TEST(KittyPlaceholderDecoder, ContinuationNeedsTheSameColoursAndNoGap)
{
    const Attribute a = colored(Color::ansi256(5));
    const Attribute otherFg = colored(Color::ansi256(6));
    const Attribute otherUnderline = colored(Color::ansi256(5), Color::ansi256(1));

    for (const Attribute& second : {otherFg, otherUnderline}) {
        auto row = decodeRow({{cell({2, 3}), a}, {cell({}), second}});
        ASSERT_TRUE(row[1]);
        EXPECT_EQ(row[1]->placeholderRow, 0);
        EXPECT_EQ(row[1]->placeholderCol, 0);
    }

    const std::optional<KittyPlaceholderCell> first
        = KittyPlaceholderDecoder::decode(cell({2, 3}), a, 0, 0, std::nullopt, std::nullopt);
    const auto gap = KittyPlaceholderDecoder::decode(cell({}), a, 0, 2, first, a);
    ASSERT_TRUE(gap);
    EXPECT_EQ(gap->placeholderCol, 0);

    // One mark of a different row starts that row at column 0.
    auto rowChange = decodeRow({{cell({2, 3}), a}, {cell({4}), a}});
    EXPECT_EQ(rowChange[1]->placeholderRow, 4);
    EXPECT_EQ(rowChange[1]->placeholderCol, 0);

    // Two marks that do not follow on keep their column but not the high byte.
    auto jump = decodeRow({{cell({2, 3, 7}), a}, {cell({2, 9}), a}});
    EXPECT_EQ(jump[1]->placeholderCol, 9);
    EXPECT_EQ(jump[1]->msb, 0);
    auto next = decodeRow({{cell({2, 3, 7}), a}, {cell({2, 4}), a}});
    EXPECT_EQ(next[1]->msb, 7);
}

} // namespace
} // namespace corvel
