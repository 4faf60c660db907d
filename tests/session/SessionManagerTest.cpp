#include "session/SessionManager.h"
#include "core/SettingsStore.h"
#include "session/SessionTabsView.h"

#include "support/EventLoopWait.h"
#include "support/ProgramHome.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QTest>
#include <QTimer>

namespace velmora {
namespace {

using test::ProgramHome;
using test::waitUntil;

SkinManifest::TerminalPalette greenPalette()
{
    SkinManifest::TerminalPalette palette;
    palette.foreground = QColor(0, 255, 64);
    palette.background = QColor(5, 5, 5);
    return palette;
}

class SessionManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProgramHome::resetSettings();
        QObject::connect(&manager, &SessionManager::changed, [this] { ++changes; });
    }

    void addSessions(int n)
    {
        for (int i = 0; i < n; ++i)
            manager.addSession();
        changes = 0;
    }

    SessionManager manager{greenPalette(), SettingsStore::shared()};
    int changes = 0;
};

TEST_F(SessionManagerTest, AddingStartsASessionAndMakesItActive)
{
    EXPECT_EQ(manager.active(), nullptr);
    ShellView* first = manager.addSession();
    ShellView* second = manager.addSession(QDir::tempPath());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(manager.count(), 2);
    EXPECT_EQ(manager.activeIndex(), 1);
    EXPECT_EQ(manager.active(), second);
    ASSERT_NE(first->terminal(), nullptr);
    EXPECT_TRUE(first->terminal()->process().running()) << "the shell starts before the session joins the list";
    EXPECT_EQ(second->currentDirectory(), QDir::tempPath());
    EXPECT_EQ(second->terminal()->nativeForegroundColor(), greenPalette().foreground);
}

