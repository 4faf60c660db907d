#include "skin/SkinLoader.h"
#include "skinbuilder/PictureCleanup.h"
#include "skinbuilder/SkinBuilderModel.h"

#include "support/BuilderTestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace velmora {
namespace {

using test::filledPicture;
using test::pixelAt;

const QColor red(200, 0, 0);
const QColor white(255, 255, 255);

class PictureToolsTest : public ::testing::Test {
protected:
    // Loads the picture into the model as a dropped file would be.
    void load(const QImage& picture)
    {
        ASSERT_TRUE(m_folder.isValid());
        const QString path
            = test::savePicture(picture, m_folder.filePath(QStringLiteral("picture-%1.png").arg(++m_files)));
        ASSERT_TRUE(model.loadImage(path));
    }

    QImage picture() const { return model.skinImage(); }
    QString status() const { return model.statusMessage().value_or(QString()); }

    SkinBuilderModel model{SkinLoader::shared()};

private:
    QTemporaryDir m_folder;
    int m_files = 0;
};

// 6 × 4 pixels, white, with a red area of five 4-connected pixels and one
// red pixel that touches it only diagonally:
//   R R . . . .
//   . R R . . .
//   . . R . . .
//   . . . R . .
QImage wandFixture()
{
    QImage image = filledPicture(6, 4, white);
    for (QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(1, 1), QPoint(2, 1), QPoint(2, 2), QPoint(3, 3)})
        image.setPixelColor(p, red);
    return image;
}

TEST_F(PictureToolsTest, MagicWandClearsTheFourConnectedAreaAndCountsIt)
{
    load(wandFixture());
    model.magicWandErase(QPointF(0.5, 0.5), 32);
    EXPECT_EQ(status(), QStringLiteral("Magic wand erased 5 px"));
    EXPECT_FALSE(model.statusIsError());
    for (QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(1, 1), QPoint(2, 1), QPoint(2, 2)})
        EXPECT_EQ(qAlpha(pixelAt(picture(), p.x(), p.y())), 0) << p.x() << "," << p.y();
    EXPECT_EQ(pixelAt(picture(), 3, 3), red.rgba()) << "a diagonal neighbour is not connected";
    EXPECT_EQ(pixelAt(picture(), 5, 0), white.rgba());
    EXPECT_EQ(model.history().count(), 1u);
    EXPECT_EQ(model.imageGeneration(), 2);
}

TEST_F(PictureToolsTest, MagicWandWithToleranceZeroTakesOnlyTheSameColour)
{
    QImage image = filledPicture(3, 1, QColor(100, 100, 100));
    image.setPixelColor(1, 0, QColor(100, 101, 100));
    load(image);
    model.magicWandErase(QPointF(0.2, 0.2), 0);
    EXPECT_EQ(status(), QStringLiteral("Magic wand erased 1 px"));
    EXPECT_EQ(qAlpha(pixelAt(picture(), 2, 0)), 255) << "cut off behind a pixel one step away";
    model.magicWandErase(QPointF(1.5, 0.5), 1);
    EXPECT_EQ(status(), QStringLiteral("Magic wand erased 2 px"));
}

TEST_F(PictureToolsTest, MagicWandMapsPointsToPixelsOfAHighResolutionPicture)
{
    QImage image = filledPicture(8, 8, white, 2); // 4 × 4 points
    image.setPixelColor(7, 7, red);
    image.setPixelColor(3, 1, red);
    load(image);
    EXPECT_EQ(model.imagePointSize(), QSizeF(4, 4));
    model.magicWandErase(QPointF(3.9, 3.9), 10);
    EXPECT_EQ(status(), QStringLiteral("Magic wand erased 1 px"));
    model.magicWandErase(QPointF(1.5, 0.5), 10);
    EXPECT_EQ(status(), QStringLiteral("Magic wand erased 1 px"));
    EXPECT_EQ(qAlpha(pixelAt(picture(), 3, 1)), 0);
    EXPECT_EQ(picture().size(), QSize(8, 8));
    EXPECT_EQ(picture().devicePixelRatio(), 2.0) << "the point size stays";
}

TEST_F(PictureToolsTest, MagicWandOutsideThePictureDoesNothing)
{
    load(wandFixture());
    const QString before = status();
    for (QPointF outside : {QPointF(6, 1), QPointF(1, 4), QPointF(-0.5, 1), QPointF(1, -0.1), QPointF(qQNaN(), 1)}) {
        model.magicWandErase(outside, 32);
        EXPECT_EQ(status(), before);
        EXPECT_EQ(model.history().count(), 0u);
        EXPECT_EQ(model.imageGeneration(), 1);
    }
}

