#include <gtest/gtest.h>

#include <string>

#include "TerminalTestSupport.h"
#include "corvel/terminal/SearchService.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {
namespace {

using test::sized;

class Search : public ::testing::Test {
protected:
    test::RecordingDelegate delegate;
    Terminal terminal{&delegate, sized(20, 5)};
    SearchService search{terminal};

    // "col,row+size" of the next hit, or "none".
    std::string next(const std::string& term, SearchOptions options = {})
    {
        return describe(search.findNext(term, options));
    }
    std::string previous(const std::string& term, SearchOptions options = {})
    {
        return describe(search.findPrevious(term, options));
    }
    static std::string describe(const std::optional<SearchResult>& hit)
    {
        if (!hit)
            return "none";
        return std::to_string(hit->col) + "," + std::to_string(hit->row) + "+" + std::to_string(hit->size);
    }
};

struct FindCase {
    const char* name;
    const char* output;
    const char* term;
    SearchOptions options;
    const char* hit;
};

class FirstHits : public Search, public ::testing::WithParamInterface<FindCase> {};

TEST_P(FirstHits, AreFoundFromTheTop)
{
    terminal.feed(GetParam().output);
    EXPECT_EQ(next(GetParam().term, GetParam().options), GetParam().hit);
}

constexpr SearchOptions plain{};
constexpr SearchOptions caseSensitive{true, false, false};
constexpr SearchOptions regex{false, true, false};
constexpr SearchOptions wholeWord{false, false, true};

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Lines, FirstHits,
    ::testing::Values(
        FindCase{"PlainIgnoresCase", "a CAT sat", "cat", plain, "2,0+3"},
        FindCase{"CaseSensitiveMissesOtherCase", "a CAT sat", "cat", caseSensitive, "none"},
        FindCase{"AcrossAWrappedRow", "0123456789abcdefghXYZ tail", "xyz", plain, "18,0+3"},
        FindCase{"AfterWideCharacters", "\xe6\x97\xa5\xe6\x9c\xac cat", "cat", plain, "5,0+3"},
        FindCase{"WideCharacterInTheHit", "ab\xe6\x97\xa5" "cd", "b\xe6\x97\xa5" "c", plain, "1,0+4"},
        FindCase{"RegexMatchedText", "xx fooo yy", "fo+", regex, "3,0+4"},
        FindCase{"InvalidRegexFindsNothing", "a ( b", "(", regex, "none"},
        FindCase{"EmptyRegexMatchFindsNothing", "abc", "x*", regex, "none"},
        FindCase{"RegexSpecialsArePlainInAPlainSearch", "a (b) c", "(b)", plain, "2,0+3"},
        FindCase{"WholeWordRejectsAPart", "concatenate", "cat", wholeWord, "none"},
        FindCase{"WholeWordBeforeAStop", "a cat.", "cat", wholeWord, "2,0+3"},
        FindCase{"WholeWordInParentheses", "(cat)", "cat", wholeWord, "1,0+3"},
        FindCase{"UnderscoreJoinsAWord", "cat_x", "cat", wholeWord, "none"},
        FindCase{"WholeWordGoesOnAfterARejectedHit", "concatenate cat", "cat", wholeWord, "12,0+3"},
        FindCase{"WholeWordRegex", "cats cat", "c.t", SearchOptions{false, true, true}, "5,0+3"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(Search, TheHitText)
{
    terminal.feed("xx fooo");
    EXPECT_EQ(search.findNext("fo+", regex)->term, "fooo");
    EXPECT_EQ(search.findNext("FO", plain)->term, "FO");
}

TEST_F(Search, ALoneHitIsFoundAgainAfterWrappingAround)
{
    terminal.feed("one\r\ntwo target\r\nthree");
    EXPECT_EQ(next("target"), "4,1+6");
    EXPECT_EQ(next("target"), "4,1+6");
    EXPECT_EQ(previous("target"), "4,1+6");
}

TEST_F(Search, NextAndPreviousWalkTheHitsAndWrap)
{
    terminal.feed("x1\r\nx2 x3\r\nx4");
    EXPECT_EQ(next("x"), "0,0+1");
    EXPECT_EQ(next("x"), "0,1+1");
    EXPECT_EQ(next("x"), "3,1+1");
    EXPECT_EQ(next("x"), "0,2+1");
    EXPECT_EQ(next("x"), "0,0+1");
    EXPECT_EQ(previous("x"), "0,2+1");
    EXPECT_EQ(previous("x"), "3,1+1");
}

TEST_F(Search, BackwardsWithoutASelectionStartsAtTheEndOfTheLastLine)
{
    terminal.feed("cat\r\n\r\ncat cat");
    EXPECT_EQ(previous("cat"), "4,2+3");
    EXPECT_EQ(previous("cat"), "0,2+3");
    EXPECT_EQ(previous("cat"), "0,0+3");
    // From the first line it wraps to the last hit of the last line.
    EXPECT_EQ(previous("cat"), "4,2+3");
}

TEST_F(Search, BackwardsWrapsOnTheLastLineItself)
{
    terminal.feed("\r\n\r\n\r\n\r\nfoo foo");
    EXPECT_EQ(previous("foo"), "4,4+3");
    EXPECT_EQ(previous("foo"), "0,4+3");
    EXPECT_EQ(previous("foo"), "4,4+3");
}

TEST_F(Search, ALongerTermStaysOnTheSameHit)
{
    terminal.feed("fox\r\nfoo food");
    EXPECT_EQ(next("fo"), "0,0+2");
    EXPECT_EQ(next("fo"), "0,1+2");
    EXPECT_EQ(next("foo"), "0,1+3");
    EXPECT_EQ(next("food"), "4,1+4");
}

TEST_F(Search, HitsInTheScrollBack)
{
    terminal.feed("needle\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6");
    ASSERT_GT(terminal.buffer().yDisp(), 0);
    EXPECT_EQ(next("needle"), "0,0+6");
}

TEST_F(Search, AnEmptyTermForgetsTheSearch)
{
    terminal.feed("abc abc");
    next("abc");
    EXPECT_EQ(next(""), "none");
    EXPECT_FALSE(search.state().cachedSearchTerm);
    EXPECT_FALSE(search.lastSelection);
    EXPECT_EQ(next("abc"), "0,0+3");
}

TEST_F(Search, InvalidateKeepsTheTerm)
{
    terminal.feed("abc abc");
    next("abc");
    search.invalidate();
    EXPECT_EQ(search.state().cachedSearchTerm, "abc");
    EXPECT_FALSE(search.lastResult());
    search.reset();
    EXPECT_FALSE(search.state().cachedSearchTerm);
}

TEST_F(Search, OutputAfterAnInvalidationIsSearched)
{
    terminal.feed("abc");
    EXPECT_EQ(next("xyz"), "none");
    terminal.feed("\r\nxyz");
    search.invalidate();
    EXPECT_EQ(next("xyz"), "0,1+3");
}

TEST_F(Search, HitExtentsWrapAtTheWidth)
{
    EXPECT_EQ(SearchService::extentOf({"x", 18, 0, 3}, 20).end, Position(1, 1));
    EXPECT_EQ(SearchService::extentOf({"x", 2, 4, 3}, 20).end, Position(5, 4));
    EXPECT_EQ(SearchService::extentOf({"x", 2, 4, 0}, 20).end, Position(2, 4));
}

} // namespace
} // namespace corvel
