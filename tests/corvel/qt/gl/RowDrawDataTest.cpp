#include <gtest/gtest.h>

#include <functional>

#include <QCoreApplication>

#include "GlTestSupport.h"
#include "corvel/qt/CaretShapes.h"
#include "corvel/qt/FontSet.h"
#include "corvel/qt/RunDecorations.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/qt/gl/BufferPool.h"
#include "corvel/qt/gl/FrameDrawData.h"
#include "corvel/qt/gl/GlyphRasterizer.h"
#include "corvel/qt/gl/GlyphStore.h"
#include "corvel/terminal/SelectionService.h"

namespace corvel {
namespace {

using test::FakeDevice;

using GpuDrawDataTest = test::GpuViewFixture;

TEST_F(GpuDrawDataTest, BackgroundsFollowCellsAndTheLastRunReachesTheEdge)
{
    view->feed("\x1b[41mab\x1b[0mcd\x1b[44m");
    view->feed(std::string(16, 'x'));
    frame();
    const std::vector<ColorCell>& cells = row(0).backgroundCells;
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].position, (GpuFloat2{0, rowBottom(0)}));
    EXPECT_EQ(cells[0].size, (GpuFloat2{2 * cw, ch}));
    // Columns 4..19: the last run, painted to the text area's right edge.
    EXPECT_EQ(cells[1].position.x, 4 * cw);
    EXPECT_EQ(cells[1].position.x + cells[1].size.x, 20 * cw);
    EXPECT_EQ(row(0).glyphCellsGray.size(), 20u);
}

TEST_F(GpuDrawDataTest, SelectionPaintsOverTheRunsBackground)
{
    view->setSelectedTextBackgroundColor(QColor(10, 200, 30));
    view->feed("\x1b[41mhello\x1b[0m");
    view->selection().setSelection(Position{1, 0}, Position{3, 0});
    frame();
    bool selected = false;
    for (const ColorCell& cell : row(0).backgroundCells)
        if (cell.color == toGpuColor(QColor(10, 200, 30))) {
            selected = true;
            EXPECT_EQ(cell.position.x, cw);
        }
    EXPECT_TRUE(selected);
}

TEST_F(GpuDrawDataTest, DoubleWidthLinesDoubleEveryX)
{
    view->feed("\x1b#6\x1b[42mab\x1b[4mc");
    frame();
    const RowDrawData& data = row(0);
    ASSERT_FALSE(data.backgroundCells.empty());
    EXPECT_EQ(data.backgroundCells[0].size.x, 4 * cw);
    ASSERT_EQ(data.glyphCellsGray.size(), 3u);
    EXPECT_GE(data.glyphCellsGray[1].position.x, 2 * cw);
    EXPECT_LT(data.glyphCellsGray[1].position.x, 4 * cw);
    ASSERT_FALSE(data.decorationCells.empty());
    EXPECT_EQ(data.decorationCells.front().position.x, 4 * cw);
    EXPECT_EQ(data.decorationCells.front().size.x, 2 * cw);
}

TEST_F(GpuDrawDataTest, WideCharactersAndClustersAdvanceByTheirCells)
{
    // A wide character and a combining cluster never shift the next cells.
    view->feed("\xe4\xb8\xad"
               "e\xcc\x81"
               "\x1b[41mZ");
    frame();
    const std::vector<ColorCell>& cells = row(0).backgroundCells;
    ASSERT_FALSE(cells.empty());
    EXPECT_EQ(cells.back().position.x, 3 * cw);
}

