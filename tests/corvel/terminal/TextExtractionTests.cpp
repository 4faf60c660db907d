#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TerminalTestSupport.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {
namespace {

using test::RecordingDelegate;
using test::sized;

class TextExtraction : public ::testing::Test {
protected:
    RecordingDelegate delegate;
    Terminal terminal{&delegate, sized(20, 8)};

    BufferLine& row(int index) { return terminal.buffer().lines()[index]; }

    // Every fragment text of the visual lines, each line in brackets.
    std::string visualLines(Position start, Position end)
    {
        std::string out;
        for (const Line& line : terminal.getSelectedLines(start, end, terminal.buffer())) {
            out += '[';
            for (const LineFragment& f : line.fragments)
                out += f.text.value_or("<none>") == "\n" ? "\\n" : "'" + f.text.value_or("<none>") + "'";
            out += ']';
        }
        return out;
    }

    std::string data(Terminal::BufferKind kind = Terminal::BufferKind::active,
                     TextEncoding encoding = TextEncoding::utf8)
    {
        const std::vector<uint8_t> bytes = terminal.getBufferAsData(kind, encoding);
        return {bytes.begin(), bytes.end()};
    }
};

struct SelectionCase {
    const char* name;
    const char* output;
    Position start;
    Position end;
    const char* text;
};

class Selections : public TextExtraction, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(Selections, GiveTheTextBetweenTwoPositions)
{
    terminal.feed(GetParam().output);
    EXPECT_EQ(terminal.getText(GetParam().start, GetParam().end), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, Selections,
    ::testing::Values(
        SelectionCase{"RowsEndWithALineBreak", "hello\r\nworld", {0, 0}, {5, 1}, "hello\nworld"},
        SelectionCase{"WrappedRowsJoin", "abcdefghijklmnopqrstworld", {0, 0}, {5, 1}, "abcdefghijklmnopqrstworld"},
        SelectionCase{"EqualPositionsAreEmpty", "hello", {2, 0}, {2, 0}, ""},
        SelectionCase{"ReversedPositionsAreOrdered", "0123456789", {5, 0}, {2, 0}, "234"},
        SelectionCase{"BlankRowsBetweenKeepTheirBreaks", "a\r\n\r\n\r\nb", {0, 0}, {1, 3}, "a\n\n\nb"},
        SelectionCase{"TrailingBlankRowsVanish", "a\r\n\r\n", {0, 0}, {20, 2}, "a"},
        SelectionCase{"StartOnABlankRow", "\r\nb", {0, 0}, {1, 1}, "\nb"},
        SelectionCase{"StartRowPastTheLines", "a", {0, 8}, {3, 9}, ""},
        SelectionCase{"NegativeStartRow", "a", {0, -1}, {3, 0}, ""},
        SelectionCase{
            "EndRowBeyondTheLastLine", "a\r\n\r\n\r\n\r\n\r\n\r\n\r\nlast", {0, 0}, {20, 40}, "a\n\n\n\n\n\n\nlast"},
        SelectionCase{"EmptyCellsInsideTheTextAreSpaces", "ab\x1b[1Cc", {0, 0}, {20, 0}, "ab c"},
        SelectionCase{"WideCharacterHasNoPlaceholderSpace", "\xe4\xb8\xadx", {0, 0}, {20, 0}, "\xe4\xb8\xadx"},
        SelectionCase{"WrappedRowsAroundABlankRow",
                      "abcdefghijklmnopqrstuv\r\n\r\nxyz",
                      {3, 0},
                      {2, 3},
                      "defghijklmnopqrstuv\n\nxy"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextExtraction, BlankRowsBecomeVisualLinesOfTheirOwn)
{
    terminal.feed("a\r\n\r\n\r\nb");
    EXPECT_EQ(visualLines({0, 0}, {1, 3}), "['a'\\n][''\\n][''\\n]['b']");
    const std::vector<Line> lines = terminal.getSelectedLines({0, 0}, {1, 3}, terminal.buffer());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].fragments[0], (LineFragment{"", 1, 0, 0}));
    EXPECT_EQ(lines[1].fragments[1], LineFragment::lineBreak(1));
    EXPECT_EQ(lines[3].fragments[0], (LineFragment{"b", 3, 0, 1}));
    EXPECT_EQ(lines[0].length, 2);
}

TEST_F(TextExtraction, FirstFragmentStartsAtTheStartColumn)
{
    terminal.feed("hello\r\nworld");
    const std::vector<Line> lines = terminal.getSelectedLines({2, 0}, {3, 1}, terminal.buffer());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].fragments[0], (LineFragment{"llo", 0, 2, 3}));
    EXPECT_EQ(lines[0].fragments[1], LineFragment::lineBreak(0));
    EXPECT_EQ(lines[1].fragments[0], (LineFragment{"wor", 1, 0, 3}));
}

