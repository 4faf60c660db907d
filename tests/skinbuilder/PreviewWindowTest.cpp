#include "skinbuilder/PreviewWindow.h"
#include "screen/ScreenCompositor.h"
#include "skin/SkinLoader.h"
#include "skinbuilder/SkinBuilderModel.h"

#include "support/BuilderTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

namespace velmora {
namespace {

class PreviewWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        const QString path = test::savePicture(test::filledPicture(796, 1110, QColor(120, 110, 100), 2),
                                               m_folder.filePath(QStringLiteral("pocket.png")));
        ASSERT_TRUE(model.loadImage(path));
        model.setViewport(QRectF(40, 60, 300, 220));
    }

    PreviewPanel* open()
    {
        model.previewSkin();
        return model.previewController().window();
    }
    void settle() { QCoreApplication::processEvents(); }
    static void key(QWidget* widget, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, code, modifiers);
        QApplication::sendEvent(widget, &event);
    }

    SkinBuilderModel model{SkinLoader::shared()};

private:
    QTemporaryDir m_folder;
};

TEST_F(PreviewWindowTest, OpensAtTheLaunchSizeAndFollowsTheScale)
{
    PreviewPanel* panel = open();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(model.statusMessage(), QStringLiteral("Preview open -- ESC or double-click to close"));
    EXPECT_FALSE(model.statusIsError());
    EXPECT_EQ(panel->size(), QSize(398, 555));
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("Preview — pocket"));
    EXPECT_TRUE(panel->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(panel->windowFlags() & Qt::WindowStaysOnTopHint);
    model.setLaunchScale(1.5);
    settle();
    EXPECT_EQ(panel->size(), QSize(597, 833));
}

TEST_F(PreviewWindowTest, NeedsAPictureAndAScreenArea)
{
    model.setViewport(std::nullopt);
    EXPECT_EQ(open(), nullptr);
    EXPECT_FALSE(model.statusMessage() && *model.statusMessage() == SkinBuilderModel::statusPreviewOpen);
    model.reset();
    EXPECT_EQ(open(), nullptr);
}

TEST_F(PreviewWindowTest, EscapeADoubleClickOrNewCloseIt)
{
    QPointer<PreviewPanel> panel = open();
    ASSERT_TRUE(panel);
    key(panel, Qt::Key_Escape);
    settle();
    EXPECT_FALSE(panel);
    EXPECT_EQ(model.previewController().window(), nullptr);

    panel = open();
    ASSERT_TRUE(panel);
    QTest::mouseDClick(panel->content(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 300));
    EXPECT_TRUE(panel) << "closed after the click, not inside it";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(panel);

    panel = open();
    ASSERT_TRUE(panel);
    model.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(panel);
}

TEST_F(PreviewWindowTest, ShowingAgainReplacesTheWindow)
{
    QPointer<PreviewPanel> first = open();
    QPointer<PreviewPanel> second = open();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first);
    EXPECT_TRUE(second);
    EXPECT_EQ(model.previewController().window(), second.data());
}

TEST_F(PreviewWindowTest, TheDrawerMovesOnlyWhenTheSkinHasOne)
{
    PreviewPanel* panel = open();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(PreviewContentView::closeHint(false), QStringLiteral("ESC or double-click to close"));
    key(panel, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(panel->content()->drawerAnimating()) << "no drawer";
    model.setDrawerEnabled(true);
    key(panel, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(panel->content()->drawerAnimating()) << "no drawer screen area";

    model.setDrawerViewport(QRectF(50, 300, 100, 40));
    model.setDrawerEdge(DrawerEdge::bottom);
    EXPECT_EQ(panel->content()->closedOffset(), QPointF(0, -2 * 40.0)) << "scale 1 for a two-pixel picture";
    key(panel, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(panel->content()->drawerOpen());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel->content()->drawerAnimating(); }, 20000));
    EXPECT_EQ(panel->content()->drawerProgress(), 1.0);
    key(panel, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(panel->content()->drawerOpen());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel->content()->drawerAnimating(); }, 20000));
    EXPECT_EQ(panel->content()->drawerProgress(), 0.0);
}

TEST_F(PreviewWindowTest, WithoutACompositorTheWindowIsCutToTheDevicesOutline)
{
    // A device body on a clear picture: 796 × 1110 pixels, 398 × 555 points,
    // the body inset by 60 points on every side.
    QImage device(796, 1110, QImage::Format_ARGB32_Premultiplied);
    device.fill(Qt::transparent);
    QPainter(&device).fillRect(QRect(120, 120, 556, 870), QColor(120, 110, 100));
    device.setDevicePixelRatio(2);
    QTemporaryDir folder;
    ASSERT_TRUE(model.loadImage(test::savePicture(device, folder.filePath(QStringLiteral("body.png")))));
    model.setViewport(QRectF(100, 100, 200, 150));

    // The offscreen platform blends nothing, as an X server without a
    // compositor.
    PreviewPanel* panel = open();
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isComposited());
    EXPECT_FALSE(panel->testAttribute(Qt::WA_TranslucentBackground));
    const QRegion shape = panel->mask();
    EXPECT_TRUE(shape.contains(QPoint(80, 400))) << "the body";
    EXPECT_TRUE(shape.contains(QPoint(200, 175))) << "the screen";
    EXPECT_TRUE(shape.contains(QPoint(199, 16))) << "the hint how to close it";
    EXPECT_FALSE(shape.contains(QPoint(20, 400))) << "clear beside the body";
    EXPECT_FALSE(shape.contains(QPoint(200, 530))) << "clear below the body";

    // A screen area moved over the clear margin takes the cut along.
    model.setViewport(QRectF(0, 300, 200, 150));
    settle();
    EXPECT_TRUE(panel->mask().contains(QPoint(20, 400)));

    // Where a compositor blends windows the window is translucent and whole.
    PreviewPanel composited(model, panel->size(), true);
    composited.updateShape();
    EXPECT_TRUE(composited.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(composited.mask().isEmpty());
}