TEST_F(SessionManagerTest, ClosingKeepsTheActiveIndexInStep)
{
    struct Case {
        const char* name;
        int sessions;
        int active;
        int close;
        int expectedCount;
        int expectedActive;
        int expectedChanges;
        int visibleBefore; // the session shown afterwards, as its index before the close
    };
    const Case cases[] = {
        {"close the middle while the last is active", 3, 2, 1, 2, 1, 1, 2},
        {"close the active last one", 3, 2, 2, 2, 1, 1, 1},
        {"close an earlier one", 3, 1, 0, 2, 0, 1, 1},
        {"close the active first one", 3, 0, 0, 2, 0, 1, 1},
        {"close a later one", 3, 0, 2, 2, 0, 1, 0},
        {"index past the end", 2, 1, 2, 2, 1, 0, 1},
        {"negative index", 2, 1, -1, 2, 1, 0, 1},
        {"the only session", 1, 0, 0, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SessionManager local(greenPalette(), SettingsStore::shared());
        int localChanges = 0;
        for (int i = 0; i < c.sessions; ++i)
            local.addSession();
        local.switchTo(c.active);
        const ShellView* expectedVisible = local.sessions()[std::size_t(c.visibleBefore)];
        QObject::connect(&local, &SessionManager::changed, [&] { ++localChanges; });
        local.closeSession(c.close);
        EXPECT_EQ(local.count(), c.expectedCount) << c.name;
        EXPECT_EQ(local.activeIndex(), c.expectedActive) << c.name;
        EXPECT_EQ(localChanges, c.expectedChanges) << c.name;
        EXPECT_EQ(local.active(), expectedVisible) << c.name;
    }
}

TEST_F(SessionManagerTest, ClosingStopsTheShellAndDeletesTheSession)
{
    addSessions(2);
    QPointer<ShellView> closed = manager.sessions()[0];
    const pid_t pid = closed->terminal()->process().shellPid();
    ASSERT_GT(pid, 0);
    manager.closeSession(0);
    EXPECT_TRUE(waitUntil([&] { return closed.isNull(); }));
    EXPECT_TRUE(waitUntil([&] { return ::kill(pid, 0) != 0; })) << "the shell is gone and reaped";
}

TEST_F(SessionManagerTest, SwitchingAndCyclingWrapAround)
{
    addSessions(3);
    struct Step {
        const char* name;
        std::function<void()> action;
        int expectedActive;
        int expectedChanges;
    };
    const Step steps[] = {
        {"forward from the last goes to the first", [&] { manager.cycle(true); }, 0, 1},
        {"backward from the first goes to the last", [&] { manager.cycle(false); }, 2, 1},
        {"backward", [&] { manager.cycle(false); }, 1, 1},
        {"switch to the active one", [&] { manager.switchTo(1); }, 1, 0},
        {"switch past the end", [&] { manager.switchTo(3); }, 1, 0},
        {"switch to a negative index", [&] { manager.switchTo(-1); }, 1, 0},
        {"switch to the first", [&] { manager.switchTo(0); }, 0, 1},
    };
    for (const Step& step : steps) {
        changes = 0;
        step.action();
        EXPECT_EQ(manager.activeIndex(), step.expectedActive) << step.name;
        EXPECT_EQ(changes, step.expectedChanges) << step.name;
    }

    SessionManager single(greenPalette(), SettingsStore::shared());
    single.addSession();
    int singleChanges = 0;
    QObject::connect(&single, &SessionManager::changed, [&] { ++singleChanges; });
    single.cycle(true);
    single.cycle(false);
    EXPECT_EQ(single.activeIndex(), 0);
    EXPECT_EQ(singleChanges, 0);

    SessionManager none(greenPalette(), SettingsStore::shared());
    none.cycle(true);
    EXPECT_EQ(none.active(), nullptr);
}

TEST_F(SessionManagerTest, TerminateAllEndsEveryShellWithoutTellingThePanel)
{
    addSessions(3);
    std::vector<pid_t> pids;
    for (ShellView* session : manager.sessions())
        pids.push_back(session->terminal()->process().shellPid());
    manager.terminateAll();
    EXPECT_EQ(manager.count(), 0);
    EXPECT_EQ(manager.active(), nullptr);
    EXPECT_EQ(manager.activeIndex(), 0);
    EXPECT_EQ(changes, 0);
    for (pid_t pid : pids)
        EXPECT_TRUE(waitUntil([&] { return ::kill(pid, 0) != 0; })) << pid;
}

class SessionTabsViewTest : public ::testing::Test {
protected:
    SessionTabsView strip{greenPalette()};
};

TEST_F(SessionTabsViewTest, PillsFollowTheCount)
{
    strip.update(5, 4, greenPalette());
    ASSERT_EQ(strip.pillViews().size(), 5u);
    strip.update(3, 1, greenPalette());
    ASSERT_EQ(strip.pillViews().size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const PillButton* pill = strip.pillViews()[std::size_t(i)];
        EXPECT_EQ(pill->label(), QString::number(i + 1));
        EXPECT_EQ(pill->geometry(), QRect(19 * i, 0, 16, 16));
        EXPECT_EQ(pill->isActive(), i == 1);
    }
    EXPECT_EQ(strip.addButton()->label(), QStringLiteral("+"));
    EXPECT_EQ(strip.addButton()->geometry(), QRect(57, 0, 16, 16));
    EXPECT_EQ(SessionTabsView::stripWidth(1), 35);
    EXPECT_EQ(SessionTabsView::stripWidth(3), 73);
}

TEST_F(SessionTabsViewTest, PillsReportTheirIndex)
{
    std::vector<int> picked, closed;
    int added = 0;
    QObject::connect(&strip, &SessionTabsView::picked, [&](int index) { picked.push_back(index); });
    QObject::connect(&strip, &SessionTabsView::closeRequested, [&](int index) { closed.push_back(index); });
    QObject::connect(&strip, &SessionTabsView::addRequested, [&] { ++added; });
    strip.update(3, 0, greenPalette());
    strip.resize(SessionTabsView::stripWidth(3), 16);
    strip.show();

    QTest::mouseClick(strip.pillViews()[2], Qt::LeftButton);
    QTest::mouseClick(strip.addButton(), Qt::LeftButton);
    strip.pillViews()[1]->menuCloseTab();
    EXPECT_EQ(picked, std::vector<int>{2});
    EXPECT_EQ(added, 1);
    EXPECT_EQ(closed, std::vector<int>{1});
    EXPECT_EQ(strip.pillViews()[1]->closeTabTitle(), QStringLiteral("Close Tab 2"));
}

TEST_F(SessionTabsViewTest, RightClickOffersToCloseTheTab)
{
    std::vector<int> closed;
    QObject::connect(&strip, &SessionTabsView::closeRequested, [&](int index) { closed.push_back(index); });
    strip.update(2, 0, greenPalette());
    strip.resize(SessionTabsView::stripWidth(2), 16);
    strip.show();
    QStringList seen;
    QTimer::singleShot(50, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* action : menu->actions())
            seen << action->text();
        if (!menu->actions().isEmpty())
            menu->actions().first()->trigger();
        menu->close();
    });
    QTest::mouseClick(strip.pillViews()[1], Qt::RightButton);
    EXPECT_EQ(seen, QStringList{QStringLiteral("Close Tab 2")});
    EXPECT_EQ(closed, std::vector<int>{1});
}

TEST_F(SessionTabsViewTest, TheAddPillOffersNoMenu)
{
    strip.update(1, 0, greenPalette());
    strip.resize(SessionTabsView::stripWidth(1), 16);
    strip.show();
    bool menuShown = false;
    QTimer::singleShot(50, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            menuShown = true;
            popup->close();
        }
    });
    QTest::mouseClick(strip.addButton(), Qt::RightButton);
    QTest::qWait(100);
    EXPECT_FALSE(menuShown);
}

TEST_F(SessionTabsViewTest, PillColoursFollowTheirState)
{
    PillButton pill(QStringLiteral("1"));
    pill.setPaletteForeground(QColor(255, 140, 0));
    EXPECT_NEAR(pill.fillColour().alphaF(), 0.12, 0.01);
    EXPECT_NEAR(pill.strokeColour().alphaF(), 0.6, 0.01);
    EXPECT_EQ(pill.textColour(), QColor(255, 140, 0));
    pill.setActive(true);
    EXPECT_NEAR(pill.fillColour().alphaF(), 0.85, 0.01);
    EXPECT_EQ(pill.strokeColour().alpha(), 0);
    EXPECT_EQ(pill.textColour(), QColor(Qt::black));

    // Drawn: the active pill is filled with the foreground, its label dark.
    pill.resize(16, 16);
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    pill.render(&image);
    const QColor corner = image.pixelColor(2, 2);
    EXPECT_GT(corner.red(), 180);
    EXPECT_GT(corner.green(), 90);
}

} // namespace
} // namespace velmora
