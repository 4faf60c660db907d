// The find bar and the find commands of the view.

#include <string>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "ViewFixture.h"
#include "corvel/qt/FindPasteboard.h"
#include "corvel/qt/TerminalFindBarView.h"
#include "corvel/terminal/SelectionService.h"

namespace corvel::test {
namespace {

using FindCommand = TerminalView::FindCommand;

class FindBar : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        FindPasteboard::setString(QString());
        view->feed("one cat\r\ntwo cat\r\nthree cat concatenate");
        flush();
        QApplication::setActiveWindow(view.get());
        view->setFocus();
    }

    std::string selected() { return view->getSelection().value_or("<none>"); }
    // The first cell of the selection.
    Position hit()
    {
        const Position a = view->selection().start();
        const Position b = view->selection().end();
        return Position::compare(b, a) == Position::compareResult::before ? b : a;
    }
    TerminalFindBarView* bar() { return view->findBar(); }
    void type(const QString& text) { QTest::keyClicks(bar()->searchField(), text); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(bar()->searchField(), key, modifiers);
    }
};

TEST_F(FindBar, ShowsOverTheTopRightCornerWithItsControls)
{
    view->performFindCommand(FindCommand::showFindInterface);
    ASSERT_NE(bar(), nullptr);
    EXPECT_TRUE(bar()->isVisible());
    EXPECT_EQ(bar()->geometry().top(), 8);
    EXPECT_EQ(bar()->geometry().right(), view->width() - view->scrollerWidth() - 8 - 1);
    EXPECT_LE(bar()->width(), TerminalFindBarView::maximumWidth);
    EXPECT_EQ(bar()->searchField()->placeholderText(), QStringLiteral("Find"));
    EXPECT_EQ(bar()->caseSensitiveButton()->text(), QStringLiteral("Aa"));
    EXPECT_EQ(bar()->regexButton()->text(), QStringLiteral(".*"));
    EXPECT_EQ(bar()->wholeWordButton()->text(), QStringLiteral("Word"));
    EXPECT_EQ(bar()->previousButton()->toolTip(), QStringLiteral("Previous"));
    EXPECT_EQ(bar()->nextButton()->toolTip(), QStringLiteral("Next"));
    EXPECT_EQ(bar()->closeButton()->toolTip(), QStringLiteral("Close"));
    EXPECT_TRUE(bar()->searchField()->hasFocus());
}

TEST_F(FindBar, TypingSearchesAndReturnKeysWalkTheHits)
{
    view->performFindCommand(FindCommand::showFindInterface);
    type(QStringLiteral("cat"));
    EXPECT_EQ(hit(), Position(4, 0));
    EXPECT_EQ(view->findBarTerm, "cat");
    EXPECT_EQ(FindPasteboard::string(), QStringLiteral("cat"));
    key(Qt::Key_Return);
    EXPECT_EQ(hit(), Position(4, 1));
    key(Qt::Key_Enter);
    EXPECT_EQ(hit(), Position(6, 2));
    key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(hit(), Position(4, 1));
    QTest::mouseClick(bar()->nextButton(), Qt::LeftButton);
    EXPECT_EQ(hit(), Position(6, 2));
    QTest::mouseClick(bar()->previousButton(), Qt::LeftButton);
    EXPECT_EQ(hit(), Position(4, 1));
}

TEST_F(FindBar, EscapeHidesTheBarAndGivesTheKeyboardBack)
{
    view->performFindCommand(FindCommand::showFindInterface);
    type(QStringLiteral("two"));
    key(Qt::Key_Escape);
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_TRUE(view->hasFocus());
    // The field keeps its text for the next time.
    EXPECT_EQ(bar()->searchField()->text(), QStringLiteral("two"));
    EXPECT_EQ(selected(), "two");
}

TEST_F(FindBar, TheOptionsNarrowTheSearch)
{
    view->performFindCommand(FindCommand::showFindInterface);
    type(QStringLiteral("cat"));
    key(Qt::Key_Return);
    key(Qt::Key_Return);
    EXPECT_EQ(hit(), Position(6, 2));
    // Whole words: the next hit skips "concatenate" and wraps to the first line.
    bar()->wholeWordButton()->setChecked(true);
    EXPECT_EQ(view->findBarOptions, (SearchOptions{false, false, true}));
    EXPECT_EQ(hit(), Position(4, 0));
    bar()->wholeWordButton()->setChecked(false);
    bar()->regexButton()->setChecked(true);
    bar()->searchField()->selectAll();
    type(QStringLiteral("c[a-z]+e"));
    EXPECT_EQ(selected(), "concatenate");
}

