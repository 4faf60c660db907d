#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include <QImage>
#include <QPainter>

#include "ViewTestSupport.h"
#include "corvel/qt/FontSet.h"
#include "corvel/qt/RunDecorations.h"

namespace corvel {
namespace {

// Decorations of a three-cell run drawn on a black picture; answers the
// rows that hold the colour.
class RunDecorationsTest : public ::testing::Test {
protected:
    std::vector<int> rowsDrawn(const TextAttributes& attributes, double scale = 1)
    {
        QImage image(QSize(int(30 * scale), int(20 * scale)), QImage::Format_RGB32);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::black);
        QPainter p(&image);
        const std::vector<QPointF> glyphs = {{0, 12}, {9, 12}, {18, 12}};
        drawRunAttributes(p, attributes, glyphs, {&fonts, 9, scale, Qt::white});
        p.end();
        std::vector<int> rows;
        for (int y = 0; y < image.height(); ++y)
            if (test::countNear(image, QRect(0, y, image.width(), 1), Qt::red, 10) > 0)
                rows.push_back(y);
        return rows;
    }

    static TextAttributes underlined(int platformStyle, int corvelStyle)
    {
        TextAttributes a;
        a.underline = TextAttributes::Underline{Qt::red, platformStyle, corvelStyle};
        return a;
    }

    FontSet fonts{test::testFont(14)};
};

TEST_F(RunDecorationsTest, PlatformStyleAloneChoosesTheShape)
{
    EXPECT_EQ(rowsDrawn(underlined(9, -1)).size(), 2u); // double
    EXPECT_EQ(rowsDrawn(underlined(1, -1)).size(), 1u); // single
    EXPECT_TRUE(rowsDrawn(underlined(0, -1)).empty()); // none
}

TEST_F(RunDecorationsTest, TerminalStyleWinsOverThePlatformStyle)
{
    EXPECT_EQ(rowsDrawn(underlined(1, 2)).size(), 2u);
    EXPECT_TRUE(rowsDrawn(underlined(9, 0)).empty());
}

TEST_F(RunDecorationsTest, DoubleLinesAreOneThicknessAndAPixelApart)
{
    const std::vector<int> rows = rowsDrawn(underlined(9, 2));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1] - rows[0], 2);
}

TEST_F(RunDecorationsTest, StrikeThroughSitsAboveTheBaseline)
{
    TextAttributes a;
    a.strikeThrough = TextAttributes::StrikeThrough{Qt::red, 1};
    const std::vector<int> rows = rowsDrawn(a);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_LT(rows[0], 12);
    EXPECT_GT(rows[0], 12 - 8); // below the x-height
}

// Underlines drawn the way the view draws a row: a picture exactly one cell
// high for a font and scale, the baseline where the view puts it. Anything
// that left the cell would be missing from the picture.
class UnderlineInTheCell : public ::testing::TestWithParam<std::tuple<int, double>> {
protected:
    int fontSize() const { return std::get<0>(GetParam()); }
    double scale() const { return std::get<1>(GetParam()); }

    struct Drawn {
        // Device-pixel rows holding the colour, top to bottom.
        std::vector<int> rows;
        int height = 0;
        int baselineRow = 0;
    };

    Drawn draw(UnderlineStyle style)
    {
        const FontSet fonts(test::testFont(fontSize()));
        const QSizeF cell = fonts.computeCellDimension(scale());
        const double baseline = cell.height() - fonts.baselineOffset();
        QImage image(QSize(int(std::ceil(cell.width() * 3 * scale())), int(std::lround(cell.height() * scale()))),
                     QImage::Format_RGB32);
        image.setDevicePixelRatio(scale());
        image.fill(Qt::black);
        QPainter p(&image);
        p.setClipRect(QRectF(0, 0, cell.width() * 3, cell.height()));
        const std::vector<QPointF> glyphs = {{0, baseline}, {cell.width(), baseline}, {2 * cell.width(), baseline}};
        TextAttributes a;
        a.underline = TextAttributes::Underline{Qt::red, 1, static_cast<int>(style)};
        drawRunAttributes(p, a, glyphs, {&fonts, cell.width(), scale(), Qt::white, fonts.baselineOffset()});
        p.end();
        Drawn drawn;
        drawn.height = image.height();
        drawn.baselineRow = int(std::lround(baseline * scale()));
        for (int y = 0; y < image.height(); ++y)
            if (test::countNear(image, QRect(0, y, image.width(), 1), Qt::red, 10) > 0)
                drawn.rows.push_back(y);
        return drawn;
    }

    // Runs of consecutive rows.
    static std::vector<std::pair<int, int>> bands(const std::vector<int>& rows)
    {
        std::vector<std::pair<int, int>> out;
        for (const int row : rows) {
            if (!out.empty() && out.back().second + 1 == row)
                out.back().second = row;
            else
                out.emplace_back(row, row);
        }
        return out;
    }
};

