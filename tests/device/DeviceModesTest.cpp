#include "device/DeviceWindowController.h"

#include "core/SettingsStore.h"
#include "device/DevicePlacement.h"
#include "device/DeviceWindowFixture.h"
#include "skin/SkinLoader.h"
#include "skin/ViewportShape.h"
#include "support/EventLoopWait.h"
#include "support/ProgramHome.h"
#include "support/ShellScreen.h"

#include "corvel/qt/LocalProcessTerminalView.h"
#include "corvel/qt/TerminalViewDelegate.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <tuple>

namespace velmora {
namespace {

using test::ProgramHome;

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

class DeviceModesTest : public test::DeviceWindowFixture {
protected:
    // Where a design point lies in the window.
    QPointF inWindow(const QPointF& design) const { return design * controller->currentScale(); }
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

// Stands in for a terminal view's host while it lives: keeps what the view
// sends to its child instead of writing it, and passes everything else on.
class SentBytes final : public corvel::TerminalViewDelegate {
public:
    explicit SentBytes(corvel::LocalProcessTerminalView& view) : m_view(view) { m_view.setTerminalDelegate(this); }
    ~SentBytes() override { m_view.setTerminalDelegate(&m_view); }

    std::string take() { return std::exchange(m_sent, {}); }

    void send(corvel::TerminalView&, std::span<const uint8_t> data) override
    {
        m_sent.append(data.begin(), data.end());
    }
    void sizeChanged(corvel::TerminalView& source, int cols, int rows) override
    {
        m_view.sizeChanged(source, cols, rows);
    }
    void setTerminalTitle(corvel::TerminalView& source, const std::string& title) override
    {
        m_view.setTerminalTitle(source, title);
    }
    void hostCurrentDirectoryUpdate(corvel::TerminalView& source, const std::optional<std::string>& directory) override
    {
        m_view.hostCurrentDirectoryUpdate(source, directory);
    }
    void scrolled(corvel::TerminalView& source, double position) override { m_view.scrolled(source, position); }
    void clipboardCopy(corvel::TerminalView& source, std::span<const uint8_t> content) override
    {
        m_view.clipboardCopy(source, content);
    }
    void rangeChanged(corvel::TerminalView& source, int startY, int endY) override
    {
        m_view.rangeChanged(source, startY, endY);
    }

private:
    corvel::LocalProcessTerminalView& m_view;
    std::string m_sent;
};

std::string sgrReport(int button, int col, int row, bool press)
{
    return "\x1b[<" + std::to_string(button) + ";" + std::to_string(col + 1) + ";" + std::to_string(row + 1)
        + (press ? "M" : "m");
}

TEST_F(DeviceModesTest, ClicksOnADistortedScreenReportTheCellUnderThemAndTheFrameKeepsTheRest)
{
    DeviceWindowController& c = open(keystoneSkin());
    ASSERT_TRUE(c.screenContainer()->isWarping());
    auto* view = qobject_cast<corvel::LocalProcessTerminalView*>(c.terminalPanel().keyboardView());
    ASSERT_TRUE(view);
    ASSERT_TRUE(test::waitUntil([&] { return test::screenContains(*view, "velmora$"); }, 20000));
    SentBytes sent(*view);
    view->feed("\x1b[?1000h\x1b[?1006h"); // a program asks for SGR mouse reports
    int frameMenus = 0;
    QObject::disconnect(c.skinFrameView(), &SkinFrameView::contextMenuRequested, &c, nullptr);
    QObject::connect(c.skinFrameView(), &SkinFrameView::contextMenuRequested, [&] { ++frameMenus; });

    // The screen as the skin draws it: its rectangle in the window and where
    // the four corners are pulled to.
    const SkinManifest& skin = c.skin();
    const double s = c.currentScale();
    const QRectF screen(skin.viewportRect.x() * s,
                        skin.viewportRect.y() * s,
                        skin.viewportRect.width() * s,
                        skin.viewportRect.height() * s);
    std::vector<QPointF> offsets;
    for (const QPointF& offset : skin.viewportCornerOffsets)
        offsets.push_back(offset * s);
    const std::vector<QPointF> corners = ViewportShape::corners(screen, offsets);
    const QTransform onScreen = ViewportShape::quadTransform(screen.width(), screen.height(), corners);
    QWidget* root = c.terminalPanel().rootView();
    const QSizeF cell = view->cellDimension();
    const int cols = view->getTerminal().cols;
    const int rows = view->getTerminal().rows;
    ASSERT_GT(cols, 10);
    ASSERT_GT(rows, 3);
    QWindow* window = c.window()->windowHandle();

    // Cells by every pulled corner and in the middle: the click lands on the
    // middle of the cell as the screen shows it.
    const std::pair<int, int> cells[]
        = {{0, 0}, {cols - 1, 0}, {cols / 2, rows / 2}, {0, rows - 1}, {cols - 1, rows - 1}};
    for (const auto& [col, row] : cells) {
        const QPointF middle = view->mapTo(root, QPointF((col + 0.5) * cell.width(), (row + 0.5) * cell.height()));
        const QPoint at = onScreen.map(middle).toPoint();
        ASSERT_FALSE(screen.contains(at) && col == 0 && row == 0)
            << "the top-left corner is pulled out of the rectangle";
        // The cell that the inverse map gives for the very pixel clicked.
        const auto flat = ViewportShape::inverseQuadMap(QPointF(at), screen.width(), screen.height(), corners);
        ASSERT_TRUE(flat);
        const QPointF local = view->mapFrom(root, *flat);
        const int expectedCol = int(std::floor(local.x() / cell.width()));
        const int expectedRow = int(std::floor(local.y() / cell.height()));
        EXPECT_EQ(std::make_pair(expectedCol, expectedRow), std::make_pair(col, row)) << "the pixel lies in the cell";

        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_EQ(sent.take(),
                  sgrReport(0, expectedCol, expectedRow, true) + sgrReport(0, expectedCol, expectedRow, false))
            << "cell " << col << ", " << row << " at " << at.x() << ", " << at.y();
    }
    // A right click on the screen is the program's too, not the frame's.
    const QPoint middle = onScreen.map(QPointF(screen.width() / 2, screen.height() / 2)).toPoint();
    QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, middle);
    EXPECT_EQ(sent.take().substr(0, 5), "\x1b[<2;");
    EXPECT_EQ(frameMenus, 0);

