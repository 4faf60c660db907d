#include <gtest/gtest.h>

#include <unordered_set>
#include <vector>

#include "corvel/model/Attribute.h"
#include "corvel/model/CharData.h"

namespace corvel {
namespace {

using Color = Attribute::Color;

struct SgrCase {
    const char* name;
    Attribute attribute;
    const char* expected;
};

class ToSgr : public ::testing::TestWithParam<SgrCase> {};

TEST_P(ToSgr, WritesParametersInOrder) { EXPECT_EQ(GetParam().attribute.toSgr(), GetParam().expected); }

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Attributes, ToSgr,
    ::testing::Values(
        SgrCase{"Empty", Attribute::empty, "0m"},
        SgrCase{"Default", Attribute(), "0m"},
        SgrCase{"BoldRed", Attribute(Color::ansi256(1), Color::defaultColor, CharacterStyle::bold), "0;1;31m"},
        SgrCase{"PaletteOnBright", Attribute(Color::ansi256(16), Color::ansi256(9)), "0;38;5;16;101m"},
        SgrCase{"TrueColorFg", Attribute(Color::trueColor(10, 20, 30), Color::defaultColor), "0;38;2;10;20;30m"},
        SgrCase{"TrueColorBg", Attribute(Color::defaultColor, Color::trueColor(1, 2, 3)), "0;48;2;1;2;3m"},
        SgrCase{"BrightWhiteFg", Attribute(Color::ansi256(15), Color::defaultColor), "0;97m"},
        SgrCase{"BrightBlackBg", Attribute(Color::defaultColor, Color::ansi256(8)), "0;100m"},
        SgrCase{"LowBg", Attribute(Color::defaultColor, Color::ansi256(3)), "0;43m"},
        SgrCase{"HighPaletteBg", Attribute(Color::defaultColor, Color::ansi256(255)), "0;48;5;255m"},
        SgrCase{"InvertedDefaultFg", Attribute(Color::defaultInvertedColor, Color::ansi256(0)), "0;40m"},
        SgrCase{"UnwrittenStyles", Attribute(Color::defaultColor, Color::defaultColor,
                                             CharacterStyle{CharacterStyle::italic, CharacterStyle::dim,
                                                            CharacterStyle::crossedOut}),
                "0m"},
        SgrCase{"AllWrittenStyles",
                Attribute(Color::defaultColor, Color::defaultColor, CharacterStyle(uint8_t{0xFF})), "0;1;4;5;7;8m"},
        SgrCase{"UnderlineShapeAndColourNotWritten",
                Attribute(Color::ansi256(2), Color::defaultColor, CharacterStyle::underline, UnderlineStyle::curly,
                          Color::trueColor(9, 9, 9)),
                "0;4;32m"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Every colour kind at its extremes, to catch bits of one field leaking into
// a neighbouring one in the packed form.
const std::vector<Color> kSampleColors = {
    Color::defaultColor,
    Color::defaultInvertedColor,
    Color::ansi256(0),
    Color::ansi256(255),
    Color::trueColor(0, 0, 0),
    Color::trueColor(255, 255, 255),
    Color::trueColor(0x12, 0x34, 0x56),
};

TEST(Attribute, FieldsRoundTripWithoutDisturbingEachOther)
{
    const Attribute base(Color::trueColor(1, 2, 3),
                         Color::ansi256(200),
                         CharacterStyle(uint8_t{0xA5}),
                         UnderlineStyle::dashed,
                         Color::ansi256(7));
    for (Color c : kSampleColors) {
        SCOPED_TRACE(c.bits());
        Attribute a = base;
        a.setFg(c);
        EXPECT_EQ(a.fg(), c);
        EXPECT_EQ(a.bg(), base.bg());
        EXPECT_EQ(a.style(), base.style());
        EXPECT_EQ(a.underlineStyle(), base.underlineStyle());
        EXPECT_EQ(a.underlineColor(), base.underlineColor());

        a = base;
        a.setBg(c);
        EXPECT_EQ(a.bg(), c);
        EXPECT_EQ(a.fg(), base.fg());
        EXPECT_EQ(a.style(), base.style());

        a = base;
        a.setUnderlineColor(c);
        EXPECT_EQ(a.underlineColor(), c);
        EXPECT_EQ(a.underlineStyle(), base.underlineStyle());
        EXPECT_EQ(a.fg(), base.fg());
        EXPECT_EQ(a.bg(), base.bg());
    }
    Attribute a = base;
    a.setStyle(CharacterStyle(uint8_t{0xFF}));
    a.setUnderlineStyle(UnderlineStyle::none);
    a.setUnderlineColor(std::nullopt);
    EXPECT_EQ(a.fg(), base.fg());
    EXPECT_EQ(a.bg(), base.bg());
    EXPECT_EQ(a.style().rawValue(), 0xFF);
    EXPECT_EQ(a.underlineStyle(), UnderlineStyle::none);
    EXPECT_FALSE(a.underlineColor().has_value());
}

TEST(Attribute, DefaultAndEmptyDifferOnlyInBackground)
{
    EXPECT_EQ(Attribute().fg(), Color::defaultColor);
    EXPECT_EQ(Attribute().bg(), Color::defaultColor);
    EXPECT_EQ(Attribute::empty.fg(), Color::defaultColor);
    EXPECT_EQ(Attribute::empty.bg(), Color::defaultInvertedColor);
    EXPECT_NE(Attribute(), Attribute::empty);
    EXPECT_EQ(CharData::Null.attribute, Attribute());
}

TEST(Attribute, EqualityCoversEveryFieldAndHashesAgree)
{
    Attribute noUnderlineColor;
    Attribute defaultUnderlineColor;
    defaultUnderlineColor.setUnderlineColor(Color::defaultColor);
    EXPECT_NE(noUnderlineColor, defaultUnderlineColor);
    EXPECT_NE(Color::ansi256(1), Color::trueColor(0, 0, 1));

    // The same attribute reached through different setter orders.
    Attribute built;
    built.setUnderlineColor(Color::trueColor(4, 5, 6));
    built.setBg(Color::ansi256(3));
    built.setFg(Color::trueColor(7, 8, 9));
    const Attribute direct(Color::trueColor(7, 8, 9),
                           Color::ansi256(3),
                           CharacterStyle::none,
                           UnderlineStyle::none,
                           Color::trueColor(4, 5, 6));
    EXPECT_EQ(built, direct);
    EXPECT_EQ(std::hash<Attribute>{}(built), std::hash<Attribute>{}(direct));

    std::unordered_set<Attribute> set;
    for (Color fg : kSampleColors) {
        for (Color bg : kSampleColors)
            set.insert(Attribute(fg, bg));
    }
    EXPECT_EQ(set.size(), kSampleColors.size() * kSampleColors.size());
}

TEST(CharacterStyle, SetAlgebraAndPackedForm)
{
    EXPECT_EQ(CharacterStyle::fromPackedAttribute(0x40000), CharacterStyle::bold);
    EXPECT_EQ(CharacterStyle::fromPackedAttribute(int32_t(0xFFu << 18)).rawValue(), 0xFF);

    CharacterStyle s{CharacterStyle::bold, CharacterStyle::italic};
    EXPECT_TRUE(s.contains(CharacterStyle::bold));
    EXPECT_FALSE(s.contains(CharacterStyle::dim));
    EXPECT_TRUE(CharacterStyle::bold.isSubset(s));
    EXPECT_TRUE(s.isDisjoint(CharacterStyle::dim | CharacterStyle::blink));
    s.remove(CharacterStyle::bold);
    EXPECT_EQ(s, CharacterStyle::italic);
    EXPECT_EQ((s ^ CharacterStyle{CharacterStyle::italic, CharacterStyle::dim}), CharacterStyle::dim);
    EXPECT_TRUE(CharacterStyle::none.isEmpty());
}

TEST(UnderlineStyle, RawValuesPastDashedHaveNoStyle)
{
    EXPECT_EQ(underlineStyleFromRaw(5), UnderlineStyle::dashed);
    EXPECT_EQ(underlineStyleFromRaw(0), UnderlineStyle::none);
    EXPECT_FALSE(underlineStyleFromRaw(6).has_value());
    EXPECT_FALSE(underlineStyleFromRaw(255).has_value());
}

struct CharacterCase {
    int32_t code;
    char32_t character;
    const char* description;
};

TEST(CharData, CharacterOfCode)
{
    const std::vector<CharacterCase> cases = {
        {0x41, U'A', "CharData: 65 A"},
        {0, U'\0', nullptr},
        {0x10FFFF, U'\U0010FFFF', nullptr},
        {0x400001, U' ', "CharData: 4194305 ?"},
        {0xD800, U' ', "CharData: 55296 ?"},
        {0xDFFF, U' ', nullptr},
        {0x110000, U' ', nullptr},
        {0x4E2D, U'\u4E2D', "CharData: 20013 \xE4\xB8\xAD"},
    };
    for (const CharacterCase& c : cases) {
        SCOPED_TRACE(c.code);
        CharData cell(Attribute(), c.code, 1);
        EXPECT_EQ(cell.getCharacter(), c.character);
        if (c.description) {
            EXPECT_EQ(cell.debugDescription(), c.description);
        }
    }
}

TEST(CharData, NullCellAndSimpleRunes)
{
    EXPECT_EQ(CharData::Null.code, 0);
    EXPECT_EQ(CharData::Null.width, 1);
    EXPECT_EQ(CharData::Null.payload.code, 0);
    EXPECT_EQ(CharData::Null.unused, 0);
    EXPECT_FALSE(CharData::Null.hasPayload());
    EXPECT_FALSE(CharData::Null.getPayload().has_value());

    CharData c;
    c.setValue(0x400001, 2);
    EXPECT_FALSE(c.isSimpleRune());
    EXPECT_EQ(c.width, 2);
    c.setValue(0x3FFFFF, 1);
    EXPECT_TRUE(c.isSimpleRune());
}

} // namespace
} // namespace corvel
