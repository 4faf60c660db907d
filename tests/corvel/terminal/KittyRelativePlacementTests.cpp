#include "KittyTestHost.h"

#include "corvel/images/KittyImageLineIndex.h"

#include <gtest/gtest.h>

namespace corvel::test {
namespace {

class KittyRelativeTest : public KittyTerminalFixture, public ::testing::Test {
protected:
    // Shows image `image` (stored on first use) as placement `placement`
    // at the cursor, `rows` rows high, with extra keys.
    void show(uint32_t image, uint32_t placement, int rows, const std::string& keys = "")
    {
        const std::string ids = "i=" + std::to_string(image) + ",p=" + std::to_string(placement);
        if (!store().imagesById.contains(image))
            terminal.feed(kittyPixels("a=t,q=2,i=" + std::to_string(image), 2, 2));
        terminal.feed(kitty("a=p,q=1,c=2,r=" + std::to_string(rows) + "," + ids + keys));
    }

    KittyPlacementRecord& record(uint32_t image, uint32_t placement)
    {
        return store().placementsByKey.at({image, placement});
    }

    void scrollOnce()
    {
        moveTo(0, terminal.rows - 1);
        terminal.feed("\n");
    }
};

TEST_F(KittyRelativeTest, ParentWithoutPlacementIdPlacesAtTheCursor)
{
    moveTo(3, 2);
    show(1, 1, 1, ",P=7");
    EXPECT_EQ(linesOf(terminal.buffer(), 1, 1), std::vector<int>{2});
    EXPECT_EQ(replies(), "");
}

TEST_F(KittyRelativeTest, MissingOrForeignParentsAreRefused)
{
    terminal.feed(kittyPixels("a=T,i=1,p=1,P=1,Q=1", 2, 2));
    EXPECT_EQ(replies(), "\x1b_Gi=1;ENOPARENT: parent placement not found\x1b\\");
    clearReplies();

    show(2, 1, 1);
    terminal.feed("\x1b[?1049h");
    terminal.feed(kittyPixels("a=T,i=3,p=1,P=2,Q=1", 2, 2));
    EXPECT_EQ(replies(), "\x1b_Gi=3;ENOPARENT: parent placement not in current buffer\x1b\\");
}

TEST_F(KittyRelativeTest, ChildIsPlacedFromItsParentAndTheCursorStays)
{
    moveTo(5, 3);
    show(1, 1, 2, ",C=1");
    moveTo(12, 8);
    show(2, 1, 1, ",P=1,Q=1,H=2,V=1");
    EXPECT_EQ(linesOf(terminal.buffer(), 2, 1), std::vector<int>{4});
    EXPECT_EQ(record(2, 1).col, 7);
    EXPECT_EQ(record(2, 1).row, 4);
    EXPECT_EQ(cursor(), (std::pair{12, 8}));

    // A grandchild adds both offsets.
    show(3, 1, 1, ",P=2,Q=1,H=1,V=2");
    EXPECT_EQ(linesOf(terminal.buffer(), 3, 1), std::vector<int>{6});
    EXPECT_EQ(record(3, 1).col, 8);
}

TEST_F(KittyRelativeTest, RelativeRowMustLieOnTheScreen)
{
    moveTo(0, 0);
    show(1, 1, 1, ",C=1");
    show(2, 1, 1, ",P=1,Q=1,V=-1");
    EXPECT_NE(replies().find("EINVAL: placement out of range"), std::string::npos);
    EXPECT_TRUE(linesOf(terminal.buffer(), 2, 1).empty());

    moveTo(4, 4);
    show(3, 1, 1, ",P=1,Q=1,V=9");
    EXPECT_EQ(linesOf(terminal.buffer(), 3, 1), std::vector<int>{9});
    EXPECT_EQ(cursor(), (std::pair{4, 4}));
}

TEST_F(KittyRelativeTest, VirtualParentIsPositionedByItsRecord)
{
    moveTo(6, 2);
    terminal.feed(kittyPixels("a=T,i=1,p=1,U=1,q=2", 2, 2));
    moveTo(0, 0);
    show(2, 1, 1, ",P=1,Q=1,H=1,V=1");
    EXPECT_EQ(linesOf(terminal.buffer(), 2, 1), std::vector<int>{3});
    EXPECT_EQ(record(2, 1).col, 7);
}

TEST_F(KittyRelativeTest, ChildFollowsItsParentAfterAScroll)
{
    moveTo(2, 2);
    show(1, 1, 1, ",C=1");
    show(2, 1, 2, ",P=1,Q=1,H=3,V=3");
    ASSERT_EQ(linesOf(terminal.buffer(), 2, 1), (std::vector<int>{5, 6}));

    // The parent is shown again elsewhere; at the next scroll its child
    // moves by the same amount.
    moveTo(1, 0);
    show(1, 1, 1, ",C=1");
    scrollOnce();
    EXPECT_EQ(linesOf(terminal.buffer(), 2, 1), (std::vector<int>{3, 4}));
    for (const PlacedStrip& placed : stripsOn(terminal.buffer())) {
        if (placed.strip->kittyImageId != 2u)
            continue;
        EXPECT_EQ(placed.strip->col(), 4);
        EXPECT_EQ(placed.strip->kittyCol, 4);
        EXPECT_EQ(placed.strip->kittyRow, 3);
    }
    EXPECT_EQ(record(2, 1).row, 3);
    EXPECT_EQ(record(2, 1).col, 4);
}

TEST_F(KittyRelativeTest, StripsMovedPastTheFirstLineAreDropped)
{
    terminal.feed("\x1b[?1049h");
    moveTo(0, 5);
    show(1, 1, 1, ",C=1");
    show(2, 1, 2, ",P=1,Q=1,V=-3");
    ASSERT_EQ(linesOf(terminal.buffer(), 2, 1), (std::vector<int>{2, 3}));
    moveTo(0, 1);
    show(1, 1, 1, ",C=1");
    scrollOnce();
    // The parent now sits on line 0, so its child's top would be line -3.
    EXPECT_TRUE(linesOf(terminal.buffer(), 2, 1).empty());
    EXPECT_EQ(record(2, 1).row, -3);
}

TEST_F(KittyRelativeTest, CyclesNeverResolveAndTheirStripsStay)
{
    moveTo(0, 2);
    show(1, 1, 1, ",C=1");
    show(2, 1, 1, ",P=1,Q=1,V=2");
    show(3, 1, 1, ",P=2,Q=1,V=2");
    // Tie the first two into a cycle.
    record(1, 1).parentImageId = 3;
    record(1, 1).parentPlacementId = 1;
    const std::vector<int> before = linesOf(terminal.buffer(), 3, 1);
    scrollOnce();
    EXPECT_EQ(linesOf(terminal.buffer(), 3, 1), before);

    clearReplies();
    terminal.feed(kittyPixels("a=T,i=4,p=1,P=2,Q=1", 2, 2));
    EXPECT_EQ(replies(), "\x1b_Gi=4;ENOPARENT: parent placement not found\x1b\\");
}

TEST_F(KittyRelativeTest, LongChainsResolveWithoutRecursion)
{
    constexpr uint32_t links = 100'000;
    KittyPlacementRecord root;
    root.imageId = 1;
    root.placementId = 1;
    root.isVirtual = true;
    root.col = 0;
    root.row = 0;
    store().placementsByKey[{1, 1}] = root;
    for (uint32_t i = 2; i <= links; ++i) {
        KittyPlacementRecord child;
        child.imageId = 1;
        child.placementId = i;
        child.parentImageId = 1;
        child.parentPlacementId = i - 1;
        child.isVirtual = true;
        child.parentOffsetH = i % 2 == 0 ? 1 : -1; // the columns stay near 0
        store().placementsByKey[{1, i}] = child;
    }
    show(2, 1, 1, ",P=1,Q=" + std::to_string(links) + ",H=3");
    EXPECT_EQ(replies(), "") << "the end of the chain resolves";
    EXPECT_EQ(linesOf(terminal.buffer(), 2, 1), std::vector<int>{0});
    // The offsets alternate +1 and -1, ending on +1.
    EXPECT_EQ(record(2, 1).col, 4);

    // The update after a scroll resolves every link once.
    scrollOnce();
    EXPECT_EQ(record(1, links).col, 1);
    EXPECT_EQ(record(1, links - 1).col, 0);
}

TEST_F(KittyRelativeTest, UpdatesAfterScrollsDoNotWalkTheScrollBackAgain)
{
    moveTo(0, 8);
    show(1, 1, 2, ",C=1");
    KittyImageLineIndex index;
    EXPECT_EQ(index.linesWithImages(terminal.buffer()), (std::vector<int>{8, 9}));
    // Scroll until the ring is full and well past it: the index follows
    // the lines without walking the ring again, until the picture's lines
    // leave the ring.
    moveTo(0, terminal.rows - 1);
    for (int i = 0; i < 55; ++i) {
        terminal.feed("\n");
        ASSERT_EQ(index.linesWithImages(terminal.buffer()).size(), 2u) << i;
        EXPECT_EQ(index.rebuildCount(), 1) << i;
    }
    // Lines have fallen off the full ring's top by now.
    ASSERT_EQ(terminal.buffer().lines().count(), terminal.buffer().lines().maxLength());
    EXPECT_LT(linesOf(terminal.buffer(), 1, 1).front(), 8);
    EXPECT_EQ(index.linesWithImages(terminal.buffer()), linesOf(terminal.buffer(), 1, 1));
    for (int i = 0; i < 10; ++i)
        terminal.feed("\n");
    EXPECT_TRUE(index.linesWithImages(terminal.buffer()).empty());
}

TEST_F(KittyRelativeTest, IndexNoticesPicturesAttachedElsewhere)
{
    show(1, 1, 1);
    KittyImageLineIndex index;
    EXPECT_EQ(index.linesWithImages(terminal.buffer()), std::vector<int>{0});
    moveTo(0, 5);
    show(2, 1, 1);
    EXPECT_EQ(index.linesWithImages(terminal.buffer()), (std::vector<int>{0, 5}));
    terminal.feed(kitty("a=d,d=i,i=1"));
    EXPECT_EQ(index.linesWithImages(terminal.buffer()), std::vector<int>{5});
}

} // namespace
} // namespace corvel::test
