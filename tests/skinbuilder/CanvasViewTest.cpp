#include "skinbuilder/CanvasView.h"
#include "skin/SkinLoader.h"
#include "skinbuilder/CanvasScrollView.h"
#include "skinbuilder/SkinBuilderModel.h"

#include "support/BuilderTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace velmora {
namespace {

// The canvas at magnification 2 over a 400 × 300 point picture with the
// screen area (100, 100, 100, 50). Input is given in picture points and
// sent as the window system would, in widget pixels.
class CanvasViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        const QString path
            = test::savePicture(test::filledPicture(400, 300, QColor(40, 50, 60)), m_folder.filePath("p.png"));
        ASSERT_TRUE(model.loadImage(path));
        model.setViewport(QRectF(100, 100, 100, 50));
        canvas.setMagnification(2);
    }

    QPointF at(QPointF imagePoint) const { return canvas.widgetPoint(imagePoint); }

    void send(QEvent::Type type, QPointF imagePoint, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPointF local = at(imagePoint);
        QMouseEvent event(type, local, canvas.mapToGlobal(local), button, buttons, modifiers);
        QApplication::sendEvent(&canvas, &event);
    }
    void press(QPointF p, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, modifiers);
    }
    void dragTo(QPointF p) { send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
    void release(QPointF p) { send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
    void hoverTo(QPointF p) { send(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
    void click(QPointF p)
    {
        press(p);
        release(p);
    }
    void doubleClick(QPointF p)
    {
        click(p);
        send(QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
        release(p);
    }
    bool key(int code)
    {
        QKeyEvent event(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(&canvas, &event);
        return event.isAccepted();
    }

    SkinBuilderModel model{SkinLoader::shared()};
    CanvasView canvas{model};
    QTemporaryDir m_folder;
};

TEST_F(CanvasViewTest, IsThePictureWithMarginsAtTheZoom)
{
    EXPECT_EQ(canvas.size(), QSize((400 + 800) * 2, (300 + 800) * 2));
    EXPECT_EQ(canvas.imagePoint(QPointF(800, 800)), QPointF(0, 0));
    EXPECT_EQ(canvas.imagePoint(QPointF(1000, 820)), QPointF(100, 10));
}

TEST_F(CanvasViewTest, GrabsACornerWithinTwelveScreenPixels)
{
    press(QPointF(94, 100)); // exactly 6 points, 12 pixels, left of the top-left corner
    EXPECT_EQ(canvas.dragMode(), CanvasView::DragMode::resizeViewport);
    EXPECT_EQ(canvas.resizeCorner(), 0);
    release(QPointF(94, 100));

    press(QPointF(200, 156)); // 6 below the bottom-right corner
    EXPECT_EQ(canvas.dragMode(), CanvasView::DragMode::resizeViewport);
    EXPECT_EQ(canvas.resizeCorner(), 2);
    release(QPointF(200, 156));

    press(QPointF(93.5, 100)); // just beyond
    EXPECT_EQ(canvas.dragMode(), CanvasView::DragMode::draw);
    release(QPointF(93.5, 100));

    // A corner pulled inside the shape is still a corner, not the body.
    model.setViewportCornerOffsets({{10, 10}, {0, 0}, {0, 0}, {0, 0}});
    press(QPointF(111, 111));
    EXPECT_EQ(canvas.dragMode(), CanvasView::DragMode::resizeViewport);
    EXPECT_EQ(canvas.resizeCorner(), 0);
}

TEST_F(CanvasViewTest, CtrlDragDistortsOneCornerAndAPlainDragResizes)
{
    press(QPointF(200, 150), Qt::ControlModifier);
    EXPECT_EQ(canvas.dragMode(), CanvasView::DragMode::distortCorner);
    dragTo(QPointF(205, 153));
    release(QPointF(205, 153));
    EXPECT_EQ(model.viewportCornerOffsets(), (std::vector<QPointF>{{0, 0}, {0, 0}, {5, 3}, {0, 0}}));
    EXPECT_EQ(model.viewport(), QRectF(100, 100, 100, 50));

    press(QPointF(100, 150)); // bottom-left, no Ctrl
    dragTo(QPointF(90, 160));
    release(QPointF(90, 160));
    EXPECT_EQ(model.viewport(), QRectF(90, 100, 110, 60));
    EXPECT_EQ(model.viewportCornerOffsets()[2], QPointF(5, 3)) << "offsets stay";

    model.setViewportCornerOffsets({{0, 0}});
    press(QPointF(200, 160), Qt::ControlModifier);
    dragTo(QPointF(210, 170));
    EXPECT_EQ(model.viewportCornerOffsets(), std::vector<QPointF>{QPointF(0, 0)})
        << "not four offsets: nothing to distort";
}

TEST_F(CanvasViewTest, DraggingTheBodyMovesTheScreenArea)
{
    press(QPointF(150, 125));
    EXPECT_EQ(canvas.dragMode(), CanvasView::DragMode::moveViewport);
    dragTo(QPointF(160, 120));
    dragTo(QPointF(170, 130));
    release(QPointF(170, 130));
    EXPECT_EQ(model.viewport(), QRectF(120, 105, 100, 50));
    EXPECT_FALSE(canvas.dragStart().has_value());
}

TEST_F(CanvasViewTest, DraggingOutsideDrawsANewScreenArea)
{
    click(QPointF(300, 200));
    EXPECT_FALSE(canvas.currentDragRect().has_value());
    EXPECT_EQ(model.viewport(), QRectF(100, 100, 100, 50)) << "a click alone draws nothing";

    press(QPointF(320, 250));
    dragTo(QPointF(260, 210));
    EXPECT_EQ(canvas.currentDragRect(), QRectF(260, 210, 60, 40)) << "anchored at the press";
    release(QPointF(260, 210));
    EXPECT_EQ(model.viewport(), QRectF(260, 210, 60, 40));
    EXPECT_EQ(model.statusMessage(), QStringLiteral("Viewport set: 60x40"));
    EXPECT_FALSE(canvas.currentDragRect().has_value());
}

TEST_F(CanvasViewTest, AScreenAreaResizedPastZeroIsNormalisedOnRelease)
{
    press(QPointF(100, 100));
    dragTo(QPointF(250, 100));
    EXPECT_EQ(model.viewport()->width(), -50);
    EXPECT_FALSE(canvas.resolvedViewportPath().isEmpty());
    release(QPointF(250, 100));
    EXPECT_EQ(model.viewport(), QRectF(200, 100, 50, 50));

    // Down to nothing: still a finite outline.
    press(QPointF(250, 150));
    dragTo(QPointF(200, 100));
    release(QPointF(200, 100));
    EXPECT_EQ(model.viewport(), QRectF(200, 100, 0, 0));
    const QRectF bounds = canvas.resolvedViewportPath().boundingRect();
    EXPECT_TRUE(std::isfinite(bounds.x()) && std::isfinite(bounds.width()));
}

TEST_F(CanvasViewTest, PenClicksPlaceNodesAndADoubleClickClosesThePolygon)
{
    model.setCurrentTool(DrawTool::imageCropPen);
    click(QPointF(10, 10));
    press(QPointF(390, 10));
    dragTo(QPointF(395, 20));
    EXPECT_TRUE(model.drawerMaskDragging());
    EXPECT_EQ(model.drawerMaskInProgress().back().handleOut, QPointF(395, 20));
    release(QPointF(395, 20));
    EXPECT_FALSE(model.drawerMaskDragging());
    click(QPointF(390, 290));
    ASSERT_EQ(model.drawerMaskInProgress().size(), 3u);

    doubleClick(QPointF(10, 290));
    EXPECT_EQ(model.statusMessage(), QStringLiteral("Cropped to 4-node polygon"));
    EXPECT_TRUE(model.drawerMaskInProgress().empty());
    EXPECT_EQ(model.history().count(), 1u);
    EXPECT_EQ(qAlpha(test::pixelAt(model.skinImage(), 1, 1)), 0);
    EXPECT_EQ(qAlpha(test::pixelAt(model.skinImage(), 200, 150)), 255);
}

TEST_F(CanvasViewTest, KeysEditThePolygonOnlyWhileOneIsInProgress)
{
    EXPECT_FALSE(key(Qt::Key_Escape)) << "passed on";
    EXPECT_FALSE(key(Qt::Key_Return));

    model.setCurrentTool(DrawTool::imageErasePen);
    click(QPointF(10, 10));
    EXPECT_TRUE(key(Qt::Key_Backspace));
    EXPECT_TRUE(model.drawerMaskInProgress().empty());

    click(QPointF(10, 10));
    click(QPointF(20, 10));
    EXPECT_TRUE(key(Qt::Key_Delete));
    EXPECT_EQ(model.drawerMaskInProgress().size(), 1u);
    EXPECT_FALSE(key(Qt::Key_A));
    EXPECT_TRUE(key(Qt::Key_Escape));
    EXPECT_TRUE(model.drawerMaskInProgress().empty());

    click(QPointF(10, 10));
    click(QPointF(20, 10));
    EXPECT_TRUE(key(Qt::Key_Enter));
    EXPECT_EQ(model.statusMessage(), QStringLiteral("Pen needs at least 3 points"));
}

TEST_F(CanvasViewTest, ThePenHoverLineFollowsOnlyAnOpenPolygon)
{
    hoverTo(QPointF(50, 50));
    EXPECT_FALSE(canvas.penHoverPoint().has_value());
    model.setCurrentTool(DrawTool::imageCropPen);
    hoverTo(QPointF(50, 50));
    EXPECT_FALSE(canvas.penHoverPoint().has_value()) << "no node yet";
    click(QPointF(10, 10));
    hoverTo(QPointF(50, 60));
    EXPECT_EQ(canvas.penHoverPoint(), QPointF(50, 60));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&canvas, &leave);
    EXPECT_FALSE(canvas.penHoverPoint().has_value());
}

TEST_F(CanvasViewTest, TheMagicWandClicksThePixelUnderThePointer)
{
    // Three bands of far-apart colours, 300, 1 and 99 points wide: the
    // number erased tells which band the click landed in, and the thin band
    // shows a click is taken to the very pixel under the pointer.
    QImage bands = test::filledPicture(400, 300, QColor(40, 50, 60));
    QPainter painter(&bands);
    painter.fillRect(300, 0, 1, 300, QColor(250, 240, 20));
    painter.fillRect(301, 0, 99, 300, QColor(20, 200, 240));
    painter.end();
    ASSERT_TRUE(model.loadImage(test::savePicture(bands, m_folder.filePath("bands.png"))));
    model.setCurrentTool(DrawTool::magicWand);

    struct Row {
        QPointF at;
        QPoint pixel;
        const char* erased;
    };
    const Row rows[]
        = {{{399.5, 10}, {399, 10}, "29700"}, {{300.5, 150}, {300, 150}, "300"}, {{299.5, 299.5}, {299, 299}, "90000"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.erased);
        model.undo(); // each click starts from the whole picture
        click(row.at);
        EXPECT_EQ(model.statusMessage(), QStringLiteral("Magic wand erased %1 px").arg(row.erased));
        EXPECT_EQ(qAlpha(model.skinImage().pixel(row.pixel)), 0) << "the pixel under the pointer is gone";
    }
    press(QPointF(10, 10));
    EXPECT_FALSE(canvas.dragStart().has_value()) << "a wand click starts no drag";
}

TEST_F(CanvasViewTest, ScrollViewZoomsWithinItsLimitsAndFollowsThePicture)
{
    CanvasScrollView view(model);
    view.resize(600, 400);
    CanvasView& hosted = *view.canvas();
    EXPECT_EQ(view.magnification(), 1.0);
    view.setMagnification(50);
    EXPECT_EQ(view.magnification(), 20.0);
    view.setMagnification(0.01);
    EXPECT_EQ(view.magnification(), 0.1);
    view.setMagnification(1);
    EXPECT_EQ(hosted.size(), QSize(1200, 1100));

    model.trimToContent(); // the picture is opaque: the same size, nothing moves
    EXPECT_EQ(hosted.size(), QSize(1200, 1100));
    model.reset();
    const QString path
        = QDir::temp().filePath(QStringLiteral("velmora-canvas-%1.png").arg(QCoreApplication::applicationPid()));
    test::savePicture(test::filledPicture(100, 50, Qt::white), path);
    ASSERT_TRUE(model.loadImage(path));
    QFile::remove(path);
    EXPECT_EQ(hosted.size(), QSize(900, 850)) << "resized to the new picture";
}

// The picture's rectangle as the scroll view shows it, in viewport pixels.
QRect shownPicture(const CanvasScrollView& view)
{
    const CanvasView& canvas = *view.canvas();
    const QRectF picture = canvas.pictureRect();
    const QPoint topLeft = canvas.mapTo(view.viewport(), canvas.widgetPoint(picture.topLeft()).toPoint());
    const QPoint bottomRight = canvas.mapTo(view.viewport(), canvas.widgetPoint(picture.bottomRight()).toPoint());
    return QRect(topLeft, bottomRight);
}

TEST(CanvasScrollViewTest, ANewPictureIsShownWholeAndATrimKeepsTheZoom)
{
    QTemporaryDir folder;
    SkinBuilderModel model{SkinLoader::shared()};
    CanvasScrollView view(model);
    view.resize(600, 400);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    // Taller than the view: zoomed out until the whole height shows.
    QImage tall = test::filledPicture(1200, 1800, Qt::darkGray);
    {
        QPainter painter(&tall);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(0, 0, 1200, 100, Qt::transparent); // trimmed away below
    }
    ASSERT_TRUE(model.loadImage(test::savePicture(tall, folder.filePath("tall.png"))));
    EXPECT_LT(view.magnification(), 0.25);
    EXPECT_TRUE(view.viewport()->rect().contains(shownPicture(view))) << "the whole picture shows";
    EXPECT_GE(shownPicture(view).height(), view.viewport()->height() - 2 * CanvasScrollView::contentInset - 2)
        << "and it fills the height";
    EXPECT_LE(std::abs(shownPicture(view).center().x() - view.viewport()->rect().center().x()), 1) << "centred";

    // A tool that changes the picture keeps the zoom the user chose.
    view.setMagnification(2);
    model.trimToContent();
    ASSERT_LT(model.imagePixelSize().height(), 1800.0) << "the picture changed size";
    EXPECT_EQ(view.magnification(), 2.0);

    // A small picture is shown at its own size, never enlarged.
    ASSERT_TRUE(
        model.loadImage(test::savePicture(test::filledPicture(100, 80, Qt::white), folder.filePath("small.png"))));
    EXPECT_EQ(view.magnification(), 1.0);
    EXPECT_EQ(shownPicture(view).size(), QSize(101, 81));

    // Loaded while the view is hidden, as behind the drop zone: fitted when shown.
    view.hide();
    ASSERT_TRUE(model.loadImage(folder.filePath("tall.png")));
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_TRUE(view.viewport()->rect().contains(shownPicture(view)));
}

} // namespace
} // namespace velmora
