#include "device/SkinFrameView.h"

#include "core/AppResources.h"
#include "skin/FramePicture.h"
#include "support/EventLoopWait.h"
#include "support/ProgramHome.h"

#include "support/HostileFiles.h"
#include <gtest/gtest.h>

#include <QApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWindow>

namespace velmora {
namespace {

// The bundled pictures: drawn at twice the design size, transparent around
// the body, open at the screen, solid at the buttons.
TEST(SkinFrameViewTest, BundledPicturesFitTheirSkins)
{
    for (const SkinManifest* skin : {&SkinManifest::handheld(), &SkinManifest::walkie()}) {
        const QString path = FramePicture::path(*skin->frameImageName);
        const QImage picture(path);
        ASSERT_FALSE(picture.isNull()) << path.toStdString();
        EXPECT_EQ(picture.size(), (skin->frameSize * 2).toSize()) << path.toStdString();
        const auto alphaAt = [&](QPointF design) { return qAlpha(picture.pixel((design * 2).toPoint())); };
        EXPECT_EQ(alphaAt(QPointF(1, 1)), 0) << "outside the body, top left";
        EXPECT_EQ(alphaAt(QPointF(skin->frameSize.width() - 1, skin->frameSize.height() - 1)), 0);
        EXPECT_EQ(alphaAt(skin->viewportRect.center()), 0) << "the screen is open";
        EXPECT_EQ(alphaAt(skin->viewportRect.topLeft() + QPointF(-6, skin->viewportRect.height() / 2)), 255)
            << "the bezel beside the screen";
        for (const SkinManifest::ButtonRect& button : skin->buttons)
            EXPECT_EQ(alphaAt(button.rect.center()), 255) << "button at " << button.rect.x();
    }
}

TEST(SkinFrameViewTest, PictureWithAnOpenScreenIsDrawnWithoutCutOut)
{
    SkinFrameView view(SkinManifest::handheld());
    const QImage frame = view.renderFrame(QSize(398, 555));
    EXPECT_TRUE(view.skinHasTransparentScreen());
    EXPECT_EQ(qAlpha(frame.pixel(199, 168)), 0);
    EXPECT_EQ(qAlpha(frame.pixel(30, 300)), 255);
}

class FrameFixture : public ::testing::Test {
protected:
    // A skin of 200 × 300 with its screen at (20, 30, 160, 100).
    static SkinManifest skinWith(const std::optional<QString>& picture)
    {
        SkinManifest skin;
        skin.id = QStringLiteral("test");
        skin.name = QStringLiteral("Test");
        skin.frameSize = QSizeF(200, 300);
        skin.viewportRect = QRectF(20, 30, 160, 100);
        skin.viewportCornerRadius = 6;
        skin.frameImageName = picture;
        return skin;
    }

    // A picture at twice the design size: opaque grey except a transparent
    // band on the left.
    QString paintedPicture()
    {
        QImage image(400, 600, QImage::Format_ARGB32);
        image.fill(QColor(90, 90, 90));
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 10; ++x)
                image.setPixel(x, y, qRgba(0, 0, 0, 0));
        const QString path = m_folder.filePath(QStringLiteral("frame.png"));
        image.save(path);
        return path;
    }