TEST_P(UnderlineInTheCell, DoubleIsTwoSeparateLinesInsideTheCell)
{
    const Drawn drawn = draw(UnderlineStyle::doubled);
    const auto lines = bands(drawn.rows);
    ASSERT_EQ(lines.size(), 2u) << "font " << fontSize() << " scale " << scale();
    // Equally thick: a second line cut by the cell's edge would be thinner.
    EXPECT_EQ(lines[0].second - lines[0].first, lines[1].second - lines[1].first);
    // Lifted above the baseline only where the pair has no room below it.
    const int pair = lines[1].second - lines[0].first + 1;
    if (pair <= drawn.height - drawn.baselineRow) {
        EXPECT_GE(lines[0].first, drawn.baselineRow);
    }
    EXPECT_GE(lines[0].first, 0);
}

TEST_P(UnderlineInTheCell, SingleLineStaysInTheCell)
{
    const Drawn drawn = draw(UnderlineStyle::single);
    ASSERT_EQ(bands(drawn.rows).size(), 1u);
    EXPECT_GE(drawn.rows.front(), drawn.baselineRow);
}

TEST_P(UnderlineInTheCell, CurlWavesAQuarterOfTheRoomBelowTheBaseline)
{
    const FontSet fonts(test::testFont(fontSize()));
    const UnderlineGeometry geometry = underlineGeometry(UnderlineStyle::curly,
                                                         fonts.rawFont(FontFace::normal).underlinePosition(),
                                                         fonts.rawFont(FontFace::normal).lineThickness(),
                                                         fonts.baselineOffset(),
                                                         scale());
    const double room = std::floor(fonts.baselineOffset() * scale());
    EXPECT_NEAR(geometry.curlAmplitude, std::max(room / 4, 1.0), 1e-9);

    const Drawn drawn = draw(UnderlineStyle::curly);
    ASSERT_FALSE(drawn.rows.empty());
    // Crest to trough, stroke included, and all of it inside the cell.
    const int span = drawn.rows.back() - drawn.rows.front() + 1;
    EXPECT_GE(span, int(std::floor(2 * geometry.curlAmplitude)) + geometry.thickness);
    EXPECT_LE(span, int(std::ceil(2 * geometry.curlAmplitude)) + geometry.thickness + 1);
    // A curl cut by the cell's edge would span less than its full height.
    EXPECT_GE(drawn.rows.front(), drawn.baselineRow);
}

INSTANTIATE_TEST_SUITE_P(FontsAndScales, UnderlineInTheCell,
                         ::testing::Combine(::testing::Values(9, 14, 28), ::testing::Values(1.0, 1.5, 2.0)),
                         [](const auto& info) {
                             const double scale = std::get<1>(info.param);
                             return "font" + std::to_string(std::get<0>(info.param)) + "_scale"
                                 + std::to_string(int(scale * 10));
                         });

TEST(UnderlineGeometryTest, ADoubleUnderlineThatWouldLeaveTheCellIsLifted)
{
    // Underline at 3 px below the baseline, 1 px thick, 4 px of room: the
    // second line would end at 7 px.
    const UnderlineGeometry lifted = underlineGeometry(UnderlineStyle::doubled, 3, 1, 4, 1);
    EXPECT_EQ(lifted.lineTops, (std::vector<int>{1, 3}));
    // With room enough the font's position stands.
    const UnderlineGeometry kept = underlineGeometry(UnderlineStyle::doubled, 1.5, 1, 8, 1);
    EXPECT_EQ(kept.lineTops, (std::vector<int>{1, 3}));
    // At scale 2 the lines and their gap double.
    const UnderlineGeometry doubled = underlineGeometry(UnderlineStyle::doubled, 1.5, 1, 8, 2);
    EXPECT_EQ(doubled.thickness, 2);
    EXPECT_EQ(doubled.lineTops, (std::vector<int>{2, 6}));
}

TEST(UnderlineGeometryTest, ThicknessIsWholeDevicePixelsAndAtLeastHalfAPoint)
{
    EXPECT_EQ(underlineGeometry(UnderlineStyle::single, 2, 0.2, 4, 1).thickness, 1);
    EXPECT_EQ(underlineGeometry(UnderlineStyle::single, 2, 0.2, 4, 3).thickness, 2);
    EXPECT_EQ(underlineGeometry(UnderlineStyle::single, 2, 1.4, 4, 1.5).thickness, 2);
    EXPECT_TRUE(underlineGeometry(UnderlineStyle::none, 2, 1, 4, 1).lineTops.empty());
}

} // namespace
} // namespace corvel