TEST_F(FindBar, AnInvalidExpressionFindsNothingAndClearsTheSelection)
{
    view->performFindCommand(FindCommand::showFindInterface);
    bar()->regexButton()->setChecked(true);
    type(QStringLiteral("cat"));
    EXPECT_TRUE(view->selectionActive());
    type(QStringLiteral("(["));
    EXPECT_FALSE(view->selectionActive());
}

TEST_F(FindBar, EmptyingTheFieldForgetsTheSearch)
{
    view->performFindCommand(FindCommand::showFindInterface);
    type(QStringLiteral("ca"));
    ASSERT_TRUE(view->selectionActive());
    key(Qt::Key_Backspace);
    key(Qt::Key_Backspace);
    EXPECT_FALSE(view->selectionActive());
    EXPECT_FALSE(view->searchService().state().cachedSearchTerm);
}

TEST_F(FindBar, ShowingWithASelectionStartsFromIt)
{
    view->selection().setSelection({4, 1}, {7, 1});
    EXPECT_TRUE(view->isFindCommandEnabled(FindCommand::useSelectionForFind));
    view->performFindCommand(FindCommand::showFindInterface);
    EXPECT_EQ(bar()->searchField()->text(), QStringLiteral("cat"));
    EXPECT_EQ(hit(), Position(4, 1)); // the same occurrence stays selected
    view->performFindCommand(FindCommand::showFindInterface);
    EXPECT_EQ(hit(), Position(6, 2)); // the same term again moves on
}

TEST_F(FindBar, FindNextWithTheBarHiddenUsesTheFindString)
{
    EXPECT_FALSE(view->isFindCommandEnabled(FindCommand::useSelectionForFind));
    view->performFindCommand(FindCommand::nextMatch);
    EXPECT_FALSE(view->selectionActive()); // nothing to search for
    FindPasteboard::setString(QStringLiteral("three"));
    view->performFindCommand(FindCommand::nextMatch);
    EXPECT_EQ(selected(), "three");
    EXPECT_EQ(bar(), nullptr);

    view->selection().setSelection({0, 1}, {3, 1});
    view->performFindCommand(FindCommand::useSelectionForFind);
    EXPECT_EQ(FindPasteboard::string(), QStringLiteral("two"));
    ASSERT_NE(bar(), nullptr);
    view->performFindCommand(FindCommand::hideFindInterface);
    EXPECT_FALSE(bar()->isVisible());
}

TEST_F(FindBar, SearchingRevealsAHitInTheScrollBack)
{
    for (int i = 0; i < 100; ++i)
        view->feed("filler\r\n");
    const int bottom = terminal().displayBuffer().yDisp();
    EXPECT_TRUE(view->findNext("three", {}, true));
    EXPECT_EQ(hit(), Position(0, 2));
    EXPECT_EQ(terminal().displayBuffer().yDisp(), 0);
    EXPECT_LT(terminal().displayBuffer().yDisp(), bottom);
    view->clearSearch();
    EXPECT_FALSE(view->selectionActive());
}

// The alternate screen holds no more lines than it shows, so a hit there is
// on screen; the normal screen below it has a scroll-back, which a reveal
// that reached past the alternate screen would move.
TEST_F(FindBar, HitsOnTheAlternateScreenNeverScroll)
{
    for (int i = 0; i < 100; ++i)
        view->feed("filler word\r\n");
    Buffer& normal = terminal().normalBuffer();
    const int bottom = normal.yDisp();
    ASSERT_GT(bottom, 24);
    host.scrolls.clear();

    // The alternate screen itself, the hit low on it.
    view->feed("\x1b[?1049h\x1b[20Halt screen word");
    EXPECT_TRUE(view->findNext("word", {}, true));
    EXPECT_EQ(selected(), "word");
    EXPECT_EQ(hit(), Position(11, 19));
    EXPECT_EQ(terminal().displayBuffer().yDisp(), 0);
    EXPECT_EQ(normal.yDisp(), bottom);

    // A frame of the alternate screen still shown while the program is back
    // on the normal screen.
    view->feed("\x1b[?2026h\x1b[?1049l");
    ASSERT_TRUE(terminal().isDisplayBufferAlternate());
    EXPECT_TRUE(view->findNext("word", {}, true));
    EXPECT_EQ(hit(), Position(11, 19));
    EXPECT_EQ(terminal().displayBuffer().yDisp(), 0);
    EXPECT_EQ(normal.yDisp(), bottom);
    view->feed("\x1b[?2026l");
    EXPECT_EQ(normal.yDisp(), bottom);
    EXPECT_TRUE(host.scrolls.empty());
}

