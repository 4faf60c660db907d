#include "app/CommandPaletteController.h"
#include "app/CommandPaletteView.h"

#include "PaletteTestSupport.h"

#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace velmora;
using Kind = PaletteEntry::Kind;
using test::skinNamed;

// A palette over a stand-in device window that records what reaches it.
class CommandPaletteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        deviceWindow = std::make_unique<QWidget>();
        deviceWindow->setGeometry(200, 150, 640, 480);
        controller = std::make_unique<CommandPaletteController>(CommandPaletteController::Commands{
            [this] { log << "picker"; },
            [this] { log << "settings"; },
            [this] { return skins; },
        });
    }

    void TearDown() override { controller->close(); }

    PaletteAnchor anchor()
    {
        PaletteAnchor result;
        result.window = deviceWindow.get();
        result.sessionCount = 3;
        result.changeSkin = [this](const SkinManifest& skin) { log << "skin " + skin.name + " " + skin.id; };
        result.switchSession = [this](int index) { log << QString("session %1").arg(index); };
        result.newSession = [this] { log << "new session"; };
        result.cycleSkin = [this] { log << "cycle"; };
        return result;
    }

    void press(Qt::Key key) { QTest::keyClick(controller->panel()->queryField(), key); }
    void type(const QString& text) { QTest::keyClicks(controller->panel()->queryField(), text); }

    std::vector<SkinManifest> skins{skinNamed("Amber"), skinNamed("Zinc")};
    std::unique_ptr<QWidget> deviceWindow;
    std::unique_ptr<CommandPaletteController> controller;
    QStringList log;
};

TEST_F(CommandPaletteTest, OpensOverTheAnchorWithAnEmptyQuery)
{
    controller->open(anchor());
    CommandPaletteView* panel = controller->panel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->size(), QSize(500, 360));
    EXPECT_EQ(panel->pos(),
              CommandPaletteController::placement(deviceWindow->frameGeometry(),
                                                  deviceWindow->screen()->availableGeometry()));
    EXPECT_EQ(CommandPaletteController::placement(QRect(200, 150, 640, 480)), QPoint(270, 170));
    EXPECT_EQ(panel->queryField()->placeholderText(), "Jump to\u2026");
    EXPECT_EQ(controller->state().allEntries().size(), 2u + 3u + 4u);

    type("zin");
    EXPECT_EQ(controller->state().query(), "zin");
    press(Qt::Key_Escape);
    EXPECT_FALSE(panel->isVisible());

    controller->open(anchor());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->queryField()->text(), "");
    EXPECT_EQ(controller->state().query(), "");
    EXPECT_EQ(controller->state().selectedIndex(), 0);
    EXPECT_EQ(panel->list()->rows().size(), 9u);
}

