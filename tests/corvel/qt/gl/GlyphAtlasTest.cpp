#include <gtest/gtest.h>

#include <vector>

#include "GlTestSupport.h"
#include "corvel/qt/gl/GlyphAtlas.h"

namespace corvel {
namespace {

using test::FakeDevice;

TEST(GlyphAtlasTest, CreationRaisesSmallSizesAndMaximums)
{
    struct Case {
        int size, maxSize, expectedSize, expectedMax;
    };
    for (const Case c : {Case{100, 50, 256, 256}, Case{256, 2048, 256, 2048}, Case{1024, 512, 1024, 1024}}) {
        FakeDevice device;
        const auto atlas = GlyphAtlas::create(device, c.size, c.maxSize, GpuTextureFormat::r8);
        ASSERT_TRUE(atlas);
        EXPECT_EQ(atlas->size(), c.expectedSize);
        EXPECT_EQ(atlas->maxSize(), c.expectedMax);
        EXPECT_EQ(atlas->data().size(), size_t(c.expectedSize) * c.expectedSize);
        EXPECT_TRUE(device.uploads.empty());
    }
    FakeDevice refusing;
    refusing.maxTextureSize = 128;
    EXPECT_FALSE(GlyphAtlas::create(refusing, 256, 256, GpuTextureFormat::bgra8));
}

TEST(GlyphAtlasTest, RegionsArePackedOnShelves)
{
    FakeDevice device;
    auto atlas = GlyphAtlas::create(device, 256, 256, GpuTextureFormat::r8);
    // 25 regions of 10 × 20 fill the first shelf; the 26th starts a new one.
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(atlas->ensureRegion(10, 20), (AtlasRegion{10 * i, 0, 10, 20})) << i;
    EXPECT_EQ(atlas->ensureRegion(10, 20), (AtlasRegion{0, 20, 10, 20}));
    // A taller region raises the shelf; the next shelf starts below it.
    EXPECT_EQ(atlas->ensureRegion(6, 30), (AtlasRegion{10, 20, 6, 30}));
    EXPECT_EQ(atlas->ensureRegion(250, 5), (AtlasRegion{0, 50, 250, 5}));
}

TEST(GlyphAtlasTest, GrowsKeepingEarlierRegionsAndTheirPixels)
{
    FakeDevice device;
    auto atlas = GlyphAtlas::create(device, 1024, 2048, GpuTextureFormat::r8);
    const std::vector<uint8_t> white(40 * 4, 255);
    const AtlasRegion first = *atlas->ensureRegion(10, 4);
    atlas->write(first, white.data(), 10, 4);
    // Fill shelves of 40 rows down to row 1000.
    for (int y = 4; y < 1000; y += 40)
        ASSERT_TRUE(atlas->ensureRegion(1024, 40));
    const AtlasRegion grown = *atlas->ensureRegion(1024, 30);
    EXPECT_EQ(atlas->size(), 2048);
    EXPECT_FALSE(atlas->didReset());
    EXPECT_EQ(grown.y, 1004);
    // The old pixels keep their coordinates, and the whole copy was uploaded.
    EXPECT_EQ(atlas->data()[0], 255);
    EXPECT_EQ(atlas->data()[size_t(3) * 2048 + 9], 255);
    EXPECT_EQ(atlas->data()[size_t(3) * 2048 + 10], 0);
    EXPECT_EQ(device.uploads.back().rect, QRect(0, 0, 2048, 2048));
    EXPECT_EQ(device.texturesMade, 2);
}

TEST(GlyphAtlasTest, AFullAtlasAtItsMaximumEmptiesItself)
{
    FakeDevice device;
    auto atlas = GlyphAtlas::create(device, 256, 256, GpuTextureFormat::r8);
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(atlas->ensureRegion(256, 32));
    const auto region = atlas->ensureRegion(16, 16);
    EXPECT_TRUE(atlas->didReset());
    EXPECT_EQ(region, (AtlasRegion{0, 0, 16, 16}));
    EXPECT_EQ(atlas->size(), 256);
    EXPECT_EQ(device.texturesMade, 1);
    EXPECT_TRUE(atlas->ensureRegion(16, 16));
    EXPECT_FALSE(atlas->didReset());
}

TEST(GlyphAtlasTest, RequestsThatCanNeverFitYieldNothing)
{
    FakeDevice device;
    auto atlas = GlyphAtlas::create(device, 1024, 2048, GpuTextureFormat::r8);
    EXPECT_FALSE(atlas->ensureRegion(3000, 10));
    EXPECT_FALSE(atlas->ensureRegion(10, 3000));
    EXPECT_FALSE(atlas->ensureRegion(0, 10));
    EXPECT_EQ(atlas->size(), 1024);
    EXPECT_EQ(atlas->ensureRegion(5, 5), (AtlasRegion{0, 0, 5, 5}));
}

TEST(GlyphAtlasTest, WritesStoreTheBottomRowFirstAndTheGreyAtlasKeepsAlphaOnly)
{
    // A 2 × 2 bitmap, B G R A per pixel, top row first.
    const std::vector<uint8_t> pixels = {1,
                                         2,
                                         3,
                                         10,
                                         4,
                                         5,
                                         6,
                                         20, //
                                         7,
                                         8,
                                         9,
                                         30,
                                         1,
                                         1,
                                         1,
                                         40};
    FakeDevice device;
    auto grey = GlyphAtlas::create(device, 256, 256, GpuTextureFormat::r8);
    const AtlasRegion region = *grey->ensureRegion(3, 1);
    const AtlasRegion glyph = *grey->ensureRegion(2, 2);
    grey->write(glyph, pixels.data(), 2, 2);
    EXPECT_EQ(grey->data()[3], 30);
    EXPECT_EQ(grey->data()[4], 40);
    EXPECT_EQ(grey->data()[256 + 3], 10);
    EXPECT_EQ(grey->data()[256 + 4], 20);
    EXPECT_EQ(device.uploads.back().rect, QRect(3, 0, 2, 2));
    EXPECT_EQ(device.uploads.back().bytesPerRow, 256);
    // A size that differs from the region is ignored.
    const size_t uploads = device.uploads.size();
    grey->write(region, pixels.data(), 2, 2);
    EXPECT_EQ(device.uploads.size(), uploads);

    auto colour = GlyphAtlas::create(device, 256, 256, GpuTextureFormat::bgra8);
    colour->write(*colour->ensureRegion(2, 2), pixels.data(), 2, 2);
    EXPECT_EQ(std::vector<uint8_t>(colour->data().begin(), colour->data().begin() + 8),
              std::vector<uint8_t>(pixels.begin() + 8, pixels.end()));
    EXPECT_EQ(device.uploads.back().bytesPerRow, 256 * 4);
}

} // namespace
} // namespace corvel
