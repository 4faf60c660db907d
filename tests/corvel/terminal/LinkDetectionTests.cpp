#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "TerminalTestSupport.h"
#include "corvel/model/TinyAtom.h"
#include "corvel/terminal/ImplicitLinkPattern.h"
#include "corvel/terminal/LinkDetector.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {
namespace {

using test::RecordingDelegate;
using test::sized;
using Range = LinkMatch::ColumnRange;
using RowRange = LinkMatch::RowRange;

class Links : public ::testing::Test {
protected:
    RecordingDelegate delegate;
    std::unique_ptr<Terminal> terminal = std::make_unique<Terminal>(&delegate, sized(40, 10));

    void screen(int cols, int rows, int scrollback = 500)
    {
        terminal = std::make_unique<Terminal>(&delegate, sized(cols, rows, scrollback));
    }

    std::optional<LinkMatch> at(int col, int row, LinkLookupMode mode = LinkLookupMode::explicitAndImplicit)
    {
        return terminal->linkMatch(LinkLookupLocation::buffer({col, row}), mode);
    }
    std::string textAt(int col, int row)
    {
        return terminal->link(LinkLookupLocation::buffer({col, row}), LinkLookupMode::explicitAndImplicit)
            .value_or("<none>");
    }

    // Marks columns [from, to) of a row with an OSC 8 payload.
    void mark(int row, int from, int to, const std::string& payload)
    {
        const std::optional<TinyAtom> atom = TinyAtom::lookup(payload);
        ASSERT_TRUE(atom);
        BufferLine& line = terminal->buffer().lines()[row];
        for (int col = from; col < to; ++col) {
            CharData cell = line[col];
            cell.setPayload(*atom);
            line.set(col, cell);
        }
    }
};

// ---- explicit links ------------------------------------------------------------

TEST_F(Links, ExplicitLinkCoversTheCellsWithTheSamePayload)
{
    terminal->feed("go: click here now");
    mark(0, 4, 14, "id=1;https://a.example/x");
    for (int col : {4, 9, 13}) {
        SCOPED_TRACE(col);
        const auto match = at(col, 0, LinkLookupMode::explicitOnly);
        ASSERT_TRUE(match);
        EXPECT_EQ(*match, (LinkMatch{"https://a.example/x", 0, {4, 14}, true, {{0, {4, 14}}}}));
    }
    EXPECT_FALSE(at(3, 0, LinkLookupMode::explicitOnly));
    EXPECT_FALSE(at(14, 0, LinkLookupMode::explicitOnly));
}

TEST_F(Links, ExplicitOnlyIgnoresTheTextUnderACellWithoutPayload)
{
    terminal->feed("https://plain.example");
    EXPECT_FALSE(at(3, 0, LinkLookupMode::explicitOnly));
    EXPECT_EQ(at(3, 0)->text, "https://plain.example");
    EXPECT_FALSE(at(3, 0)->isExplicit);
}

TEST_F(Links, PayloadWithoutSeparatorFallsBackToTheImplicitLink)
{
    terminal->feed("https://under.example");
    mark(0, 0, 21, "no-separator");
    EXPECT_FALSE(at(5, 0, LinkLookupMode::explicitOnly));
    const auto match = at(5, 0);
    ASSERT_TRUE(match);
    EXPECT_FALSE(match->isExplicit);
    EXPECT_EQ(match->text, "https://under.example");
}

TEST_F(Links, ExplicitLinkIncludesBothHalvesOfAWideCharacter)
{
    terminal->feed("ab\xe4\xb8\xad"
                   "cd");
    mark(0, 2, 3, ";https://wide.example"); // the left half only, as printing stores it
    const auto match = at(3, 0, LinkLookupMode::explicitOnly);
    ASSERT_TRUE(match) << "found from the right half";
    EXPECT_EQ(match->range, (Range{2, 4}));
    EXPECT_EQ(match->text, "https://wide.example");
}

TEST_F(Links, ExplicitLinksStayOnTheirRow)
{
    terminal->feed("0123456789\r\n0123456789");
    mark(0, 5, 10, ";https://two.example");
    mark(1, 0, 5, ";https://two.example");
    const auto first = at(6, 0, LinkLookupMode::explicitOnly);
    const auto second = at(1, 1, LinkLookupMode::explicitOnly);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->rowRanges, (std::vector<RowRange>{{0, {5, 10}}}));
    EXPECT_EQ(second->rowRanges, (std::vector<RowRange>{{1, {0, 5}}}));
}

