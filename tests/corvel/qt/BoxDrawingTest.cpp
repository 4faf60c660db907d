#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "ViewTestSupport.h"
#include "corvel/qt/BoxDrawingRenderer.h"

namespace corvel {
namespace {

using test::mask;

// One glyph in an 8 × 16 cell at scale 1 with a one-pixel light stroke.
std::vector<std::string> glyph(uint32_t cp, QSize cell = {8, 16}, double scale = 1, int base = 1)
{
    QImage image(QSize(int(cell.width() * scale), int(cell.height() * scale)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    BoxDrawingRenderer::draw(cp, p, QPointF(0, 0), QSizeF(cell), scale, Qt::white, base);
    p.end();
    return mask(image, image.rect(), Qt::white, 60);
}

std::vector<std::string> repeat(const std::string& row, int n) { return std::vector<std::string>(size_t(n), row); }

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct MaskCase {
    const char* name;
    uint32_t codePoint;
    std::vector<std::string> expected;
};

TEST(BoxDrawingRenderer, LineGlyphMasks)
{
    const std::vector<MaskCase> cases = {
        {"light horizontal", 0x2500, concat({repeat("........", 7), {"########"}, repeat("........", 8)})},
        {"light vertical", 0x2502, repeat("...#....", 16)},
        {"cross", 0x253C, concat({repeat("...#....", 7), {"########"}, repeat("...#....", 8)})},
        {"double cross",
         0x256C,
         concat({repeat("..#.#...", 6), {"###.####"}, {"........"}, {"###.####"}, repeat("..#.#...", 7)})},
        {"down single right double",
         0x2552,
         concat({repeat("........", 6), {"...#####"}, {"...#...."}, {"...#####"}, repeat("...#....", 7)})},
        {"heavy horizontal", 0x2501, concat({repeat("........", 7), {"########", "########"}, repeat("........", 7)})},
    };
    for (const MaskCase& c : cases)
        EXPECT_EQ(glyph(c.codePoint), c.expected) << c.name;
}

TEST(BoxDrawingRenderer, BaseThicknessFollowsScaleAndUnderline)
{
    EXPECT_EQ(BoxDrawingRenderer::baseThickness(2, 1.0), 3);
    EXPECT_EQ(BoxDrawingRenderer::baseThickness(1, 1.0), 1);
    EXPECT_EQ(BoxDrawingRenderer::baseThickness(2, 0.2), 2);
}

TEST(BoxDrawingRenderer, LightStrokeIsNeverThinnerThanADevicePixelUnit)
{
    const auto rows = glyph(0x2500, {8, 16}, 2, 1);
    int filled = 0;
    for (const std::string& row : rows)
        filled += row.find('#') != std::string::npos;
    EXPECT_EQ(filled, 2);
}

TEST(BoxDrawingRenderer, NarrowCellsDrawDashesAsOneSolidLine)
{
    for (uint32_t cp : {0x2504u, 0x2505u}) {
        const auto rows = glyph(cp, {5, 16});
        EXPECT_EQ(rows[7], "#####") << std::hex << cp;
        EXPECT_EQ(rows[6], ".....") << std::hex << cp;
    }
    // Wide enough: three dashes with gaps.
    const auto wide = glyph(0x2504, {24, 16});
    EXPECT_EQ(wide[7], "..####....####....####..");
}

TEST(BoxDrawingRenderer, RoundedCornerJoinsStubsOnTheStrokeBands)
{
    const auto rows = glyph(0x256D); // down and right
    EXPECT_EQ(rows[15][3], '#'); // down stub
    EXPECT_EQ(rows[7][7], '#'); // right stub
    EXPECT_EQ(rows[0][3], '.'); // no up arm
    EXPECT_EQ(rows[7][0], '.'); // no left arm
}

TEST(BoxDrawingRenderer, DrawsNothingOutsideItsRange)
{
    EXPECT_EQ(glyph(0x2580), repeat("........", 16));
    EXPECT_EQ(glyph(0x24FF), repeat("........", 16));
}

TEST(BoxDrawingRenderer, ArmsFollowTheCharacterNames)
{
    using S = BoxDrawingRenderer::LineStyle;
    const auto arms = BoxDrawingRenderer::linesFor(0x251E); // up heavy and right down light
    EXPECT_EQ(arms.up, S::heavy);
    EXPECT_EQ(arms.right, S::light);
    EXPECT_EQ(arms.down, S::light);
    EXPECT_EQ(arms.left, S::none);
    const auto mixed = BoxDrawingRenderer::linesFor(0x257E); // heavy left and light right
    EXPECT_EQ(mixed.left, S::heavy);
    EXPECT_EQ(mixed.right, S::light);
}

} // namespace
} // namespace corvel
