#include "KittyTestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace corvel::test {
namespace {

// Placements on a 20 × 10 screen (column, row, size in cells, z-index):
//   image 1, p=1 at (0, 0), 2 × 2, z 0
//   image 2, p=1 at (5, 3), 3 × 2, z 5
//   image 3, p=2 at (10, 6), 2 × 1, z -1
//   image 4, p=1 virtual at (0, 8), 2 × 1
//   image 9 stored, never placed
// and a picture that is not a Kitty placement on screen row 0.
class KittyDeletionFixture : public KittyTerminalFixture {
protected:
    KittyDeletionFixture()
    {
        place(1, 1, 0, 0, 2, 2, 0);
        place(2, 1, 5, 3, 3, 2, 5);
        place(3, 2, 10, 6, 2, 1, -1);
        moveTo(0, 8);
        terminal.feed(kittyPixels("a=T,i=4,p=1,U=1,c=2,r=1,q=2", 2, 2));
        terminal.feed(kittyPixels("a=t,i=9,q=2", 2, 2));
        other = std::make_shared<ImageStrip>(30, 20, 15);
        terminal.buffer().attachImage(other, terminal.buffer().yBase());
        moveTo(0, 0);
        clearReplies();
    }

    void place(uint32_t image, uint32_t placement, int col, int row, int cols, int rows, int z)
    {
        moveTo(col, row);
        terminal.feed(kittyPixels("a=T,C=1,q=2,i=" + std::to_string(image) + ",p=" + std::to_string(placement) + ",c="
                                      + std::to_string(cols) + ",r=" + std::to_string(rows) + ",z=" + std::to_string(z),
                                  2,
                                  2));
    }

    // Image ids that still have strips on the normal screen's lines.
    std::set<uint32_t> imagesWithStrips()
    {
        std::set<uint32_t> out;
        for (const PlacedStrip& placed : stripsOn(terminal.normalBuffer()))
            if (placed.strip->kittyIsKitty)
                out.insert(*placed.strip->kittyImageId);
        return out;
    }

    std::set<uint32_t> imagesWithRecords()
    {
        std::set<uint32_t> out;
        for (const auto& [key, record] : store().placementsByKey)
            out.insert(key.imageId);
        return out;
    }

    std::set<uint32_t> storedImages()
    {
        std::set<uint32_t> out;
        for (const auto& [id, image] : store().imagesById)
            out.insert(id);
        return out;
    }

    bool otherPictureKept()
    {
        const BufferLine& line = terminal.buffer().lines()[terminal.buffer().yBase()];
        return line.images && std::find(line.images->begin(), line.images->end(), other) != line.images->end();
    }

