#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "BufferTestSupport.h"
#include "corvel/model/Buffer.h"

namespace corvel {
namespace {

using testing::cellOf;
using testing::ScreenFixture;

constexpr char32_t wide = U'\u4E2D';

// A normal screen written to the way a terminal prints: auto-wrap on, line
// feeds scroll at the bottom. In the text given to print(), '\n' is a new
// line and '#' a wide character.
class Reflow : public ::testing::Test, public ScreenFixture {
protected:
    void screen(int cols, int rows, std::optional<int> scrollback = 1000) { make(cols, rows, scrollback); }

    void print(std::string_view text)
    {
        for (char ch : text) {
            if (ch == '\n') {
                newLine();
            } else if (ch == '#') {
                buffer->insertCharacter(CharData(Attribute(), static_cast<int32_t>(wide), 2));
            } else {
                buffer->insertCharacter(cellOf(ch));
            }
        }
    }

    void newLine()
    {
        Buffer& b = *buffer;
        b.setX(0);
        if (b.y() == b.rows() - 1) {
            b.scroll(false);
        } else {
            b.setY(b.y() + 1);
        }
    }

    BufferLine& line(int index) { return buffer->lines()[index]; }

    // A ring line as text: '#' for a wide character, '.' for an empty cell,
    // the placeholder after a wide character left out, trailing empties cut.
    std::string text(int index)
    {
        std::string out;
        for (const CharData& c : line(index).cells()) {
            if (c.width == 0)
                continue;
            out += c.code == 0 ? '.' : c.code == static_cast<int32_t>(wide) ? '#' : static_cast<char>(c.code);
        }
        return out.erase(out.find_last_not_of('.') + 1);
    }
    std::string screenRow(int y) { return text(buffer->yBase() + y); }

