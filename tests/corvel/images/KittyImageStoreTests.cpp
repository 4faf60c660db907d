#include "corvel/images/KittyGraphicsHandler.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

using testing::base64;

KittyPlacementRecord placementRecord(uint32_t imageId, uint32_t placementId, bool isVirtual)
{
    KittyPlacementRecord record;
    record.imageId = imageId;
    record.placementId = placementId;
    record.isVirtual = isVirtual;
    return record;
}

// Raw RGBA images whose byte size is 4 × width, under a small cache limit.
class KittyImageStore : public testing::KittyFixtureBase, public ::testing::Test {
protected:
    void SetUp() override { host.cacheLimit = 100; }

    void store(const std::string& ids, int width)
    {
        send("a=t," + ids + ",s=" + std::to_string(width) + ",v=1;" + base64(std::string(size_t(width) * 4, 'p')));
    }

    std::vector<uint32_t> storedIds() const
    {
        std::vector<uint32_t> ids;
        for (const auto& [id, image] : state.imagesById)
            ids.push_back(id);
        std::sort(ids.begin(), ids.end());
        return ids;
    }
};

TEST_F(KittyImageStore, EvictsTheOlderImageToMakeRoom)
{
    store("i=1", 15); // 60 bytes
    store("i=2", 12); // 48 bytes
    EXPECT_EQ(storedIds(), std::vector<uint32_t>{2});
    EXPECT_EQ(state.totalImageBytes, 48);
}

TEST_F(KittyImageStore, LeastRecentlyUsedGoesFirst)
{
    store("i=1", 10);
    store("i=2", 10);
    store("i=3", 2);
    send("a=p,i=1"); // refreshes image 1
    store("i=4", 5); // 40 + 40 + 8 + 20 = 108
    EXPECT_EQ(storedIds(), (std::vector<uint32_t>{1, 3, 4}));
}

TEST_F(KittyImageStore, ImagesInUseSurviveTheFirstPass)
{
    host.idsOnLines = {1};
    store("i=1", 10);
    store("i=2", 5);
    store("i=3", 10); // 40 + 20 + 40
    store("i=4", 5); // over: 2 goes (not in use, oldest), then within the limit
    EXPECT_EQ(storedIds(), (std::vector<uint32_t>{1, 3, 4}));
    store("i=5", 5); // over again: 3 goes, image 1 stays although older
    EXPECT_EQ(storedIds(), (std::vector<uint32_t>{1, 4, 5}));
}

TEST_F(KittyImageStore, SecondPassEvictsImagesInUseWhenNeeded)
{
    host.idsOnLines = {1, 2};
    state.placementsByKey[{3, 1}] = placementRecord(3, 1, false);
    store("i=1", 15);
    store("i=2", 15); // 120 bytes, all in use
    EXPECT_EQ(storedIds(), std::vector<uint32_t>{2});
}

TEST_F(KittyImageStore, OversizedImageIsShownButNotKept)
{
    store("i=1", 5);
    host.replies.clear();
    send("a=T,i=9,s=30,v=1;" + base64(std::string(120, 'p')));
    ASSERT_EQ(host.displays.size(), 1u);
    EXPECT_EQ(host.displays[0].imageId, 9u);
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("Gi=9;OK")});
    EXPECT_TRUE(storedIds().empty());
    host.replies.clear();
    send("a=p,i=9");
    EXPECT_EQ(host.replies, std::vector<std::string>{reply("Gi=9;ENOENT: image not found")});
}

TEST_F(KittyImageStore, LimitOfZeroOrBelowEmptiesTheStore)
{
    for (int64_t limit : {int64_t{0}, int64_t{-5}}) {
        host.cacheLimit = limit;
        host.idsOnLines = {1};
        store("i=1", 1);
        EXPECT_TRUE(storedIds().empty()) << limit;
        EXPECT_EQ(state.totalImageBytes, 0);
    }
    EXPECT_EQ(KittyGraphicsState::effectiveCacheLimit(INT64_MAX), KittyGraphicsState::maximumCacheLimitBytes);
}

TEST_F(KittyImageStore, SameIdReplacesAndCountsOnce)
{
    store("i=7", 10);
    store("i=7", 3);
    EXPECT_EQ(storedIds(), std::vector<uint32_t>{7});
    EXPECT_EQ(state.totalImageBytes, 12);
}

TEST_F(KittyImageStore, NumbersGetConsecutiveIdsAndFollowTheLatest)
{
    store("I=3", 1);
    store("I=3", 2);
    EXPECT_EQ(storedIds(), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(state.imageNumbers.at(3), 2u);
    EXPECT_EQ(state.nextImageId, 3u);

    store("i=1", 3); // replaces the first numbered image
    store("I=4", 1); // id 3
    store("i=3", 4);
    EXPECT_EQ(state.imageNumbers.at(4), 3u);
    EXPECT_EQ(state.imagesById.at(3).byteSize, 16);
}

TEST_F(KittyImageStore, AssignedIdsWrapAtTheTop)
{
    state.nextImageId = UINT32_MAX;
    store("I=1", 1);
    EXPECT_TRUE(state.imagesById.contains(UINT32_MAX));
    EXPECT_EQ(state.nextImageId, 0u);
}

TEST_F(KittyImageStore, EvictionRemovesTheImagesNumbers)
{
    store("I=8", 20);
    store("I=9", 10);
    EXPECT_FALSE(state.imageNumbers.contains(8));
    EXPECT_EQ(state.imageNumbers.at(9), 2u);
}

TEST_F(KittyImageStore, CleanupKeepsImagesOnLinesAndInPlacements)
{
    store("i=1", 1);
    store("i=2", 1);
    store("i=3", 1);
    host.idsOnLines = {1};
    state.placementsByKey[{2, 1}] = placementRecord(2, 1, true);
    KittyGraphicsHandler(state, host).cleanupUnusedKittyImages();
    EXPECT_EQ(storedIds(), (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(state.totalImageBytes, 8);
}

TEST_F(KittyImageStore, LookupStampsOnlyStoredImages)
{
    store("i=1", 1);
    const uint64_t tick = state.nextImageAccessTick;
    EXPECT_EQ(state.updateImageAccess(5), nullptr);
    EXPECT_EQ(state.nextImageAccessTick, tick);
    ASSERT_NE(state.updateImageAccess(1), nullptr);
    EXPECT_EQ(state.imagesById.at(1).lastAccessTick, tick);
    EXPECT_EQ(state.nextImageAccessTick, tick + 1);
}

TEST_F(KittyImageStore, ClearingAllKeepsCountersAndPendingTransfer)
{
    store("I=1", 1);
    send("a=t,i=5,s=1,v=1,m=1;AAAA");
    state.clearAllImages();
    EXPECT_TRUE(storedIds().empty());
    EXPECT_EQ(state.totalImageBytes, 0);
    EXPECT_EQ(state.nextImageAccessTick, 1u);
    EXPECT_EQ(state.nextImageId, 2u);
    EXPECT_TRUE(state.pending);
}

} // namespace
} // namespace corvel
