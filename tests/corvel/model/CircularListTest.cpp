#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ModelTestSupport.h"
#include "corvel/model/CircularBufferLineList.h"
#include "corvel/model/CircularList.h"

namespace corvel {
namespace {

using testing::cellsOf;
using testing::firstCharacters;
using testing::lineOf;

class FakeImage : public TerminalImage {
public:
    int pixelWidth() const override { return 1; }
    int pixelHeight() const override { return 1; }
    int col() const override { return 0; }
    void setCol(int) override {}
};

// A ring of the given capacity holding one line per letter of text.
class Ring : public ::testing::Test {
protected:
    CircularBufferLineList make(int capacity, std::string_view text)
    {
        CircularBufferLineList ring(capacity);
        ring.makeEmpty = [this](int slot) {
            createdSlots.push_back(slot);
            return lineOf("", 3);
        };
        for (char c : text)
            ring.push(lineOf(std::string(1, c), 3));
        return ring;
    }
    std::vector<int> createdSlots;
};

TEST_F(Ring, PushIntoFullRingDropsTheOldestSilently)
{
    CircularBufferLineList ring(3);
    std::vector<bool> pushed;
    ring.onLinePushed = [&](bool hasImages) { pushed.push_back(hasImages); };
    for (char c : std::string("ABCD")) {
        auto line = lineOf(std::string(1, c));
        if (c == 'B')
            line->attach(std::make_shared<FakeImage>());
        ring.push(line);
    }
    EXPECT_EQ(firstCharacters(ring), "BCD");
    EXPECT_EQ(ring.count(), 3);
    EXPECT_TRUE(ring.isFull());
    EXPECT_EQ(pushed, (std::vector<bool>{false, true, false, false}));
}

TEST_F(Ring, RecycleTurnsTheOldestLineIntoAClearedNewestLine)
{
    auto ring = make(3, "ABC");
    BufferLine* oldest = ring.get(0).get();
    oldest->isWrapped = true;
    oldest->attach(std::make_shared<FakeImage>());
    std::vector<bool> recycled;
    ring.onLineRecycled = [&](bool hadImages) { recycled.push_back(hadImages); };

    const Attribute erase(Attribute::Color::defaultColor, Attribute::Color::ansi256(2));
    ring.recycle(erase);
    EXPECT_EQ(firstCharacters(ring), "BC.");
    EXPECT_EQ(ring.get(2).get(), oldest) << "the same line object, no allocation";
    EXPECT_TRUE(oldest->isWrapped);
    EXPECT_FALSE(oldest->images.has_value());
    EXPECT_EQ((*oldest)[0], CharData(erase, 0, 1));
    EXPECT_EQ(recycled, std::vector<bool>{true});

    ring.recycle(erase);
    EXPECT_EQ(recycled, (std::vector<bool>{true, false}));
}

TEST_F(Ring, RecycleRefusesARingThatIsNotFull)
{
    auto ring = make(4, "ABC");
    bool called = false;
    ring.onLineRecycled = [&](bool) { called = true; };
    ::testing::internal::CaptureStderr();
    ring.recycle(Attribute());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "can only recycle when the buffer is full\n");
    EXPECT_EQ(firstCharacters(ring), "ABC");
    EXPECT_FALSE(called);
}

struct ShiftCase {
    const char* name;
    int capacity;
    int start, count, offset;
    bool result;
    const char* expected;
    const char* message; // printed line on refusal
};

class RingShift : public Ring, public ::testing::WithParamInterface<ShiftCase> {};

TEST_P(RingShift, MovesOrRefusesWithItsReason)
{
    const ShiftCase& c = GetParam();
    auto ring = make(c.capacity, "ABC");
    ::testing::internal::CaptureStderr();
    const bool moved = ring.shiftElements(c.start, c.count, c.offset);
    const std::string out = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(moved, c.result);
    EXPECT_EQ(firstCharacters(ring), c.expected);
    EXPECT_EQ(out, c.message ? std::string(c.message) + "\n" : std::string());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Lines, RingShift,
    ::testing::Values(
        ShiftCase{"UpByOne", 3, 2, 1, -1, true, "ACC", nullptr},
        ShiftCase{"DownByOneKeepsCount", 3, 0, 1, 1, true, "AAC", nullptr},
        ShiftCase{"DownGrowsCount", 5, 1, 2, 2, true, "ABCBC", nullptr},
        ShiftCase{"DownPastCapacityDropsOldest", 4, 1, 2, 2, true, "BCBC", nullptr},
        ShiftCase{"ToIndexZero", 3, 1, 2, -1, false, "ABC",
                  "Assertion at start=1 count=2 offset=-1: start+offset <= 0"},
        ShiftCase{"StartAtCount", 3, 3, 1, 1, false, "ABC", "Assertion at start=3 count=1 offset=1: start >= self.count"},
        ShiftCase{"NegativeStart", 3, -1, 1, 2, false, "ABC", "Assertion at start=-1 count=1 offset=2: start < 0"},
        ShiftCase{"NegativeCountFirst", 3, -1, -1, 0, false, "ABC",
                  "Assertion at start=-1 count=-1 offset=0: count < 0"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(Ring, ShiftLeavesTwoSlotsSharingOneLine)
{
    auto ring = make(3, "ABC");
    ASSERT_TRUE(ring.shiftElements(2, 1, -1));
    EXPECT_EQ(ring.get(1).get(), ring.get(2).get());
}

struct SpliceCase {
    const char* name;
    int capacity;
    int start, deleteCount;
    std::string items;
    const char* expected;
    std::vector<int> changes;
};

class RingSplice : public Ring, public ::testing::WithParamInterface<SpliceCase> {};

TEST_P(RingSplice, ReportsEverySlotWrittenInOrder)
{
    const SpliceCase& c = GetParam();
    auto ring = make(c.capacity, "ABC");
    std::vector<CircularBufferLineList::LinePtr> items;
    for (char ch : c.items)
        items.push_back(lineOf(std::string(1, ch), 3));
    std::vector<int> changes;
    ring.splice(c.start, c.deleteCount, items, [&](int i) { changes.push_back(i); });
    EXPECT_EQ(firstCharacters(ring), c.expected);
    EXPECT_EQ(changes, c.changes);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Lines, RingSplice,
    ::testing::Values(SpliceCase{"ReplaceMiddle", 3, 1, 1, "X", "AXC", {1, 2, 1}},
                      SpliceCase{"AppendToFullDropsOldest", 3, 3, 0, "X", "BCX", {3}},
                      SpliceCase{"InsertIntoRoomyRing", 5, 1, 0, "XY", "AXYBC", {4, 3, 1, 2}},
                      SpliceCase{"DeleteFirst", 3, 0, 1, "", "BC", {0, 1, 1, 0}},
                      SpliceCase{"InsertIntoFullDropsOldest", 3, 1, 0, "X", "XBC", {3, 2, 1}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(Ring, GrowingCapacityLaysLinesOutInLogicalOrder)
{
    auto ring = make(3, "ABCDE"); // start slot is now 2
    ASSERT_EQ(ring.getStartIndex(), 2);
    ring.setMaxLength(5);
    EXPECT_EQ(ring.getStartIndex(), 0);
    EXPECT_EQ(ring.count(), 3);
    EXPECT_EQ(firstCharacters(ring), "CDE");
    createdSlots.clear();
    ring.setCount(5);
    EXPECT_EQ(firstCharacters(ring), "CDE..");
    EXPECT_EQ(createdSlots, (std::vector<int>{3, 4})) << "slots 3 and 4 were empty";
}

TEST_F(Ring, ShrinkingAfterTrimKeepsTheNewestLines)
{
    auto ring = make(5, "ABCDE");
    ring.trimStart(2);
    ring.setMaxLength(3);
    EXPECT_EQ(ring.maxLength(), 3);
    EXPECT_EQ(firstCharacters(ring), "CDE");
    EXPECT_EQ(cellsOf(*ring.pop()), "E..");
    EXPECT_EQ(firstCharacters(ring), "CD");
}

TEST_F(Ring, SlotsAreFilledLazilyByTheFactory)
{
    auto ring = make(4, "");
    ring.setCount(2);
    EXPECT_TRUE(createdSlots.empty());
    ring[1].set(0, testing::cellOf('Q'));
    EXPECT_EQ(createdSlots, std::vector<int>{1});
    EXPECT_EQ(firstCharacters(ring), ".Q");
    EXPECT_EQ(createdSlots, (std::vector<int>{1, 0}));
}

TEST(CircularList, GenericRingOverIntegers)
{
    CircularList<int> ring(3);
    ring.makeEmpty = [](int) { return 0; };
    EXPECT_EQ(ring[2], 0);
    for (int v : {1, 2, 3, 4})
        ring.push(v);
    EXPECT_EQ(ring.count(), 3);
    EXPECT_EQ(ring[0], 2);
    EXPECT_EQ(ring[2], 4);
    EXPECT_TRUE(ring.recycle());
    EXPECT_EQ(ring[2], 2);
    EXPECT_EQ(ring.pop(), 2);
    EXPECT_EQ(ring.count(), 2);
}

TEST(CircularList, LongRingGrowsItsSlotsAsItFillsAndWrapsWhenFull)
{
    CircularList<int> ring(10000);
    for (int v = 0; v < 6000; ++v)
        ring.push(v);
    EXPECT_EQ(ring.count(), 6000);
    EXPECT_EQ(ring[0], 0);
    EXPECT_EQ(ring[5999], 5999);
    ring.trimStart(100);
    for (int v = 6000; v < 12100; ++v)
        ring.push(v);
    EXPECT_TRUE(ring.isFull());
    EXPECT_EQ(ring[0], 2100);
    EXPECT_EQ(ring[9999], 12099);

    CircularList<int> shifted(10000);
    for (int v = 0; v < 4096; ++v)
        shifted.push(v);
    ASSERT_TRUE(shifted.shiftElements(4000, 96, 10));
    EXPECT_EQ(shifted.count(), 4106);
    EXPECT_EQ(shifted[4105], 4095);
    EXPECT_EQ(shifted[4009], 4009) << "source slots keep their values";
    shifted.setCount(9000);
    EXPECT_EQ(shifted[8999], 0) << "a slot never written reads as a new element";
}

TEST(CircularList, IndexesOutsideTheRingFallOnTheSlotTheyWrapTo)
{
    // A full ring of three whose start slot has moved to 2: slots hold 3, 4, 2.
    CircularList<int> ring(3);
    for (int v : {0, 1, 2, 3, 4})
        ring.push(v);
    ASSERT_EQ(ring.getStartIndex(), 2);
    const std::vector<std::pair<int, int>> cases = {
        {0, 2},
        {1, 3},
        {2, 4}, // inside, wrapping once
        {3, 2},
        {4, 3},
        {8, 4}, // past the newest, wrapping twice and more
        {-1, 4},
        {-2, 3},
        {-5, 3}, // before the oldest
    };
    for (const auto& [index, expected] : cases)
        EXPECT_EQ(ring[index], expected) << "index " << index;
    ring.set(5, 9);
    EXPECT_EQ(ring[2], 9) << "set wraps the same way";
}

} // namespace
} // namespace corvel
