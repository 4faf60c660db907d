#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "corvel/model/BufferLine.h"

namespace corvel {
namespace {

using testing::cellOf;
using testing::cellsOf;
using testing::lineOf;

class FakeImage : public TerminalImage {
public:
    int pixelWidth() const override { return 10; }
    int pixelHeight() const override { return 20; }
    int col() const override { return col_; }
    void setCol(int col) override { col_ = col; }

private:
    int col_ = 0;
};

// Cell operations on "abcdefghijKL": columns 0-9 inside the right margin
// (9), K and L outside it. The fill cell shows as "_".
struct CellEditCase {
    const char* name;
    enum Op { insert, remove, replace } op;
    int pos;
    int n; // count, or the end column for replace
    int rightMargin;
    const char* expected;
};

class CellEdit : public ::testing::TestWithParam<CellEditCase> {};

TEST_P(CellEdit, MovesAndFillsWithinTheMargin)
{
    const CellEditCase& c = GetParam();
    auto line = lineOf("abcdefghijKL");
    const CharData fill = cellOf('_');
    switch (c.op) {
    case CellEditCase::insert: line->insertCells(c.pos, c.n, c.rightMargin, fill); break;
    case CellEditCase::remove: line->deleteCells(c.pos, c.n, c.rightMargin, fill); break;
    case CellEditCase::replace: line->replaceCells(c.pos, c.n, fill); break;
    }
    EXPECT_EQ(cellsOf(*line), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CellEdit,
    ::testing::Values(CellEditCase{"InsertPushesPastMargin", CellEditCase::insert, 2, 3, 9, "ab___cdefgKL"},
                      CellEditCase{"InsertAtMargin", CellEditCase::insert, 9, 1, 9, "abcdefghi_KL"},
                      CellEditCase{"InsertMoreThanRoom", CellEditCase::insert, 7, 5, 9, "abcdefg___KL"},
                      CellEditCase{"InsertExactlyRoom", CellEditCase::insert, 7, 3, 9, "abcdefg___KL"},
                      CellEditCase{"InsertPositionPastMarginWraps", CellEditCase::insert, 12, 3, 9, "ab___cdefgKL"},
                      CellEditCase{"InsertWholeLine", CellEditCase::insert, 0, 2, 11, "__abcdefghij"},
                      CellEditCase{"DeletePullsFromMargin", CellEditCase::remove, 2, 3, 9, "abfghij___KL"},
                      CellEditCase{"DeleteMoreThanRoom", CellEditCase::remove, 7, 9, 9, "abcdefg___KL"},
                      CellEditCase{"DeleteJustPastMargin", CellEditCase::remove, 10, 2, 9, "abcdefghijKL"},
                      CellEditCase{"DeleteWholeLine", CellEditCase::remove, 0, 1, 11, "bcdefghijKL_"},
                      CellEditCase{"ReplaceRange", CellEditCase::replace, 2, 5, 0, "ab___fghijKL"},
                      CellEditCase{"ReplaceEndPastCount", CellEditCase::replace, 10, 40, 0, "abcdefghij__"},
                      CellEditCase{"ReplaceEmptyRange", CellEditCase::replace, 5, 5, 0, "abcdefghijKL"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BufferLine, TrimmedLengthCountsCharactersAndTheirWidth)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, CharData>> cells;
        int expected;
    };
    Attribute red(Attribute::Color::ansi256(1), Attribute::Color::ansi256(1));
    const std::vector<Case> cases = {
        {"Blank", {}, 0},
        {"LetterAt5", {{5, cellOf('A')}}, 6},
        {"WideAt78", {{78, CharData(Attribute(), 0x4E2D, 2)}, {79, CharData(Attribute(), 0, 0)}}, 80},
        {"WideCutAtLastColumn", {{79, CharData(Attribute(), 0x4E2D, 2)}}, 80},
        {"TrailingSpacesAreText", {{0, cellOf('x')}, {1, cellOf(' ')}, {2, cellOf(' ')}}, 3},
        {"ColouredEmptyCellIsNoText", {{0, cellOf('x')}, {6, CharData(red, 0, 1)}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BufferLine line(80);
        for (const auto& [col, cell] : c.cells)
            line.set(col, cell);
        EXPECT_EQ(line.getTrimmedLength(), c.expected);
    }
}

TEST(BufferLine, ContentIsAnythingButAnEmptyDefaultCell)
{
    BufferLine line(4);
    EXPECT_FALSE(line.hasAnyContent());
    CharData placeholder(Attribute(), 0, 0);
    placeholder.setPayload(TinyAtom{7});
    line.set(0, placeholder);
    EXPECT_FALSE(line.hasContent(0)) << "width and payload do not make content";
    EXPECT_FALSE(line.hasAnyContent());
    line.set(2, CharData(Attribute(Attribute::Color::defaultColor, Attribute::Color::ansi256(4)), 0, 1));
    EXPECT_TRUE(line.hasContent(2)) << "an erase with a coloured background is content";
    EXPECT_TRUE(line.hasAnyContent());
    EXPECT_TRUE(BufferLine(3, CharData(Attribute::empty, 0, 1)).hasContent(0))
        << "Attribute::empty differs from the default attribute";
}

TEST(BufferLine, TranslateToStringHandlesNullsRangesAndWideCharacters)
{
    BufferLine line(6);
    line.set(0, cellOf('A'));
    line.set(1, cellOf('B'));
    EXPECT_EQ(line.translateToString(false), std::string("AB\0\0\0\0", 6));
    EXPECT_EQ(line.translateToString(true), "AB");
    EXPECT_EQ(line.translateToString(false, 1, 3), std::string("B\0", 2));
    EXPECT_EQ(line.translateToString(true, 4), "") << "start past the trimmed end";

    BufferLine wide(5);
    wide.set(0, CharData(Attribute(), 0x4E2D, 2));
    wide.set(1, CharData(Attribute(), 0, 0));
    wide.set(2, cellOf('x'));
    wide.set(3, CharData(Attribute(), 0x1F600, 2));
    wide.set(4, CharData(Attribute(), 0, 0));
    EXPECT_EQ(wide.translateToString(true), std::string("\xE4\xB8\xAD") + '\0' + "x\xF0\x9F\x98\x80" + '\0');
    EXPECT_EQ(wide.translateToString(true, 0, -1, true), "\xE4\xB8\xADx\xF0\x9F\x98\x80");
    EXPECT_EQ(wide.translateToString(false, 0, 1, true), "\xE4\xB8\xAD") << "skipping stops at the end column";

    auto provider = [](const CharData& c) { return c.code == 0 ? std::string("_") : std::string("<g>"); };
    EXPECT_EQ(wide.translateToString(false, 0, 3, false, provider), "<g>_<g>");
    EXPECT_EQ(wide.translateToString(false, 0, 3, true, provider), "<g><g>");

    BufferLine grapheme(1);
    grapheme.set(0, CharData(Attribute(), CharData::graphemeCodeBase + 1, 1));
    EXPECT_EQ(grapheme.translateToString(), " ") << "without a provider a grapheme index reads as a space";
}

TEST(BufferLine, WritePastTheEndWarnsAndWritesTheLastCell)
{
    BufferLine line(80);
    ::testing::internal::CaptureStderr();
    line.set(80, cellOf('Z'));
    const std::string out = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "BufferLine: You passed an index out of range, adjusting to prevent crash, but you should debug\n");
    EXPECT_EQ(line[79].code, 'Z');
    EXPECT_EQ(line[200].code, 'Z') << "reads past the end give the last cell";
}

TEST(BufferLine, ClearKeepsWrapAndLineSizeButDropsImages)
{
    auto line = lineOf("hello", 8);
    line->isWrapped = true;
    line->renderMode = BufferLine::RenderLineMode::doubleWidth;
    line->attach(std::make_shared<FakeImage>());
    const Attribute blue(Attribute::Color::defaultColor, Attribute::Color::ansi256(4));
    line->clear(blue);
    EXPECT_TRUE(line->isWrapped);
    EXPECT_EQ(line->renderMode, BufferLine::RenderLineMode::doubleWidth);
    EXPECT_FALSE(line->images.has_value());
    for (const CharData& c : line->cells())
        EXPECT_EQ(c, CharData(blue, 0, 1));
}

TEST(BufferLine, CopiesShareImagesAndKeepTheirOwnCells)
{
    auto image = std::make_shared<FakeImage>();
    auto line = lineOf("abc");
    line->isWrapped = true;
    line->renderMode = BufferLine::RenderLineMode::doubledTop;
    line->attach(image);
    line->attach(image);
    ASSERT_EQ(line->images->size(), 2u);

    BufferLine copy(*line);
    EXPECT_EQ(cellsOf(copy), "abc");
    EXPECT_TRUE(copy.isWrapped);
    EXPECT_EQ(copy.renderMode, BufferLine::RenderLineMode::doubledTop);
    ASSERT_TRUE(copy.images.has_value());
    EXPECT_EQ(copy.images->front().get(), image.get());
    copy.set(0, cellOf('z'));
    EXPECT_EQ(cellsOf(*line), "abc");

    // copyFrom takes cells and wrap flag, not line size or images.
    BufferLine target(6);
    auto shorter = lineOf("xy");
    shorter->isWrapped = true;
    shorter->renderMode = BufferLine::RenderLineMode::doubleWidth;
    target.copyFrom(*shorter);
    EXPECT_EQ(target.count(), 2);
    EXPECT_EQ(cellsOf(target), "xy");
    EXPECT_TRUE(target.isWrapped);
    EXPECT_EQ(target.renderMode, BufferLine::RenderLineMode::single);
    target.copyFrom(*lineOf("0123456789"));
    EXPECT_EQ(cellsOf(target), "0123456789");
}

TEST(BufferLine, CopyRangeWithinOneLineMovesOverlapsIntact)
{
    struct Case {
        int src, dst, len;
        const char* expected;
    };
    for (const Case& c : {Case{0, 2, 5, "ababcdehij"}, Case{2, 0, 5, "cdefgfghij"}, Case{3, 3, 2, "abcdefghij"}}) {
        SCOPED_TRACE(c.expected);
        auto line = lineOf("abcdefghij");
        line->copyFrom(*line, c.src, c.dst, c.len);
        EXPECT_EQ(cellsOf(*line), c.expected);
    }
    auto target = lineOf("..........");
    target->copyFrom(*lineOf("wxyz"), 1, 8, 2);
    EXPECT_EQ(cellsOf(*target), "........xy");
}

TEST(BufferLine, ResizeGrowsShrinksAndEmpties)
{
    auto line = lineOf("ab");
    line->set(1, CharData(Attribute(), 0x4E2D, 2));
    line->resize(4, cellOf('+'));
    EXPECT_EQ(line->count(), 4);
    EXPECT_EQ(line->translateToString(), "a\xE4\xB8\xAD++");
    line->resize(2, CharData::Null);
    EXPECT_EQ(line->count(), 2);
    EXPECT_EQ(line->getWidth(1), 2) << "a wide character cut at the edge keeps its width";
    line->resize(0, CharData::Null);
    EXPECT_EQ(line->count(), 0);
    EXPECT_EQ(line->translateToString(), "");
    EXPECT_EQ(line->translateToString(true), "");
}

TEST(BufferLine, FillRangeAndAsciiRun)
{
    BufferLine line(8);
    line.fill(cellOf('-'));
    line.fill(cellOf('='), 2, 3);
    EXPECT_EQ(cellsOf(line), "--===---");
    const std::string run = "HELLO";
    const Attribute bold(Attribute::Color::defaultColor, Attribute::Color::defaultColor, CharacterStyle::bold);
    line.setAsciiRun(1, std::span(reinterpret_cast<const uint8_t*>(run.data()), run.size()), bold);
    EXPECT_EQ(cellsOf(line), "-HELLO--");
    EXPECT_EQ(line[3].attribute, bold);
    EXPECT_EQ(line[0].attribute, Attribute());
}

} // namespace
} // namespace corvel
