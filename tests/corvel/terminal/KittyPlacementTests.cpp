#include "KittyTestHost.h"

#include "corvel/images/ImageTestSupport.h"
#include "corvel/images/KittyPlacementContext.h"

#include <gtest/gtest.h>

namespace corvel::test {
namespace {

class KittyPlacementTest : public KittyTerminalFixture, public ::testing::Test {};

struct CursorCase {
    std::string name;
    std::string keys; // besides a=T,i=1
    int width;
    int height;
    std::pair<int, int> start;
    std::pair<int, int> expected;
};

class KittyCursorTest : public KittyTerminalFixture, public ::testing::TestWithParam<CursorCase> {};

TEST_P(KittyCursorTest, CursorEndsAfterTheCoveredCells)
{
    const CursorCase& c = GetParam();
    moveTo(c.start.first, c.start.second);
    terminal.feed(kittyPixels("a=T,i=1,q=2" + c.keys, c.width, c.height));
    EXPECT_EQ(cursor(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Placements, KittyCursorTest,
                         ::testing::Values(
                             // 25 × 30 pixels on 10 × 20 cells: 3 columns, 2 rows.
                             CursorCase{"NaturalSize", "", 25, 30, {2, 1}, {5, 3}},
                             // The pixel offset widens the covered area.
                             CursorCase{"OffsetAddsAColumn", ",X=6", 25, 30, {2, 1}, {6, 3}},
                             // X past the cell is clamped to 9: (25 + 9) / 10 rounds up to 4.
                             CursorCase{"OffsetClampedToCell", ",X=15", 25, 30, {2, 1}, {6, 3}},
                             // Both c and r: exactly that many cells, whatever the pixels.
                             CursorCase{"ColumnsAndRows", ",c=4,r=2", 3, 3, {1, 1}, {5, 3}},
                             // c only keeps the aspect: 60 × 30 at 30 pixels wide is 15 high, one row.
                             CursorCase{"ColumnsKeepAspect", ",c=3", 60, 30, {0, 0}, {3, 1}},
                             // C=1 leaves the cursor where it was.
                             CursorCase{"CursorPolicyStays", ",C=1,c=4,r=2", 5, 5, {3, 4}, {3, 4}},
                             // Past the right edge the cursor stops at the last column.
                             CursorCase{"ClampedRight", ",c=8,r=1", 5, 5, {15, 0}, {19, 1}},
                             // Three rows from the bottom row scroll the screen; the cursor stays on the last row.
                             CursorCase{"BottomRowScrolls", ",c=2,r=3", 5, 5, {0, 9}, {2, 9}},
                             // Sizes from the wire that overflow every integer are clamped.
                             CursorCase{
                                 "HugeRequest", ",c=9223372036854775807,r=9223372036854775807", 5, 5, {4, 4}, {19, 9}}),
                         [](const auto& info) { return info.param.name; });

TEST_F(KittyPlacementTest, WithoutCellSizeTheCursorMovesOnlyForExplicitCells)
{
    host.reportsCellSize = false;
    terminal.feed(kittyPixels("a=T,i=1,q=2", 25, 30));
    // The host still draws: two strips and two line feeds, then the cursor
    // goes to the right of the picture on the line below it.
    EXPECT_EQ(cursor(), (std::pair{3, 2}));

    moveTo(0, 8);
    terminal.feed(kittyPixels("a=T,i=2,q=2,c=2,r=3", 5, 5));
    // Three line feeds from row 8 scroll once.
    EXPECT_EQ(cursor(), (std::pair{2, 9}));
}

TEST_F(KittyPlacementTest, WithoutAHostTheCursorStillMovesOverExplicitCells)
{
    terminal.setDelegate(nullptr);
    moveTo(1, 1);
    terminal.feed(kittyPixels("a=T,i=1,c=3,r=2", 4, 4));
    EXPECT_EQ(cursor(), (std::pair{4, 3}));
    terminal.feed(kittyPixels("a=T,i=2", 40, 40));
    EXPECT_EQ(cursor(), (std::pair{4, 3}));
    EXPECT_TRUE(stripsOn(terminal.buffer()).empty());
    EXPECT_TRUE(store().imagesById.contains(2));
    terminal.setDelegate(&host);
}

TEST_F(KittyPlacementTest, SixelPicturesBecomeStripsThatAreNoKittyPlacement)
{
    moveTo(3, 2);
    // Two columns of six red pixels in palette colour 1 (the default red).
    terminal.feed("\x1bPq#1~~\x1b\\");
    EXPECT_EQ(replies(), "");
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].width, 2);
    EXPECT_EQ(host.shown[0].height, 6);
    const Color& red = terminal.defaultAnsiColors()[1];
    EXPECT_EQ(host.shown[0].pixels[0], red.red >> 8);
    const std::vector<PlacedStrip> strips = stripsOn(terminal.buffer());
    ASSERT_EQ(strips.size(), 1u);
    EXPECT_EQ(strips[0].line, 2);
    EXPECT_FALSE(strips[0].strip->kittyIsKitty);
    // Without a Kitty placement the cursor stays below the picture in its column.
    EXPECT_EQ(cursor(), (std::pair{3, 3}));
    // Kitty deletion leaves it alone.
    terminal.feed(kitty("a=d,d=A"));
    EXPECT_EQ(stripsOn(terminal.buffer()).size(), 1u);
}

TEST_F(KittyPlacementTest, StripsSitOnTheLinesBelowTheCursorWithThePlacement)
{
    moveTo(4, 2);
    terminal.feed(kittyPixels("a=T,i=7,p=3,z=-1,q=2", 25, 50));
    Buffer& screen = terminal.buffer();
    std::vector<PlacedStrip> strips = stripsOn(screen);
    ASSERT_EQ(strips.size(), 3u);
    for (size_t i = 0; i < strips.size(); ++i) {
        const ImageStrip& strip = *strips[i].strip;
        EXPECT_EQ(strips[i].line, screen.yBase() + 2 + static_cast<int>(i));
        EXPECT_EQ(strip.col(), 4);
        EXPECT_EQ(strip.pixelWidth(), 25);
        EXPECT_EQ(strip.pixelHeight(), 20);
        EXPECT_TRUE(strip.kittyIsKitty);
        EXPECT_EQ(strip.kittyImageId, 7u);
        EXPECT_EQ(strip.kittyPlacementId, 3u);
        EXPECT_EQ(strip.kittyZIndex, -1);
        EXPECT_EQ(strip.kittyRow, screen.yBase() + 2);
        EXPECT_EQ(strip.kittyCols, 3);
        EXPECT_EQ(strip.kittyRows, 3);
        EXPECT_DOUBLE_EQ(strip.sourceTop, 20.0 * static_cast<double>(i));
    }
    ASSERT_TRUE(hasRecord(7, 3));
    const KittyPlacementRecord& record = store().placementsByKey.at({7, 3});
    EXPECT_EQ(record.row, screen.yBase() + 2);
    EXPECT_EQ(record.col, 4);
    EXPECT_EQ(record.rows, 3);
    EXPECT_FALSE(record.isVirtual);
    EXPECT_EQ(terminal.kittyPlacementHost().placementContext(), nullptr);
}

TEST_F(KittyPlacementTest, PlacingAgainUnderTheSameKeyReplacesThePlacement)
{
    terminal.feed(kittyPixels("a=T,i=7,p=3,q=2", 10, 40));
    moveTo(10, 5);
    terminal.feed(kitty("a=p,i=7,p=3,q=2"));
    std::vector<int> lines = linesOf(terminal.buffer(), 7, 3);
    EXPECT_EQ(lines, (std::vector<int>{5, 6}));
    EXPECT_EQ(store().placementsByKey.at({7, 3}).col, 10);
}

TEST_F(KittyPlacementTest, OkRepliesNameTheIdsOfTheCommand)
{
    terminal.feed(kittyPixels("a=t,I=5", 2, 2));
    EXPECT_EQ(replies(), "\x1b_Gi=1,I=5;OK\x1b\\");
    clearReplies();
    terminal.feed(kitty("a=p,I=5,i=9,p=4"));
    EXPECT_EQ(replies(), "\x1b_Gi=1,I=5,p=4;OK\x1b\\");
    clearReplies();
    terminal.feed(kitty("a=p,i=9"));
    EXPECT_EQ(replies(), "\x1b_Gi=9;ENOENT: image not found\x1b\\");
    clearReplies();
    // No ids: shown, not stored, no OK.
    terminal.feed(kittyPixels("a=T", 2, 2));
    EXPECT_EQ(replies(), "");
    EXPECT_EQ(host.shown.size(), 2u);
}

struct CropCase {
    std::string name;
    std::string keys;
    int expectedWidth;
    int expectedHeight;
    int firstRed; // red channel (column) of the first pixel shown
    int firstGreen; // green channel (row) of the first pixel shown
};

class KittyCropTest : public KittyTerminalFixture, public ::testing::TestWithParam<CropCase> {};

TEST_P(KittyCropTest, CropsTheRawPixels)
{
    const CropCase& c = GetParam();
    terminal.feed(kittyPixels("a=T,i=6,q=2" + c.keys, 10, 10));
    ASSERT_EQ(host.shown.size(), 1u);
    const StripHost::Shown& shown = host.shown[0];
    EXPECT_EQ(shown.width, c.expectedWidth);
    EXPECT_EQ(shown.height, c.expectedHeight);
    ASSERT_EQ(shown.pixels.size(), static_cast<size_t>(c.expectedWidth * c.expectedHeight * 4));
    EXPECT_EQ(shown.pixels[0], c.firstRed);
    EXPECT_EQ(shown.pixels[1], c.firstGreen);
    // The last pixel of the first row.
    EXPECT_EQ(shown.pixels[(c.expectedWidth - 1) * 4], c.firstRed + c.expectedWidth - 1);
}

INSTANTIATE_TEST_SUITE_P(Placements, KittyCropTest,
                         ::testing::Values(CropCase{"Rectangle", ",x=2,y=3,w=4", 4, 7, 2, 3},
                                           CropCase{"NegativeStartIsZero", ",x=-5,y=1", 10, 9, 0, 1},
                                           CropCase{"WidthPastTheEdgeTakesTheRest", ",x=7,w=50", 3, 10, 7, 0},
                                           CropCase{"HeightOnly", ",h=2", 10, 2, 0, 0},
                                           CropCase{"WholePictureUnchanged", ",w=10,h=10", 10, 10, 0, 0}),
                         [](const auto& info) { return info.param.name; });

TEST_F(KittyPlacementTest, CropRefusalsKeepTheImageStored)
{
    terminal.feed(kittyPixels("a=T,i=6,x=10", 10, 10));
    EXPECT_EQ(replies(), "\x1b_Gi=6;EINVAL: bad crop\x1b\\");
    EXPECT_TRUE(store().imagesById.contains(6));
    EXPECT_TRUE(host.shown.empty());
    clearReplies();
    terminal.feed(kitty("a=p,i=6"));
    EXPECT_EQ(replies(), "\x1b_Gi=6;OK\x1b\\");
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].width, 10);
}