    // Inside the screen's bounding box, some even inside its undistorted
    // rectangle, but off the rounded quadrilateral: the frame takes the click.
    const QPointF outside[] = {
        (corners[0] + corners[1]) / 2 - QPointF(0, 3), // above the slanted top edge
        corners[2] + QPointF(2, -4), // by the bottom-right corner, pulled in
        corners[3] + QPointF(12, 1), // below the bottom edge
        (corners[0] + corners[3]) / 2 - QPointF(6, 0), // left of the slanted left edge
        corners[0] + QPointF(1.2, 1.2), // the rounded tip of the top-left corner
    };
    for (const QPointF& point : outside) {
        const QPoint at = point.toPoint();
        ASSERT_TRUE(c.screenContainer()->geometry().contains(at)) << at.x() << ", " << at.y();
        ASSERT_TRUE(c.skinFrameView()->hitTest(QPointF(at))) << "the frame is drawn at " << at.x() << ", " << at.y();
        const int menusBefore = frameMenus;
        QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, at);
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_EQ(sent.take(), "") << "no report at " << at.x() << ", " << at.y();
        EXPECT_EQ(frameMenus, menusBefore + 1) << "the frame's menu at " << at.x() << ", " << at.y();
    }
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

TEST_F(DeviceModesTest, FramesTheProgramCentresStayInsideTheScreensArea)
{
    // A small device against each edge of the available area; a taller skin,
    // the wider mini window or a bigger device centred on it would reach past
    // that edge.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    SkinManifest small = keystoneSkin();
    small.frameSize = QSizeF(200, 250);
    SkinManifest tall = keystoneSkin();
    tall.id = QStringLiteral("tall");
    tall.frameSize = QSizeF(200, 500);
    const QSize device(200, 250);
    enum class Move { changeSkin, miniMode, bigger };
    struct Row {
        const char* name;
        QPoint at;
        Move move;
    };
    const Row rows[] = {
        {"a taller skin at the top", QPoint(area.center().x(), area.top()), Move::changeSkin},
        {"a taller skin at the bottom",
         QPoint(area.center().x(), area.bottom() - device.height() + 1),
         Move::changeSkin},
        {"mini mode at the left", QPoint(area.left(), area.center().y()), Move::miniMode},
        {"mini mode at the right", QPoint(area.right() - device.width() + 1, area.center().y()), Move::miniMode},
        {"mini mode at the top", QPoint(area.center().x(), area.top()), Move::miniMode},
        {"bigger at the top", QPoint(area.center().x(), area.top()), Move::bigger},
        {"bigger at the right", QPoint(area.right() - device.width() + 1, area.center().y()), Move::bigger},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DeviceWindowController& c = open(small);
        c.window()->setGeometry(QRect(row.at, device));
        QCoreApplication::processEvents();
        ASSERT_TRUE(area.contains(c.window()->geometry()));
        const QPointF centre = QRectF(c.window()->geometry()).center();
        if (row.move == Move::changeSkin)
            c.changeSkin(tall);
        else if (row.move == Move::miniMode)
            c.enterMiniMode();
        else
            c.scaleDevice(DeviceWindowController::scaleStep);
        QCoreApplication::processEvents();
        const QRect frame = c.window()->geometry();
        EXPECT_TRUE(area.contains(frame))
            << frame.x() << ", " << frame.y() << " " << frame.width() << " × " << frame.height();
        // Moved only across the edge it met: centred the other way.
        const QPointF moved = QRectF(frame).center() - centre;
        EXPECT_TRUE(std::abs(moved.x()) <= 1 || std::abs(moved.y()) <= 1) << moved.x() << ", " << moved.y();
        const QSize expected = row.move == Move::changeSkin ? QSize(200, 500)
            : row.move == Move::miniMode                    ? QSize(600, 420)
                                                            : QSize(240, 300);
        EXPECT_EQ(frame.size(), expected);
    }
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
    const double largest = DevicePlacement::maximumScale(c.skin().frameSize, areas);
    for (int i = 0; i < 30; ++i)
        c.scaleDevice(DeviceWindowController::scaleStep);
    EXPECT_LE(c.currentScale(), largest + 1e-9);
    EXPECT_GT(c.currentScale(), largest / 1.2);

    // Repeated "Smaller" stops at the least scale, never at nothing.
    for (int i = 0; i < 60; ++i)
        c.scaleDevice(1 / DeviceWindowController::scaleStep);
    EXPECT_NEAR(c.currentScale(), DevicePlacement::minimumScale, 1e-9);
    EXPECT_EQ(c.window()->width(), 80);
    EXPECT_GT(c.window()->height(), 0);
}

TEST_F(DeviceModesTest, ContextMenuOffersTheModesSkinsSettingsAndClosing)
{
    DeviceWindowController& c = open(keystoneSkin());
    std::unique_ptr<QMenu> menu(c.makeContextMenu(nullptr));
    EXPECT_EQ(titles(*menu),
              (std::vector<QString>{
                  "Mini Terminal", "Change Skin...", "Skin Builder...", "Settings...", "---", "Close Window"}));
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
    EXPECT_EQ(titles(*mini),
              (std::vector<QString>{"Exit Mini Terminal",
                                    "Change Skin...",
                                    "Skin Builder...",
                                    "Settings...",
                                    "---",
                                    "Close Window",
                                    "---",
                                    "Shell"}));

    mini->actions()[5]->trigger();
    EXPECT_TRUE(c.didTeardown()) << "closing the window ends its sessions";
}

// The popup menu open now, if any.
QMenu* openMenu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }

TEST_F(DeviceModesTest, InMiniModeARightClickOffersToLeaveIt)
{
    DeviceWindowController& c = open(keystoneSkin());
    auto* view = qobject_cast<corvel::LocalProcessTerminalView*>(c.terminalPanel().keyboardView());
    ASSERT_TRUE(view);
    ASSERT_TRUE(test::waitUntil([&] { return test::screenContains(*view, "velmora$"); }, 20000));
    c.enterMiniMode();
    QCoreApplication::processEvents();
    QWindow* window = c.window()->windowHandle();
    const QPoint middle = c.window()->rect().center();

    QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, middle);
    QMenu* menu = openMenu();
    ASSERT_NE(menu, nullptr) << "no menu on a right click in the mini window";
    ASSERT_FALSE(menu->actions().isEmpty());
    EXPECT_EQ(menu->actions().first()->text(), QStringLiteral("Exit Mini Terminal"));
    menu->actions().first()->trigger();
    menu->close();
    EXPECT_TRUE(c.isDeviceMode());