TEST_F(TextExtraction, ARowErasedInColourIsNotBlank)
{
    terminal.feed("a");
    const Attribute red(Attribute::Color::defaultColor, Attribute::Color::ansi256(1));
    row(1).fill(CharData(red, 0, 1));
    EXPECT_EQ(terminal.getText({0, 0}, {20, 1}), "a\n");
    EXPECT_EQ(visualLines({0, 0}, {20, 1}), "['a'\\n]['']");
}

TEST_F(TextExtraction, RowTextSkipsWidePlaceholdersAndCutsAtTheLastCharacter)
{
    terminal.feed("\xe4\xb8\xadx");
    EXPECT_EQ(terminal.translateBufferLineToString(terminal.buffer(), 0, 0, -1), "\xe4\xb8\xadx");
    EXPECT_EQ(terminal.translateBufferLineToString(terminal.buffer(), 0, 2, -1), "x");
    EXPECT_EQ(terminal.translateBufferLineToString(terminal.buffer(), 0, 3, -1), "");
    EXPECT_EQ(terminal.translateBufferLineToString(terminal.buffer(), 0, 0, 2), "\xe4\xb8\xad");
}

TEST_F(TextExtraction, ClustersComeBackWhole)
{
    const std::string thumbs = "\xf0\x9f\x91\x8d";
    const std::string family = "\xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa9";
    terminal.feed(thumbs + family + "!");
    ASSERT_GT(row(0)[0].code, CharData::graphemeCodeBase);
    EXPECT_EQ(terminal.getText({0, 0}, {20, 0}), thumbs + family + "!");
    EXPECT_EQ(data().substr(0, thumbs.size()), thumbs) << "written whole, not as a space";
    EXPECT_NE(data().find(family), std::string::npos);
}

TEST_F(TextExtraction, BufferDataKeepsEmptyCellsAsNulAndEveryLine)
{
    terminal.feed("ab\x1b[1Cc\r\n\xe4\xb8\xadx");
    std::string expected = std::string("ab\0c\n", 5) + std::string("\xe4\xb8\xad\0x\n", 6);
    expected += std::string(6, '\n');
    EXPECT_EQ(data(), expected);
}

TEST_F(TextExtraction, BufferDataOfAScreenWithTextOnItsFirstLine)
{
    Terminal tall(&delegate, sized(20, 24));
    tall.feed("top");
    const std::vector<uint8_t> bytes = tall.getBufferAsData(Terminal::BufferKind::normal);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "top" + std::string(24, '\n'));
}

TEST_F(TextExtraction, UnencodableCharactersBecomeQuestionMarksAndTheLineStays)
{
    terminal.feed("caf\xc3\xa9 \xe4\xb8\xad\r\nnext");
    EXPECT_EQ(data(Terminal::BufferKind::active, TextEncoding::ascii).substr(0, 14),
              std::string("caf? ?\0\nnext\n", 13) + "\n");
    EXPECT_EQ(data(Terminal::BufferKind::active, TextEncoding::isoLatin1).substr(0, 8),
              std::string("caf\xe9 ?\0\n", 8));
}

TEST_F(TextExtraction, BufferKindChoosesTheScreen)
{
    terminal.feed("normal\x1b[?1049h"
                  "alt");
    ASSERT_TRUE(terminal.isCurrentBufferAlternate());
    EXPECT_EQ(data(Terminal::BufferKind::normal).substr(0, 7), "normal\n");
    EXPECT_EQ(data(Terminal::BufferKind::alt).substr(0, 10), std::string(6, '\0') + "alt\n");
    EXPECT_EQ(data(Terminal::BufferKind::active), data(Terminal::BufferKind::alt));
}

TEST_F(TextExtraction, DisplayTextReadsTheFrozenSnapshot)
{
    terminal.feed("frozen\x1b[?2026h");
    ASSERT_NE(&terminal.displayBuffer(), &terminal.buffer()) << "a frame is held";
    terminal.feed("\r\x1b[Klive");

    EXPECT_EQ(terminal.getDisplayText({0, 0}, {20, 0}), "frozen");
    EXPECT_EQ(terminal.getText({0, 0}, {20, 0}), "live");
    terminal.feed("\x1b[?2026l");
    ASSERT_EQ(&terminal.displayBuffer(), &terminal.buffer()) << "the frame is gone";
    EXPECT_EQ(terminal.getDisplayText({0, 0}, {20, 0}), "live");
}

} // namespace
} // namespace corvel
