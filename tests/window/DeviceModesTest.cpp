#include "window/DeviceWindowController.h"

#include "settings/SettingsStore.h"
#include "skin/SkinLoader.h"
#include "skin/ViewportShape.h"
#include "terminal/SessionTestSupport.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace velmora {
namespace {

using test::SessionTestHome;

// A skin drawn in code whose screen is pulled into a keystone: the top edge
// wider than the bottom one, its top-left corner up and out.
SkinManifest keystoneSkin()
{
    SkinManifest skin = SkinManifest::handheld();
    skin.id = QStringLiteral("keystone");
    skin.name = QStringLiteral("Keystone");
    skin.frameImageName.reset();
    skin.frameSize = QSizeF(400, 500);
    skin.viewportRect = QRectF(60, 60, 280, 200);
    skin.viewportCornerOffsets = {{-20, -16}, {14, -8}, {-6, 6}, {8, 4}};
    skin.viewportCornerRadius = 6;
    skin.palette.background = QColor(32, 64, 192);
    skin.launchScale = 1;
    return skin;
}

bool near(const QColor& a, const QColor& b, int tolerance = 12)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

class DeviceModesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SessionTestHome::resetSettings();
        SkinLoader::shared().loadAll();
    }
    void TearDown() override { controller.reset(); }

    DeviceWindowController& open(const SkinManifest& skin)
    {
        controller = std::make_unique<DeviceWindowController>(skin);
        controller->showWindow();
        return *controller;
    }

    // Where a design point lies in the window.
    QPointF inWindow(const QPointF& design) const { return design * controller->currentScale(); }

    std::unique_ptr<DeviceWindowController> controller;
};

TEST_F(DeviceModesTest, DistortedScreenShowsThroughTheFrameOnItsQuadrilateral)
{
    DeviceWindowController& c = open(keystoneSkin());
    ASSERT_TRUE(c.screenContainer()->isWarping());
    QCoreApplication::processEvents();
    const QImage shot = c.window()->grab().toImage();
    const QColor background(32, 64, 192);
    const QColor body = QColor::fromRgbF(0.12f, 0.13f, 0.15f);
    // Inside the pulled corners, beyond the undistorted rectangle: the screen.
    EXPECT_TRUE(near(shot.pixelColor(inWindow({54, 120}).toPoint()), background)) << "top-left, pulled out";
    EXPECT_TRUE(near(shot.pixelColor(inWindow({348, 60}).toPoint()), background)) << "top-right, pulled out";
    // Inside the undistorted rectangle but outside the quadrilateral: the body.
    EXPECT_TRUE(near(shot.pixelColor(inWindow({336, 262}).toPoint()), body)) << "bottom-right, pulled in";
    EXPECT_TRUE(near(shot.pixelColor(inWindow({62, 264}).toPoint()), body)) << "bottom-left, pulled in";
    EXPECT_TRUE(near(shot.pixelColor(inWindow({200, 160}).toPoint()), background));
}

std::vector<QString> titles(const QMenu& menu)
{
    std::vector<QString> out;
    for (const QAction* action : menu.actions())
        out.push_back(action->isSeparator() ? QStringLiteral("---") : action->text());
    return out;
}