TEST_F(PictureToolsTest, MagicWandReportsTransparentSpotsAndAMissingPicture)
{
    model.magicWandErase(QPointF(1, 1), 32);
    EXPECT_EQ(status(), QStringLiteral("Magic wand needs an RGBA image"));
    EXPECT_TRUE(model.statusIsError());

    load(filledPicture(4, 4, Qt::transparent));
    model.magicWandErase(QPointF(1, 1), 32);
    EXPECT_EQ(status(), QStringLiteral("That spot is already transparent"));
    EXPECT_FALSE(model.statusIsError());
    EXPECT_EQ(model.history().count(), 0u);
}

TEST_F(PictureToolsTest, BackgroundRemovalSpreadsThroughTheBorderAndKeepsTheDevice)
{
    // A white background, a grey device with a white window inside it, and a
    // nearly transparent blue streak from the border into the device.
    QImage image = filledPicture(20, 12, white);
    for (int y = 3; y < 9; ++y)
        for (int x = 4; x < 16; ++x)
            image.setPixelColor(x, y, QColor(90, 90, 90));
    for (int y = 5; y < 7; ++y)
        for (int x = 8; x < 12; ++x)
            image.setPixelColor(x, y, white);
    load(image);
    model.removeBackground(40);
    EXPECT_EQ(status(), QStringLiteral("Background removed"));
    EXPECT_EQ(qAlpha(pixelAt(picture(), 0, 0)), 0);
    EXPECT_EQ(qAlpha(pixelAt(picture(), 19, 11)), 0);
    EXPECT_EQ(qAlpha(pixelAt(picture(), 3, 6)), 0);
    EXPECT_EQ(pixelAt(picture(), 4, 3), QColor(90, 90, 90).rgba());
    EXPECT_EQ(pixelAt(picture(), 9, 5), white.rgba()) << "white enclosed by the device is not background";
    EXPECT_EQ(model.history().count(), 1u);
}

TEST_F(PictureToolsTest, BackgroundRemovalTakesFaintPixelsOfAnyColourFromATransparentBorder)
{
    // Tolerance 0: only the alpha rule clears the coloured pixels.
    QImage image = filledPicture(10, 10, QColor(0, 0, 0, 0));
    image.setPixelColor(0, 5, QColor(0, 200, 0, 9));
    image.setPixelColor(1, 5, QColor(200, 0, 200, 5));
    image.setPixelColor(2, 5, QColor(200, 0, 200, 10)); // too opaque
    for (int y = 3; y < 7; ++y)
        for (int x = 3; x < 7; ++x)
            image.setPixelColor(x, y, QColor(200, 180, 160));
    load(image);
    model.removeBackground(0);
    EXPECT_EQ(qAlpha(pixelAt(picture(), 0, 5)), 0);
    EXPECT_EQ(qAlpha(pixelAt(picture(), 1, 5)), 0);
    EXPECT_EQ(qAlpha(pixelAt(picture(), 2, 5)), 10);
    EXPECT_EQ(pixelAt(picture(), 4, 4), QColor(200, 180, 160).rgba());
}

TEST_F(PictureToolsTest, BackgroundRemovalWorksOnPicturesOnePixelWide)
{
    QImage image = filledPicture(1, 5, white);
    image.setPixelColor(0, 2, QColor(0, 0, 0));
    load(image);
    model.removeBackground(40);
    EXPECT_EQ(status(), QStringLiteral("Background removed"));
    EXPECT_EQ(qAlpha(pixelAt(picture(), 0, 0)), 0);
    EXPECT_EQ(qAlpha(pixelAt(picture(), 0, 2)), 255);
}

// 40 × 30 pixels at two pixels per point, transparent, with an opaque block
// over pixels 10-19 by 8-15.
QImage trimFixture(QImage::Format format = QImage::Format_RGBA8888)
{
    QImage image(40, 30, format);
    image.fill(Qt::transparent);
    for (int y = 8; y < 16; ++y)
        for (int x = 10; x < 20; ++x)
            image.setPixelColor(x, y, red);
    image.setDevicePixelRatio(2);
    return image;
}

