// Search in a device window: the find commands act on the window's active
// session with that terminal's own find bar, which stays whole on the
// device's small screen.

#include "device/DeviceWindowController.h"

#include "corvel/qt/TerminalFindBarView.h"
#include "device/DeviceWindowFixture.h"
#include "support/EventLoopWait.h"
#include "support/ShellScreen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <string>
#include <vector>

namespace velmora {
namespace {

using Find = corvel::TerminalView::FindCommand;

class DeviceFindTest : public test::DeviceWindowFixture {};

// The bar and its search field lie whole within the terminal.
void expectWhole(const corvel::LocalProcessTerminalView& terminal, const char* when)
{
    const corvel::TerminalFindBarView* bar = terminal.findBar();
    ASSERT_NE(bar, nullptr) << when;
    EXPECT_TRUE(bar->isVisible()) << when;
    EXPECT_TRUE(terminal.rect().contains(bar->geometry()))
        << when << ": the bar at " << bar->x() << " is " << bar->width() << " wide in " << terminal.width();
    const QLineEdit* field = bar->searchField();
    EXPECT_TRUE(bar->rect().contains(field->geometry())) << when;
    EXPECT_GE(field->width(), 60) << when;
}

TEST_F(DeviceFindTest, FindCommandsSearchTheActiveSessionWithItsFindBar)
{
    DeviceWindowController& c = open(SkinManifest::handheld());
    corvel::LocalProcessTerminalView* first = c.activeTerminal();
    ASSERT_NE(first, nullptr);
    c.terminalPanel().addSession();
    corvel::LocalProcessTerminalView* terminal = c.activeTerminal();
    ASSERT_NE(terminal, first);
    ASSERT_TRUE(test::waitUntil([&] { return test::screenContains(*terminal, "velmora$"); }));
    terminal->feed("\r\nthe NEEDLE here\r\nand the needle there\r\na marker\r\n");

    c.performFindCommand(Find::showFindInterface);
    expectWhole(*terminal, "on the handheld's screen");
    EXPECT_EQ(first->findBar(), nullptr) << "only the active session searches";
    corvel::TerminalFindBarView* bar = terminal->findBar();
    EXPECT_TRUE(bar->searchField()->hasFocus());
    // Drawn in the application's colours, not in the black the window is
    // filled with.
    EXPECT_EQ(bar->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Window));

    // Typing in the bar finds the hits in turn; the next one follows.
    QTest::keyClicks(bar->searchField(), QStringLiteral("needle"));
    const std::optional<std::string> hit = terminal->getSelection();
    ASSERT_TRUE(hit);
    c.performFindCommand(Find::nextMatch);
    const std::optional<std::string> next = terminal->getSelection();
    ASSERT_TRUE(next);
    EXPECT_NE(*hit, *next) << "the next hit is the other one";
    EXPECT_EQ(QString::fromStdString(*hit).toLower(), QStringLiteral("needle"));
    EXPECT_EQ(QString::fromStdString(*next).toLower(), QStringLiteral("needle"));

    // The selection as the term: the bar shows it.
    QTest::keyClick(bar->searchField(), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    ASSERT_TRUE(terminal->findNext("marker"));
    c.performFindCommand(Find::useSelectionForFind);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->searchField()->text(), QStringLiteral("marker"));

    // Without a selection there is nothing to search for.
    QTest::keyClick(bar->searchField(), Qt::Key_Escape);
    terminal->selectNone();
    c.performFindCommand(Find::useSelectionForFind);
    EXPECT_FALSE(bar->isVisible());
}

// Every control of the bar shows whole, beside the others.
void expectEveryControl(const corvel::TerminalFindBarView& bar, const char* when)
{
    const std::vector<const QWidget*> controls = {bar.searchField(),
                                                  bar.previousButton(),
                                                  bar.nextButton(),
                                                  bar.caseSensitiveButton(),
                                                  bar.regexButton(),
                                                  bar.wholeWordButton(),
                                                  bar.closeButton()};
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const std::string name = controls[i]->accessibleName().toStdString();
        EXPECT_TRUE(controls[i]->isVisible()) << when << ": " << name << " is hidden";
        EXPECT_TRUE(bar.rect().contains(controls[i]->geometry())) << when << ": " << name << " is cut";
        for (std::size_t j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << when << ": " << name << " overlaps " << controls[j]->accessibleName().toStdString();
    }
}

TEST_F(DeviceFindTest, TheFindBarKeepsEveryControlOnASmallScreen)
{
    DeviceWindowController& c = open(SkinManifest::handheld());
    corvel::LocalProcessTerminalView* terminal = c.activeTerminal();
    ASSERT_NE(terminal, nullptr);
    c.performFindCommand(Find::showFindInterface);
    corvel::TerminalFindBarView* bar = terminal->findBar();
    ASSERT_NE(bar, nullptr);
    expectWhole(*terminal, "small");
    expectEveryControl(*bar, "small");

    // A wide mini window has room for one row.
    c.enterMiniMode();
    c.window()->resize(760, 420);
    QCoreApplication::processEvents();
    expectWhole(*terminal, "wide");
    expectEveryControl(*bar, "wide");
    EXPECT_FALSE(bar->isCompact());

    // And a narrow one takes two again, the field still whole.
    c.window()->resize(330, 420);
    QCoreApplication::processEvents();
    expectWhole(*terminal, "narrow");
    expectEveryControl(*bar, "narrow");
    EXPECT_TRUE(bar->isCompact());
}

// A hit on the first row of the handheld's screen stays in sight: the bar
// leaves it uncovered.
TEST_F(DeviceFindTest, AHitOnTheFirstRowIsNotHiddenUnderTheBar)
{
    DeviceWindowController& c = open(SkinManifest::handheld());
    corvel::LocalProcessTerminalView* terminal = c.activeTerminal();
    ASSERT_NE(terminal, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return test::screenContains(*terminal, "velmora$"); }));
    const int cols = terminal->getTerminal().cols;
    ASSERT_GT(cols, 8);
    // The hit at the first row's end, where the bar opens.
    terminal->feed("\x1b[2J\x1b[1;" + std::to_string(cols - 5) + "HNEEDLE\x1b[4;1H");
    c.performFindCommand(Find::showFindInterface);
    corvel::TerminalFindBarView* bar = terminal->findBar();
    ASSERT_NE(bar, nullptr);
    QTest::keyClicks(bar->searchField(), QStringLiteral("needle"));
    ASSERT_EQ(terminal->getSelection(), std::optional<std::string>("NEEDLE"));
    const QSizeF cell = terminal->cellDimension();
    const QRect hit = QRectF(cell.width() * (cols - 6), 0, cell.width() * 6, cell.height()).toAlignedRect();
    expectWhole(*terminal, "with the hit");
    EXPECT_FALSE(bar->geometry().intersects(hit)) << "the bar at " << bar->y() << " covers the hit";
}

} // namespace
} // namespace velmora
