#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <unordered_set>

#include "corvel/base/Color.h"

namespace corvel {

void PrintTo(const Color& c, std::ostream* out) { *out << c.formatAsXcolor(); }

namespace {

struct ParseCase {
    std::string spec;
    std::optional<Color> expected;
};

class ParseColor : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseColor, Reads)
{
    const ParseCase& c = GetParam();
    EXPECT_EQ(Color::parseColor(c.spec), c.expected) << '"' << c.spec << '"';
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(HashForms, ParseColor, ::testing::Values(
    ParseCase{"#fff", Color(0xF0F0, 0xF0F0, 0xF0F0)},
    ParseCase{"#ABC", Color(0xA0A0, 0xB0B0, 0xC0C0)},
    ParseCase{"#abc", Color(0xA0A0, 0xB0B0, 0xC0C0)},
    ParseCase{"#ffffff", Color(0xFFFF, 0xFFFF, 0xFFFF)},
    ParseCase{"#ABCDEF", Color(0xABAB, 0xCDCD, 0xEFEF)},
    ParseCase{"#123456789", Color(0x1232, 0x4565, 0x78F8)},  // three digits: v<<4 | v>>4
    ParseCase{"#abc800fff", Color(0xABEB, 0x8080, 0xFFFF)},
    ParseCase{"#0123456789ab", Color(0x0123, 0x4567, 0x89AB)},
    ParseCase{"#1z3", Color(0x1010, 0x0000, 0x3030)},       // a stray byte reads as 0
    ParseCase{"#12zz56", Color(0x1212, 0x0000, 0x5656)},
    ParseCase{"#1z2233", Color(0x0101, 0x2222, 0x3333)}));   // a stray byte ends its field only
// clang-format on

INSTANTIATE_TEST_SUITE_P(HashFormsRejected, ParseColor,
                         ::testing::Values(ParseCase{"#", std::nullopt}, ParseCase{"#12", std::nullopt},
                                           ParseCase{"#12345", std::nullopt}, ParseCase{"#1234", std::nullopt},
                                           ParseCase{"#1234567890abc", std::nullopt}));

// clang-format off
INSTANTIATE_TEST_SUITE_P(RgbForms, ParseColor, ::testing::Values(
    ParseCase{"rgb:f/f/f", Color(0xF0F0, 0xF0F0, 0xF0F0)},
    ParseCase{"rgb:ff/ff/ff", Color(0xFFFF, 0xFFFF, 0xFFFF)},
    ParseCase{"rgb:fff/fff/fff", Color(0xFFFF, 0xFFFF, 0xFFFF)},
    ParseCase{"rgb:ffff/ffff/ffff", Color(0xFFFF, 0xFFFF, 0xFFFF)},
    ParseCase{"rgb:ff/80/0", Color(0xFFFF, 0x8080, 0x0000)},         // the widest channel sets the scale
    ParseCase{"rgb:ffff/0/0", Color(0xFFFF, 0x0000, 0x0000)},
    ParseCase{"rgb:800/000/000", Color(0x8080, 0x0000, 0x0000)},
    ParseCase{"rgb:1234/5678/9ABC", Color(0x1234, 0x5678, 0x9ABC)},
    ParseCase{"rgb:12345/6/7", Color(0x1234, 0x0005, 0x0006)},       // a fifth digit starts the next channel
    ParseCase{"rgb:ff", Color(0xFFFF, 0x0000, 0x0000)},              // missing channels read as 0
    ParseCase{"rgb:ff/80", Color(0xFFFF, 0x8080, 0x0000)}));
// clang-format on

INSTANTIATE_TEST_SUITE_P(RgbFormsRejected, ParseColor,
                         ::testing::Values(ParseCase{"", std::nullopt}, ParseCase{"rgb:", std::nullopt},
                                           ParseCase{"rgb:/x/", std::nullopt}, ParseCase{"RGB:ff/ff/ff", std::nullopt},
                                           ParseCase{"rgbi:1/0/0", std::nullopt}, ParseCase{"red", std::nullopt},
                                           ParseCase{"rgb", std::nullopt}, ParseCase{" #fff", std::nullopt}));

TEST(ParseColor, ReadsBytesWithoutTerminator)
{
    // A slice cut out of a longer buffer: the reader must stop at the slice's end.
    const std::string buffer = "rgb:12/34/56ffff";
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(buffer.data()), 12);
    EXPECT_EQ(Color::parseColor(bytes), Color(0x1212, 0x3434, 0x5656));
    const std::span<const uint8_t> hash(reinterpret_cast<const uint8_t*>("#abcdef"), 4);
    EXPECT_EQ(Color::parseColor(hash), Color(0xA0A0, 0xB0B0, 0xC0C0));
}

TEST(FormatAsXcolor, FourLowerCaseDigitsPerChannel)
{
    EXPECT_EQ(Color(0xFFFF, 0x8080, 0x0000).formatAsXcolor(), "rgb:ffff/8080/0000");
    EXPECT_EQ(Color(0x0001, 0x00AB, 0xBEEF).formatAsXcolor(), "rgb:0001/00ab/beef");
}

TEST(FormatAsXcolor, RoundTripsThroughParse)
{
    for (const char* spec : {"#fff",
                             "#000",
                             "#123456",
                             "#abc800fff",
                             "#0123456789ab",
                             "rgb:f/0/8",
                             "rgb:fedc/ba98/7654",
                             "rgb:1/22/333"}) {
        const std::optional<Color> color = Color::parseColor(std::string_view(spec));
        ASSERT_TRUE(color) << spec;
        const std::string text = color->formatAsXcolor();
        EXPECT_EQ(Color::parseColor(text), color) << spec << " -> " << text;
    }
    EXPECT_EQ(Color::parseColor(std::string_view("#fff"))->formatAsXcolor(), "rgb:f0f0/f0f0/f0f0");
}

TEST(Color, ChannelScalingConstructors)
{
    EXPECT_EQ(Color::fromRgb8(0xAB, 0x00, 0xFF), Color(0xABAB, 0x0000, 0xFFFF));
    EXPECT_EQ(Color::fromRgb4(0x3, 0xF, 0x0), Color(0x3030, 0xF0F0, 0x0000));
    // Out-of-range channels saturate instead of wrapping around.
    EXPECT_EQ(Color::fromRgb8(300, 256, 1000), Color(0xFFFF, 0xFFFF, 0xFFFF));
    EXPECT_EQ(Color::fromRgb4(16, 99, 15), Color(0xF0F0, 0xF0F0, 0xF0F0));
}

TEST(Color, DefaultsAndBaseColors)
{
    EXPECT_EQ(Color::defaultForeground, Color(35389, 35389, 35389));
    EXPECT_EQ(Color::defaultBackground, Color(0, 0, 0));
    const struct {
        int index;
        unsigned r, g, b;
    } expected[] = {
        {0, 0, 0, 0},
        {1, 194, 54, 33},
        {2, 37, 188, 36},
        {3, 173, 173, 39},
        {4, 73, 46, 225},
        {5, 211, 56, 211},
        {6, 51, 187, 200},
        {7, 203, 204, 205},
        {8, 129, 131, 131},
        {9, 252, 57, 31},
        {10, 49, 231, 34},
        {11, 234, 236, 35},
        {12, 88, 51, 255},
        {13, 249, 53, 248},
        {14, 20, 240, 240},
        {15, 233, 235, 235},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(Color::terminalAppColors[e.index], Color::fromRgb8(e.r, e.g, e.b)) << e.index;
    }
}

TEST(Color, EqualValuesHashAlike)
{
    const Color a(1, 2, 3);
    const Color b(1, 2, 3);
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<Color>{}(a), std::hash<Color>{}(b));
    std::unordered_set<Color> set{a, Color(3, 2, 1), Color(1, 3, 2)};
    EXPECT_EQ(set.size(), 3u);
    EXPECT_TRUE(set.contains(b));
}

} // namespace
} // namespace corvel