TEST_F(GpuDrawDataTest, DecorationsAreTheViewsOwnRectangles)
{
    view->feed("\x1b[4:3;9mab");
    frame();
    TextAttributes attributes = view->buildAttributedString(0, view->getTerminal().displayBuffer().lines()[0], 20)
                                    .segments.front()
                                    .runs.front()
                                    .attributes;
    const FontSet& fonts = view->fontSet();
    const double baseline = ch - fonts.baselineOffset();
    const std::vector<QPointF> glyphs = {{0, baseline}, {double(cw), baseline}};
    const auto rects = runDecorationRects(
        attributes, glyphs, {&fonts, cw, 1, view->nativeForegroundColor(), fonts.baselineOffset()});
    const std::vector<ColorCell>& cells = row(0).decorationCells;
    ASSERT_EQ(cells.size(), rects.size());
    for (size_t i = 0; i < rects.size(); ++i) {
        EXPECT_EQ(cells[i].position.x, rects[i].rect.left()) << i;
        EXPECT_EQ(cells[i].position.y, 5 * ch - rects[i].rect.bottom()) << i;
        EXPECT_EQ(cells[i].size.y, rects[i].rect.height()) << i;
    }
}

TEST_F(GpuDrawDataTest, BoxAndBlockGlyphsComeFirstFromTheGreyAtlas)
{
    view->feed("A\xe2\x94\x80\xe2\x96\x88");
    frame();
    const std::vector<TextCell>& cells = row(0).glyphCellsGray;
    ASSERT_EQ(cells.size(), 3u);
    // The cell and a margin for antialiased fringes, cut to the row.
    constexpr int m = GlyphRasterizer::customGlyphMargin;
    EXPECT_EQ(cells[0].position, (GpuFloat2{cw - m, rowBottom(0)}));
    EXPECT_EQ(cells[0].size, (GpuFloat2{cw + 2 * m, ch}));
    EXPECT_EQ(cells[1].position.x, 2 * cw - m);
    EXPECT_EQ(cells[1].texSize.x, float(cw + 2 * m) / store->grayscaleAtlas().size());
}

TEST_F(GpuDrawDataTest, EmojiGoToTheColourAtlasInWhite)
{
    view->setNativeForegroundColor(Qt::red);
    view->feed("\xf0\x9f\x98\x80");
    frame();
    ASSERT_EQ(row(0).glyphCellsColor.size(), 1u);
    EXPECT_EQ(row(0).glyphCellsColor[0].color, (GpuFloat4{1, 1, 1, 1}));
    EXPECT_LE(row(0).glyphCellsColor[0].position.x + row(0).glyphCellsColor[0].size.x, 2 * cw);
}

TEST_F(GpuDrawDataTest, OnlyChangedRowsAreBuiltAgain)
{
    view->feed("one\r\ntwo\r\nthree");
    frame();
    EXPECT_EQ(builder->rowsBuilt(), 5);
    view->feed("!");
    frame();
    EXPECT_EQ(builder->rowsBuilt(), 1);
    frame();
    EXPECT_EQ(builder->rowsBuilt(), 0);
}

TEST_F(GpuDrawDataTest, HoveringALinkBuildsItsRowsAgainWithTheUnderline)
{
    view->setLinkHighlightMode(LinkHighlightMode::hover);
    view->feed("one\r\nsee https://example.test/ ok\r\nthree");
    frame();
    EXPECT_TRUE(row(1).decorationCells.empty());
    view->updateHoverLink(Position{6, 1});
    ASSERT_TRUE(view->linkHighlightRange);
    frame();
    // Not the whole screen.
    EXPECT_LT(builder->rowsBuilt(), 5);
    ASSERT_FALSE(row(1).decorationCells.empty());
    // Under the link's 21 cells only.
    for (const ColorCell& cell : row(1).decorationCells) {
        EXPECT_GE(cell.position.x, 4 * cw);
        EXPECT_LE(cell.position.x + cell.size.x, 25 * cw);
    }
    view->updateHoverLink(Position{0, 0});
    frame();
    EXPECT_LT(builder->rowsBuilt(), 5);
    EXPECT_TRUE(row(1).decorationCells.empty());
}

