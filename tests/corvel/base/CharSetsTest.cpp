#include <gtest/gtest.h>

#include <string>

#include "corvel/base/CharSets.h"

namespace corvel {
namespace {

struct Lookup {
    char designator;
    char byte;
    char32_t shown;
};

class CharSetLookup : public ::testing::TestWithParam<Lookup> {};

TEST_P(CharSetLookup, ShowsReplacement)
{
    const Lookup& l = GetParam();
    const CharSet* set = CharSets::find(static_cast<uint8_t>(l.designator));
    ASSERT_NE(set, nullptr) << l.designator;
    EXPECT_EQ(set->map(static_cast<uint8_t>(l.byte)), l.shown) << "set " << l.designator << " byte " << l.byte;
}

INSTANTIATE_TEST_SUITE_P(DecSpecialGraphics, CharSetLookup,
                         ::testing::Values(Lookup{'0', 'q', U'\u2500'}, Lookup{'0', 'x', U'\u2502'},
                                           Lookup{'0', 'l', U'\u250C'}, Lookup{'0', 'j', U'\u2518'},
                                           Lookup{'0', '`', U'\u25C6'}, Lookup{'0', '~', U'\u00B7'},
                                           Lookup{'0', '}', U'\u00A3'}, Lookup{'0', 'a', U'\u2592'},
                                           Lookup{'0', '_', U'_'}, Lookup{'0', 'A', U'A'}, Lookup{'0', '#', U'#'},
                                           Lookup{'2', 'q', U'\u2500'}));

INSTANTIATE_TEST_SUITE_P(National, CharSetLookup,
                         ::testing::Values(Lookup{'A', '#', U'£'}, Lookup{'A', '@', U'@'}, Lookup{'B', '#', U'#'},
                                           Lookup{'B', 'q', U'q'}, Lookup{'4', ']', U'|'}, Lookup{'4', '|', U'f'},
                                           Lookup{'4', '[', U'\u0133'}, Lookup{'4', '^', U'^'}, Lookup{'4', '~', U'´'},
                                           Lookup{'C', '[', U'Ä'}, Lookup{'5', '`', U'é'}, Lookup{'5', '_', U'_'},
                                           Lookup{'R', '#', U'£'}, Lookup{'R', '~', U'¨'}, Lookup{'Q', '^', U'î'},
                                           Lookup{'Q', '#', U'#'}, Lookup{'K', '@', U'§'}, Lookup{'K', '~', U'ß'},
                                           Lookup{'Y', '`', U'ù'}, Lookup{'Y', '~', U'ì'}, Lookup{'E', '@', U'Ä'},
                                           Lookup{'6', '\\', U'Ø'}, Lookup{'Z', '[', U'¡'}, Lookup{'Z', '~', U'~'},
                                           Lookup{'H', '@', U'É'}, Lookup{'7', '}', U'å'}, Lookup{'=', '#', U'ù'},
                                           Lookup{'=', '_', U'è'}, Lookup{'=', '~', U'û'}));

TEST(CharSets, SeventeenDesignatorsWithTheirSizes)
{
    const struct {
        char designator;
        size_t entries;
    } expected[] = {
        {'0', 31},
        {'2', 31},
        {'A', 1},
        {'B', 0},
        {'4', 9},
        {'C', 9},
        {'5', 9},
        {'R', 9},
        {'Q', 10},
        {'K', 8},
        {'Y', 10},
        {'E', 10},
        {'6', 10},
        {'Z', 8},
        {'H', 10},
        {'7', 10},
        {'=', 12},
    };
    EXPECT_EQ(CharSets::all().size(), std::size(expected));
    for (const auto& e : expected) {
        const CharSet* set = CharSets::find(static_cast<uint8_t>(e.designator));
        ASSERT_NE(set, nullptr) << e.designator;
        EXPECT_EQ(set->size(), e.entries) << e.designator;
    }
}

TEST(CharSets, UnknownDesignatorsFindNoSet)
{
    for (char d : {'1', 'U', 'b', '%', '\0', '\x7f'}) {
        EXPECT_EQ(CharSets::find(static_cast<uint8_t>(d)), nullptr) << int(d);
    }
}

TEST(CharSets, AliasesShareContents)
{
    for (auto [a, b] : {std::pair{'0', '2'}, {'C', '5'}, {'E', '6'}, {'H', '7'}}) {
        EXPECT_EQ(*CharSets::find(static_cast<uint8_t>(a)), *CharSets::find(static_cast<uint8_t>(b))) << a << b;
    }
}

TEST(CharSets, OnlyPrintableAsciiIsReplaced)
{
    for (const auto& [designator, set] : CharSets::all()) {
        for (int b = 0; b < 256; ++b) {
            if (b >= 0x21 && b <= 0x7E)
                continue;
            EXPECT_FALSE(set.contains(static_cast<uint8_t>(b))) << designator << " " << b;
            EXPECT_EQ(set.map(static_cast<uint8_t>(b)), static_cast<char32_t>(b));
        }
    }
}

TEST(CharSets, GraphicsSetCoversBackquoteToTilde)
{
    const CharSet& graphics = *CharSets::find('0');
    for (int b = 0x60; b <= 0x7E; ++b)
        EXPECT_TRUE(graphics.contains(static_cast<uint8_t>(b))) << b;
    for (int b = 0x20; b < 0x60; ++b)
        EXPECT_FALSE(graphics.contains(static_cast<uint8_t>(b))) << b;
}

} // namespace
} // namespace corvel