TEST(HyperlinkPayload, TheUriIsEverythingAfterTheFirstSeparator)
{
    EXPECT_EQ(LinkDetector::parseHyperlinkPayload("id=7;https://x.example/a;b"), "https://x.example/a;b");
    EXPECT_EQ(LinkDetector::parseHyperlinkPayload(";"), "");
    EXPECT_EQ(LinkDetector::parseHyperlinkPayload("https://x.example"), std::nullopt);
}

// ---- where to look --------------------------------------------------------------

TEST_F(Links, ScreenPositionsCountFromTheTopOfTheView)
{
    screen(40, 5);
    for (int i = 0; i < 30; ++i)
        terminal->feed("line " + std::to_string(i) + " https://l" + std::to_string(i) + ".example\r\n");
    Buffer& buffer = terminal->buffer();
    buffer.setYDisp(buffer.yBase() - 10);
    const auto match = terminal->linkMatch(LinkLookupLocation::screen({12, 0}), LinkLookupMode::explicitAndImplicit);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->row, buffer.yDisp());
    EXPECT_EQ(match->text, "https://l" + std::to_string(buffer.yDisp()) + ".example");
}

TEST_F(Links, PositionsOutsideTheScreenAreClampedToTheLastCell)
{
    screen(20, 3);
    terminal->feed("\r\n\r\nxx https://e.example");
    ASSERT_EQ(terminal->lineText(2), "xx https://e.example");
    EXPECT_EQ(terminal->resolveLinkLocation(LinkLookupLocation::buffer({99, 99}), terminal->buffer()),
              (Position{19, 2}));
    EXPECT_EQ(terminal->resolveLinkLocation(LinkLookupLocation::buffer({-4, -4}), terminal->buffer()),
              (Position{0, 0}));
    const auto match = at(99, 99);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->row, 2);

    Buffer empty(20, 3, 8, 10);
    EXPECT_FALSE(terminal->resolveLinkLocation(LinkLookupLocation::buffer({0, 0}), empty));
}

// ---- implicit links across rows ----------------------------------------------------

TEST_F(Links, AUrlWrappedOverThreeRowsIsFoundFromEachOfItsCells)
{
    screen(20, 6);
    const std::string url = "https://example.com/aaaa/bbbbbbbbb/c.html"; // 41 characters
    terminal->feed("see " + url + " ok");
    // Row 0: "see https://example." row 1: "com/aaaa/bbbbbbbbb/c" row 2: ".html ok"
    const std::vector<RowRange> rows{{0, {4, 20}}, {1, {0, 20}}, {2, {0, 5}}};
    for (const RowRange& r : rows) {
        for (int col = r.range.lowerBound; col < r.range.upperBound; ++col) {
            SCOPED_TRACE(testing::Message() << "row " << r.row << " col " << col);
            const auto match = at(col, r.row);
            ASSERT_TRUE(match);
            EXPECT_EQ(match->text, url);
            EXPECT_EQ(match->row, r.row);
            EXPECT_EQ(match->range, r.range);
            EXPECT_EQ(match->rowRanges, rows);
        }
    }
    EXPECT_FALSE(at(2, 0));
    EXPECT_FALSE(at(6, 2));
}

TEST_F(Links, SpacesAtTheStartOfAWrappedRowStayInTheText)
{
    screen(20, 4);
    terminal->feed("xx https://e.com/abc def"); // the space after abc starts row 1
    ASSERT_TRUE(terminal->buffer().lines()[1].isWrapped);
    EXPECT_EQ(textAt(5, 0), "https://e.com/abc");
    EXPECT_EQ(textAt(2, 1), "<none>");
}

struct SeamCase {
    const char* name;
    int dashes; // filler before " https://e.com/" on the upper row
    const char* lower;
    Position asked;
    const char* text; // "" for no link
    size_t rowsCovered;
};