    QTemporaryDir m_folder;
};

TEST_F(FrameFixture, PaintedScreenIsCutOutAndClicksFollowThePicture)
{
    SkinFrameView view(skinWith(paintedPicture()));
    view.resize(200, 300);
    const QImage frame = view.renderFrame(QSize(200, 300));
    EXPECT_FALSE(view.skinHasTransparentScreen());
    EXPECT_EQ(qAlpha(frame.pixel(100, 80)), 0) << "screen cut out";
    EXPECT_EQ(qAlpha(frame.pixel(20, 30)), 255) << "the rounded corner stays";
    EXPECT_EQ(qAlpha(frame.pixel(100, 200)), 255);

    struct Case {
        QPointF point;
        bool taken;
        const char* name;
    };
    const Case cases[] = {
        {{100, 80}, false, "on the screen"},
        {{100, 200}, true, "on the body"},
        {{2, 200}, false, "on a transparent margin"},
        {{20.5, 30.5}, true, "in the screen's rounded corner"},
        {{-5, 10}, false, "outside the view"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(view.hitTest(c.point), c.taken) << c.name;
}

TEST_F(FrameFixture, MissingPictureFallsBackToTheBodyDrawnInCode)
{
    for (const std::optional<QString>& picture :
         {std::optional<QString>(), std::optional<QString>(QStringLiteral("/no/such.png"))}) {
        SkinFrameView view(skinWith(picture));
        view.resize(200, 300);
        const QImage frame = view.renderFrame(QSize(200, 300));
        EXPECT_EQ(qAlpha(frame.pixel(100, 80)), 0) << "screen open";
        EXPECT_EQ(qAlpha(frame.pixel(0, 0)), 0) << "rounded body corner";
        const QColor body = frame.pixelColor(100, 250);
        EXPECT_NEAR(body.red(), 31, 2);
        EXPECT_NEAR(body.green(), 33, 2);
        EXPECT_NEAR(body.blue(), 38, 2);
        EXPECT_TRUE(view.hitTest(QPointF(100, 250)));
        EXPECT_FALSE(view.isFrameTransparent(QPointF(2, 2))) << "a body drawn in code is never transparent";
    }
}

// A pipe named as the picture, at start-up or swapped in for the picture
// before the skin is reloaded (which builds a new frame view): the body drawn
// in code, at once.
TEST_F(FrameFixture, PipeUnderThePictureNameFallsBackWithoutWaiting)
{
    const QString path = paintedPicture();
    {
        SkinFrameView view(skinWith(path));
        view.resize(200, 300);
        EXPECT_EQ(view.grab().toImage().pixelColor(100, 250), QColor(90, 90, 90));
    }
    test::WatchedFifo fifo(path);
    ASSERT_TRUE(fifo.made());
    SkinFrameView reloaded(skinWith(path));
    reloaded.resize(200, 300);
    EXPECT_NEAR(reloaded.grab().toImage().pixelColor(100, 250).red(), 31, 2);
    EXPECT_TRUE(reloaded.frameImage().isNull());
    EXPECT_FALSE(fifo.rescued()) << "the frame view waited on the pipe";
}

// A picture far larger than any screen is kept at most at the largest
// screen's size (2048 a side at the least), not at the size of its file.
TEST_F(FrameFixture, EnormousPictureIsKeptNoLargerThanAScreen)
{
    const QString path = m_folder.filePath(QStringLiteral("enormous.png"));
    test::writeEnormousPng(path, 5600, QColor(90, 90, 90));
    SkinFrameView view(skinWith(path));
    view.resize(200, 300);
    const QImage frame = view.renderFrame(QSize(200, 300));
    EXPECT_EQ(view.frameImage().size(), QSize(2048, 2048));
    EXPECT_EQ(frame.pixelColor(20, 250), QColor(90, 90, 90));
    EXPECT_EQ(frame.pixelColor(180, 250), QColor(Qt::black));
}

TEST_F(FrameFixture, PictureThatAppearsLaterIsDrawnOnTheNextPaint)
{
    const QString later = m_folder.filePath(QStringLiteral("later.png"));
    SkinFrameView view(skinWith(later));
    view.resize(200, 300);
    EXPECT_NEAR(view.grab().toImage().pixelColor(100, 250).red(), 31, 2) << "the body drawn in code meanwhile";
    QFile::rename(paintedPicture(), later);
    view.update();
    EXPECT_EQ(view.grab().toImage().pixelColor(100, 250), QColor(90, 90, 90));
}

TEST_F(FrameFixture, ShapeHoldsTheBodyAndTheScreen)
{
    SkinFrameView view(SkinManifest::handheld());
    view.resize(398, 555);
    const QRegion shape = view.shapeRegion(128);
    EXPECT_TRUE(shape.contains(QPoint(199, 168))) << "screen";
    EXPECT_TRUE(shape.contains(QPoint(199, 320))) << "body";
    EXPECT_FALSE(shape.contains(QPoint(1, 1))) << "outside the rounded body";
    EXPECT_FALSE(shape.contains(QPoint(396, 553)));
}

TEST_F(FrameFixture, PressesOnTheBodyDragTheWindowAndOpenTheMenu)
{
    QWidget window;
    window.resize(200, 300);
    window.move(100, 100);
    auto* view = new SkinFrameView(skinWith(paintedPicture()), &window);
    view->resize(200, 300);
    window.show();
    int menus = 0;
    QPoint menuAt;
    QObject::connect(view, &SkinFrameView::contextMenuRequested, [&](const QPoint& at) {
        ++menus;
        menuAt = at;
    });
    const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, window.mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&window, &event);
        return event.isAccepted();
    };
    send(QEvent::MouseButtonPress, QPointF(100, 80), Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(menus, 0) << "a press on the screen is not the frame's";
    send(QEvent::MouseButtonPress, QPointF(100, 200), Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(menus, 1);
    EXPECT_EQ(menuAt, window.mapToGlobal(QPoint(100, 200))) << "the menu opens where the press was";

    const QPoint start = window.pos();
    send(QEvent::MouseButtonPress, QPointF(100, 200), Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, QPointF(130, 220), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPointF(130, 220), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(window.pos() - start, QPoint(30, 20));
}

TEST(SkinFrameViewKeys, KeyPressesNameTheAreasTheyFlash)
{
    struct Case {
        const char* name;
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        QStringList expected;
    };
    const Case cases[] = {
        {"letter", Qt::Key_A, Qt::NoModifier, "a", {"a"}},
        {"shifted letter", Qt::Key_A, Qt::ShiftModifier, "A", {"a"}},
        {"space", Qt::Key_Space, Qt::NoModifier, " ", {" ", "space"}},
        {"return", Qt::Key_Return, Qt::NoModifier, "\r", {"return"}},
        {"backspace", Qt::Key_Backspace, Qt::NoModifier, "\b", {"delete"}},
        {"escape", Qt::Key_Escape, Qt::NoModifier, "\x1b", {"escape"}},
        {"arrow", Qt::Key_Up, Qt::NoModifier, "", {"up"}},
        {"shift down", Qt::Key_Shift, Qt::NoModifier, "", {"shift"}},
        {"alt with shift held", Qt::Key_Alt, Qt::ShiftModifier, "", {"shift", "option"}},
        {"control", Qt::Key_Control, Qt::ControlModifier, "", {"ctrl"}},
        {"super", Qt::Key_Meta, Qt::NoModifier, "", {"cmd"}},
        {"caps lock", Qt::Key_CapsLock, Qt::NoModifier, "", {"caps"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SkinFrameView::keyNames(c.key, c.modifiers, c.text), c.expected) << c.name;
}

TEST(SkinFrameViewKeys, PulseRisesQuicklyAndFadesWithinAQuarterSecond)
{
    EXPECT_EQ(SkinFrameView::pulseOpacity(0), 0.0);
    EXPECT_GT(SkinFrameView::pulseOpacity(15), 0.5);
    double peak = 0;
    for (int ms = 0; ms < SkinFrameView::pulseMs; ++ms)
        peak = std::max(peak, SkinFrameView::pulseOpacity(ms));
    EXPECT_NEAR(peak, SkinFrameView::pulsePeak, 0.02);
    EXPECT_LT(SkinFrameView::pulseOpacity(200), 0.2);
    EXPECT_EQ(SkinFrameView::pulseOpacity(SkinFrameView::pulseMs), 0.0);
}

TEST_F(FrameFixture, TypingInItsWindowFlashesEveryAreaOfTheKey)
{
    SkinManifest skin = skinWith(std::nullopt);
    skin.palette.foreground = QColor(255, 255, 255);
    skin.keys = {{QRectF(20, 200, 40, 40), QStringLiteral("space"), QStringLiteral("circle")},
                 {QRectF(80, 200, 40, 40), QStringLiteral("space"), std::nullopt},
                 {QRectF(140, 200, 40, 40), QStringLiteral("a"), std::nullopt}};
    QWidget window;
    window.resize(200, 300);
    auto* frame = new SkinFrameView(skin, &window);
    qint64 now = 1000;
    frame->setClock([&] { return now; });
    frame->setGeometry(window.rect());
    auto* input = new QWidget(&window);
    input->setFocusPolicy(Qt::StrongFocus);
    window.show();
    input->setFocus();
    QWidget other;
    other.show();

    const QImage before = frame->grab().toImage();
    // A key typed in another window flashes nothing.
    QKeyEvent elsewhere(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(other.windowHandle(), &elsewhere);
    EXPECT_EQ(frame->keyOpacity(QStringLiteral("space")), 0.0);

    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(window.windowHandle(), &space);
    now += 25;
    EXPECT_GT(frame->keyOpacity(QStringLiteral("space")), 0.6);
    const QImage lit = frame->grab().toImage();
    EXPECT_GT(qRed(lit.pixel(40, 220)), qRed(before.pixel(40, 220)) + 60) << "the round space area";
    EXPECT_GT(qRed(lit.pixel(100, 220)), qRed(before.pixel(100, 220)) + 60) << "the square space area";
    EXPECT_EQ(lit.pixel(160, 220), before.pixel(160, 220)) << "the a area stays dark";
    EXPECT_EQ(lit.pixel(22, 202), before.pixel(22, 202)) << "outside the circle";

    now += SkinFrameView::pulseMs;
    EXPECT_EQ(frame->keyOpacity(QStringLiteral("space")), 0.0);
    ASSERT_TRUE(
        test::waitUntil([&] { return frame->grab().toImage().pixel(40, 220) == before.pixel(40, 220); }, 20000));
}

} // namespace
} // namespace velmora
