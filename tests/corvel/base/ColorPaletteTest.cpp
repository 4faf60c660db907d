#include <gtest/gtest.h>

#include <vector>

#include "corvel/base/Color.h"

namespace corvel {

void PrintTo(const Color& c, std::ostream* out);

namespace {

const std::vector<Color> baseColors(Color::terminalAppColors.begin(), Color::terminalAppColors.end());

Color grey8(unsigned level) { return Color::fromRgb8(level, level, level); }

struct Entry {
    int index;
    Color color;
};

TEST(XtermPalette, CubeAndGreyRamp)
{
    const std::vector<Color> palette = Color::generateXtermPalette(baseColors);
    ASSERT_EQ(palette.size(), 256u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(palette[i], baseColors[i]) << i;
    const Entry entries[] = {
        {16, Color(0, 0, 0)},
        {17, Color::fromRgb8(0, 0, 95)},
        {21, Color::fromRgb8(0, 0, 255)},
        {22, Color::fromRgb8(0, 95, 0)},
        {52, Color::fromRgb8(95, 0, 0)},
        {110, Color::fromRgb8(135, 175, 215)}, // 16 + 36*2 + 6*3 + 4
        {196, Color::fromRgb8(255, 0, 0)},
        {231, Color(0xFFFF, 0xFFFF, 0xFFFF)},
        {232, grey8(8)},
        {243, grey8(118)},
        {255, grey8(238)},
    };
    for (const Entry& e : entries)
        EXPECT_EQ(palette[e.index], e.color) << e.index;
}

TEST(XtermPalette, AppendsToAnyNumberOfBaseColors)
{
    EXPECT_EQ(Color::generateXtermPalette({}).size(), 240u);
    const std::vector<Color> three(baseColors.begin(), baseColors.begin() + 3);
    const std::vector<Color> palette = Color::generateXtermPalette(three);
    ASSERT_EQ(palette.size(), 243u);
    EXPECT_EQ(palette[2], baseColors[2]);
    EXPECT_EQ(palette[3], Color(0, 0, 0));
}

// Expected values worked out by hand from the CIELAB conversion and linear
// interpolation, with the default background and foreground.
TEST(Base16LabPalette, EntriesOfTheDefaultColors)
{
    const std::vector<Color> palette
        = Color::generateBase16LabPalette(baseColors, Color::defaultBackground, Color::defaultForeground);
    ASSERT_EQ(palette.size(), 256u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(palette[i], baseColors[i]) << i;
    const Entry entries[] = {
        // cube corners: background, base colours 1 to 6, foreground quantised to 8 bits
        {16, Color(0, 0, 0)},
        {196, baseColors[1]},
        {46, baseColors[2]},
        {226, baseColors[3]},
        {21, baseColors[4]},
        {201, baseColors[5]},
        {51, baseColors[6]},
        {231, grey8(138)},
        // interior points
        {107, Color::fromRgb8(115, 122, 68)},
        {145, Color::fromRgb8(147, 124, 127)},
        // grey ramp between background and foreground, ends excluded
        {232, grey8(8)},
        {243, grey8(65)},
        {255, grey8(132)},
    };
    for (const Entry& e : entries)
        EXPECT_EQ(palette[e.index], e.color) << e.index;
}

TEST(Base16LabPalette, BlackToWhiteGreyRampRises)
{
    const Color white(0xFFFF, 0xFFFF, 0xFFFF);
    const std::vector<Color> palette = Color::generateBase16LabPalette(baseColors, Color(0, 0, 0), white);
    ASSERT_EQ(palette.size(), 256u);
    EXPECT_EQ(palette[16], Color(0, 0, 0));
    EXPECT_EQ(palette[231], white);
    for (int i = 232; i < 256; ++i) {
        const Color& c = palette[i];
        EXPECT_EQ(c.red, c.green) << i;
        EXPECT_EQ(c.green, c.blue) << i;
        EXPECT_GT(c.red, i == 232 ? 0 : palette[i - 1].red) << i;
        EXPECT_LT(c.red, 0xFFFF) << i;
    }
}

TEST(Base16LabPalette, BackgroundAndForegroundDefaultToBaseColors)
{
    EXPECT_EQ(Color::generateBase16LabPalette(baseColors, std::nullopt, std::nullopt),
              Color::generateBase16LabPalette(baseColors, baseColors[0], baseColors[7]));
    const std::vector<Color> palette = Color::generateBase16LabPalette(baseColors, std::nullopt, std::nullopt);
    EXPECT_EQ(palette[231], baseColors[7]);
}

TEST(Base16LabPalette, FallsBackToXtermBelowEightBaseColors)
{
    const std::vector<Color> seven(baseColors.begin(), baseColors.begin() + 7);
    EXPECT_EQ(Color::generateBase16LabPalette(seven, std::nullopt, std::nullopt), Color::generateXtermPalette(seven));
    const std::vector<Color> eight(baseColors.begin(), baseColors.begin() + 8);
    const std::vector<Color> palette = Color::generateBase16LabPalette(eight, std::nullopt, std::nullopt);
    ASSERT_EQ(palette.size(), 248u);
    EXPECT_EQ(palette[8 + 215], baseColors[7]); // last cube entry is the foreground
}

} // namespace
} // namespace corvel