TEST_F(PictureToolsTest, TrimKeepsAFourPixelMarginAndMovesEverythingOnThePicture)
{
    load(trimFixture());
    model.setViewport(QRectF(6, 5, 4, 3));
    ButtonDef button;
    button.rect = QRectF(8, 6, 1, 1);
    model.setButtons({button});
    model.setDrawerViewport(QRectF(5, 4, 2, 2));
    model.setDrawerMask({BezierNode(QPointF(5, 4), QPointF(4, 4), QPointF(6, 4))});
    model.setViewportCornerOffsets({{1, 0}, {0, 0}, {0, 0}, {0, 0}});

    model.trimToContent();
    EXPECT_EQ(status(), QStringLiteral("Trimmed to 18x16px"));
    EXPECT_EQ(model.imagePixelSize(), QSizeF(18, 16));
    EXPECT_EQ(model.imagePointSize(), QSizeF(9, 8));
    // The crop starts at pixel (6, 4), which is (3, 2) points.
    EXPECT_EQ(model.viewport(), QRectF(3, 3, 4, 3));
    EXPECT_EQ(model.buttons()[0].rect, QRectF(5, 4, 1, 1));
    EXPECT_EQ(model.drawerViewport(), QRectF(2, 2, 2, 2));
    EXPECT_EQ(model.drawerMask()[0], BezierNode(QPointF(2, 2), QPointF(1, 2), QPointF(3, 2)));
    EXPECT_EQ(model.viewportCornerOffsets()[0], QPointF(1, 0)) << "offsets are relative";
    EXPECT_EQ(pixelAt(picture(), 4, 4), red.rgba());

    model.undo();
    EXPECT_EQ(model.viewport(), QRectF(6, 5, 4, 3));
    EXPECT_EQ(model.drawerViewport(), QRectF(5, 4, 2, 2)) << "the drawer comes back with the picture";
    EXPECT_EQ(model.imagePixelSize(), QSizeF(40, 30));
}

TEST_F(PictureToolsTest, TrimClampsTheMarginAtThePictureEdge)
{
    QImage image = filledPicture(20, 20, Qt::transparent);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            image.setPixelColor(x, y, red);
    load(image);
    model.trimToContent();
    EXPECT_EQ(status(), QStringLiteral("Trimmed to 10x9px"));
}

TEST_F(PictureToolsTest, TrimReadsTheAlphaChannelWhateverThePixelLayout)
{
    // A grey picture has no alpha: every pixel is opaque, dark ones too.
    QImage grey(12, 10, QImage::Format_Grayscale8);
    grey.fill(0);
    load(grey);
    model.trimToContent();
    EXPECT_EQ(status(), QStringLiteral("Trimmed to 12x10px"));

    load(trimFixture(QImage::Format_ARGB32));
    model.trimToContent();
    EXPECT_EQ(status(), QStringLiteral("Trimmed to 18x16px"));
}

TEST_F(PictureToolsTest, TrimWithoutABoxOfContentReportsAndLeavesTheHistory)
{
    QImage single = filledPicture(8, 8, Qt::transparent);
    single.setPixelColor(3, 3, red);
    for (const QImage& image : {filledPicture(8, 8, Qt::transparent), single}) {
        load(image);
        model.magicWandErase(QPointF(6, 6), 0); // transparent: no step
        model.trimToContent();
        EXPECT_EQ(status(), QStringLiteral("No opaque content found"));
        EXPECT_TRUE(model.statusIsError());
        EXPECT_EQ(model.history().count(), 0u);
        EXPECT_EQ(model.imagePixelSize(), QSizeF(8, 8));
    }
}

TEST_F(PictureToolsTest, UndoKeepsTenStepsAndCountsDown)
{
    // Eleven columns of their own grey: each wand click clears one.
    QImage columns = filledPicture(11, 2, white);
    for (int x = 0; x < 11; ++x)
        for (int y = 0; y < 2; ++y)
            columns.setPixelColor(x, y, QColor(x * 20, x * 20, x * 20));
    load(columns);
    for (int i = 0; i < 11; ++i)
        model.magicWandErase(QPointF(i + 0.5, 0.5), 0);
    EXPECT_EQ(status(), QStringLiteral("Magic wand erased 2 px"));
    EXPECT_EQ(model.history().count(), 10u);
    for (int left = 9; left >= 0; --left) {
        model.undo();
        EXPECT_EQ(status(), QStringLiteral("Undo (%1 remaining)").arg(left));
        EXPECT_FALSE(model.statusIsError());
    }
    model.undo();
    EXPECT_EQ(status(), QStringLiteral("Nothing to undo"));
    EXPECT_TRUE(model.statusIsError());
}

