#include <gtest/gtest.h>

#include <string>

#include "TerminalTestSupport.h"
#include "corvel/terminal/SearchService.h"
#include "corvel/terminal/SelectionService.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {
namespace {

using test::sized;

// Counts the changes the selection announces.
class SelectionDelegate : public test::RecordingDelegate {
public:
    void selectionChanged(Terminal&) override { ++changes; }
    int changes = 0;
};

class Selection : public ::testing::Test {
protected:
    SelectionDelegate delegate;
    Terminal terminal{&delegate, sized(20, 5)};
    SelectionService selection{terminal};

    std::string text() { return selection.selectedText(); }
    void doubleClick(int col, int row) { selection.selectWordOrExpression({col, row}, terminal.displayBuffer()); }
};

struct DoubleClickCase {
    const char* name;
    const char* output;
    Position click;
    const char* selected;
};

class DoubleClicks : public Selection, public ::testing::WithParamInterface<DoubleClickCase> {};

TEST_P(DoubleClicks, SelectTheRunOrExpressionUnderThePointer)
{
    terminal.feed(GetParam().output);
    const Position click = GetParam().click;
    doubleClick(click.col, click.row);
    EXPECT_TRUE(selection.active());
    EXPECT_EQ(selection.selectionMode(), SelectionService::SelectionMode::word);
    EXPECT_EQ(text(), GetParam().selected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Runs, DoubleClicks,
    ::testing::Values(
        DoubleClickCase{"TokenWithDotsDashesAndUnderscores", "x foo.bar-baz_1 y", {6, 0}, "foo.bar-baz_1"},
        DoubleClickCase{"LetterNextToAnOperator", "a+b", {0, 0}, "a"},
        DoubleClickCase{"OperatorAlone", "a+b", {1, 0}, ""},
        DoubleClickCase{"RunOfSpaces", "ab   cd", {3, 0}, "   "},
        DoubleClickCase{"WordAtTheLastColumnIncludesIt", "0123456789 abcdefghi", {15, 0}, "abcdefghi"},
        DoubleClickCase{"WideCharactersFormOneWord", "x \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e y", {5, 0},
                        "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e"},
        DoubleClickCase{"OpeningParenthesis", "f(a[1], b) z", {1, 0}, "(a[1], b)"},
        DoubleClickCase{"ClosingParenthesis", "f(a[1], b) z", {9, 0}, "(a[1], b)"},
        DoubleClickCase{"StrayCloserInsideIsSkipped", "(a]b) z", {0, 0}, "(a]b)"},
        DoubleClickCase{"UnmatchedOpener", "f(a b", {1, 0}, ""},
        DoubleClickCase{"ExpressionAcrossRows", "{abc\r\ndef} z", {0, 0}, "{abc\ndef}"},
        DoubleClickCase{"BackwardsFromALaterRow", "[abc\r\ndef] z", {3, 1}, "[abc\ndef]"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Where a selection ends on the first row of a 20-column screen: a search hit
// for "XYZ" (selected as the view selects it) and a double-clicked word end
// exactly after their cells; a drag keeps the pointer's rule, under which
// the last column, which the pointer cannot go past, covers that column.
struct ExtentCase {
    const char* name;
    enum Gesture { hit, word, drag } gesture;
    const char* output;
    // Word: the click; drag: from a to b.
    Position a, b;
    const char* copied;
    std::pair<int, int> drawn;
};

class Extents : public Selection, public ::testing::WithParamInterface<ExtentCase> {};

TEST_P(Extents, CopyAndDrawExactlyTheirCells)
{
    const ExtentCase& c = GetParam();
    terminal.feed(c.output);
    switch (c.gesture) {
    case ExtentCase::hit: {
        SearchService search(terminal);
        const std::optional<SearchResult> found = search.findNext("XYZ", {});
        ASSERT_TRUE(found);
        const SearchSelection extent = SearchService::extentOf(*found, terminal.cols);
        selection.setSelection(extent.start, extent.end);
        break;
    }
    case ExtentCase::word: doubleClick(c.a.col, c.a.row); break;
    case ExtentCase::drag:
        selection.setSoftStart(c.a);
        selection.startSelection();
        selection.dragExtend(c.b);
        break;
    }
    EXPECT_EQ(text(), c.copied);
    EXPECT_EQ(selection.columnsOfRow(0, 20), c.drawn);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    RowEdges, Extents,
    ::testing::Values(
        ExtentCase{"HitAtTheFirstColumn", ExtentCase::hit, "XYZ! rest", {}, {}, "XYZ", {0, 3}},
        ExtentCase{"HitInTheMiddle", ExtentCase::hit, "ab XYZ! cd", {}, {}, "XYZ", {3, 6}},
        ExtentCase{"HitEndingOnTheLastButOneColumn", ExtentCase::hit, "0123456789abcdeXYZ!!", {}, {}, "XYZ", {15, 18}},
        ExtentCase{"HitEndingOnTheLastColumn", ExtentCase::hit, "0123456789abcdefXYZ!", {}, {}, "XYZ", {16, 19}},
        ExtentCase{"HitEndingAtTheRowEnd", ExtentCase::hit, "0123456789abcdefgXYZ\r\nnext", {}, {}, "XYZ", {17, 20}},
        ExtentCase{"WordAtTheFirstColumn", ExtentCase::word, "abcdefg) x", {2, 0}, {}, "abcdefg", {0, 7}},
        ExtentCase{"WordInTheMiddle", ExtentCase::word, "x (abcdefg) y", {5, 0}, {}, "abcdefg", {3, 10}},
        ExtentCase{"WordEndingOnTheLastButOneColumn", ExtentCase::word, "          (abcdefg)!", {14, 0}, {}, "abcdefg",
                   {11, 18}},
        ExtentCase{"WordEndingOnTheLastColumn", ExtentCase::word, "           (abcdefg)", {15, 0}, {}, "abcdefg",
                   {12, 19}},
        ExtentCase{"WordEndingAtTheRowEnd", ExtentCase::word, "             abcdefg\r\nnext", {16, 0}, {}, "abcdefg",
                   {13, 20}},
        ExtentCase{"DragFromTheFirstColumn", ExtentCase::drag, "0123456789abcdefghij", {0, 0}, {3, 0}, "012", {0, 3}},
        ExtentCase{"DragInTheMiddle", ExtentCase::drag, "0123456789abcdefghij", {5, 0}, {9, 0}, "5678", {5, 9}},
        ExtentCase{"DragToTheLastButOneColumn", ExtentCase::drag, "0123456789abcdefghij", {15, 0}, {18, 0}, "fgh",
                   {15, 18}},
        ExtentCase{"DragToTheLastColumnCoversIt", ExtentCase::drag, "0123456789abcdefghij", {15, 0}, {19, 0}, "fghij",
                   {15, 20}},
        ExtentCase{"DragPastTheRowEnd", ExtentCase::drag, "0123456789abcdefghij\r\nnext", {15, 0}, {0, 1},
                   "fghij\n", {15, 20}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(Selection, AWordDragSnappedToALastButOneColumnEndsThere)
{
    terminal.feed("alpha          beta)");
    doubleClick(1, 0); // alpha
    selection.dragExtend({17, 0}); // inside beta, which ends before the last column
    EXPECT_EQ(text(), "alpha          beta");
    selection.dragExtend({19, 0}); // on the closing parenthesis: the pointer's rule
    EXPECT_EQ(text(), "alpha          beta)");
}

TEST_F(Selection, ForwardExpressionSearchStopsAtTheLastRowShown)
{
    terminal.feed("(a\r\nb\r\nc\r\nd\r\ne\r\n)"); // six rows: the first scrolls out
    terminal.buffer().setYDisp(0); // the closer lies below the last row shown
    doubleClick(0, 0);
    EXPECT_FALSE(selection.hasSelectionRange());
    terminal.buffer().setYDisp(1);
    doubleClick(0, 0);
    EXPECT_TRUE(selection.hasSelectionRange());
    EXPECT_EQ(selection.end(), Position(1, 5));
}

TEST_F(Selection, RowSelectionCopiesTheLastColumn)
{
    terminal.feed("abcdefghijklmnopqrst");
    selection.select(0);
    EXPECT_EQ(selection.selectionMode(), SelectionService::SelectionMode::row);
    EXPECT_TRUE(selection.selectingRows());
    EXPECT_EQ(selection.end(), Position(19, 0));
    EXPECT_EQ(text(), "abcdefghijklmnopqrst");
}

TEST_F(Selection, ADragToTheLastColumnCopiesWhatIsDrawn)
{
    terminal.feed("0123456789abcdefghij\r\nsecond");
    selection.setSoftStart({15, 0});
    selection.startSelection();
    selection.dragExtend({19, 0});
    EXPECT_EQ(text(), "fghij");
    selection.dragExtend({18, 0});
    EXPECT_EQ(text(), "fgh");
}

TEST_F(Selection, ShiftClickExtendsAndFlipsAroundTheFarEnd)
{
    terminal.feed("0123456789");
    selection.setSoftStart({3, 0});
    selection.startSelection();
    selection.dragExtend({6, 0});
    selection.shiftExtend({8, 0});
    EXPECT_EQ(selection.start(), Position(3, 0));
    EXPECT_EQ(text(), "34567");
    // Before the anchor of a forward selection: from the old end back to the click.
    selection.shiftExtend({1, 0});
    EXPECT_EQ(selection.start(), Position(8, 0));
    EXPECT_EQ(text(), "1234567");
}

TEST_F(Selection, WordSelectionsExtendByWholeWords)
{
    terminal.feed("alpha beta gamma delta");
    doubleClick(7, 0); // beta
    selection.dragExtend({13, 0}); // inside gamma
    EXPECT_EQ(text(), "beta gamma");
    selection.shiftExtend({1, 1}); // the end of delta, wrapped to the second row
    EXPECT_EQ(text(), "beta gamma delta");
}

TEST_F(Selection, DragAfterARowSelectionExtendsByCharactersFromTheRowStart)
{
    terminal.feed("first row\r\nsecond row");
    selection.select(0);
    selection.dragExtend({3, 1});
    EXPECT_EQ(text(), "first row\nsec");
}

TEST_F(Selection, SelectAllReachesTheLastLineHeld)
{
    terminal.feed("one\r\ntwo\r\nthree");
    selection.selectAll();
    EXPECT_EQ(selection.start(), Position(0, 0));
    EXPECT_EQ(selection.end().row, terminal.buffer().lines().maxLength() - 1);
    EXPECT_EQ(text(), "one\ntwo\nthree");
}

TEST_F(Selection, ExplicitSelectionsAreLimitedToTheScreen)
{
    terminal.feed("abc");
    selection.setSelection({50, 0}, {2, 99});
    EXPECT_EQ(selection.start(), Position(19, 0));
    EXPECT_EQ(selection.end(), Position(20, 4)); // past the last line: the end of the last line
    EXPECT_TRUE(selection.hasSelectionRange());
}

TEST_F(Selection, TurningOffKeepsThePositionsAndClearsThePivot)
{
    terminal.feed("hello world");
    doubleClick(1, 0);
    EXPECT_EQ(selection.debugDescription(),
              "[Selection (active=true, start=col=0 row=0 end=col=5 row=0 hasSR=true pivot=col=0 row=0]");
    const int changes = delegate.changes;
    selection.setActive(false);
    EXPECT_EQ(delegate.changes, changes + 1);
    selection.setActive(false);
    EXPECT_EQ(delegate.changes, changes + 1); // no change, no notice
    EXPECT_EQ(text(), "");
    EXPECT_EQ(selection.start(), Position(0, 0));
    EXPECT_EQ(selection.end(), Position(5, 0));
    EXPECT_EQ(selection.debugDescription(),
              "[Selection (active=false, start=col=0 row=0 end=col=5 row=0 hasSR=true pivot=nil]");
}

} // namespace
} // namespace corvel