TEST(CommandPalettePlacement, ThePanelStaysInsideTheScreensAvailableArea)
{
    // The panel is 500 x 360, centred on the window and raised 40.
    const QRect screen(0, 30, 1280, 994); // below a top panel of 30
    struct Case {
        const char* name;
        QRect window;
        QRect available;
        QPoint expected;
    };
    const Case cases[] = {
        {"in the middle it stays centred", {200, 150, 640, 480}, screen, {270, 170}},
        {"a small window at the top: below the panel", {100, 40, 200, 100}, screen, {0, 30}},
        {"a window past the right edge", {1100, 400, 400, 400}, screen, {780, 380}},
        {"a window past the bottom", {300, 900, 400, 400}, screen, {250, 664}},
        {"a second screen to the left", {-1500, 200, 600, 600}, {-1920, 0, 1920, 1080}, {-1450, 280}},
        {"an area smaller than the panel: its top left", {0, 0, 300, 200}, {10, 20, 300, 200}, {10, 20}},
        {"no area known: centred as it is", {100, 40, 200, 100}, {}, {-50, -130}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CommandPaletteController::placement(c.window, c.available), c.expected) << c.name;
}

TEST_F(CommandPaletteTest, WithoutAnAnchorOffersNoSessionsAndActsOnNoWindow)
{
    controller->open(std::nullopt);
    EXPECT_EQ(controller->state().allEntries().size(), 2u + 4u);
    for (const PaletteEntry& entry : controller->state().allEntries())
        controller->run(entry);
    EXPECT_EQ(log, QStringList({"picker", "settings"}));
}

TEST_F(CommandPaletteTest, ArrowsMoveTheHighlightWithinTheResults)
{
    controller->open(anchor());
    PaletteState& state = controller->state();
    QScrollBar* scroll = controller->panel()->list()->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0); // nine rows do not fit
    EXPECT_EQ(scroll->value(), 0);
    for (int i = 0; i < 20; ++i)
        press(Qt::Key_Down);
    EXPECT_EQ(state.selectedIndex(), 8);
    EXPECT_EQ(scroll->value(), scroll->maximum());
    press(Qt::Key_Up);
    EXPECT_EQ(state.selectedIndex(), 7);

    type("xyz");
    EXPECT_EQ(state.selectedIndex(), 0);
    EXPECT_TRUE(controller->panel()->list()->rows().empty());
    press(Qt::Key_Down);
    EXPECT_EQ(state.selectedIndex(), -1);
    press(Qt::Key_Return);
    EXPECT_TRUE(log.isEmpty());
    EXPECT_TRUE(controller->panel()->isVisible());
    press(Qt::Key_Up);
    EXPECT_EQ(state.selectedIndex(), 0);
    press(Qt::Key_Down);
    press(Qt::Key_Backspace);
    EXPECT_EQ(state.selectedIndex(), 0);
}

TEST_F(CommandPaletteTest, ReturnRunsTheHighlightedRowOfTheCurrentRanking)
{
    controller->open(anchor());
    type("a");
    press(Qt::Key_Down);
    ASSERT_EQ(controller->panel()->list()->rows()[0].title, "Amber");
    ASSERT_EQ(controller->panel()->list()->rows()[1].title, "New Tab");
    press(Qt::Key_Return);
    EXPECT_EQ(log, QStringList{"new session"});
    EXPECT_FALSE(controller->panel()->isVisible());

    controller->open(anchor());
    type("session 3");
    press(Qt::Key_Return);
    controller->open(anchor());
    type("zinc");
    press(Qt::Key_Return);
    EXPECT_EQ(log, QStringList({"new session", "session 2", "skin Zinc " + skins[1].id}));
}

TEST_F(CommandPaletteTest, CycleSkinActsOnTheWindowThePaletteWasOpenedOver)
{
    controller->open(anchor());
    type("cycle");
    press(Qt::Key_Return);
    EXPECT_EQ(log, QStringList{"cycle"});
}

TEST_F(CommandPaletteTest, AClickRunsTheRowAndHoverHighlightsIt)
{
    controller->open(anchor());
    PaletteListView* list = controller->panel()->list();
    const int height = list->rowHeight();
    QTest::mouseMove(list->viewport(), QPoint(40, height * 2 + height / 2));
    EXPECT_EQ(controller->state().selectedIndex(), 2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(40, height + height / 2));
    EXPECT_EQ(log, QStringList{"skin Zinc " + skins[1].id});
    EXPECT_FALSE(controller->panel()->isVisible());
}

TEST_F(CommandPaletteTest, ASkinThatIsGoneOrAClosedWindowChangesNothing)
{
    controller->open(anchor());
    skins = {skinNamed("Amber")};
    type("zinc");
    press(Qt::Key_Return);
    EXPECT_TRUE(log.isEmpty());
    EXPECT_FALSE(controller->panel()->isVisible());

    // Two skins of one name: the first one's wins.
    skins = {skinNamed("Amber"), skinNamed("Amber")};
    skins[1].id = "second";
    controller->open(anchor());
    type("amber");
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_EQ(log, QStringList{"skin Amber " + skins[0].id});

    log.clear();
    controller->open(anchor());
    deviceWindow.reset();
    for (const PaletteEntry& entry : controller->state().allEntries())
        controller->run(entry);
    EXPECT_EQ(log, QStringList({"picker", "settings"}));
}

} // namespace