    // A program that asked for mouse reports gets the right click; Shift
    // opens the menu all the same.
    c.enterMiniMode();
    QCoreApplication::processEvents();
    SentBytes sent(*view);
    view->feed("\x1b[?1000h\x1b[?1006h");
    QTest::mouseClick(window, Qt::RightButton, Qt::NoModifier, middle);
    EXPECT_EQ(openMenu(), nullptr);
    EXPECT_EQ(sent.take().substr(0, 5), "\x1b[<2;");
    QTest::mouseClick(window, Qt::RightButton, Qt::ShiftModifier, middle);
    menu = openMenu();
    ASSERT_NE(menu, nullptr) << "Shift+right click opens the menu over a program's mouse reports";
    EXPECT_EQ(menu->actions().first()->text(), QStringLiteral("Exit Mini Terminal"));
    menu->close();
}

// Every area of the device's window that gets painted, in window
// coordinates.
class PaintedAreas final : public QObject {
public:
    explicit PaintedAreas(QWidget* window) : m_window(window) { qApp->installEventFilter(this); }
    ~PaintedAreas() override { qApp->removeEventFilter(this); }

    std::vector<QRect> areas;
    std::vector<QString> painters;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && widget && widget->window() == m_window) {
            const QRect rect = static_cast<QPaintEvent*>(event)->rect();
            areas.emplace_back(widget->mapTo(m_window, rect.topLeft()), rect.size());
            painters.push_back(QString::fromLatin1(widget->metaObject()->className()));
        }
        return false;
    }

