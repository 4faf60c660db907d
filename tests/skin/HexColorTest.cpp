#include "skin/HexColor.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::LogCapture;

struct LenientCase {
    const char* text;
    QRgb expected;
    bool logged;
};

class LenientHexTest : public ::testing::TestWithParam<LenientCase> {};

TEST_P(LenientHexTest, ReadsOrFallsBackToMagentaWithOneLogLine)
{
    const LenientCase& c = GetParam();
    LogCapture log;
    log.clear();
    const QColor color = HexColor::toColorOrMagenta(QString::fromUtf8(c.text));
    EXPECT_EQ(color.rgba(), c.expected) << c.text;
    EXPECT_EQ(log.count(QStringLiteral("Invalid hex color")), c.logged ? 1 : 0) << c.text;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Texts, LenientHexTest,
                         ::testing::Values(LenientCase{"#1a2B3c", 0xFF1A2B3C, false},
                                           LenientCase{"1A2B3C", 0xFF1A2B3C, false},
                                           LenientCase{"##1a2b3c##", 0xFF1A2B3C, false},
                                           LenientCase{"#000000", 0xFF000000, false},
                                           LenientCase{"#ffffff", 0xFFFFFFFF, false},
                                           // the scanner skips white space and "0x" and stops at a non-digit
                                           LenientCase{"0x12ab", 0xFF0012AB, false},
                                           LenientCase{"  12ab", 0xFF0012AB, false},
                                           LenientCase{"12abzz", 0xFF0012AB, false},
                                           LenientCase{"#abc", 0xFFFF00FF, true},
                                           LenientCase{"#11223344", 0xFFFF00FF, true},
                                           LenientCase{"", 0xFFFF00FF, true},
                                           LenientCase{"#", 0xFFFF00FF, true},
                                           LenientCase{"orange", 0xFFFF00FF, true},
                                           LenientCase{"zz1234", 0xFFFF00FF, true},
                                           // six characters as the user sees them, not six bytes
                                           LenientCase{"abcde\xCC\x81", 0xFFFF00FF, true},
                                           LenientCase{"e\xCC\x81" "12345", 0xFF00000E, false}));
// clang-format on

TEST(LenientHexLog, QuotesTheTextAsGiven)
{
    LogCapture log;
    log.clear();
    HexColor::toColorOrMagenta(QStringLiteral("##nope"));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_EQ(log.lines().front(),
              QStringLiteral("[Velmora] Invalid hex color '##nope' \u2014 using magenta sentinel so it's visible"));
}

struct StrictCase {
    const char* text;
    std::optional<QRgb> expected;
};

class StrictHexTest : public ::testing::TestWithParam<StrictCase> {};

TEST_P(StrictHexTest, AcceptsOnlySixDigits)
{
    const StrictCase& c = GetParam();
    LogCapture log;
    log.clear();
    const auto color = HexColor::parse(QString::fromUtf8(c.text));
    ASSERT_EQ(color.has_value(), c.expected.has_value()) << c.text;
    if (color) {
        EXPECT_EQ(color->rgba(), *c.expected) << c.text;
    }
    EXPECT_TRUE(log.lines().isEmpty()) << "the strict reader never logs";
}

INSTANTIATE_TEST_SUITE_P(Texts, StrictHexTest,
                         ::testing::Values(StrictCase{"#1a2B3c", 0xFF1A2B3C}, StrictCase{"1a2b3c", 0xFF1A2B3C},
                                           StrictCase{"#1a2b3c#", 0xFF1A2B3C}, StrictCase{"+12345", 0xFF012345},
                                           StrictCase{"-00000", 0xFF000000}, StrictCase{"-00001", std::nullopt},
                                           StrictCase{"#12345", std::nullopt}, StrictCase{"#1234567", std::nullopt},
                                           StrictCase{"0x12ab", std::nullopt}, StrictCase{" 12abc", std::nullopt},
                                           StrictCase{"12abcg", std::nullopt}, StrictCase{"", std::nullopt},
                                           StrictCase{"#", std::nullopt},
                                           // full-width digits are not hexadecimal digits
                                           StrictCase{"\xEF\xBC\x91"
                                                      "23456",
                                                      std::nullopt}));

struct HexStringCase {
    float red, green, blue;
    const char* truncated;
    const char* rounded;
};

class HexStringTest : public ::testing::TestWithParam<HexStringCase> {};

TEST_P(HexStringTest, TruncatesOrRounds)
{
    const HexStringCase& c = GetParam();
    const QColor color = QColor::fromRgbF(c.red, c.green, c.blue);
    EXPECT_EQ(HexColor::hexString(color), QString::fromUtf8(c.truncated));
    EXPECT_EQ(HexColor::roundedHexString(color), QString::fromUtf8(c.rounded));
}

INSTANTIATE_TEST_SUITE_P(Components, HexStringTest,
                         ::testing::Values(HexStringCase{1.0f, 0.5f, 0.0f, "#FF7F00", "#FF8000"},
                                           HexStringCase{0.999f, 0.0f, 1.0f, "#FE00FF", "#FF00FF"},
                                           HexStringCase{0.0f, 1.0f, 0.25f, "#00FF3F", "#00FF40"}));

TEST(HexString, EightBitColoursSurviveBothWritersExactly)
{
    for (int v = 0; v < 256; ++v) {
        const QColor color = QColor::fromRgb(v, 255 - v, v / 2);
        const QString expected = QStringLiteral("#%1%2%3")
                                     .arg(v, 2, 16, QLatin1Char('0'))
                                     .arg(255 - v, 2, 16, QLatin1Char('0'))
                                     .arg(v / 2, 2, 16, QLatin1Char('0'))
                                     .toUpper();
        ASSERT_EQ(HexColor::hexString(color), expected);
        ASSERT_EQ(HexColor::roundedHexString(color), expected);
        ASSERT_EQ(HexColor::parse(expected)->rgba(), color.rgba());
    }
}

TEST(HexString, ConvertsOtherColourModelsToRgbFirst)
{
    EXPECT_EQ(HexColor::hexString(QColor::fromHsv(0, 255, 255)), QStringLiteral("#FF0000"));
}

} // namespace
} // namespace velmora