// Whatever restyles the screen builds every cached row again, and the rows
// show the change.
TEST_F(GpuDrawDataTest, RestylingBuildsEveryRowAgain)
{
    view->setSelectedTextBackgroundColor(QColor(10, 200, 30));
    view->feed("\x1b[31mone\x1b[0m\r\ntwo \xe2\x96\x92\r\nthree");
    frame();
    // The shade's glyph, drawn without antialiasing.
    const GpuFloat2 blockOrigin = row(1).glyphCellsGray.front().texOrigin;
    struct Case {
        const char* name;
        std::function<void()> change;
        std::function<bool()> shown;
    };
    const auto hasBackground = [this](int screenRow, QColor color) {
        for (const ColorCell& cell : row(screenRow).backgroundCells)
            if (cell.color == toGpuColor(color))
                return true;
        return false;
    };
    const std::vector<Case> cases = {
        {"selection",
         [&] {
             view->selection().setSelection(Position{0, 1}, Position{2, 1});
         },
         [&] { return hasBackground(1, QColor(10, 200, 30)); }},
        {"selection cleared",
         [&] { view->selection().selectNone(); },
         [&] { return !hasBackground(1, QColor(10, 200, 30)); }},
        {"palette entry",
         [&] { view->feed("\x1b]4;1;rgb:12/34/56\x1b\\"); },
         [&] { return row(0).glyphCellsGray.front().color == toGpuColor(QColor(0x12, 0x34, 0x56)); }},
        {"antialiased block glyphs",
         [&] { view->setAntiAliasCustomBlockGlyphs(true); },
         [&] { return row(1).glyphCellsGray.front().texOrigin != blockOrigin; }},
        {"native foreground",
         [&] { view->setNativeForegroundColor(QColor(200, 100, 50)); },
         [&] { return row(1).glyphCellsGray.back().color == toGpuColor(QColor(200, 100, 50)); }},
    };
    for (const Case& c : cases) {
        frame();
        frame();
        ASSERT_EQ(builder->rowsBuilt(), 0) << c.name;
        c.change();
        frame();
        EXPECT_EQ(builder->rowsBuilt(), 5) << c.name;
        EXPECT_TRUE(c.shown()) << c.name;
    }
}

TEST_F(GpuDrawDataTest, ScrollingBuildsEveryRow)
{
    view->feed("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7");
    frame();
    view->scrollUp(1);
    frame();
    EXPECT_EQ(builder->rowsBuilt(), 5);
}

TEST_F(GpuDrawDataTest, AggregatedFramesHoldEveryRowInOrder)
{
    view->feed("\x1b[41ma\r\n\x1b[42mb");
    const DrawData data = frame(GpuBufferingMode::perFrameAggregated);
    EXPECT_TRUE(data.rows.empty());
    ASSERT_TRUE(data.frame);
    ASSERT_GE(data.frame->backgroundCells.size(), 2u);
    EXPECT_GT(data.frame->backgroundCells[0].position.y, data.frame->backgroundCells[1].position.y);
    for (const auto& [row, entry] : builder->rowCache())
        EXPECT_FALSE(entry.buffers);
    const DrawData perRow = frame();
    EXPECT_EQ(perRow.rows.size(), 5u);
    EXPECT_EQ(perRow.rows[0].backgroundCount, 1);
}

TEST_F(GpuDrawDataTest, AnAtlasGrowthBuildsTheFrameOnceMore)
{
    FakeDevice small;
    auto tiny = GlyphStore::create(small, 256, 512);
    FrameDrawBuilder frames(small, *tiny);
    // Five rows of 20 distinct glyphs at 60 pixels do not fit in 256².
    view->setTerminalFont(test::glTestFont(60));
    const QSizeF cell = view->cellDimension();
    view->resize(view->scrollerWidth() + int(cell.width() * 20), int(cell.height() * 5));
    for (int r = 0; r < 5; ++r) {
        std::string text;
        for (int i = 0; i < 20; ++i)
            text.push_back(char('!' + r * 20 + i));
        view->feed(text + (r < 4 ? "\r\n" : ""));
    }
    view->updateDisplay(false);
    const DrawData data = frames.build(*view, QSizeF(view->size()), 1, GpuBufferingMode::perFrameAggregated, true);
    EXPECT_EQ(frames.buildPasses(), 2);
    // Every glyph refers to the grown atlas.
    const float texel = 1.0f / tiny->grayscaleAtlas().size();
    for (const TextCell& cell : data.frame->glyphCellsGray)
        EXPECT_LE(cell.texOrigin.x + cell.texSize.x, 1 + texel);
    EXPECT_EQ(tiny->grayscaleAtlas().size(), 512);
}