    std::shared_ptr<ImageStrip> other;
};

struct DeleteCase {
    std::string name;
    std::string keys;
    std::pair<int, int> cursor; // where the cursor is for the command
    std::set<uint32_t> strips; // images with strips afterwards
    std::set<uint32_t> records; // images with records afterwards
    std::set<uint32_t> stored; // images stored afterwards
    std::string error; // the error text, empty for none
};

class KittyDeleteModeTest : public KittyDeletionFixture, public ::testing::TestWithParam<DeleteCase> {};

TEST_P(KittyDeleteModeTest, RemovesWhatTheModeSelects)
{
    const DeleteCase& c = GetParam();
    moveTo(c.cursor.first, c.cursor.second);
    terminal.feed(kitty("a=d" + c.keys));
    EXPECT_EQ(imagesWithStrips(), c.strips);
    EXPECT_EQ(imagesWithRecords(), c.records);
    EXPECT_EQ(storedImages(), c.stored);
    EXPECT_TRUE(otherPictureKept());
    if (c.error.empty())
        EXPECT_EQ(replies(), "");
    else
        EXPECT_NE(replies().find(";" + c.error + "\x1b\\"), std::string::npos) << replies();
}

const std::set<uint32_t> all{1, 2, 3, 9, 4};
const std::set<uint32_t> placed{1, 2, 3};
const std::set<uint32_t> recorded{1, 2, 3, 4};

INSTANTIATE_TEST_SUITE_P(
    Kitty, KittyDeleteModeTest,
    ::testing::Values(
        DeleteCase{"NoModeIsVisible", "", {0, 0}, {}, {}, all, ""},
        DeleteCase{"VisibleUpperFrees", ",d=A", {0, 0}, {}, {}, {}, ""},
        DeleteCase{"ById", ",d=i,i=2", {0, 0}, {1, 3}, {1, 3, 4}, all, ""},
        DeleteCase{"ByIdUpperFreesThatImage", ",d=I,i=2", {0, 0}, {1, 3}, {1, 3, 4}, {1, 3, 4}, ""},
        DeleteCase{"ByIdAndPlacement", ",d=i,i=3,p=2", {0, 0}, {1, 2}, {1, 2, 4}, all, ""},
        DeleteCase{"ByIdOtherPlacement", ",d=i,i=3,p=9", {0, 0}, placed, recorded, all, ""},
        DeleteCase{"UnknownNumber", ",d=n,I=77", {0, 0}, placed, recorded, all, ""},
        DeleteCase{"AtCursor", ",d=c", {6, 4}, {1, 3}, {1, 3, 4}, all, ""},
        DeleteCase{"AtCursorEmptyCell", ",d=c", {19, 9}, placed, recorded, all, ""},
        DeleteCase{"AtCell", ",d=p,x=11,y=7", {0, 0}, {1, 2}, {1, 2, 4}, all, ""},
        DeleteCase{"AtCellVirtual", ",d=p,x=2,y=9", {0, 0}, placed, {1, 2, 3}, all, ""},
        DeleteCase{"AtCellWithZ", ",d=q,x=6,y=4,z=5", {0, 0}, {1, 3}, {1, 3, 4}, all, ""},
        DeleteCase{"AtCellOtherZ", ",d=q,x=6,y=4,z=4", {0, 0}, placed, recorded, all, ""},
        DeleteCase{"Column", ",d=x,x=2", {0, 0}, {2, 3}, {2, 3}, all, ""},
        DeleteCase{"Row", ",d=y,y=7", {0, 0}, {1, 2}, {1, 2, 4}, all, ""},
        DeleteCase{"ZIndex", ",d=z,z=-1", {0, 0}, {1, 2}, {1, 2, 4}, all, ""},
        DeleteCase{"ZIndexDefaultsToZero", ",d=z", {0, 0}, {2, 3}, {2, 3}, all, ""},
        DeleteCase{"IdRange", ",d=r,x=3,y=2", {0, 0}, {1}, {1, 4}, all, ""},
        DeleteCase{"IdRangeUpper", ",d=R,x=2,y=9", {0, 0}, {1}, {1}, {1}, ""},
        DeleteCase{"IdRangeBeyond32Bits", ",d=r,x=5,y=9999999999", {0, 0}, placed, recorded, all, ""},
        DeleteCase{"RowBeyondEveryInteger", ",d=y,y=9223372036854775807", {0, 0}, placed, recorded, all, ""},
        DeleteCase{"CellBeyondEveryInteger",
                   ",d=p,x=9223372036854775807,y=9223372036854775807",
                   {0, 0},
                   placed,
                   recorded,
                   all,
                   ""},
        DeleteCase{"MissingId", ",d=I", {0, 0}, placed, recorded, all, "EINVAL: missing image id"},
        DeleteCase{"MissingNumber", ",d=N", {0, 0}, placed, recorded, all, "EINVAL: missing image number"},
        DeleteCase{"MissingCell", ",d=P,x=0,y=3", {0, 0}, placed, recorded, all, "EINVAL: missing cell position"},
        DeleteCase{"MissingCellWithZ", ",d=q,x=3", {0, 0}, placed, recorded, all, "EINVAL: missing cell position"},
        DeleteCase{"MissingColumn", ",d=X", {0, 0}, placed, recorded, all, "EINVAL: missing column"},
        DeleteCase{"MissingRow", ",d=y", {0, 0}, placed, recorded, all, "EINVAL: missing row"},
        DeleteCase{"MissingRange", ",d=r,x=4", {0, 0}, placed, recorded, all, "EINVAL: missing id range"},
        DeleteCase{"UnsupportedLower", ",d=w", {0, 0}, placed, recorded, all, "EINVAL: unsupported delete"},
        // The upper-case form still frees what nothing uses.
        DeleteCase{"UnsupportedUpper", ",d=W", {0, 0}, placed, recorded, {1, 2, 3, 4}, "EINVAL: unsupported delete"}),
    [](const auto& info) { return info.param.name; });

class KittyDeletionTest : public KittyDeletionFixture, public ::testing::Test {};

TEST_F(KittyDeletionTest, ByNumberUsesTheMappedImage)
{
    store().imageNumbers[42] = 2;
    terminal.feed(kitty("a=d,d=n,I=42"));
    EXPECT_EQ(imagesWithStrips(), (std::set<uint32_t>{1, 3}));
    EXPECT_EQ(replies(), "");
}

TEST_F(KittyDeletionTest, VisibleDeletionKeepsTheScrollBackPartOfAPlacement)
{
    // Image 5 covers two lines; the screen then scrolls until only its
    // lower line is on the screen (its top row).
    moveTo(0, 8);
    terminal.feed(kittyPixels("a=T,i=5,p=1,c=1,r=2,q=2", 2, 2));
    const std::vector<int> lines = linesOf(terminal.buffer(), 5, 1);
    ASSERT_EQ(lines.size(), 2u);
    moveTo(0, 9);
    while (terminal.buffer().yBase() < lines[1])
        terminal.feed("\n");
    ASSERT_EQ(linesOf(terminal.buffer(), 5, 1), lines);

    terminal.feed(kitty("a=d"));
    EXPECT_EQ(linesOf(terminal.buffer(), 5, 1), std::vector<int>{lines[0]});
    EXPECT_FALSE(hasRecord(5, 1));
}

TEST_F(KittyDeletionTest, RecordsWhoseStripsLieElsewhereTakeTheirStripsAlong)
{
    // Only the record of image 2 overlaps column 6; its strips on other
    // lines of both screens go with it.
    terminal.feed(kitty("a=d,d=x,x=7"));
    EXPECT_TRUE(linesOf(terminal.buffer(), 2, 1).empty());
    EXPECT_FALSE(hasRecord(2, 1));
}

TEST_F(KittyDeletionTest, HugeVirtualPlacementsStillCoverTheirCells)
{
    moveTo(3, 5);
    terminal.feed(kitty("a=p,i=9,p=7,U=1,c=9223372036854775807,r=9223372036854775807,q=2"));
    ASSERT_TRUE(hasRecord(9, 7));
    terminal.feed(kitty("a=d,d=p,x=20,y=10"));
    EXPECT_FALSE(hasRecord(9, 7));
}

TEST_F(KittyDeletionTest, RemovedStripsAreRedrawn)
{
    terminal.clearUpdateRange();
    terminal.feed(kitty("a=d,d=i,i=2"));
    std::optional<Terminal::UpdateRange> range = terminal.getUpdateRange();
    ASSERT_TRUE(range);
    EXPECT_LE(range->startY, 3);
    EXPECT_GE(range->endY, 4);
}

TEST_F(KittyDeletionTest, AlternateScreenEntryClearsItsOwnPlacements)
{
    terminal.feed("\x1b[?1049h");
    terminal.feed(kittyPixels("a=T,i=20,p=1,c=2,r=2,q=2", 2, 2));
    ASSERT_EQ(linesOf(terminal.altBuffer(), 20, 1).size(), 2u);
    terminal.feed("\x1b[?1049l");
    terminal.feed("\x1b[?1049h");
    EXPECT_TRUE(linesOf(terminal.altBuffer(), 20, 1).empty());
    EXPECT_FALSE(hasRecord(20, 1));
    EXPECT_FALSE(store().imagesById.contains(20));
    // The normal screen's placements are untouched.
    EXPECT_EQ(imagesWithStrips(), placed);
    EXPECT_TRUE(hasRecord(2, 1));
}

TEST_F(KittyDeletionTest, FullEraseOnTheAlternateScreenKeepsNormalPicturesButEmptiesTheStore)
{
    terminal.feed("\x1b[?1049h");
    terminal.feed(kittyPixels("a=T,i=20,p=1,c=2,r=2,q=2", 2, 2));
    terminal.feed("\x1b[2J");
    EXPECT_TRUE(stripsOn(terminal.altBuffer()).empty());
    EXPECT_EQ(imagesWithStrips(), placed);
    EXPECT_TRUE(store().imagesById.empty());
    EXPECT_TRUE(store().placementsByKey.empty());
    EXPECT_EQ(store().totalImageBytes, 0);
}

TEST_F(KittyDeletionTest, FullEraseDropsEveryPictureOfEveryKind)
{
    const uint32_t nextId = store().nextImageId;
    terminal.feed("\x1b[2J");
    EXPECT_TRUE(stripsOn(terminal.normalBuffer()).empty());
    EXPECT_FALSE(terminal.normalBuffer().hasAnyImages());
    EXPECT_TRUE(store().imagesById.empty());
    EXPECT_TRUE(store().placementsByKey.empty());
    EXPECT_EQ(store().nextImageId, nextId);
    EXPECT_EQ(store().nextImageAccessTick, 1u);
}

TEST_F(KittyDeletionTest, ResetClearsEverything)
{
    terminal.feed("\x1b"
                  "c");
    EXPECT_TRUE(stripsOn(terminal.normalBuffer()).empty());
    EXPECT_TRUE(store().imagesById.empty());
}

TEST_F(KittyDeletionTest, LinesWithImagesAreCountedAfterRemoval)
{
    terminal.feed(kitty("a=d,d=i,i=1"));
    // Row 0 keeps the other picture; row 1 held only image 1.
    terminal.normalBuffer().recalculateLinesWithImagesCount();
    const int recounted = terminal.normalBuffer().linesWithImagesCount();
    terminal.feed(kitty("a=d,d=i,i=2"));
    terminal.feed(kitty("a=d,d=i,i=1"));
    int withImages = 0;
    for (int i = 0; i < terminal.normalBuffer().lines().count(); ++i)
        withImages += terminal.normalBuffer().lines()[i].hasImages() ? 1 : 0;
    EXPECT_EQ(terminal.normalBuffer().linesWithImagesCount(), withImages);
    EXPECT_EQ(recounted, withImages + 2);
}

} // namespace
} // namespace corvel::test