class SeamHeuristic : public Links, public ::testing::WithParamInterface<SeamCase> {};

TEST_P(SeamHeuristic, JoinsRowsOnlyWhereALinkRunsAcrossTheSeam)
{
    screen(80, 6);
    const SeamCase& c = GetParam();
    terminal->feed(std::string(static_cast<size_t>(c.dashes), '-') + " https://e.com/\r\n" + c.lower);
    ASSERT_FALSE(terminal->buffer().lines()[1].isWrapped);
    const auto match = at(c.asked.col, c.asked.row);
    if (std::string(c.text).empty()) {
        EXPECT_FALSE(match);
        return;
    }
    ASSERT_TRUE(match);
    EXPECT_EQ(match->text, c.text);
    EXPECT_EQ(match->rowRanges.size(), c.rowsCovered);
}

// 65 dashes, a space and the 14 characters of the URL's start fill 80 columns.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, SeamHeuristic,
    ::testing::Values(SeamCase{"BrokenAtTheRightEdgeIsJoined", 65, "long/path.html", {3, 1}, "https://e.com/long/path.html", 2},
                      SeamCase{"FoundFromTheUpperRowToo", 65, "long/path.html", {70, 0}, "https://e.com/long/path.html", 2},
                      SeamCase{"EndingInTheLastSixteenColumnsIsJoined", 50, "long/path.html", {3, 1},
                               "https://e.com/long/path.html", 2},
                      SeamCase{"EndingBeforeTheLastSixteenColumnsIsAFinishedLine", 48, "long/path.html", {3, 1},
                               "long/path.html", 1},
                      SeamCase{"IndentedContinuationIsJoined", 65, "    long/x.html", {6, 1}, "https://e.com/long/x.html", 2},
                      SeamCase{"PositionInTheIndentationFindsNothing", 65, "    long/x.html", {2, 1}, "", 0},
                      SeamCase{"LowerRowOfOtherCharactersIsNotJoined", 65, "\xc2\xab long/x.html", {70, 0},
                               "https://e.com/", 1}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// ---- what the expression accepts ------------------------------------------------------

struct TextCase {
    const char* name;
    const char* line;
    int col;
    const char* text; // "" for no link
};

class ImplicitText : public Links, public ::testing::WithParamInterface<TextCase> {};

TEST_P(ImplicitText, FindsTheLinkUnderTheColumn)
{
    screen(60, 4);
    terminal->feed(GetParam().line);
    const std::string expected = *GetParam().text ? GetParam().text : "<none>";
    EXPECT_EQ(textAt(GetParam().col, 0), expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Texts, ImplicitText,
    ::testing::Values(
        TextCase{"PathAfterDollarIsSkipped", "$/tmp/x", 3, ""},
        TextCase{"VariablePathIsALink", "$HOME/bin", 2, "$HOME/bin"},
        TextCase{"FullStopEndsAUrl", "see https://e.com/a.", 8, "https://e.com/a"},
        TextCase{"CommaEndsAUrl", "https://e.com/a, and", 3, "https://e.com/a"},
        TextCase{"WordInParenthesesIsKept", "https://e.com/wiki/x_(a) more", 3, "https://e.com/wiki/x_(a)"},
        TextCase{"UnopenedParenthesisEndsTheUrl", "(https://e.com/x) more", 3, "https://e.com/x"},
        TextCase{"BracketedIpv6Host", "http://[::1]:8080/p ok", 9, "http://[::1]:8080/p"},
        TextCase{"SingleSpaceContinuesAPathWithoutDot", "/tmp/a b", 1, "/tmp/a b"},
        TextCase{"PathWithDotEndsAfterIt", "/tmp/a.txt b", 1, "/tmp/a.txt"},
        TextCase{"PathEndsBeforeASecondUrl", "/tmp/a https://e.com", 1, "/tmp/a"},
        TextCase{"SecondUrlAfterAPath", "/tmp/a https://e.com", 10, "https://e.com"},
        TextCase{"BareFileNameIsNoLink", "file.txt", 2, ""},
        TextCase{"RelativePathWithLine", "src/main.c:12", 4, "src/main.c:12"},
        TextCase{"PathBeforeColonAndWord", "/tmp/x: error", 2, "/tmp/x"},
        TextCase{"TrailingSpacesAtTheEndBelongToThePath", "/tmp/a   ", 1, "/tmp/a   "},
        TextCase{"HomePath", "ls ~/notes/today.md", 5, "~/notes/today.md"},
        TextCase{"UnicodeWordCharacters", "https://\xe4\xbe\x8b.jp/\xe3\x83\x91\xe3\x82\xb9 x", 12,
                 "https://\xe4\xbe\x8b.jp/\xe3\x83\x91\xe3\x82\xb9"},
        TextCase{"PositionOutsideTheMatch", "see https://e.com", 1, ""}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(Links, WideCharactersCoverTwoColumnsOfTheLink)
{
    screen(40, 3);
    terminal->feed("a https://e.jp/\xe4\xb8\xad\xe6\x96\x87 z");
    // "https://e.jp/" spans columns 2-14, the two wide characters 15-18.
    const auto match = at(18, 0);
    ASSERT_TRUE(match) << "found from the right half of the last wide character";
    EXPECT_EQ(match->text, "https://e.jp/\xe4\xb8\xad\xe6\x96\x87");
    EXPECT_EQ(match->range, (Range{2, 19}));
}

// ---- hostile text ------------------------------------------------------------------------

TEST_F(Links, BacktrackingTextIsAbandonedAndLaterLinksAreStillFound)
{
    screen(80, 60, 1000);
    const std::string hostile = "http://" + std::string(3000, '.');
    terminal->feed(hostile + " https://ok.example/end");
    Buffer& buffer = terminal->buffer();
    int lastRow = buffer.lines().count() - 1;
    while (lastRow > 0 && buffer.lines()[lastRow].getTrimmedLength() == 0)
        --lastRow;
    const int okCol = (static_cast<int>(hostile.size()) + 1) % 80;
    const auto match = at(buffer.lines()[lastRow].getTrimmedLength() - 1, lastRow);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->text, "https://ok.example/end");
    EXPECT_EQ(match->rowRanges.front().range.lowerBound, okCol);
    EXPECT_FALSE(at(40, 5)) << "nothing inside the dots";
}

TEST_F(Links, JoinedRowsAreScannedOnlyWithinAWindowAroundThePosition)
{
    // Every row ends at the edge in a link that runs on into the next row,
    // so the seam heuristic would join all 150 of them.
    screen(80, 20, 1000);
    const std::string row = "http://" + std::string(72, '.') + "a";
    for (int i = 0; i < 150; ++i)
        terminal->feed(row + "\r\n");
    const int window = LinkDetector::scanCells / 80;
    const auto match = at(40, 75);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->rowRanges.size(), static_cast<size_t>(2 * window + 1));
    EXPECT_EQ(match->rowRanges.front().row, 75 - window);
}

} // namespace
} // namespace corvel

namespace corvel {
namespace {

TEST(ImplicitLinkPatternScan, ReportsByteRangesInOrderWithoutOverlap)
{
    const ImplicitLinkPattern& pattern = ImplicitLinkPattern::shared();
    ASSERT_TRUE(pattern.isAvailable());
    const std::string text = "\xc3\xa9 https://x.com/\xc3\xa9 and ./a.txt";
    std::vector<std::string> found;
    pattern.forEachMatch(text, [&](const ImplicitLinkPattern::Match& m) {
        found.push_back(text.substr(m.start, m.end - m.start));
        return false;
    });
    EXPECT_EQ(found, (std::vector<std::string>{"https://x.com/\xc3\xa9", "./a.txt"}));
}

TEST(ImplicitLinkPatternScan, StopsWhenTheVisitorIsDone)
{
    int visits = 0;
    EXPECT_TRUE(
        ImplicitLinkPattern::shared().forEachMatch("/a.b /c.d /e.f", [&](const auto&) { return ++visits == 2; }));
    EXPECT_EQ(visits, 2);
}

} // namespace
} // namespace corvel