// A hit that fills its row to the end is the term alone: copying it takes
// no line break along, and the find bar shown again keeps the term.
TEST_F(FindBar, AHitAtTheRowEndIsTheTermAlone)
{
    view->feed("\r\n" + std::string(77, '.') + "XYZ\r\nafter");
    view->performFindCommand(FindCommand::showFindInterface);
    type(QStringLiteral("XYZ"));
    EXPECT_EQ(hit(), Position(77, 3));
    view->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("XYZ"));
    key(Qt::Key_Escape);
    view->performFindCommand(FindCommand::showFindInterface);
    EXPECT_EQ(bar()->searchField()->text(), QStringLiteral("XYZ"));
    EXPECT_EQ(selected(), "XYZ");
    EXPECT_EQ(hit(), Position(77, 3));
}

// Every control of the bar is shown and whole, one beside the other, at any
// width the view has: where one row does not fit, the options go to a
// second row and the field narrows.
TEST_F(FindBar, EveryControlShowsInANarrowView)
{
    struct Case {
        int cols;
        bool compact;
    };
    const std::vector<Case> cases = {{80, false}, {40, true}, {28, true}};
    view->performFindCommand(FindCommand::showFindInterface);
    ASSERT_NE(bar(), nullptr);
    for (const Case& c : cases) {
        resizeGrid(c.cols, 24);
        flush();
        const std::string name = std::to_string(c.cols) + " columns";
        EXPECT_EQ(bar()->isCompact(), c.compact) << name;
        EXPECT_TRUE(QRect(0, 0, view->width() - view->scrollerWidth(), view->height()).contains(bar()->geometry()))
            << name << ": the bar at " << bar()->x() << " is " << bar()->width() << " wide";
        EXPECT_GE(bar()->searchField()->width(), TerminalFindBarView::leastFieldWidth) << name;
        const std::vector<QWidget*> controls = {bar()->searchField(),
                                                bar()->previousButton(),
                                                bar()->nextButton(),
                                                bar()->caseSensitiveButton(),
                                                bar()->regexButton(),
                                                bar()->wholeWordButton(),
                                                bar()->closeButton()};
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const QWidget* control = controls[i];
            EXPECT_TRUE(control->isVisible()) << name << ": " << control->accessibleName().toStdString();
            EXPECT_TRUE(bar()->rect().contains(control->geometry()))
                << name << ": " << control->accessibleName().toStdString() << " is cut";
            for (std::size_t j = i + 1; j < controls.size(); ++j)
                EXPECT_FALSE(control->geometry().intersects(controls[j]->geometry()))
                    << name << ": controls " << i << " and " << j << " overlap";
        }
    }
}

// The bar stays in its top-right corner unless the current hit lies under
// it there; then it goes to the bottom-right corner, and back when the next
// hit is clear of the top.
TEST_F(FindBar, TheBarLeavesTheCurrentHitInSight)
{
    struct Case {
        const char* name;
        const char* text;
        bool atBottom;
    };
    const std::vector<Case> cases = {
        {"on the first row, right", "\x1b[1;70HNEEDLE", true},
        {"on the second row, right", "\x1b[2;60HNEEDLE", true},
        {"on the first row, left of the bar", "\x1b[1;1HNEEDLE", false},
        {"low on the screen", "\x1b[20;70HNEEDLE", false},
        {"wrapped from the first row into the second", "\x1b[1;78HNEEDLE", true},
    };
    view->performFindCommand(FindCommand::showFindInterface);
    ASSERT_NE(bar(), nullptr);
    for (const Case& c : cases) {
        view->feed("\x1b[2J\x1b[H");
        view->feed(c.text);
        view->feed("\x1b[24;1H");
        bar()->searchField()->clear();
        type(QStringLiteral("needle"));
        ASSERT_EQ(selected(), "NEEDLE") << c.name;
        const Position first = hit();
        const int row = first.row - terminal().displayBuffer().yDisp();
        QRect cells = cell(first.col, row, std::min(6, 80 - first.col));
        if (first.col + 6 > 80)
            cells = cells.united(cell(0, row + 1, first.col + 6 - 80));
        EXPECT_FALSE(bar()->geometry().intersects(cells)) << c.name << ": the bar covers the hit";
        const int bottom = view->height() - TerminalFindBarView::edgeInset - 1;
        EXPECT_EQ(bar()->geometry().bottom() == bottom, c.atBottom) << c.name;
        EXPECT_EQ(bar()->geometry().top() == TerminalFindBarView::edgeInset, !c.atBottom) << c.name;
    }
}

} // namespace
} // namespace corvel::test