TEST_F(PreviewWindowTest, TheScreenShowsTheCompositorsPictureWithTheScreenEffects)
{
    model.setScreenInFront(true);
    model.setBgColor(QColor(200, 200, 200));
    model.setFgColor(QColor(20, 90, 30));
    model.setScanlines(true);
    model.setScanlineIntensity(1);
    model.setScanlineStyle(QStringLiteral("standard"));
    PreviewPanel* panel = open();
    ASSERT_NE(panel, nullptr);
    PreviewContentView* view = panel->content();
    QImage drawn(view->size(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    view->render(&drawn);

    const ScreenCompositor* compositor = view->screenCompositor();
    ASSERT_NE(compositor, nullptr);
    EXPECT_EQ(compositor->effects().scanlines, ScreenEffects::Scanlines::Standard);
    EXPECT_EQ(compositor->geometry().sourceScale, 1);
    const QRect area = compositor->geometry().outputRect;
    EXPECT_EQ(area, QRect(40, 60, 300, 220));
    // Inside the outline the preview shows the compositor's pixels.
    const QImage& output = compositor->output();
    int compared = 0;
    for (int y = 0; y < output.height(); ++y) {
        for (int x = 0; x < output.width(); ++x) {
            if (qAlpha(output.pixel(x, y)) < 255)
                continue;
            ASSERT_EQ(drawn.pixel(area.x() + x, area.y() + y), output.pixel(x, y)) << x << "," << y;
            ++compared;
        }
    }
    EXPECT_GT(compared, 60000);
    // Below the text: the background under standard rows, dark from 2 to
    // 4 points above each multiple of 4 from the bottom, at alpha 0.55.
    for (int up = 1; up <= 8; ++up) {
        const bool dark = (up - 1) % 4 >= 2;
        EXPECT_EQ(qRed(drawn.pixel(190, 280 - up)), dark ? 90 : 200) << up;
    }

    // Curvature bends a picture drawn at twice the resolution.
    model.setCurvature(true);
    settle();
    view->render(&drawn);
    EXPECT_EQ(view->screenCompositor()->geometry().sourceScale, 2);
    EXPECT_LT(view->screenCompositor()->effects().curvatureScale, 0);
}

TEST(PreviewContentTest, TheDrawerClosesTowardsItsEdgeByTwiceItsSize)
{
    SkinBuilderModel model{SkinLoader::shared()};
    model.setDrawerMask({BezierNode({10, 10}), BezierNode({70, 10}), BezierNode({70, 30})});
    model.setDrawerViewport(QRectF(0, 0, 40, 50));
    PreviewContentView view(model);
    const std::pair<DrawerEdge, QPointF> rows[] = {{DrawerEdge::left, {120, 0}},
                                                   {DrawerEdge::right, {-120, 0}},
                                                   {DrawerEdge::top, {0, 100}},
                                                   {DrawerEdge::bottom, {0, -100}}};
    for (const auto& [edge, offset] : rows) {
        model.setDrawerEdge(edge);
        EXPECT_EQ(view.closedOffset(), offset) << rawValue(edge).toStdString();
    }
    EXPECT_FALSE(view.drawerMaskPath().isEmpty());
    model.setDrawerMask({BezierNode({1, 1}), BezierNode({2, 2})});
    EXPECT_TRUE(view.drawerMaskPath().isEmpty());
}

TEST(PreviewContentTest, TheFakeTerminalNamesTheSkinUserAndShortHost)
{
    const QStringList lines = PreviewContentView::terminalLines(
        QStringLiteral("Pocket"), QDateTime::currentDateTime(), QStringLiteral("ada"), QStringLiteral("studio.local"));
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[0], QStringLiteral("POCKET -- PREVIEW MODE"));
    EXPECT_EQ(lines[1], QString(38, QChar(0x2550)));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Last login: ")));
    EXPECT_EQ(lines[3], QStringLiteral("ada@studio ~ %"));
    EXPECT_EQ(lines[4], QStringLiteral("> velmora --skin \"Pocket\""));
    EXPECT_EQ(lines[7], QStringLiteral("Ready."));
    EXPECT_TRUE(lines[8].isEmpty());
    EXPECT_EQ(lines[9], lines[3]);
}

TEST(PreviewContentTest, ScaleMapsPicturePointsToLaunchPoints)
{
    EXPECT_DOUBLE_EQ(PreviewContentView::previewScale({QSizeF(398, 555), QSizeF(796, 1110), 1.0}), 1.0);
    EXPECT_DOUBLE_EQ(PreviewContentView::previewScale({QSizeF(796, 1110), QSizeF(796, 1110), 1.5}), 0.75);
    EXPECT_DOUBLE_EQ(PreviewContentView::previewScale({QSizeF(0, 0), QSizeF(0, 0), 0.5}), 0.5);
    EXPECT_EQ(PreviewWindowController::previewSize({QSizeF(398, 555), QSizeF(796, 1110), 1.5}), QSize(597, 833));
}

} // namespace
} // namespace velmora