TEST(GpuDirtyRangeTest, ClampsToTheVisibleRows)
{
    using Range = std::optional<std::pair<int, int>>;
    struct Case {
        Range dirty;
        int first, last;
        Range expected;
    };
    for (const Case& c : {Case{std::pair(5, 8), 0, 23, std::pair(5, 8)},
                          Case{std::pair(-3, 40), 10, 33, std::pair(10, 33)},
                          Case{std::pair(0, 4), 10, 33, std::nullopt},
                          Case{std::nullopt, 0, 23, std::nullopt},
                          Case{std::pair(33, 50), 10, 33, std::pair(33, 33)}})
        EXPECT_EQ(clampDirtyRange(c.dirty, c.first, c.last), c.expected);
    EXPECT_EQ(visibleRowRange(100, 24, 110), std::pair(100, 109));
    EXPECT_EQ(visibleRowRange(0, 24, 0), std::nullopt);
}

TEST(GpuBufferPoolTest, RoundsLengthsAndKeepsFourIdleBuffersPerLength)
{
    FakeDevice device;
    BufferPool pool(device);
    const std::vector<GlyphVertex> three(3), nine(9);
    EXPECT_EQ(pool.makeBuffer(std::span<const GlyphVertex>(three))->length(), 256u);
    EXPECT_EQ(pool.makeBuffer(std::span<const GlyphVertex>(nine))->length(), 512u);
    EXPECT_FALSE(pool.makeBuffer(std::span<const GlyphVertex>()));
    std::vector<std::shared_ptr<GpuBuffer>> five;
    for (int i = 0; i < 5; ++i)
        five.push_back(pool.dequeue(256));
    pool.recycle(five);
    EXPECT_EQ(pool.idleCount(256), 4u);
    // A frame's buffers come back when the next frame starts, and are reused.
    pool.beginFrame();
    EXPECT_EQ(pool.idleCount(512), 1u);
    const int made = device.buffersMade;
    pool.makeBuffer(std::span<const GlyphVertex>(nine));
    EXPECT_EQ(device.buffersMade, made);
}