    // The ring index of the first line whose text is `wanted`, -1 if none.
    int find(std::string_view wanted)
    {
        for (int i = 0; i < buffer->lines().count(); ++i) {
            if (text(i) == wanted)
                return i;
        }
        return -1;
    }
};

std::string run(char c, int n) { return std::string(static_cast<size_t>(n), c); }

// Letters a..z repeated: distinct neighbours make misplaced cells visible.
std::string letters(int n, int from = 0)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += static_cast<char>('a' + (from + i) % 26);
    return out;
}

// ---- wider -------------------------------------------------------------------

struct WiderCase {
    const char* name;
    int history; // lines printed before the wrapped one
    int yBaseChange;
    int yChange;
};

class ReflowWider : public Reflow, public ::testing::WithParamInterface<WiderCase> {};

TEST_P(ReflowWider, RejoinsAWrappedLineAndKeepsTheScreenFull)
{
    const WiderCase& c = GetParam();
    screen(80, 24);
    for (int i = 0; i < c.history; ++i)
        print("h" + std::to_string(i) + "\n");
    print(letters(100) + "\nbelow\n");
    const int yBase = buffer->yBase();
    const int y = buffer->y();
    const int belowRow = y - 1;

    buffer->resize(120, 24);

    const int joined = find(letters(100));
    ASSERT_GE(joined, 0);
    EXPECT_FALSE(line(joined + 1).isWrapped);
    EXPECT_EQ(text(joined + 1), "below");
    EXPECT_EQ(buffer->yBase(), yBase + c.yBaseChange);
    EXPECT_EQ(buffer->y(), y + c.yChange);
    EXPECT_EQ(screenRow(buffer->y() - 1), "below") << "the cursor stays on its row";
    EXPECT_EQ(buffer->lines().count(), buffer->yBase() + 24);
    if (c.yChange == 0) {
        EXPECT_EQ(screenRow(belowRow), "below") << "rows below keep their screen rows";
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, ReflowWider,
                         ::testing::Values(WiderCase{"ScrollbackComesBackAtTheTop", 30, -1, 0},
                                           WiderCase{"WithoutScrollbackTheCursorMovesUp", 3, 0, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Reflow, WiderKeepsAsManyLinesAsTheTextNeeds)
{
    screen(80, 10);
    print(letters(250) + "\n\n");
    buffer->resize(120, 10);
    EXPECT_EQ(text(0), letters(120));
    EXPECT_EQ(text(1), letters(120, 120));
    EXPECT_EQ(text(2), letters(10, 240));
    EXPECT_TRUE(line(1).isWrapped);
    EXPECT_TRUE(line(2).isWrapped);
    EXPECT_FALSE(line(3).isWrapped);
    EXPECT_EQ(buffer->y(), 4);
}

TEST_F(Reflow, WiderLeavesTheCursorsLogicalLineAlone)
{
    screen(80, 10);
    print(letters(100));
    buffer->resize(120, 10);
    EXPECT_EQ(text(0), letters(80));
    EXPECT_EQ(text(1), letters(20, 80));
    EXPECT_TRUE(line(1).isWrapped);
    EXPECT_EQ(buffer->y(), 1);
    EXPECT_EQ(line(0).count(), 120);
}

TEST_F(Reflow, WiderMovesAWideCharacterThatWouldStraddleTheEdgeWhole)
{
    screen(80, 10);
    print(run('x', 80) + run('y', 19) + "#z\n\n");
    buffer->resize(100, 10);
    EXPECT_EQ(text(0), run('x', 80) + run('y', 19));
    EXPECT_EQ(line(0)[99], CharData::Null);
    EXPECT_EQ(text(1), "#z");
    EXPECT_EQ(line(1)[0].width, 2);
    EXPECT_EQ(line(1)[1].width, 0);
    EXPECT_TRUE(line(1).isWrapped);
}

TEST_F(Reflow, WiderDropsTheBlankLeftBeforeAWideCharacter)
{
    screen(10, 5);
    print(run('a', 9) + "#b\n\n");
    ASSERT_EQ(text(0), run('a', 9));
    ASSERT_EQ(text(1), "#b");
    buffer->resize(20, 5);
    EXPECT_EQ(text(0), run('a', 9) + "#b");
    EXPECT_FALSE(line(1).isWrapped);
}

TEST_F(Reflow, WiderKeepsPrintedSpacesInsideTheText)
{
    screen(10, 8);
    print(run('a', 10) + run(' ', 10) + "bc\n\n");
    buffer->resize(15, 8);
    EXPECT_EQ(text(0), run('a', 10) + run(' ', 5));
    EXPECT_EQ(text(1), run(' ', 5) + "bc");
    EXPECT_TRUE(line(1).isWrapped);
    EXPECT_FALSE(line(2).isWrapped);
}

TEST_F(Reflow, WiderWithoutWrappedLinesChangesOnlyTheWidth)
{
    screen(80, 10);
    for (int i = 0; i < 15; ++i)
        print("row" + std::to_string(i) + "\n");
    buffer->setYDisp(2);
    buffer->savedY = 4;
    const int yBase = buffer->yBase();
    buffer->resize(100, 10);
    EXPECT_EQ(buffer->yBase(), yBase);
    EXPECT_EQ(buffer->yDisp(), 2);
    EXPECT_EQ(buffer->savedY, 4);
    EXPECT_EQ(buffer->y(), 9);
}

TEST_F(Reflow, WiderSavedRowDropsWithTheRemovedLines)
{
    screen(10, 6);
    print(letters(15) + "\n" + letters(15) + "\nx\n");
    buffer->savedY = 1;
    buffer->resize(20, 6);
    EXPECT_EQ(buffer->savedY, 0);
    EXPECT_EQ(buffer->y(), 3);
    EXPECT_EQ(screenRow(2), "x");
}

TEST_F(Reflow, WiderTakesOneLineFromScrollbackThenMovesTheCursorUp)
{
    screen(10, 5);
    print("top\n" + letters(15) + "\n" + letters(15) + "\n");
    ASSERT_EQ(buffer->yBase(), 1);
    ASSERT_EQ(buffer->y(), 4);
    buffer->savedY = 1;
    buffer->resize(20, 5);
    EXPECT_EQ(buffer->yBase(), 0);
    EXPECT_EQ(buffer->y(), 3);
    EXPECT_EQ(buffer->yDisp(), 0);
    EXPECT_EQ(buffer->savedY, 0);
    EXPECT_EQ(text(1), letters(15));
    EXPECT_EQ(text(2), letters(15));
    EXPECT_EQ(buffer->lines().count(), 5);
}

// ---- narrower --------------------------------------------------------------------

TEST_F(Reflow, NarrowerSplitsALongLineAndPushesTheScreenIntoScrollback)
{
    screen(120, 24);
    for (int i = 0; i < 30; ++i)
        print("h" + std::to_string(i) + "\n");
    print(letters(100) + "\nbelow\n");
    const int yBase = buffer->yBase();
    const int y = buffer->y();

    buffer->resize(80, 24);

    const int first = find(letters(80));
    ASSERT_GE(first, 0);
    EXPECT_EQ(text(first + 1), letters(20, 80));
    EXPECT_TRUE(line(first + 1).isWrapped);
    EXPECT_EQ(text(first + 2), "below");
    EXPECT_EQ(buffer->yBase(), yBase + 1);
    EXPECT_EQ(buffer->y(), y);
    EXPECT_EQ(screenRow(y - 1), "below");
    EXPECT_EQ(buffer->lines().count(), buffer->yBase() + 24);
    EXPECT_EQ(line(first).count(), 80);
}

TEST_F(Reflow, NarrowerSpreadsThreeLinesOverFour)
{
    screen(80, 10);
    print(letters(200) + "\n\n");
    buffer->resize(50, 10);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(text(i), letters(50, 50 * i)) << i;
        EXPECT_EQ(line(i).isWrapped, i > 0) << i;
    }
    EXPECT_FALSE(line(4).isWrapped);
    EXPECT_EQ(buffer->y(), 5);
    EXPECT_EQ(buffer->yBase(), 0);
}

TEST_F(Reflow, NarrowerStartsTheNextLineWithAWideCharacterThatWouldStraddle)
{
    screen(20, 6);
    print(run('a', 9) + "#b\n\n");
    buffer->resize(10, 6);
    EXPECT_EQ(text(0), run('a', 9));
    EXPECT_EQ(line(0)[9], CharData::Null);
    EXPECT_EQ(text(1), "#b");
    EXPECT_TRUE(line(1).isWrapped);
}

TEST_F(Reflow, NarrowerCutsTheCursorsLine)
{
    screen(20, 6);
    print("ab\n" + letters(15));
    buffer->setX(3);
    buffer->resize(10, 6);
    EXPECT_EQ(text(1), letters(10));
    EXPECT_FALSE(line(2).isWrapped);
    EXPECT_EQ(buffer->y(), 1);
}

TEST_F(Reflow, NarrowerLeavesTheWrappedGroupUnderTheCursorAlone)
{
    screen(10, 6);
    print(letters(25));
    buffer->setX(5);
    ASSERT_EQ(buffer->y(), 2);
    buffer->resize(8, 6);
    EXPECT_EQ(text(0), letters(8));
    EXPECT_EQ(text(1), letters(8, 10));
    EXPECT_EQ(text(2), letters(5, 20));
    EXPECT_TRUE(line(2).isWrapped);
    EXPECT_EQ(buffer->y(), 2);
    EXPECT_EQ(buffer->lines().count(), 6);
}

TEST_F(Reflow, NarrowerWithoutScrollbackMovesTheCursorDownOverBlankRows)
{
    screen(20, 6);
    print(letters(15) + "\n" + letters(15) + "\n");
    buffer->savedY = 1;
    buffer->resize(10, 6);
    EXPECT_EQ(buffer->yBase(), 0);
    EXPECT_EQ(buffer->y(), 4);
    EXPECT_EQ(buffer->lines().count(), 6);
    EXPECT_EQ(text(2), letters(10));
    EXPECT_EQ(text(3), letters(5, 10));
    EXPECT_EQ(buffer->savedY, 3);
}

TEST_F(Reflow, NarrowerOnTheBottomRowScrollsIntoScrollback)
{
    screen(20, 3);
    print(letters(15) + "\nx\n");
    buffer->resize(10, 3);
    EXPECT_EQ(buffer->yBase(), 1);
    EXPECT_EQ(buffer->y(), 2);
    EXPECT_EQ(screenRow(0), letters(5, 10));
    EXPECT_EQ(screenRow(1), "x");
}

TEST_F(Reflow, NarrowerOnAFullRingDropsTheOldestLines)
{
    screen(20, 4, 2);
    print("old\nold2\n" + letters(15) + "\n" + letters(15) + "\nx\n");
    ASSERT_EQ(buffer->lines().count(), 6);
    ASSERT_EQ(text(0), "old");
    buffer->resize(10, 4);
    EXPECT_EQ(buffer->lines().count(), 6);
    EXPECT_EQ(buffer->yBase(), 2);
    EXPECT_EQ(buffer->y(), 3);
    EXPECT_EQ(text(0), letters(10));
    EXPECT_EQ(text(1), letters(5, 10));
    EXPECT_EQ(screenRow(2), "x");
}

// ---- text below the cursor and a scrolled-back view ------------------------------

TEST_F(Reflow, TextBelowTheCursorKeepsEveryCharacterAndTheCursorItsRow)
{
    screen(20, 6);
    print("top\n\n" + letters(15) + "\n");
    buffer->setX(0);
    buffer->setY(0);

    buffer->resize(10, 6);
    EXPECT_EQ(buffer->y(), 0);
    EXPECT_EQ(screenRow(0), "top");
    EXPECT_EQ(text(2), letters(10));
    EXPECT_EQ(text(3), letters(5, 10));

    buffer->resize(20, 6);
    EXPECT_EQ(buffer->y(), 0);
    EXPECT_EQ(screenRow(0), "top");
    EXPECT_EQ(text(2), letters(15));
    EXPECT_EQ(buffer->lines().count(), 6);
}

TEST_F(Reflow, ScrolledBackViewStaysOnItsContent)
{
    screen(20, 4);
    print(letters(15) + "\nmark\n");
    for (int i = 0; i < 10; ++i)
        print("r" + std::to_string(i) + "\n");
    const int markLine = find("mark");
    buffer->setYDisp(markLine);

    buffer->resize(10, 4);
    EXPECT_EQ(text(buffer->yDisp()), "mark");
    buffer->resize(20, 4);
    EXPECT_EQ(text(buffer->yDisp()), "mark");
}

TEST_F(Reflow, ViewFollowingTheScreenKeepsFollowing)
{
    screen(20, 4);
    for (int i = 0; i < 6; ++i)
        print(letters(15, i) + "\n");
    for (int cols : {10, 20, 7}) {
        buffer->resize(cols, 4);
        EXPECT_EQ(buffer->yDisp(), buffer->yBase()) << cols;
    }
}

// ---- round trips -----------------------------------------------------------------

class ReflowRoundTrip : public Reflow, public ::testing::WithParamInterface<const char*> {};

TEST_P(ReflowRoundTrip, WideningThenNarrowingGivesBackEveryLine)
{
    screen(30, 8);
    print(GetParam());
    print("\n");
    std::vector<std::string> before;
    std::vector<bool> wrapped;
    for (int i = 0; i < buffer->lines().count(); ++i) {
        before.push_back(text(i));
        wrapped.push_back(line(i).isWrapped);
    }
    const int y = buffer->y();

    buffer->resize(47, 8);
    buffer->resize(30, 8);

    ASSERT_EQ(buffer->lines().count(), static_cast<int>(before.size()));
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(text(static_cast<int>(i)), before[i]) << i;
        EXPECT_EQ(line(static_cast<int>(i)).isWrapped, wrapped[i]) << i;
    }
    EXPECT_EQ(buffer->y(), y);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReflowRoundTrip,
    ::testing::Values("short\n"
                      "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ\nend",
                      "one\n\ntwo lines with a blank between and a long tail that wraps more than once here\n",
                      "ab#cd#ef#gh#ij#kl#mn#op#qr#st#uv#wx\nx#"));

// Resizing through random widths (and some row counts) never loses, adds or
// reorders a character of any logical line while the cursor sits on a blank
// line below the text, and the cursor stays below the text.
TEST_F(Reflow, RandomWidthsKeepEveryCharacterInOrder)
{
    auto logicalText = [this](int& lastLine) {
        std::vector<std::u32string> out;
        lastLine = -1;
        for (int i = 0; i < buffer->lines().count(); ++i) {
            const BufferLine& l = line(i);
            if (!l.isWrapped || out.empty())
                out.emplace_back();
            for (const CharData& c : l.cells()) {
                if (c.code != 0 && c.code != ' ') {
                    out.back() += static_cast<char32_t>(c.code);
                    lastLine = i;
                }
            }
        }
        std::erase_if(out, [](const std::u32string& s) { return s.empty(); });
        return out;
    };

    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> pick(0, 99);
        screen(std::uniform_int_distribution<int>(10, 100)(rng), 12, 5000);
        std::string text;
        for (int i = 0; i < 400; ++i) {
            const int p = pick(rng);
            text += p < 8 ? '\n' : p < 18 ? ' ' : p < 24 ? '#' : static_cast<char>('a' + p % 26);
        }
        print(text + "\n");
        int lastLine = 0;
        const std::vector<std::u32string> expected = logicalText(lastLine);

        for (int step = 0; step < 25; ++step) {
            const int cols = std::uniform_int_distribution<int>(2, 130)(rng);
            const int rows = pick(rng) < 20 ? std::uniform_int_distribution<int>(3, 30)(rng) : buffer->rows();
            buffer->resize(cols, rows);
            ASSERT_EQ(logicalText(lastLine), expected) << "after resizing to " << cols << "x" << rows;
            ASSERT_LT(lastLine, buffer->yBase() + buffer->y()) << "the cursor stays below the text";
            ASSERT_LT(buffer->y(), rows);
            ASSERT_GE(buffer->lines().count(), buffer->yBase() + rows);
            ASSERT_LE(buffer->yDisp(), buffer->yBase());
        }
    }
}

// With the cursor on a blank line between two blocks of text, rewrapping in
// both directions keeps every character and keeps the cursor between the
// same two blocks.
TEST_F(Reflow, RandomWidthsKeepTheCursorBetweenItsNeighbours)
{
    auto nonBlankBefore = [this](int end) {
        std::u32string out;
        for (int i = 0; i < end; ++i) {
            for (const CharData& c : line(i).cells()) {
                if (c.code != 0 && c.code != ' ')
                    out += static_cast<char32_t>(c.code);
            }
        }
        return out;
    };
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        auto randomText = [&rng](int n) {
            std::string out;
            for (int i = 0; i < n; ++i) {
                const int p = std::uniform_int_distribution<int>(0, 99)(rng);
                out += p < 5 ? '\n' : p < 15 ? ' ' : p < 20 ? '#' : static_cast<char>('a' + p % 26);
            }
            return out;
        };
        screen(60, 30, 5000);
        print(randomText(300) + "\n");
        const int cursorLine = buffer->yBase() + buffer->y();
        print("\n" + randomText(80));
        buffer->setY(cursorLine - buffer->yBase());
        buffer->setX(0);
        ASSERT_GE(buffer->y(), 0);
        const std::u32string above = nonBlankBefore(cursorLine);
        const std::u32string all = nonBlankBefore(buffer->lines().count());

        for (int step = 0; step < 20; ++step) {
            const int cols = std::uniform_int_distribution<int>(20, 130)(rng);
            buffer->resize(cols, 30);
            const int cursor = buffer->yBase() + buffer->y();
            ASSERT_EQ(nonBlankBefore(cursor), above) << "after resizing to " << cols;
            ASSERT_EQ(nonBlankBefore(buffer->lines().count()), all) << "after resizing to " << cols;
            ASSERT_FALSE(line(cursor).hasAnyContent());
        }
    }
}

} // namespace
} // namespace corvel
