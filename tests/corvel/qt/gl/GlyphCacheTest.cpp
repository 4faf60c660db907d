#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QRawFont>

#include "GlTestSupport.h"
#include "corvel/qt/gl/GlyphRasterizer.h"
#include "corvel/qt/gl/GlyphStore.h"

namespace corvel {
namespace {

using test::FakeDevice;

uint32_t glyphOf(const QRawFont& font, char32_t c)
{
    const QList<quint32> glyphs = font.glyphIndexesForString(QString::fromUcs4(&c, 1));
    return glyphs.isEmpty() ? 0 : glyphs.front();
}

// Alpha at a pixel of the cell (custom glyphs have a margin around it).
int alphaAt(const GlyphBitmap& bitmap, int x, int y)
{
    const int m = bitmap.bearing.x() < 0 ? GlyphRasterizer::customGlyphMargin : 0;
    return bitmap.pixels[(size_t(y + m) * bitmap.width + x + m) * 4 + 3];
}

TEST(GlyphRasterizerTest, SpacesHaveNoBitmapLettersAreGreyEmojiAreColour)
{
    const QRawFont font = QRawFont::fromFont(test::glTestFont());
    EXPECT_FALSE(GlyphRasterizer::rasterize(font, glyphOf(font, U' ')));
    const auto letter = GlyphRasterizer::rasterize(font, glyphOf(font, U'W'));
    ASSERT_TRUE(letter);
    EXPECT_FALSE(letter->isColor);
    EXPECT_GE(letter->width, 8);
    EXPECT_GE(letter->height, 8);
    // The bitmap starts a pixel below the baseline for a letter without a descender.
    EXPECT_EQ(letter->bearing.y(), -1);

    ASSERT_TRUE(QFontDatabase::hasFamily(QStringLiteral("Noto Color Emoji"))) << "fonts-noto-color-emoji is missing";
    QFont emojiFont(QStringLiteral("Noto Color Emoji"));
    emojiFont.setPixelSize(32);
    const QRawFont emoji = QRawFont::fromFont(emojiFont);
    const auto face = GlyphRasterizer::rasterize(emoji, glyphOf(emoji, U'\U0001F600'));
    ASSERT_TRUE(face);
    EXPECT_TRUE(face->isColor);
}

TEST(GlyphRasterizerTest, BlockElementsFillTheirEighthsWithTheirAlpha)
{
    // Full block, lower half, light shade on a 9 × 17 cell at scale 1.
    const auto full = GlyphRasterizer::rasterizeCustom(0x2588, 9, 17, 1, 0, false, {});
    ASSERT_TRUE(full);
    EXPECT_EQ(alphaAt(*full, 0, 0), 255);
    EXPECT_EQ(alphaAt(*full, 8, 16), 255);
    const auto lower = GlyphRasterizer::rasterizeCustom(0x2584, 9, 17, 1, 0, false, {});
    // The half starts at 8.5 pixels: widened to row 8 without antialiasing.
    EXPECT_EQ(alphaAt(*lower, 4, 7), 0);
    EXPECT_EQ(alphaAt(*lower, 4, 8), 255);
    const auto smooth = GlyphRasterizer::rasterizeCustom(0x2584, 9, 17, 1, 0, true, {});
    EXPECT_GT(alphaAt(*smooth, 4, 8), 0);
    EXPECT_LT(alphaAt(*smooth, 4, 8), 255);
    const auto light = GlyphRasterizer::rasterizeCustom(0x2591, 9, 17, 1, 0, false, {});
    EXPECT_NEAR(alphaAt(*light, 4, 4), 64, 1);
    EXPECT_FALSE(full->isColor);
}

TEST(GlyphRasterizerTest, CustomGlyphsTakeTheLinesStretch)
{
    const auto plain = GlyphRasterizer::rasterizeCustom(0x2502, 9, 17, 1, 1, false, {});
    const auto wide = GlyphRasterizer::rasterizeCustom(0x2502, 9, 17, 1, 1, false, {2, 1});
    const auto tall = GlyphRasterizer::rasterizeCustom(0x2502, 9, 17, 1, 1, false, {2, 2});
    ASSERT_TRUE(plain && wide && tall);
    constexpr int m = 2 * GlyphRasterizer::customGlyphMargin;
    EXPECT_EQ(wide->width, 18 + m);
    EXPECT_EQ(wide->height, 17 + m);
    EXPECT_EQ(tall->height, 34 + m);
    // The vertical stroke keeps its place, twice as wide.
    for (int x = 0; x < 9; ++x) {
        EXPECT_EQ(alphaAt(*wide, 2 * x, 5), alphaAt(*plain, x, 5)) << x;
        EXPECT_EQ(alphaAt(*wide, 2 * x + 1, 5), alphaAt(*plain, x, 5)) << x;
    }
    EXPECT_FALSE(GlyphRasterizer::rasterizeCustom(U'A', 9, 17, 1, 1, false, {}));
    EXPECT_FALSE(GlyphRasterizer::rasterizeCustom(0x2588, 0, 17, 1, 1, false, {}));
}

TEST(ShaperCacheTest, KeepsTextsInFirstShapedOrderAndEvictsTheOldest)
{
    ShaperCache cache(3);
    const QFont font = test::glTestFont();
    const auto ab = cache.shape(QStringLiteral("ab"), font);
    ASSERT_TRUE(ab);
    EXPECT_EQ(ab->glyphCount, 2);
    EXPECT_EQ(cache.shape(QStringLiteral("ab"), font), ab);
    EXPECT_EQ(cache.shapedCount(), 1u);
    cache.shape(QStringLiteral("c"), font);
    cache.shape(QStringLiteral("d"), font);
    // Storing "ab" again keeps its first place in the order.
    cache.insert(ShaperCache::keyOf(QStringLiteral("ab"), font), ab);
    EXPECT_FALSE(cache.shape(QString(), font));
    cache.shape(QStringLiteral("e"), font);
    EXPECT_FALSE(cache.contains(QStringLiteral("ab"), font));
    EXPECT_TRUE(cache.contains(QStringLiteral("e"), font));
    EXPECT_LE(cache.size(), 3u);
    cache.shape(QStringLiteral("ab"), font);
    EXPECT_EQ(cache.shapedCount(), 5u);
}

TEST(ShaperCacheTest, RecordsTheFallbackFontOfAStretch)
{
    ShaperCache cache;
    const auto run = cache.shape(QStringLiteral("a\U0001F600"), test::glTestFont());
    ASSERT_TRUE(run);
    ASSERT_EQ(run->glyphRuns.size(), 2u);
    EXPECT_EQ(run->glyphRuns[0].font.familyName(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_NE(run->glyphRuns[1].font.familyName(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_NE(run->glyphRuns[1].glyphs.front(), 0u);
}

class GlyphStoreTest : public ::testing::Test {
protected:
    FakeDevice device;
    std::unique_ptr<GlyphStore> store = GlyphStore::create(device, 256, 512);
    QRawFont font = QRawFont::fromFont(test::glTestFont());
};

TEST_F(GlyphStoreTest, GlyphsAreRasterisedOncePerFontSizeAndGlyph)
{
    const auto w = store->glyphEntry(font, glyphOf(font, U'W'));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->atlasKind, GlyphAtlasKind::grayscale);
    const size_t uploads = device.uploads.size();
    EXPECT_EQ(store->glyphEntry(font, glyphOf(font, U'W'))->region, w->region);
    EXPECT_EQ(device.uploads.size(), uploads);
    EXPECT_FALSE(store->glyphEntry(font, glyphOf(font, U' ')));
    EXPECT_EQ(store->glyphCount(), 1u);
    const QRawFont& doubled = store->scaledFont(font, 2);
    EXPECT_EQ(doubled.pixelSize(), 28);
    EXPECT_EQ(&store->scaledFont(font, 2), &doubled);
    EXPECT_GT(store->glyphEntry(doubled, glyphOf(font, U'W'))->size.height(), w->size.height());
    // Widened for a double-width line: an entry of its own, about twice as
    // wide (its one-pixel border is not widened) and as tall.
    const auto wide = store->glyphEntry(font, glyphOf(font, U'W'), 2);
    ASSERT_TRUE(wide);
    EXPECT_NE(wide->region, w->region);
    EXPECT_NEAR(wide->size.width() - 2, 2 * (w->size.width() - 2), 2);
    EXPECT_EQ(wide->size.height(), w->size.height());
}

TEST_F(GlyphStoreTest, CustomGlyphsAreKeyedByRoundedScale)
{
    const auto a = store->customGlyphEntry(0x2588, 18, 34, 1.6, 0, false);
    const auto b = store->customGlyphEntry(0x2588, 18, 34, 2.4, 0, false);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->region, b->region);
    EXPECT_EQ(store->customGlyphCount(), 1u);
    EXPECT_FALSE(store->customGlyphEntry(U'A', 9, 17, 1, 0, false));
}

TEST_F(GlyphStoreTest, AnAtlasChangeDropsEveryCachedGlyph)
{
    ASSERT_TRUE(store->glyphEntry(font, glyphOf(font, U'W')));
    ASSERT_TRUE(store->customGlyphEntry(0x2588, 9, 17, 1, 0, false));
    const uint64_t generation = store->atlasGeneration();
    // Big custom glyphs fill the grey atlas until it grows.
    for (int i = 0; i < 4 && store->atlasGeneration() == generation; ++i)
        ASSERT_TRUE(store->customGlyphEntry(0x2588, 200, 200 + i, 1, 0, false));
    EXPECT_EQ(store->grayscaleAtlas().size(), 512);
    EXPECT_GT(store->atlasGeneration(), generation);
    EXPECT_EQ(store->glyphCount(), 0u);
    EXPECT_EQ(store->customGlyphCount(), 1u);
}

} // namespace
} // namespace corvel
