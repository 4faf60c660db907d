#include "app/WelcomeWindowController.h"

#include "app/MainMenu.h"
#include "core/AppPaths.h"
#include "support/ScopedEnvironment.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace velmora;

TEST(WelcomeWindowTest, TheCardsSpeakOfLinux)
{
    QTemporaryDir home;
    std::vector<WelcomeCard> cards;
    {
        const test::ScopedEnvironment homeFolder("HOME", home.path().toUtf8());
        const test::ScopedEnvironment dataFolder("XDG_DATA_HOME", (home.path() + "/.local/share").toUtf8());
        cards = WelcomeView::defaultCards();
    }

    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[0].title, "Pick a skin");
    EXPECT_EQ(cards[0].symbol, "paintbrush.fill");
    EXPECT_TRUE(cards[0].body.contains("drop into ~/.local/share/Velmora/skins \u2014 no code"))
        << cards[0].body.toStdString();
    // The second card speaks of what a device window has: tabs and its
    // context menu, no panels or widgets in slots.
    EXPECT_EQ(cards[1].title, "Right-click the device");
    for (const char* promise : {"Slot", "panel", "widget", "swap"})
        EXPECT_FALSE(cards[1].body.contains(promise, Qt::CaseInsensitive)) << promise;
    for (const char* entry : {"tabs", "change its skin", "mini terminal", "build a skin", "settings"})
        EXPECT_TRUE(cards[1].body.contains(entry)) << entry;
    EXPECT_EQ(cards[2].title, "Keyboard-first");
    for (const WelcomeCard& card : cards) {
        EXPECT_FALSE(card.body.contains(QChar(0x2318))) << card.body.toStdString(); // the Command key sign
        EXPECT_FALSE(card.body.contains(QChar(0x2325))) << card.body.toStdString(); // the Option key sign
        EXPECT_FALSE(card.body.contains("Application Support"));
    }
    EXPECT_TRUE(cards[2].body.contains("Ctrl+Shift+P palette"));
    EXPECT_TRUE(cards[2].body.contains("Alt+Space from anywhere"));

    // Where another program holds Alt+Space, the cards do not offer it.
    const std::vector<WelcomeCard> withoutHotkey = WelcomeView::defaultCards(false);
    for (const WelcomeCard& card : withoutHotkey)
        EXPECT_FALSE(card.body.contains("Alt+Space")) << card.body.toStdString();
    EXPECT_TRUE(withoutHotkey[2].body.contains("Ctrl+Shift+P palette. Everything"))
        << withoutHotkey[2].body.toStdString();
    WelcomeWindowController controller([] {}, false);
    EXPECT_FALSE(controller.view()->cards()[2].body.contains("Alt+Space"));
}

// The keyboard card names each key as the menu binds it.
TEST(WelcomeWindowTest, TheKeyboardCardGivesTheMenusKeys)
{
    const std::vector<WelcomeCard> cards = WelcomeView::defaultCards(false);
    ASSERT_EQ(cards.size(), 3u);
    const struct {
        const char* menuItem;
        const char* what;
    } rows[] = {{"newSession", "new tab"}, {"cycleSessionNext", "switch"}, {"openCommandPalette", "palette"}};
    for (const auto& row : rows) {
        const QString key = MainMenu::shortcutText(row.menuItem);
        ASSERT_FALSE(key.isEmpty()) << row.menuItem;
        EXPECT_TRUE(cards[2].body.contains(key + u' ' + QLatin1String(row.what))) << cards[2].body.toStdString();
    }
}

TEST(WelcomeWindowTest, ReturnWalksTheCardsAndFinishes)
{
    int finished = 0;
    WelcomeWindowController controller([&] { ++finished; });
    controller.showWindow();
    QWidget* window = controller.window();
    WelcomeView* view = controller.view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->windowTitle(), "Welcome to Velmora");
    EXPECT_EQ(window->size(), QSize(460, 380));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());

    const auto title = [&] { return view->findChild<QLabel*>("cardTitle")->text(); };
    EXPECT_EQ(view->index(), 0);
    EXPECT_EQ(title(), "Pick a skin");
    EXPECT_FALSE(view->backButton()->isVisible());
    EXPECT_EQ(view->primaryButton()->text(), "Next");

    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_EQ(view->index(), 1);
    EXPECT_EQ(title(), "Right-click the device");
    EXPECT_TRUE(view->backButton()->isVisible());

    // Return is the main button even while Back has the focus.
    view->backButton()->setFocus();
    QTest::keyClick(view->backButton(), Qt::Key_Return);
    EXPECT_EQ(view->index(), 2);
    EXPECT_EQ(view->primaryButton()->text(), "Pick a Skin");
    EXPECT_TRUE(view->backButton()->isVisible());

    QTest::mouseClick(view->backButton(), Qt::LeftButton);
    EXPECT_EQ(view->index(), 1);
    QTest::mouseClick(view->primaryButton(), Qt::LeftButton);
    EXPECT_EQ(finished, 0);
    EXPECT_TRUE(window->isVisible());

    QTest::keyClick(window, Qt::Key_Enter);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(window->isVisible());
}

TEST(WelcomeWindowTest, TheCloseButtonFinishesNothing)
{
    int finished = 0;
    WelcomeWindowController controller([&] { ++finished; });
    controller.showWindow();
    controller.window()->close();
    EXPECT_FALSE(controller.window()->isVisible());
    EXPECT_EQ(finished, 0);
}

TEST(WelcomeWindowTest, LongTextsWrapAndKeepTheirHeight)
{
    WelcomeView view({}, {{"gear", "Title", QString("word ").repeated(60)}});
    view.resize(460, 380);
    view.show();
    auto* body = view.findChild<QLabel*>("cardBody");
    ASSERT_NE(body, nullptr);
    EXPECT_LE(body->width(), 400);
    EXPECT_GE(body->height(), body->heightForWidth(body->width()));
}

} // namespace
