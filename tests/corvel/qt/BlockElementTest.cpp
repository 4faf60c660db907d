#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "ViewTestSupport.h"
#include "corvel/qt/BlockElementMapping.h"

namespace corvel {
namespace {

TEST(BlockElementMapping, CoversExactlyTheBlockElementRange)
{
    EXPECT_FALSE(BlockElementMapping::rects(0x257F));
    EXPECT_FALSE(BlockElementMapping::rects(0x25A0));
    for (uint32_t cp = 0x2580; cp <= 0x259F; ++cp) {
        auto rects = BlockElementMapping::rects(cp);
        ASSERT_TRUE(rects) << std::hex << cp;
        EXPECT_FALSE(rects->empty()) << std::hex << cp;
    }
}

struct MappingCase {
    uint32_t codePoint;
    std::vector<BlockElementRect> rects;
};

TEST(BlockElementMapping, TableEntries)
{
    const std::vector<MappingCase> cases = {
        {0x2580, {{0, 8, 0, 4}}},
        {0x2581, {{0, 8, 7, 8}}},
        {0x2588, {{0, 8, 0, 8}}},
        {0x258F, {{0, 1, 0, 8}}},
        {0x2590, {{4, 8, 0, 8}}},
        {0x2591, {{0, 8, 0, 8, BlockAlpha::light}}},
        {0x2593, {{0, 8, 0, 8, BlockAlpha::dark}}},
        {0x2595, {{7, 8, 0, 8}}},
        {0x2599, {{0, 4, 0, 4}, {0, 4, 4, 8}, {4, 8, 4, 8}}},
        {0x259E, {{4, 8, 0, 4}, {0, 4, 4, 8}}},
    };
    for (const MappingCase& c : cases) {
        auto rects = BlockElementMapping::rects(c.codePoint);
        ASSERT_TRUE(rects);
        EXPECT_EQ(std::vector<BlockElementRect>(rects->begin(), rects->end()), c.rects) << std::hex << c.codePoint;
    }
}

TEST(BlockAlpha, OnlyTheFourValuesConvert)
{
    EXPECT_EQ(blockAlphaFromValue(0.75), BlockAlpha::dark);
    EXPECT_EQ(blockAlphaFromValue(0.25), BlockAlpha::light);
    EXPECT_FALSE(blockAlphaFromValue(0.3));
    EXPECT_FALSE(blockAlphaFromValue(0.0));
}

// Paints block elements into a transparent image of the given logical size
// and device-pixel ratio.
class BlockPainting : public ::testing::Test {
protected:
    QImage paint(QSize logical, double scale, const std::vector<std::pair<double, BlockElementRenderItem>>& rows,
                 QSizeF cell, bool antialias = false)
    {
        QImage image(QSize(int(logical.width() * scale), int(logical.height() * scale)),
                     QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        QPainter p(&image);
        for (const auto& [top, item] : rows)
            drawBlockElements(p, std::span(&item, 1), QPointF(0, top), cell, scale, antialias);
        return image;
    }

    static BlockElementRenderItem item(uint32_t cp, QColor color, int column = 0, int width = 1)
    {
        auto rects = BlockElementMapping::rects(cp);
        return {column, width, cp, std::vector<BlockElementRect>(rects->begin(), rects->end()), color};
    }
};

TEST_F(BlockPainting, StackedFullBlocksLeaveNoSeamAndNoOverlap)
{
    // Cell heights are whole device pixels: 17 px at scale 1, 8.5 points
    // (17 px) and 7.5 points (15 px) at scale 2.
    struct Case {
        double scale;
        QSizeF cell;
    };
    for (const Case& c : {Case{1, {9, 17}}, Case{2, {7.5, 8.5}}, Case{2, {8, 7.5}}}) {
        // Half-transparent, so an overlap would show darker.
        const QColor color(255, 0, 0, 128);
        const QImage image = paint(
            QSize(20, 40), c.scale, {{0.0, item(0x2588, color)}, {c.cell.height(), item(0x2588, color)}}, c.cell);
        const int width = int(std::lround(c.cell.width() * c.scale));
        const int height = int(std::lround(2 * c.cell.height() * c.scale));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(qAlpha(image.pixel(x, y)), 128) << "scale " << c.scale << " at " << x << "," << y;
        EXPECT_EQ(qAlpha(image.pixel(0, height)), 0);
        EXPECT_EQ(qAlpha(image.pixel(width, 0)), 0);
    }
}

TEST_F(BlockPainting, ShadesScaleTheForegroundAlpha)
{
    struct Case {
        uint32_t cp;
        int opaqueAlpha;
        int halfAlpha;
    };
    for (const Case& c : {Case{0x2591, 64, 32}, Case{0x2592, 128, 64}, Case{0x2593, 191, 96}}) {
        const QImage opaque = paint(QSize(8, 16), 1, {{0.0, item(c.cp, QColor(0, 0, 255))}}, {8, 16});
        EXPECT_NEAR(qAlpha(opaque.pixel(4, 8)), c.opaqueAlpha, 1) << std::hex << c.cp;
        const QImage half = paint(QSize(8, 16), 1, {{0.0, item(c.cp, QColor(0, 0, 255, 128))}}, {8, 16});
        EXPECT_NEAR(qAlpha(half.pixel(4, 8)), c.halfAlpha, 1) << std::hex << c.cp;
    }
}

TEST_F(BlockPainting, EighthsSnapOutwardsToDevicePixels)
{
    // Lower one eighth of a 17-pixel cell: 2.125 px, snapped out to 3 rows.
    const QImage image = paint(QSize(8, 17), 1, {{0.0, item(0x2581, Qt::green)}}, {8, 17});
    int covered = 0;
    for (int y = 0; y < 17; ++y)
        covered += qAlpha(image.pixel(3, y)) == 255;
    EXPECT_EQ(covered, 3);
    EXPECT_EQ(qAlpha(image.pixel(3, 16)), 255);
    EXPECT_EQ(qAlpha(image.pixel(3, 13)), 0);
}

TEST_F(BlockPainting, DoubleWidthCellStretchesOverBothCells)
{
    const QImage image = paint(QSize(20, 16), 1, {{0.0, item(0x258C, Qt::white, 0, 2)}}, {8, 16});
    EXPECT_EQ(qAlpha(image.pixel(7, 8)), 255); // left half of two cells: all of the first
    EXPECT_EQ(qAlpha(image.pixel(8, 8)), 0);
}

} // namespace
} // namespace corvel
