// The keyboard enhancement flags a child pushes, pops, sets and queries, kept
// apart for each screen.

#include <gtest/gtest.h>

#include <string>

#include "TerminalTestSupport.h"
#include "corvel/terminal/EscapeSequences.h"
#include "corvel/terminal/KittyKeyboardEncoder.h"

namespace corvel::test {
namespace {

class KeyboardMode : public ::testing::Test {
protected:
    KeyboardMode() : t(&host, sized(20, 5)) {}

    int flags() const { return t.keyboardEnhancementFlags().rawValue; }
    size_t depth() const { return t.keyboardModeStackDepth(); }
    std::string query()
    {
        host.sent.clear();
        t.feed("\x1b[?u");
        return host.replies();
    }

    RecordingDelegate host;
    Terminal t;
};

TEST_F(KeyboardMode, PushAndPopRestoreEarlierFlags)
{
    t.feed("\x1b[>1u\x1b[>3u\x1b[>27u");
    EXPECT_EQ(flags(), 27);
    EXPECT_EQ(depth(), 3u);
    t.feed("\x1b[<u");
    EXPECT_EQ(flags(), 3);
    t.feed("\x1b[<2u");
    EXPECT_EQ(flags(), 0);
    EXPECT_EQ(depth(), 0u);
}

TEST_F(KeyboardMode, PopOfSeveralTakesTheDeepestRemoved)
{
    t.feed("\x1b[>1u\x1b[>2u\x1b[>3u\x1b[<2u");
    EXPECT_EQ(flags(), 1);
    EXPECT_EQ(depth(), 1u);
    // 0 and 1 both pop one entry.
    t.feed("\x1b[>4u\x1b[<0u");
    EXPECT_EQ(flags(), 1);
}

TEST_F(KeyboardMode, ValuesAreMaskedToKnownFlags)
{
    t.feed("\x1b[>255u");
    EXPECT_EQ(flags(), 31);
    t.feed("\x1b[=32u");
    EXPECT_EQ(flags(), 0);
    t.feed("\x1b[=41u");
    EXPECT_EQ(flags(), 9);
    t.feed("\x1b[>u");
    EXPECT_EQ(flags(), 0);
}

TEST_F(KeyboardMode, StackKeepsSixteenDroppingTheOldest)
{
    for (int i = 1; i <= 17; ++i)
        t.feed("\x1b[>" + std::to_string(i) + "u");
    EXPECT_EQ(flags(), 17);
    EXPECT_EQ(depth(), 16u);
    // The initial 0 was dropped; the bottom entry is now the first pushed value.
    t.feed("\x1b[<16u");
    EXPECT_EQ(flags(), 1);
    EXPECT_EQ(depth(), 0u);

    for (int i = 1; i <= 17; ++i)
        t.feed("\x1b[>1u");
    t.feed("\x1b[<20u");
    EXPECT_EQ(flags(), 0);
    EXPECT_EQ(depth(), 0u);
}

TEST_F(KeyboardMode, SetAddsAndRemoves)
{
    struct Step {
        const char* sequence;
        int flags;
    };
    const Step steps[] = {
        {"\x1b[=5u", 5}, // set
        {"\x1b[=2;2u", 7}, // add
        {"\x1b[=1;3u", 6}, // remove
        {"\x1b[=5;4u", 6}, // unknown mode: nothing
        {"\x1b[=5;0u", 6}, // explicit 0 is an unknown mode too
        {"\x1b[=16;1u", 16}, // set again
        {"\x1b[=u", 0}, // nothing given: set to 0
    };
    for (const Step& step : steps) {
        t.feed(step.sequence);
        EXPECT_EQ(flags(), step.flags) << step.sequence + 1;
    }
    EXPECT_EQ(depth(), 0u);
}

TEST_F(KeyboardMode, QueryRepliesWithTheFlagsInUse)
{
    EXPECT_EQ(query(), "\x1b[?0u");
    t.feed("\x1b[=5u");
    EXPECT_EQ(query(), "\x1b[?5u");
    ASSERT_EQ(host.sent.size(), 1u);

    t.feed("\x1b G");
    EXPECT_EQ(query(), "\x9b?5u");
}

TEST_F(KeyboardMode, OtherMarkersAreNotKeyboardRequests)
{
    t.feed("\x1b[=5u");
    host.sent.clear();
    t.feed("\x1b[$u\x1b[>!u");
    EXPECT_EQ(flags(), 5);
    EXPECT_TRUE(host.sent.empty());
}

TEST_F(KeyboardMode, EachScreenKeepsItsOwn)
{
    t.feed("\x1b[>5u\x1b[>9u");
    t.feed("\x1b[?1049h");
    EXPECT_TRUE(t.isCurrentBufferAlternate());
    EXPECT_EQ(flags(), 0);
    EXPECT_EQ(query(), "\x1b[?0u");
    t.feed("\x1b[>1u");
    EXPECT_EQ(flags(), 1);

    t.feed("\x1b[?1049l");
    EXPECT_EQ(flags(), 9);
    EXPECT_EQ(depth(), 2u);
    t.feed("\x1b[<u");
    EXPECT_EQ(flags(), 5);
    // The alternate screen kept what was pushed there.
    t.feed("\x1b[?1049h");
    EXPECT_EQ(flags(), 1);
    EXPECT_EQ(depth(), 1u);
}

TEST_F(KeyboardMode, ResetsClearBothScreens)
{
    const char* resets[] = {"full reset", "setup"};
    for (const char* reset : resets) {
        t.feed("\x1b[>5u");
        t.feed("\x1b[?1049h\x1b[>3u\x1b[?1049l");
        if (std::string(reset) == "full reset")
            t.feed("\x1b"
                   "c");
        else
            t.setup(false);
        EXPECT_EQ(flags(), 0) << reset;
        EXPECT_EQ(depth(), 0u) << reset;
        t.feed("\x1b[?1049h");
        EXPECT_EQ(flags(), 0) << reset;
        EXPECT_EQ(depth(), 0u) << reset;
        t.feed("\x1b[?1049l");
    }
}

// The host reads the cursor mode from the terminal when it picks a sequence.
TEST_F(KeyboardMode, CursorKeysFollowTheApplicationCursorMode)
{
    auto up = [&] {
        KittyKeyboardEncoder encoder{t.keyboardEnhancementFlags(), t.modes().applicationCursor, false};
        KittyKeyEvent event;
        event.key = KittyKey::functional(KittyFunctionalKey::up);
        const auto bytes = encoder.encode(event);
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    };
    auto asText = [](std::span<const uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); };
    t.feed("\x1b[?1h");
    EXPECT_EQ(up(), asText(EscapeSequences::moveUpApp));
    t.feed("\x1b[?1l");
    EXPECT_EQ(up(), asText(EscapeSequences::moveUpNormal));
}

} // namespace
} // namespace corvel::test
