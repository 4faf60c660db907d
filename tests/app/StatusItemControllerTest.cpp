#include "app/StatusItemController.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using namespace velmora;

TEST(StatusItemControllerTest, MenuEntriesInOrderWithTheirKeys)
{
    StatusItemController controller;
    QStringList entries;
    for (const QAction* action : controller.menu()->actions())
        entries << (action->isSeparator()
                        ? QStringLiteral("-")
                        : action->text() + ' ' + action->shortcut().toString(QKeySequence::PortableText));
    EXPECT_EQ(entries,
              QStringList({"Show Velmora ",
                           "-",
                           "New Tab Ctrl+Shift+T",
                           "New Window… Ctrl+Shift+N",
                           "-",
                           "Settings… Ctrl+Shift+,",
                           "-",
                           "Quit Velmora Ctrl+Shift+Q"}));
}

TEST(StatusItemControllerTest, EntriesReportTheirChoice)
{
    StatusItemController controller;
    QSignalSpy show(&controller, &StatusItemController::showAppRequested);
    QSignalSpy tab(&controller, &StatusItemController::newTabRequested);
    QSignalSpy window(&controller, &StatusItemController::newWindowRequested);
    QSignalSpy settings(&controller, &StatusItemController::settingsRequested);
    const QList<QAction*> actions = controller.menu()->actions();
    actions[0]->trigger();
    actions[2]->trigger();
    actions[3]->trigger();
    actions[3]->trigger();
    actions[5]->trigger();
    EXPECT_EQ(show.size(), 1);
    EXPECT_EQ(tab.size(), 1);
    EXPECT_EQ(window.size(), 2);
    EXPECT_EQ(settings.size(), 1);
}

TEST(StatusItemControllerTest, NoTrayNoItem)
{
    // The offscreen platform has no system tray.
    StatusItemController controller;
    EXPECT_FALSE(controller.isShown());
    EXPECT_NE(controller.menu(), nullptr);
}

} // namespace
