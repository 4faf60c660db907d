// The fixed key sequences.

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <string_view>

#include "corvel/terminal/EscapeSequences.h"
#include "corvel/terminal/KittyKeyboardEncoder.h"

namespace corvel {
namespace {

std::string text(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

struct FixedSequence {
    const char* name;
    std::span<const uint8_t> bytes;
    std::string_view expected;
};

using ES = EscapeSequences;

TEST(EscapeSequences, FixedKeys)
{
    const FixedSequence cases[] = {
        {"newline", ES::cmdNewLine, "\n"},
        {"return", ES::cmdRet, "\r"},
        {"escape", ES::cmdEsc, "\x1b"},
        {"backspace", ES::cmdDel, "\x7f"},
        {"forward delete", ES::cmdDelKey, "\x1b[3~"},
        {"up", ES::moveUpNormal, "\x1b[A"},
        {"down", ES::moveDownNormal, "\x1b[B"},
        {"right", ES::moveRightNormal, "\x1b[C"},
        {"left", ES::moveLeftNormal, "\x1b[D"},
        {"up app", ES::moveUpApp, "\x1bOA"},
        {"down app", ES::moveDownApp, "\x1bOB"},
        {"right app", ES::moveRightApp, "\x1bOC"},
        {"left app", ES::moveLeftApp, "\x1bOD"},
        {"home", ES::moveHomeNormal, "\x1b[H"},
        {"end", ES::moveEndNormal, "\x1b[F"},
        {"home app", ES::moveHomeApp, "\x1bOH"},
        {"end app", ES::moveEndApp, "\x1bOF"},
        {"tab", ES::cmdTab, "\t"},
        {"back-tab", ES::cmdBackTab, "\x1b[Z"},
        {"page up", ES::cmdPageUp, "\x1b[5~"},
        {"page down", ES::cmdPageDown, "\x1b[6~"},
        {"insert", ES::cmdInsert, "\x1b[2~"},
        {"word left",
         ES::emacsBack,
         "\x1b"
         "b"},
        {"word right",
         ES::emacsForward,
         "\x1b"
         "f"},
        {"control left", ES::controlLeft, "\x1b[1;5D"},
        {"control right", ES::controlRight, "\x1b[1;5C"},
    };
    for (const FixedSequence& c : cases)
        EXPECT_EQ(text(c.bytes), c.expected) << c.name;
}

TEST(EscapeSequences, FunctionKeysSkipTheUnusedNumbers)
{
    const std::string_view expected[] = {
        "\x1bOP",
        "\x1bOQ",
        "\x1bOR",
        "\x1bOS",
        "\x1b[15~",
        "\x1b[17~",
        "\x1b[18~",
        "\x1b[19~",
        "\x1b[20~",
        "\x1b[21~",
        "\x1b[23~",
        "\x1b[24~",
    };
    ASSERT_EQ(ES::cmdF.size(), 12u);
    for (size_t i = 0; i < ES::cmdF.size(); ++i)
        EXPECT_EQ(text(ES::cmdF[i]), expected[i]) << "F" << i + 1;
}

// The traditional encoding under no flags agrees with the fixed table, so a
// key sends the same bytes whichever path the host takes. (F3 is the one
// exception: the encoder writes it in the tilde form, CSI 13 ~.)
TEST(EscapeSequences, AgreeWithTheEncoderWithoutFlags)
{
    struct Case {
        KittyFunctionalKey key;
        bool applicationCursor;
        std::span<const uint8_t> expected;
    };
    using K = KittyFunctionalKey;
    const Case cases[] = {
        {K::up, false, ES::moveUpNormal},
        {K::up, true, ES::moveUpApp},
        {K::down, false, ES::moveDownNormal},
        {K::down, true, ES::moveDownApp},
        {K::left, false, ES::moveLeftNormal},
        {K::left, true, ES::moveLeftApp},
        {K::right, false, ES::moveRightNormal},
        {K::right, true, ES::moveRightApp},
        {K::home, false, ES::moveHomeNormal},
        {K::home, true, ES::moveHomeApp},
        {K::end, false, ES::moveEndNormal},
        {K::end, true, ES::moveEndApp},
        {K::pageUp, false, ES::cmdPageUp},
        {K::pageDown, false, ES::cmdPageDown},
        {K::insert, false, ES::cmdInsert},
        {K::deleteKey, false, ES::cmdDelKey},
        {K::escape, false, ES::cmdEsc},
        {K::enter, false, ES::cmdRet},
        {K::tab, false, ES::cmdTab},
        {K::backspace, false, ES::cmdDel},
        {K::f1, false, ES::cmdF[0]},
        {K::f4, false, ES::cmdF[3]},
        {K::f5, false, ES::cmdF[4]},
        {K::f12, true, ES::cmdF[11]},
    };
    for (const Case& c : cases) {
        KittyKeyboardEncoder encoder{{}, c.applicationCursor, false};
        KittyKeyEvent event;
        event.key = KittyKey::functional(c.key);
        const auto bytes = encoder.encode(event);
        ASSERT_TRUE(bytes) << static_cast<int>(c.key);
        EXPECT_EQ(text(*bytes), text(c.expected)) << static_cast<int>(c.key) << " app " << c.applicationCursor;
    }
}

} // namespace
} // namespace corvel
