#include <gtest/gtest.h>

#include <string>

#include "corvel/model/CharData.h"
#include "corvel/model/TinyAtom.h"

namespace corvel {
namespace {

// The table is process-wide; every test starts by emptying it and never
// relies on the absolute value of the next handle.
class TinyAtomTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        TinyAtom::sweep([](uint16_t) { return false; });
    }
    void TearDown() override
    {
        TinyAtom::sweep([](uint16_t) { return false; });
    }

    static uint16_t after(uint16_t code) { return code >= TinyAtom::maxCode ? 1 : code + 1; }
};

TEST_F(TinyAtomTable, HandsOutIncreasingHandlesAndResolvesThem)
{
    auto a = TinyAtom::lookup("id=1;https://a.example");
    auto b = TinyAtom::lookup("id=2;https://b.example");
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->code, 0);
    EXPECT_EQ(b->code, after(a->code));
    EXPECT_EQ(a->target(), "id=1;https://a.example");
    EXPECT_EQ(TinyAtom{}.target(), std::nullopt);

    CharData cell;
    cell.setPayload(*b);
    EXPECT_TRUE(cell.hasPayload());
    EXPECT_EQ(cell.getPayload(), "id=2;https://b.example");

    TinyAtom::release(b->code);
    EXPECT_EQ(b->target(), std::nullopt);
    EXPECT_EQ(cell.getPayload(), std::nullopt);
}

TEST_F(TinyAtomTable, FullTableRefusesThenReusesReleasedHandles)
{
    std::size_t handedOut = 0;
    uint16_t some = 0;
    while (auto atom = TinyAtom::lookup("x" + std::to_string(handedOut))) {
        ++handedOut;
        some = atom->code;
        ASSERT_LE(handedOut, TinyAtom::maxCode);
    }
    EXPECT_EQ(handedOut, TinyAtom::maxCode);
    EXPECT_FALSE(TinyAtom::lookup("again").has_value());

    TinyAtom::release(some);
    auto reused = TinyAtom::lookup("reused");
    ASSERT_TRUE(reused.has_value());
    EXPECT_EQ(reused->code, some);
    EXPECT_EQ(reused->target(), "reused");
    EXPECT_FALSE(TinyAtom::lookup("full again").has_value());
}

TEST_F(TinyAtomTable, IdenticalPayloadsShareOneHandle)
{
    auto first = TinyAtom::lookup("id=1;https://a.example");
    auto other = TinyAtom::lookup("id=2;https://a.example");
    ASSERT_TRUE(first && other);
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(TinyAtom::lookup("id=1;https://a.example"), first);
    EXPECT_NE(other, first);
    EXPECT_EQ(TinyAtom::liveCount(), 2u);

    // Once released, the payload gets a handle of its own again.
    TinyAtom::release(first->code);
    auto again = TinyAtom::lookup("id=1;https://a.example");
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->target(), "id=1;https://a.example");
    EXPECT_EQ(TinyAtom::totalBytes(), 2 * std::string("id=1;https://a.example").size());
}

TEST_F(TinyAtomTable, PayloadsHeldTogetherAreBounded)
{
    const std::string big(1 << 20, 'u');
    int handed = 0;
    while (TinyAtom::lookup(std::to_string(handed) + big))
        ++handed;
    EXPECT_GT(handed, 0);
    EXPECT_LE(TinyAtom::totalBytes(), TinyAtom::maxTotalBytes);
    EXPECT_LT(handed, 20);
    // A small payload may still fit; once the bytes are released, big ones do again.
    TinyAtom::sweep([](uint16_t) { return false; });
    EXPECT_EQ(TinyAtom::totalBytes(), 0u);
    EXPECT_TRUE(TinyAtom::lookup(big).has_value());
}

TEST_F(TinyAtomTable, SweepKeepsOnlyHandlesInUse)
{
    auto keep = TinyAtom::lookup("keep");
    auto drop = TinyAtom::lookup("drop");
    ASSERT_TRUE(keep && drop);
    const uint16_t kept = keep->code;
    EXPECT_EQ(TinyAtom::sweep([kept](uint16_t code) { return code == kept; }), 1u);
    EXPECT_EQ(keep->target(), "keep");
    EXPECT_EQ(drop->target(), std::nullopt);
    EXPECT_EQ(TinyAtom::liveCount(), 1u);
    EXPECT_EQ(TinyAtom::totalBytes(), 4u);
    // The dropped payload's handle is gone, so it gets a new one.
    auto dropAgain = TinyAtom::lookup("drop");
    ASSERT_TRUE(dropAgain.has_value());
    EXPECT_EQ(dropAgain->target(), "drop");
}

} // namespace
} // namespace corvel