TEST_F(DeviceModesTest, MiniModeFillsAPlainWindowAndLeavingItRestoresTheDevice)
{
    DeviceWindowController& c = open(keystoneSkin());
    c.window()->setGeometry(100, 100, 400, 500);
    QCoreApplication::processEvents();
    ASSERT_NEAR(c.currentScale(), 1.0, 1e-9);

    c.enterMiniMode();
    EXPECT_FALSE(c.isDeviceMode());
    EXPECT_EQ(c.deviceFrameBeforeMini(), QRect(100, 100, 400, 500));
    EXPECT_EQ(c.window()->geometry(), QRect(0, 140, 600, 420)) << "600 × 420 about the device's centre";
    EXPECT_FALSE(c.window()->windowFlags() & Qt::FramelessWindowHint) << "a title bar";
    EXPECT_EQ(c.window()->minimumSize(), QSize(320, 200));
    EXPECT_FALSE(c.skinFrameView()->isVisible());
    EXPECT_FALSE(c.effectsLayer()->isVisible());
    EXPECT_FALSE(c.screenContainer()->hasDistortion());
    EXPECT_EQ(c.screenContainer()->geometry(), c.window()->rect());

    // Resizing the mini window moves neither the scale nor the device frame.
    c.window()->resize(700, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(c.screenContainer()->geometry(), c.window()->rect()) << "the terminal follows the window";
    EXPECT_NEAR(c.currentScale(), 1.0, 1e-9);
    c.scaleDevice(DeviceWindowController::scaleStep);
    EXPECT_EQ(c.window()->size(), QSize(700, 500)) << "no scaling in mini mode";

    c.exitMiniMode();
    QCoreApplication::processEvents();
    EXPECT_TRUE(c.isDeviceMode());
    EXPECT_EQ(c.window()->geometry(), QRect(100, 100, 400, 500));
    EXPECT_TRUE(c.window()->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_NEAR(c.currentScale(), 1.0, 1e-9);
    EXPECT_TRUE(c.skinFrameView()->isVisible());
    EXPECT_TRUE(c.screenContainer()->hasDistortion());
    EXPECT_TRUE(c.screenContainer()->isWarping());
}

TEST_F(DeviceModesTest, ChangingSkinFromMiniModeLeavesItFirst)
{
    DeviceWindowController& c = open(keystoneSkin());
    c.enterMiniMode();
    c.changeSkin(SkinManifest::handheld());
    EXPECT_TRUE(c.isDeviceMode());
    EXPECT_EQ(c.window()->size(), QSize(398, 555));
    EXPECT_NEAR(c.currentScale(), 1.0, 1e-9);
}

TEST_F(DeviceModesTest, ScalingKeepsTheCentreAndStaysBetweenItsBounds)
{
    DeviceWindowController& c = open(keystoneSkin());
    c.window()->setGeometry(100, 100, 400, 500);
    QCoreApplication::processEvents();
    c.scaleDevice(1.2);
    EXPECT_EQ(c.window()->geometry(), QRect(60, 50, 480, 600));
    EXPECT_NEAR(c.currentScale(), 1.2, 1e-9);
    c.scaleDevice(1 / 1.2);
    EXPECT_EQ(c.window()->geometry(), QRect(100, 100, 400, 500));
    EXPECT_NEAR(c.currentScale(), c.window()->width() / 400.0, 1e-9);

    // Never past what fits the largest screen.
    std::vector<QRect> areas;
    for (QScreen* screen : QGuiApplication::screens())
        areas.push_back(screen->availableGeometry());
    const double largest = DeviceWindowController::maximumScale(c.skin(), areas);
    for (int i = 0; i < 30; ++i)
        c.scaleDevice(DeviceWindowController::scaleStep);
    EXPECT_LE(c.currentScale(), largest + 1e-9);
    EXPECT_GT(c.currentScale(), largest / 1.2);

    // Repeated "Smaller" stops at the least scale, never at nothing.
    for (int i = 0; i < 60; ++i)
        c.scaleDevice(1 / DeviceWindowController::scaleStep);
    EXPECT_NEAR(c.currentScale(), DeviceWindowController::minimumScale, 1e-9);
    EXPECT_EQ(c.window()->width(), 80);
    EXPECT_GT(c.window()->height(), 0);
}

TEST_F(DeviceModesTest, ContextMenuOffersTheModesSkinsSettingsAndClosing)
{
    DeviceWindowController& c = open(keystoneSkin());
    std::unique_ptr<QMenu> menu(c.makeContextMenu(nullptr));
    EXPECT_EQ(titles(*menu), (std::vector<QString>{"Mini Terminal", "Change Skin...", "Skin Builder...", "Settings...",
                                                   "---", "Close Window"}));
    for (const QAction* action : menu->actions())
        EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();

    int pickers = 0, builders = 0, settings = 0;
    QObject::connect(&c, &DeviceWindowController::skinPickerRequested, [&] { ++pickers; });
    QObject::connect(&c, &DeviceWindowController::skinBuilderRequested, [&] { ++builders; });
    QObject::connect(&c, &DeviceWindowController::settingsRequested, [&] { ++settings; });
    menu->actions()[1]->trigger();
    menu->actions()[2]->trigger();
    menu->actions()[3]->trigger();
    EXPECT_EQ(std::make_tuple(pickers, builders, settings), std::make_tuple(1, 1, 1));

    menu->actions()[0]->trigger();
    EXPECT_FALSE(c.isDeviceMode());
    QMenu application;
    application.addMenu(QStringLiteral("Shell"));
    c.setApplicationMenu(&application);
    std::unique_ptr<QMenu> mini(c.makeContextMenu(nullptr));
    EXPECT_EQ(titles(*mini), (std::vector<QString>{"Exit Mini Terminal", "Change Skin...", "Skin Builder...",
                                                   "Settings...", "---", "Close Window", "---", "Shell"}));

    mini->actions()[5]->trigger();
    EXPECT_TRUE(c.didTeardown()) << "closing the window ends its sessions";
}

TEST_F(DeviceModesTest, EffectsLieOverTheScreenAndFollowTheSettings)
{
    SkinEffectsSettings effects;
    effects.scanlines = true;
    effects.curvature = true;
    effects.glow = true;
    const QString name = keystoneSkin().name;
    SettingsStore::shared().data().skinEffects.insert(name, effects);
    DeviceWindowController& c = open(keystoneSkin());
    EXPECT_TRUE(c.effectsLayer()->isVisible());
    EXPECT_EQ(c.effectsLayer()->geometry(), c.screenContainer()->geometry());
    EXPECT_EQ(c.effectsLayer()->glowColor(), c.skin().palette.foreground);
    SettingsStore::shared().data().skinEffects.insert(name, SkinEffectsSettings());
    SettingsStore::shared().post(SettingsStore::effectsDidChange, name);
    EXPECT_FALSE(c.effectsLayer()->isVisible());
}

} // namespace
} // namespace velmora
