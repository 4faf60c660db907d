#include "screen/TerminalPanel.h"
#include "core/SettingsStore.h"
#include "screen/ScreenContainer.h"

#include "support/EventLoopWait.h"
#include "support/ProgramHome.h"

#include <gtest/gtest.h>

#include <QPainterPath>
#include <QTest>

namespace velmora {
namespace {

using test::ProgramHome;
using test::waitUntil;

SkinManifest::TerminalPalette palette(const QColor& foreground, const QColor& background)
{
    SkinManifest::TerminalPalette p;
    p.foreground = foreground;
    p.background = background;
    return p;
}

class TerminalPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProgramHome::resetSettings();
        QObject::connect(&panel, &TerminalPanel::activeSessionChanged, [this](int index) { synced.push_back(index); });
        // The panel's root sits in a shown window, as in a device window.
        window.resize(400, 300);
        panel.container()->setParent(&window);
        panel.container()->setGeometry(0, 0, 400, 300);
        window.show();
    }

    QWidget window;
    TerminalPanel panel{palette(QColor(0, 255, 64), QColor(5, 5, 5)), SettingsStore::shared()};
    std::vector<int> synced;
};

TEST_F(TerminalPanelTest, StartsOneSessionWithTheGivenPalette)
{
    const auto amber = palette(QColor(255, 140, 0), QColor(13, 8, 0));
    panel.startSession(amber, QDir::tempPath());
    ASSERT_EQ(panel.manager().count(), 1);
    ShellView* session = panel.manager().active();
    EXPECT_EQ(session->currentDirectory(), QDir::tempPath());
    EXPECT_EQ(session->terminal()->nativeForegroundColor(), amber.foreground);
    EXPECT_EQ(panel.palette().foreground, amber.foreground);
    EXPECT_EQ(panel.manager().palette().foreground, amber.foreground);
    EXPECT_EQ(panel.tabsView()->geometry(), QRect(4, 300 - 4 - 16, 35, 16));
    EXPECT_EQ(session->parentWidget(), panel.shellHost());
    EXPECT_EQ(session->geometry(), panel.shellHost()->rect());
    EXPECT_EQ(session->terminal()->geometry().bottom(), 300 - 1 - TerminalPanel::sessionPadding().bottom())
        << "the last line stays clear of the tabs";

    panel.startSession(std::nullopt, std::nullopt);
    EXPECT_EQ(panel.manager().count(), 1) << "a panel with a session adds none";
    EXPECT_EQ(synced.size(), 3u);
}

TEST_F(TerminalPanelTest, AddedSessionsAreShownAndTakeTheKeyboard)
{
    panel.startSession(std::nullopt, std::nullopt);
    EXPECT_EQ(panel.addSession(), 1);
    EXPECT_EQ(panel.addSession(), 2);
    const std::vector<ShellView*> sessions = panel.manager().sessions();
    ASSERT_EQ(sessions.size(), 3u);
    EXPECT_EQ(panel.tabsView()->geometry(), QRect(4, 280, 73, 16));
    EXPECT_TRUE(sessions[2]->isVisible());
    EXPECT_FALSE(sessions[0]->isVisible());
    EXPECT_FALSE(sessions[1]->isVisible());
    EXPECT_TRUE(sessions[0]->terminal()->process().running()) << "hidden sessions keep running";
    EXPECT_EQ(panel.keyboardView(), sessions[2]->terminal());
    EXPECT_EQ(window.focusWidget(), sessions[2]->terminal());
    EXPECT_EQ(panel.tabsView()->activeIndex(), 2);

    // Through the strip: pick the first, then close it.
    QTest::mouseClick(panel.tabsView()->pillViews()[0], Qt::LeftButton);
    EXPECT_EQ(panel.manager().activeIndex(), 0);
    EXPECT_TRUE(sessions[0]->isVisible());
    EXPECT_FALSE(sessions[2]->isVisible());
    EXPECT_EQ(window.focusWidget(), sessions[0]->terminal());
    panel.tabsView()->pillViews()[0]->menuCloseTab();
    EXPECT_EQ(panel.manager().count(), 2);
    EXPECT_EQ(panel.tabsView()->pillViews().size(), 2u);
    EXPECT_EQ(panel.manager().active(), sessions[1]);
    QTest::mouseClick(panel.tabsView()->addButton(), Qt::LeftButton);
    EXPECT_EQ(panel.manager().count(), 3);
}

TEST_F(TerminalPanelTest, PickingTheActiveTabChangesNothing)
{
    panel.startSession(std::nullopt, std::nullopt);
    panel.addSession();
    synced.clear();
    QTest::mouseClick(panel.tabsView()->pillViews()[1], Qt::LeftButton);
    EXPECT_TRUE(synced.empty());
}