TEST_F(PictureToolsTest, UndoBringsBackThePictureAndTheScreenAreaOfItsStep)
{
    load(wandFixture());
    model.setViewport(QRectF(1, 1, 2, 2));
    model.magicWandErase(QPointF(0.5, 0.5), 32);
    model.setViewport(QRectF(0, 0, 5, 3));
    const int generation = model.imageGeneration();
    model.undo();
    EXPECT_EQ(model.viewport(), QRectF(1, 1, 2, 2));
    EXPECT_EQ(pixelAt(picture(), 0, 0), red.rgba());
    EXPECT_EQ(model.imageGeneration(), generation + 1);
}

TEST_F(PictureToolsTest, PenNodesReportTheirCountAndDragOutMirroredHandles)
{
    model.addMaskVertex(QPointF(1, 1));
    EXPECT_EQ(status(), QStringLiteral("Pen: 1 node \u2014 drag to curve, dbl-click / Return to close"));
    model.addMaskVertex(QPointF(10, 1));
    EXPECT_EQ(status(), QStringLiteral("Pen: 2 nodes \u2014 drag to curve, dbl-click / Return to close"));
    model.updateMaskDragHandle(QPointF(12, 4));
    EXPECT_EQ(model.drawerMaskInProgress().back(), BezierNode(QPointF(10, 1), QPointF(8, -2), QPointF(12, 4)));
    EXPECT_TRUE(model.drawerMaskDragging());

    model.commitImagePen();
    EXPECT_EQ(status(), QStringLiteral("Pen needs at least 3 points"));
    EXPECT_TRUE(model.statusIsError());
    EXPECT_TRUE(model.drawerMaskInProgress().empty());
    EXPECT_FALSE(model.drawerMaskDragging());
}

TEST_F(PictureToolsTest, PenCropAndEraseApplyThePolygonAtTheSameSize)
{
    const std::vector<QPointF> covering{{-1, -1}, {11, -1}, {11, 11}, {-1, 11}};
    load(filledPicture(20, 20, red, 2)); // 10 × 10 points
    model.setCurrentTool(DrawTool::imageCropPen);
    for (QPointF p : covering)
        model.addMaskVertex(p);
    model.commitImagePen();
    EXPECT_EQ(status(), QStringLiteral("Cropped to 4-node polygon"));
    EXPECT_EQ(pixelAt(picture(), 0, 0), red.rgba());
    EXPECT_EQ(pixelAt(picture(), 19, 19), red.rgba());
    EXPECT_EQ(picture().size(), QSize(20, 20));
    EXPECT_EQ(model.imagePointSize(), QSizeF(10, 10));

    // Keep the top-left quarter only.
    for (QPointF p : {QPointF(0, 0), QPointF(5, 0), QPointF(5, 5), QPointF(0, 5)})
        model.addMaskVertex(p);
    model.commitImagePen();
    EXPECT_EQ(pixelAt(picture(), 4, 4), red.rgba());
    EXPECT_EQ(qAlpha(pixelAt(picture(), 15, 15)), 0);
    EXPECT_EQ(qAlpha(pixelAt(picture(), 15, 4)), 0);

    model.setCurrentTool(DrawTool::imageErasePen);
    for (QPointF p : covering)
        model.addMaskVertex(p);
    model.commitImagePen();
    EXPECT_EQ(status(), QStringLiteral("Erased 4-node polygon"));
    EXPECT_EQ(qAlpha(pixelAt(picture(), 4, 4)), 0);
    EXPECT_EQ(model.history().count(), 3u);
    EXPECT_TRUE(model.drawerMaskInProgress().empty());
}

TEST_F(PictureToolsTest, RubberBandBecomesTheScreenAreaWhenLargeEnough)
{
    load(filledPicture(200, 150, white));
    model.setStatus(QStringLiteral("before"), false);
    model.finishDraw(QRectF(10, 10, 5, 100));
    EXPECT_FALSE(model.viewport().has_value()) << "5 points is too narrow";
    EXPECT_EQ(status(), QStringLiteral("before"));

    model.finishDraw(QRectF(10.2, 20.5, 5.5, 100));
    EXPECT_EQ(model.viewport(), QRectF(10, 21, 6, 100)) << "origin and size each rounded, halves away from zero";
    EXPECT_EQ(status(), QStringLiteral("Viewport set: 6x100"));

    model.finishDraw(QRectF(150, 100, 100, 100));
    EXPECT_EQ(model.viewport(), QRectF(150, 100, 50, 50)) << "clipped to the picture";

    model.setCurrentTool(DrawTool::magicWand);
    model.finishDraw(QRectF(0, 0, 50, 50));
    EXPECT_EQ(model.viewport(), QRectF(150, 100, 50, 50));
    EXPECT_EQ(model.history().count(), 0u) << "drawing the screen area records nothing";
}

} // namespace
} // namespace velmora
