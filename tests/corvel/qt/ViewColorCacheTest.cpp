#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "corvel/qt/ViewColorCache.h"
#include "corvel/qt/ViewColors.h"

namespace corvel {
namespace {

using C = Attribute::Color;

class ViewColorCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        palette = Color::generateXtermPalette(Color::terminalAppColors);
        cache.setPalette(&palette);
        cache.nativeForeground = QColor(255, 255, 255);
        cache.nativeBackground = QColor(0, 0, 0);
    }

    QColor paletteColor(int index) const { return toQColor(palette[size_t(index)]); }

    std::vector<Color> palette;
    ViewColorCache cache;
};

struct FaceCase {
    const char* name;
    bool bright;
    Attribute attribute;
    int expectedIndex;
    FontFace expectedFace;
};

TEST_F(ViewColorCacheTest, PaletteIndexAndFaceFollowTheBrightRule)
{
    const std::vector<FaceCase> cases = {
        {"bold 1 brightens", true, Attribute(C::ansi256(1), C::defaultColor, CharacterStyle::bold), 9, FontFace::bold},
        {"bold 7 stays", true, Attribute(C::ansi256(7), C::defaultColor, CharacterStyle::bold), 7, FontFace::bold},
        {"plain 1", true, Attribute(C::ansi256(1), C::defaultColor), 1, FontFace::normal},
        {"bright off: 9 is bold 1", false, Attribute(C::ansi256(9), C::defaultColor), 1, FontFace::bold},
        {"bright off: 196 regular", false, Attribute(C::ansi256(196), C::defaultColor), 196, FontFace::normal},
        {"bright off: bold 196",
         false,
         Attribute(C::ansi256(196), C::defaultColor, CharacterStyle::bold),
         196,
         FontFace::bold},
        {"italic bold",
         true,
         Attribute(C::ansi256(2), C::defaultColor, {CharacterStyle::bold, CharacterStyle::italic}),
         10,
         FontFace::boldItalic},
    };
    for (const FaceCase& c : cases) {
        cache.setUseBrightColors(c.bright);
        const TextAttributes& a = cache.getAttributes(c.attribute, false);
        EXPECT_EQ(a.foreground, paletteColor(c.expectedIndex)) << c.name;
        EXPECT_EQ(a.face, c.expectedFace) << c.name;
    }
}

TEST_F(ViewColorCacheTest, ChangingTheBrightRuleDropsCachedAttributes)
{
    const Attribute boldRed(C::ansi256(1), C::defaultColor, CharacterStyle::bold);
    EXPECT_EQ(cache.getAttributes(boldRed, false).foreground, paletteColor(9));
    cache.setUseBrightColors(false);
    EXPECT_EQ(cache.getAttributes(boldRed, false).foreground, paletteColor(1));
}

TEST_F(ViewColorCacheTest, InverseOfDefaultColoursUsesTheInvertedNativeColours)
{
    const Attribute inverse(C::defaultColor, C::defaultColor, CharacterStyle::inverse);
    const TextAttributes& a = cache.getAttributes(inverse, false);
    EXPECT_EQ(a.foreground, QColor(0, 0, 0));
    EXPECT_EQ(a.background, QColor(255, 255, 255));

    cache.nativeForeground = QColor(200, 200, 200);
    cache.nativeBackground = QColor(50, 50, 50);
    cache.clearAttributeCaches();
    const TextAttributes& grey = cache.getAttributes(inverse, false);
    EXPECT_EQ(grey.foreground, QColor(55, 55, 55));
    EXPECT_EQ(grey.background, QColor(205, 205, 205));
}

TEST_F(ViewColorCacheTest, DimForegroundIsTheMidpointTowardsTheBackground)
{
    const Attribute dim(C::trueColor(200, 100, 0), C::trueColor(0, 100, 200), CharacterStyle::dim);
    const TextAttributes& a = cache.getAttributes(dim, false);
    EXPECT_TRUE(test::near(a.foreground, QColor(100, 100, 100), 1)) << a.foreground.name().toStdString();
    EXPECT_EQ(a.background, QColor(0, 100, 200));
}

struct UnderlineCase {
    const char* name;
    UnderlineStyle style;
    bool link;
    int platformStyle;
    int corvelStyle;
};

TEST_F(ViewColorCacheTest, UnderlineStylesAndLinkHighlight)
{
    const std::vector<UnderlineCase> cases = {
        {"none counts as single", UnderlineStyle::none, false, 1, 1},
        {"double", UnderlineStyle::doubled, false, 9, 2},
        {"curly", UnderlineStyle::curly, false, 1, 3},
        {"dotted", UnderlineStyle::dotted, false, 257, 4},
        {"dashed", UnderlineStyle::dashed, false, 513, 5},
        {"link over double", UnderlineStyle::doubled, true, 1, 5},
    };
    for (const UnderlineCase& c : cases) {
        const Attribute attribute(C::ansi256(2), C::defaultColor, CharacterStyle::underline, c.style);
        const TextAttributes& a = cache.getAttributes(attribute, c.link);
        ASSERT_TRUE(a.underline) << c.name;
        EXPECT_EQ(a.underline->platformStyle, c.platformStyle) << c.name;
        EXPECT_EQ(a.underline->corvelStyle, c.corvelStyle) << c.name;
        EXPECT_EQ(a.underline->color, a.foreground) << c.name;
    }
}

TEST_F(ViewColorCacheTest, UnderlineColourAndStrikeThrough)
{
    const Attribute attribute(C::ansi256(2),
                              C::defaultColor,
                              {CharacterStyle::underline, CharacterStyle::crossedOut},
                              UnderlineStyle::single,
                              C::trueColor(1, 2, 3));
    const TextAttributes& a = cache.getAttributes(attribute, false);
    ASSERT_TRUE(a.underline);
    EXPECT_EQ(a.underline->color, QColor(1, 2, 3));
    ASSERT_TRUE(a.strikeThrough);
    EXPECT_EQ(a.strikeThrough->color, a.foreground);
    EXPECT_EQ(a.strikeThrough->style, 1);
}

TEST_F(ViewColorCacheTest, PaletteSlotsRefillFromTheTerminalPalette)
{
    const Attribute red(C::ansi256(1), C::defaultColor);
    EXPECT_EQ(cache.getAttributes(red, false).foreground, paletteColor(1));
    palette[1] = Color(0, 0xFFFF, 0);
    cache.resetPaletteSlot(1);
    cache.clearAttributeCaches();
    EXPECT_EQ(cache.getAttributes(red, false).foreground, QColor(0, 255, 0));
}

TEST(ViewColors, ConversionsAndOperations)
{
    EXPECT_EQ(toTerminalColor(toQColor(Color(1, 0x8000, 0xFFFF))), Color(1, 0x8000, 0xFFFF));
    EXPECT_EQ(inverseColor(QColor(10, 20, 30, 40)), QColor(245, 235, 225, 40));
    EXPECT_EQ(toTerminalColor(QColor()), Color::defaultForeground);
    EXPECT_EQ(dimmedColor(QColor(), Qt::red), QColor());
}

} // namespace
} // namespace corvel