TEST_F(KittyPlacementTest, CroppedPngIsShownAsDecodedPixels)
{
    terminal.feed(kitty("a=T,f=100,i=3,h=1,q=2", testing::makePng(3, 2, gradient(3, 2))));
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_FALSE(host.shown[0].encoded);
    EXPECT_EQ(host.shown[0].width, 3);
    EXPECT_EQ(host.shown[0].height, 1);

    // Without crop keys the PNG itself goes to the host.
    terminal.feed(kitty("a=p,i=3,q=2"));
    ASSERT_EQ(host.shown.size(), 2u);
    EXPECT_TRUE(host.shown[1].encoded);

    terminal.feed(kitty("a=T,f=100,i=4,h=1", testing::makePng(3, 2, {}, true)));
    EXPECT_NE(replies().find("ENOTSUP: cannot crop png"), std::string::npos);
}

TEST_F(KittyPlacementTest, VirtualPlacementsAreRecordedWithoutPixels)
{
    moveTo(3, 4);
    terminal.feed(kittyPixels("a=T,i=4,U=1,c=5,r=2,q=2", 4, 4));
    terminal.feed(kitty("a=p,i=4,U=1,q=2"));
    ASSERT_TRUE(hasRecord(4, 1));
    ASSERT_TRUE(hasRecord(4, 2));
    const KittyPlacementRecord& first = store().placementsByKey.at({4, 1});
    EXPECT_TRUE(first.isVirtual);
    EXPECT_EQ(first.col, 3);
    EXPECT_EQ(first.row, terminal.buffer().yBase() + 4);
    EXPECT_EQ(first.cols, 5);
    EXPECT_EQ(first.rows, 2);
    EXPECT_TRUE(host.shown.empty());
    EXPECT_TRUE(stripsOn(terminal.buffer()).empty());
    EXPECT_EQ(cursor(), (std::pair{3, 4}));

    clearReplies();
    terminal.feed(kitty("a=p,i=4,U=1,Q=2"));
    EXPECT_EQ(replies(), "\x1b_Gi=4;EINVAL: virtual placement cannot refer to parent\x1b\\");
}