TEST_F(TerminalPanelTest, PaletteChangeRecoloursSessionsButNotTheTabs)
{
    panel.startSession(std::nullopt, std::nullopt);
    panel.addSession();
    const auto baseColours = [](ShellView* session) {
        const auto& all = session->terminal()->getTerminal().ansiColors();
        return std::vector<corvel::Color>(all.begin(), all.begin() + 16);
    };
    const std::vector<corvel::Color> before = baseColours(panel.manager().active());

    auto amber = palette(QColor(255, 140, 0), QColor(13, 8, 0));
    panel.applyPalette(amber);
    for (ShellView* session : panel.manager().sessions()) {
        EXPECT_EQ(session->terminal()->nativeForegroundColor(), amber.foreground);
        EXPECT_EQ(session->terminal()->nativeBackgroundColor(), amber.background);
        EXPECT_EQ(session->terminal()->caretColor(), amber.foreground);
        EXPECT_EQ(baseColours(session), before) << "no ANSI list: the 16 base colours stay";
    }
    EXPECT_EQ(panel.tabsView()->pillViews()[0]->paletteForeground(), QColor(0, 255, 64))
        << "the tabs take the colour at the next synchronisation";

    amber.cursor = QColor(255, 255, 255);
    std::array<QColor, 16> ansi;
    ansi.fill(QColor(10, 20, 30));
    amber.ansi = ansi;
    panel.applyPalette(amber);
    const auto& installed = panel.manager().sessions()[0]->terminal()->getTerminal().ansiColors();
    EXPECT_EQ(installed[3], ShellView::toCorvelColor(QColor(10, 20, 30)));
    EXPECT_EQ(panel.manager().sessions()[0]->terminal()->caretColor(), QColor(255, 255, 255));

    panel.addSession();
    EXPECT_EQ(panel.tabsView()->pillViews()[0]->paletteForeground(), amber.foreground);
    EXPECT_EQ(panel.manager().active()->terminal()->nativeForegroundColor(), amber.foreground)
        << "new sessions start with the panel's palette";
}

TEST_F(TerminalPanelTest, ResizingKeepsTheTabsAtTheLowerLeft)
{
    panel.startSession(std::nullopt, std::nullopt);
    panel.container()->resize(320, 200);
    EXPECT_EQ(panel.tabsView()->geometry(), QRect(4, 180, 35, 16));
    EXPECT_EQ(panel.shellHost()->geometry(), QRect(0, 0, 320, 200));
    EXPECT_EQ(panel.manager().active()->geometry(), QRect(0, 0, 320, 200));
}

// On a device's screen, whose corners round more the larger it is shown,
// the first and the last cell of the terminal lie inside the rounded
// outline at every scale, and so do the tabs.
TEST_F(TerminalPanelTest, EveryCellLiesInsideTheRoundedScreenAtEveryScale)
{
    auto* container = new ScreenContainer(&window);
    QObject::connect(container, &ScreenContainer::cornerClearanceChanged, &panel, &TerminalPanel::keepClearOfCorners);
    container->show();
    container->registerPanel(&panel, 0);
    panel.startSession(std::nullopt, std::nullopt);
    ShellView* session = panel.manager().active();
    ASSERT_NE(session, nullptr);
    corvel::LocalProcessTerminalView* terminal = session->terminal();
    // The handheld's screen: 282 × 172 with corners of radius 8, scaled.
    for (const double scale : {0.5, 1.0, 2.0, 3.0, 4.5}) {
        const QSizeF size(282 * scale, 172 * scale);
        window.resize(size.toSize() + QSize(20, 20));
        const std::vector<QPointF> quad
            = {{0, 0}, {size.width(), 0}, {size.width(), size.height()}, {0, size.height()}};
        container->configureViewport(QRectF(QPointF(10, 10), size), size, quad, 8 * scale, {});
        QCoreApplication::processEvents();
        const QPainterPath outline = container->outline();
        const QSizeF cell = terminal->cellDimension();
        const corvel::Terminal& grid = terminal->getTerminal();
        const QRectF first(QPointF(terminal->mapTo(container, QPoint(0, 0))), cell);
        const QRectF last = first.translated(cell.width() * (grid.cols - 1), cell.height() * (grid.rows - 1));
        const QRectF tabs(QPointF(panel.tabsView()->mapTo(container, QPoint(0, 0))), QSizeF(panel.tabsView()->size()));
        for (const auto& [name, area] :
             {std::pair("the first cell", first), std::pair("the last cell", last), std::pair("the tabs", tabs)}) {
            for (const QPointF& corner : {area.topLeft(), area.topRight(), area.bottomRight(), area.bottomLeft()})
                EXPECT_TRUE(outline.contains(corner))
                    << "scale " << scale << ": " << name << " cut at " << corner.x() << ", " << corner.y();
        }
    }
}

} // namespace
} // namespace velmora
