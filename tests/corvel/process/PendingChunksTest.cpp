#include "corvel/process/PendingChunks.h"

#include <gtest/gtest.h>

using corvel::PendingChunks;

namespace {

PendingChunks::Item chunk(std::size_t size, std::uint8_t fill)
{
    return {PendingChunks::Item::Kind::Data, std::vector<std::uint8_t>(size, fill), std::nullopt, 0};
}

TEST(PendingChunksTest, OnlyTheFirstPushAsksForADrain)
{
    PendingChunks pending(1000, 100);
    EXPECT_TRUE(pending.push(chunk(1, 'a')).scheduleDrain);
    EXPECT_FALSE(pending.push(chunk(1, 'b')).scheduleDrain);
    EXPECT_TRUE(pending.drainScheduled());

    EXPECT_EQ(pending.takeNext().item->bytes[0], 'a');
    // A push during the drain is picked up by that drain.
    EXPECT_FALSE(pending.push(chunk(1, 'c')).scheduleDrain);
    EXPECT_EQ(pending.takeNext().item->bytes[0], 'b');
    EXPECT_EQ(pending.takeNext().item->bytes[0], 'c');
    EXPECT_FALSE(pending.takeNext().item.has_value());
    EXPECT_FALSE(pending.drainScheduled());
    EXPECT_TRUE(pending.push(chunk(1, 'd')).scheduleDrain);
}

TEST(PendingChunksTest, CompactsAfter32ConsumedChunksAndKeepsOrder)
{
    PendingChunks pending(1 << 20, 1 << 10);
    for (int i = 0; i < 40; ++i)
        pending.push(chunk(1, static_cast<std::uint8_t>(i)));

    for (int i = 0; i < 31; ++i)
        ASSERT_EQ(pending.takeNext().item->bytes[0], i);
    EXPECT_EQ(pending.nextIndex(), 31u);
    EXPECT_EQ(pending.storedCount(), 40u);

    ASSERT_EQ(pending.takeNext().item->bytes[0], 31);
    EXPECT_EQ(pending.nextIndex(), 0u);
    EXPECT_EQ(pending.storedCount(), 8u);

    for (int i = 32; i < 40; ++i)
        ASSERT_EQ(pending.takeNext().item->bytes[0], i);
    EXPECT_FALSE(pending.takeNext().item.has_value());
    EXPECT_EQ(pending.storedCount(), 0u);
    EXPECT_EQ(pending.pendingBytes(), 0u);
    EXPECT_FALSE(pending.drainScheduled());
}

TEST(PendingChunksTest, PausesTheReaderAboveTheLimitUntilDrainedToTheLowMark)
{
    PendingChunks pending(250, 100);
    EXPECT_FALSE(pending.push(chunk(100, 'x')).pauseReader);
    EXPECT_FALSE(pending.push(chunk(100, 'x')).pauseReader);
    EXPECT_TRUE(pending.push(chunk(100, 'x')).pauseReader);
    EXPECT_TRUE(pending.readerPaused());
    EXPECT_EQ(pending.pendingBytes(), 300u);

    EXPECT_FALSE(pending.takeNext().resumeReader); // 200 left
    EXPECT_TRUE(pending.readerPaused());
    EXPECT_TRUE(pending.takeNext().resumeReader); // 100 left
    EXPECT_FALSE(pending.readerPaused());
    EXPECT_FALSE(pending.takeNext().resumeReader);
}

TEST(PendingChunksTest, MarkersKeepTheirPlaceAmongTheChunks)
{
    PendingChunks pending(1000, 100);
    pending.push(chunk(3, 'a'));
    pending.push({PendingChunks::Item::Kind::Exit, {}, 3, 7});
    pending.push(chunk(2, 'b'));
    auto data = pending.takeNext().item;
    ASSERT_TRUE(data);
    EXPECT_EQ(data->kind, PendingChunks::Item::Kind::Data);
    auto exit = pending.takeNext().item;
    ASSERT_TRUE(exit);
    EXPECT_EQ(exit->kind, PendingChunks::Item::Kind::Exit);
    EXPECT_EQ(exit->exitCode, 3);
    EXPECT_EQ(exit->run, 7u);
    EXPECT_EQ(pending.pendingBytes(), 2u);
}

} // namespace