TEST_F(GpuDrawDataTest, CursorShapesFollowTheStyleFocusAndScale)
{
    const QRectF cell(0, 0, 9, 17);
    struct Case {
        CursorStyle style;
        bool focused;
        double scale;
        std::vector<QRectF> expected;
    };
    const std::vector<Case> cases = {
        {CursorStyle::steadyBlock, true, 1, {cell}},
        {CursorStyle::steadyUnderline, true, 1, {QRectF(0, 15, 9, 2)}},
        {CursorStyle::steadyBar, true, 2, {QRectF(0, 0, 2, 17)}},
        {CursorStyle::blinkUnderline, true, 2, {QRectF(0, 15, 9, 2)}},
        {CursorStyle::steadyBar,
         false,
         2,
         {QRectF(0, 0, 9, 1.5), QRectF(0, 15.5, 9, 1.5), QRectF(0, 1.5, 1.5, 14), QRectF(7.5, 1.5, 1.5, 14)}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(caretShapes(c.style, c.focused, cell, c.scale), c.expected);
}

// The cursor's shapes in drawable pixels: an underline and a bar 2 logical
// pixels thick in whole device pixels, at least one, on the cell snapped to
// whole device pixels.
TEST_F(GpuDrawDataTest, CursorLinesAreWholeDevicePixelsThick)
{
    view->setCaretViewTracksFocus(false);
    struct Case {
        CursorStyle style;
        double scale;
        float width, height;
    };
    for (const Case& c : {Case{CursorStyle::steadyUnderline, 2, 2 * cw, 4},
                          Case{CursorStyle::steadyBar, 2, 4, 2 * ch},
                          Case{CursorStyle::blinkUnderline, 1, cw, 2},
                          Case{CursorStyle::steadyBar, 0.25, 1, 4},
                          Case{CursorStyle::steadyUnderline, 0.25, 2, 1}}) {
        view->getTerminal().options.cursorStyle = c.style;
        const DrawData data
            = builder->build(*view, QSizeF(cw * 20, ch * 5), c.scale, GpuBufferingMode::perRowPersistent, true);
        ASSERT_EQ(data.cursor.colorVertices.size(), 6u) << c.scale;
        const GpuFloat2 low = data.cursor.colorVertices[0].position, high = data.cursor.colorVertices[4].position;
        EXPECT_FLOAT_EQ(high.x - low.x, c.width) << int(c.style) << " at " << c.scale;
        EXPECT_FLOAT_EQ(high.y - low.y, c.height) << int(c.style) << " at " << c.scale;
    }
}

TEST_F(GpuDrawDataTest, ABlockOnAnEmptyLineDrawsNoGlyph)
{
    view->getTerminal().options.cursorStyle = CursorStyle::steadyBlock;
    view->setCaretViewTracksFocus(false);
    view->feed("text\r\n");
    const DrawData data = frame();
    ASSERT_EQ(data.cursor.colorVertices.size(), 6u);
    EXPECT_EQ(data.cursor.colorVertices[0].position, (GpuFloat2{0, rowBottom(1)}));
    EXPECT_TRUE(data.cursor.glyphVerticesGray.empty());
    EXPECT_TRUE(data.cursor.glyphVerticesColor.empty());
}

TEST_F(GpuDrawDataTest, TheCursorIsOneCellOnDoubleWidthLinesAndDrawsItsCharacter)
{
    view->getTerminal().options.cursorStyle = CursorStyle::steadyBlock;
    view->setCaretViewTracksFocus(false);
    view->feed("\x1b#6abcdef\x1b[1;4H");
    const DrawData data = frame();
    ASSERT_EQ(data.cursor.colorVertices.size(), 6u);
    EXPECT_EQ(data.cursor.colorVertices[0].position, (GpuFloat2{6 * cw, rowBottom(0)}));
    EXPECT_EQ(data.cursor.colorVertices[4].position, (GpuFloat2{7 * cw, rowBottom(0) + ch}));
    EXPECT_EQ(data.cursor.glyphVerticesGray.size(), 6u);
    for (const GlyphVertex& v : data.cursor.glyphVerticesGray) {
        EXPECT_GE(v.position.x, 6 * cw);
        EXPECT_LE(v.position.x, 7 * cw);
    }
}

TEST_F(GpuDrawDataTest, TheCursorHidesAndBlinksOff)
{
    view->getTerminal().options.cursorStyle = CursorStyle::blinkBlock;
    view->setCaretViewTracksFocus(false);
    EXPECT_FALSE(frame().cursor.empty());
    EXPECT_TRUE(
        builder->build(*view, QSizeF(cw * 20, ch * 5), 1, GpuBufferingMode::perRowPersistent, false).cursor.empty());
    view->feed("\x1b[?25l");
    EXPECT_TRUE(frame().cursor.empty());
}

TEST_F(GpuDrawDataTest, AnUnfocusedCursorIsAHollowBox)
{
    view->getTerminal().options.cursorStyle = CursorStyle::steadyBlock;
    view->setCaretViewTracksFocus(true);
    view->setViewHasFocus(false);
    const DrawData data = frame();
    EXPECT_EQ(data.cursor.colorVertices.size(), 24u);
    EXPECT_TRUE(data.cursor.glyphVerticesGray.empty());
}

} // namespace
} // namespace corvel