private:
    QWidget* m_window;
};

TEST_F(DeviceModesTest, RollingScanlinesRepaintOnlyTheScreen)
{
    SkinEffectsSettings effects;
    effects.scanlines = true;
    effects.scanlineStyle = QStringLiteral("rolling");
    effects.colorGrade = QStringLiteral("amber");
    SettingsStore::shared().data().skinEffects.insert(keystoneSkin().name, effects);
    DeviceWindowController& c = open(keystoneSkin());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(c.window()));
    EffectsLayer* layer = c.effectsLayer();
    ASSERT_TRUE(layer->isRolling());
    auto* view = qobject_cast<corvel::LocalProcessTerminalView*>(c.terminalPanel().keyboardView());
    ASSERT_TRUE(view);
    ASSERT_TRUE(test::waitUntil([&] { return test::screenContains(*view, "velmora$"); }, 20000));
    // Once the window has settled, some steps of the motion.
    const auto steps = [&](double from) {
        const double moved = layer->rollingOffset() - from;
        return int(std::lround((moved < 0 ? moved + EffectsLayer::rollingPeriod : moved) / EffectsLayer::rollingStep));
    };
    double start = layer->rollingOffset();
    ASSERT_TRUE(test::waitUntil([&] { return steps(start) >= 3; }, 20000));

    PaintedAreas painted(c.window());
    start = layer->rollingOffset();
    ASSERT_TRUE(test::waitUntil([&] { return steps(start) >= 6; }, 20000));
    QCoreApplication::processEvents();
    ASSERT_FALSE(painted.areas.empty()) << "the scanlines did not move on the screen";
    ASSERT_TRUE(c.screenContainer()->compositor());
    EXPECT_EQ(c.screenContainer()->compositor()->rollingOffset(), layer->rollingOffset())
        << "the screen composes the scanlines where the overlay has moved them";
    const QRect screen = layer->geometry();
    for (std::size_t i = 0; i < painted.areas.size(); ++i) {
        const QRect& area = painted.areas[i];
        EXPECT_TRUE(screen.contains(area)) << painted.painters[i].toStdString() << " painted " << area.x() << ", "
                                           << area.y() << " " << area.width() << " × " << area.height();
    }
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
    EXPECT_EQ(c.screenContainer()->screenEffects(), ScreenEffects::from(effects, c.skin().palette.foreground))
        << "the screen draws them";
    ASSERT_TRUE(c.screenContainer()->compositor());
    EXPECT_EQ(c.screenContainer()->compositor()->effects(), c.screenContainer()->screenEffects());

    // Mini mode shows the terminal plain; back in device mode the effects return.
    c.enterMiniMode();
    EXPECT_EQ(c.screenContainer()->screenEffects(), ScreenEffects());
    EXPECT_FALSE(c.screenContainer()->isWarping());
    c.exitMiniMode();
    EXPECT_EQ(c.screenContainer()->screenEffects(), ScreenEffects::from(effects, c.skin().palette.foreground));
    EXPECT_TRUE(c.screenContainer()->isWarping());

    SettingsStore::shared().data().skinEffects.insert(name, SkinEffectsSettings());
    SettingsStore::shared().announceEffectsChange(name);
    EXPECT_FALSE(c.effectsLayer()->isVisible());
    EXPECT_EQ(c.screenContainer()->screenEffects(), ScreenEffects());
}

} // namespace
} // namespace velmora
