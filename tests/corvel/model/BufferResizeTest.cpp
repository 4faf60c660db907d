#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "BufferTestSupport.h"
#include "corvel/model/Buffer.h"

namespace corvel {
namespace {

using testing::ScreenFixture;

class Resize : public ::testing::Test, public ScreenFixture {};

// An 80x24 screen whose ring holds `lines` lines "L0".."L<lines-1>", the last
// 24 on screen, resized to 80 columns and `newRows` rows. The view follows
// the live screen (yDisp = yBase) and the saved cursor is on row 10; it
// moves up only by the oldest lines the smaller ring drops.
struct RowsCase {
    const char* name;
    std::optional<int> scrollback;
    int lines;
    int cursorY;
    int newRows;
    int yBase, y, yDisp, count, maxLength, savedY;
    const char* firstRow;
    const char* lastRow;
};

class ResizeRows : public Resize, public ::testing::WithParamInterface<RowsCase> {};

TEST_P(ResizeRows, KeepsTheCursorOnItsContent)
{
    const RowsCase& c = GetParam();
    make(80, 24, c.scrollback, c.lines);
    Buffer& b = *buffer;
    b.setY(c.cursorY);
    b.savedY = 10;
    const std::string cursorText = row(c.cursorY);

    ::testing::internal::CaptureStderr();
    b.resize(80, c.newRows);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

    EXPECT_EQ(b.rows(), c.newRows);
    EXPECT_EQ(b.yBase(), c.yBase);
    EXPECT_EQ(b.y(), c.y);
    EXPECT_EQ(b.yDisp(), c.yDisp);
    EXPECT_EQ(b.lines().count(), c.count);
    EXPECT_EQ(b.lines().maxLength(), c.maxLength);
    EXPECT_EQ(row(b.y()), cursorText);
    EXPECT_EQ(row(0), c.firstRow);
    EXPECT_EQ(row(c.newRows - 1), c.lastRow);
    EXPECT_EQ(b.savedY, c.savedY);
    EXPECT_EQ(b.scrollTop(), 0);
    EXPECT_EQ(b.scrollBottom(), c.newRows - 1);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Screens, ResizeRows,
    ::testing::Values(
        RowsCase{"GrowPullsRowsFromScrollback", 100, 34, 5, 30, 4, 11, 4, 34, 130, 10, "L4", "L33"},
        RowsCase{"GrowAddsBlankRowsOnceScrollbackRunsOut", 100, 26, 5, 30, 0, 7, 0, 30, 130, 10, "L0", ""},
        RowsCase{"ShrinkAtBottomMovesTopRowsIntoScrollback", 100, 34, 23, 20, 14, 19, 14, 34, 120, 10, "L14", "L33"},
        RowsCase{"ShrinkNearTopDropsBottomRows", 100, 34, 3, 20, 10, 3, 10, 30, 120, 10, "L10", "L29"},
        RowsCase{"ShrinkDropsRowsBelowCursorFirst", 100, 34, 21, 20, 12, 19, 12, 32, 120, 10, "L12", "L31"},
        RowsCase{"ShrinkWithFullHistoryDropsOldestLines", 500, 524, 23, 20, 500, 19, 500, 520, 520, 6, "L504",
                 "L523"},
        RowsCase{"AlternateShrinkAtBottom", std::nullopt, 24, 23, 20, 0, 19, 0, 20, 20, 6, "L4", "L23"},
        RowsCase{"AlternateGrowAddsBlankRows", std::nullopt, 24, 10, 30, 0, 10, 0, 30, 30, 10, "L0", ""}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Narrowed margins are clipped to the new width; margins that span the
// whole width, and every margin outside margin mode, span the new width.
TEST_F(Resize, MarginsAreClippedToTheNewWidth)
{
    struct Case {
        bool marginMode;
        int left, right, newCols, expectedLeft, expectedRight;
    };
    for (const Case& c : {Case{true, 10, 70, 40, 10, 39},
                          Case{true, 50, 70, 40, 39, 39},
                          Case{true, 10, 70, 100, 10, 70},
                          Case{true, 0, 79, 100, 0, 99},
                          Case{true, 0, 79, 40, 0, 39},
                          Case{false, 10, 70, 100, 0, 99}}) {
        SCOPED_TRACE(::testing::PrintToString(std::make_tuple(c.marginMode, c.left, c.right, c.newCols)));
        make(80, 24, 100);
        buffer->marginMode = c.marginMode;
        buffer->marginLeft = c.left;
        buffer->marginRight = c.right;
        buffer->resize(c.newCols, 24);
        EXPECT_EQ(buffer->marginLeft, c.expectedLeft);
        EXPECT_EQ(buffer->marginRight, c.expectedRight);
    }
}

TEST_F(Resize, CursorAndSavedColumnAreClippedAndTheRegionReset)
{
    make(80, 24, 100);
    Buffer& b = *buffer;
    b.setX(79);
    b.savedX = 79;
    b.setScrollTop(3);
    b.setScrollBottom(10);
    b.resize(40, 24);
    EXPECT_EQ(b.x(), 39);
    EXPECT_EQ(b.savedX, 39);
    EXPECT_EQ(b.scrollTop(), 0);
    EXPECT_EQ(b.scrollBottom(), 23);
    EXPECT_EQ(b.cols(), 40);

    b.setScrollTop(2);
    b.resize(40, 24);
    EXPECT_EQ(b.scrollTop(), 0) << "also when the size does not change";
}

// A screen whose every line reads "0123456789" repeated to 80 columns.
class ResizeWidth : public Resize {
protected:
    void makeFull(std::optional<int> scrollback, int lines)
    {
        make(80, 24, scrollback, 0);
        std::string text;
        for (int i = 0; i < 80; ++i)
            text += static_cast<char>('0' + i % 10);
        for (int i = 0; i < lines; ++i)
            buffer->lines().push(testing::lineOf(text));
        buffer->setYBase(lines - 24);
        buffer->setYDisp(buffer->yBase());
    }
};

TEST_F(ResizeWidth, NormalScreenNarrowerCutsEveryLine)
{
    makeFull(100, 30);
    buffer->resize(40, 24);
    for (int i = 0; i < buffer->lines().count(); ++i) {
        ASSERT_EQ(buffer->lines()[i].count(), 40) << i;
    }
    EXPECT_EQ(row(0), "0123456789012345678901234567890123456789");
}

TEST_F(ResizeWidth, AlternateScreenNarrowerKeepsCellsBeyondTheWidth)
{
    makeFull(std::nullopt, 24);
    buffer->resize(40, 24);
    EXPECT_EQ(buffer->lines()[0].count(), 80);
    EXPECT_EQ(buffer->cols(), 40);
    EXPECT_EQ(row(3).size(), 80u);
}

TEST_F(ResizeWidth, WiderPadsEveryLineWithNullCells)
{
    for (std::optional<int> scrollback : {std::optional<int>(100), std::optional<int>()}) {
        SCOPED_TRACE(scrollback.has_value() ? "normal" : "alternate");
        makeFull(scrollback, scrollback ? 30 : 24);
        ::testing::internal::CaptureStderr();
        buffer->resize(100, 24);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
        for (int i = 0; i < buffer->lines().count(); ++i) {
            const BufferLine& line = buffer->lines()[i];
            ASSERT_EQ(line.count(), 100) << i;
            EXPECT_EQ(line[99], CharData::Null);
        }
        const int fresh = buffer->lines().count();
        if (fresh < buffer->lines().maxLength()) {
            EXPECT_EQ(buffer->lines()[fresh].count(), 100) << "lines made later have the new width";
        }
    }
}

TEST_F(Resize, WiderThenNarrowerLeavesShortTextAlone)
{
    make(80, 24, 100, 40);
    std::vector<std::string> before;
    for (int i = 0; i < 40; ++i)
        before.push_back(buffer->lines()[i].translateToString(true));
    buffer->resize(82, 24);
    buffer->resize(80, 24);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(buffer->lines()[i].translateToString(true), before[static_cast<size_t>(i)]);
    EXPECT_EQ(buffer->lines()[0].count(), 80);
}

TEST_F(Resize, TabStopTableFollowsTheWidth)
{
    make(80, 24, 100);
    buffer->resize(100, 24);
    ASSERT_EQ(buffer->tabStops.size(), 100u);
    EXPECT_TRUE(buffer->tabStops[72]);
    EXPECT_FALSE(buffer->tabStops[80]) << "the terminal seeds new columns afterwards";
    buffer->resize(40, 24);
    EXPECT_EQ(buffer->tabStops.size(), 40u);
}

class PixelImage : public TerminalImage {
public:
    int pixelWidth() const override { return 1; }
    int pixelHeight() const override { return 1; }
    int col() const override { return 0; }
    void setCol(int) override {}
};

TEST_F(Resize, WidthChangeOnTheNormalScreenRecountsImages)
{
    make(80, 24, 100);
    buffer->lines()[3].attach(std::make_shared<PixelImage>());
    buffer->lines()[9].attach(std::make_shared<PixelImage>());
    EXPECT_EQ(buffer->linesWithImagesCount(), 0);
    buffer->resize(60, 24);
    EXPECT_EQ(buffer->linesWithImagesCount(), 2);
}

TEST_F(Resize, EmptyScreenTakesTheNewSize)
{
    Buffer b(80, 24, 8, 100);
    b.resize(40, 10);
    EXPECT_EQ(b.lines().count(), 0);
    EXPECT_EQ(b.lines().maxLength(), 110);
    b.fillViewportRows();
    EXPECT_EQ(b.lines().count(), 10);
    EXPECT_EQ(b.lines()[0].count(), 40);
}

} // namespace
} // namespace corvel
