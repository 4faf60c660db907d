#include <gtest/gtest.h>

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
            if (test::countNear(image, QRect(0, y, image.width(), 1), Qt::red, 10) > 0) rows.push_back(y);
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
    EXPECT_EQ(rowsDrawn(underlined(9, -1)).size(), 2u);  // double
    EXPECT_EQ(rowsDrawn(underlined(1, -1)).size(), 1u);  // single
    EXPECT_TRUE(rowsDrawn(underlined(0, -1)).empty());   // none
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
    EXPECT_GT(rows[0], 12 - 8);  // below the x-height
}

}  // namespace
}  // namespace corvel