TEST_F(KittyPlacementTest, AssignedPlacementIdsSkipZeroWhenTheCounterWraps)
{
    terminal.feed(kittyPixels("a=t,i=4,q=2", 1, 1));
    store().nextPlacementId = 0xFFFFFFFF;
    terminal.feed(kitty("a=p,i=4,U=1,q=2"));
    terminal.feed(kitty("a=p,i=4,U=1,q=2"));
    terminal.feed(kitty("a=p,i=4,U=1,q=2"));
    EXPECT_TRUE(hasRecord(4, 0xFFFFFFFF));
    EXPECT_TRUE(hasRecord(4, 1));
    EXPECT_TRUE(hasRecord(4, 2));
    EXPECT_FALSE(hasRecord(4, 0));
}

TEST_F(KittyPlacementTest, PlacementContextCarriesTheRequests)
{
    struct ContextProbe : StripHost {
        std::optional<KittyPlacementContext> seen;
        void createImageFromBitmap(Terminal& source, std::vector<uint8_t>&& bytes, int w, int h) override
        {
            if (const KittyPlacementContext* context = source.kittyPlacementHost().placementContext())
                seen = *context;
            StripHost::createImageFromBitmap(source, std::move(bytes), w, h);
        }
    } probe;
    terminal.setDelegate(&probe);
    terminal.feed(kittyPixels("a=T,I=8,p=2,c=3,z=4,C=1,X=3,Y=25,q=2", 4, 4));
    ASSERT_TRUE(probe.seen);
    EXPECT_EQ(probe.seen->imageId, 1u);
    EXPECT_EQ(probe.seen->imageNumber, 8u);
    EXPECT_EQ(probe.seen->placementId, 2u);
    EXPECT_EQ(probe.seen->widthRequest, ImageSizeRequest::cells(3));
    EXPECT_EQ(probe.seen->heightRequest, ImageSizeRequest::automatic());
    EXPECT_TRUE(probe.seen->preserveAspectRatio);
    EXPECT_EQ(probe.seen->zIndex, 4);
    EXPECT_EQ(probe.seen->cursorPolicy, 1);
    EXPECT_EQ(probe.seen->pixelOffsetX, 3);
    EXPECT_EQ(probe.seen->pixelOffsetY, 19);
    EXPECT_EQ(terminal.kittyPlacementHost().placementContext(), nullptr);
    terminal.setDelegate(&host);
}

TEST_F(KittyPlacementTest, HugeDrawnSizesAreClampedToTheScreenAndItsLines)
{
    // A picture a billion cells tall may not attach a billion strips.
    terminal.feed(kittyPixels("a=T,i=1,p=1,c=1,r=1000000000,q=2", 2, 2));
    const int ringLength = terminal.buffer().lines().maxLength();
    EXPECT_LE(static_cast<int>(stripsOn(terminal.buffer()).size()), ringLength);
    for (const PlacedStrip& placed : stripsOn(terminal.buffer()))
        EXPECT_LE(placed.strip->pixelWidth(), 20 * StripHost::cellWidth);
    terminal.feed(kittyPixels("a=T,i=2,p=1,c=2000000000,r=1,q=2", 2, 2));
    for (const PlacedStrip& placed : stripsOn(terminal.buffer()))
        EXPECT_LE(placed.strip->kittyCols, 20);
}

} // namespace
} // namespace corvel::test
