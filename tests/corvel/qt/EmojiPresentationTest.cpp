#include <gtest/gtest.h>

#include <string>

#include "corvel/qt/EmojiPresentation.h"

namespace corvel {
namespace {

TEST(EmojiPresentation, PicturesAreWidePictographsFlagsAndSequencesThatAskForThem)
{
    struct Case {
        const char* name;
        std::u32string text;
        int columns;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"grinning face", U"\U0001F600", 2, true},
        {"watch", U"\u231A", 2, true},
        {"skin tone", U"\U0001F44D\U0001F3FD", 2, true},
        {"flag", U"\U0001F1EB\U0001F1F7", 2, true},
        {"heart asks for emoji", U"\u2764\uFE0F", 2, true},
        {"keycap", U"1\uFE0F\u20E3", 2, true},
        {"family sequence", U"\U0001F468\u200D\U0001F469\u200D\U0001F467", 2, true},
        {"smiley asks for text", U"\u263A\uFE0E", 1, false},
        {"grinning face asks for text", U"\U0001F600\uFE0E", 2, false},
        {"narrow pictograph", U"\u263A", 1, false},
        {"ideograph", U"\u6F22", 2, false},
        {"letter", U"a", 1, false},
        {"nothing", U"", 2, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hasEmojiPresentation(c.text, c.columns), c.expected) << c.name;
}

} // namespace
} // namespace corvel
