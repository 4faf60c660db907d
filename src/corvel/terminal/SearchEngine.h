#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvel/base/Position.h"

namespace corvel {

class Terminal;

// How a term is matched. The default is a case-insensitive plain search.
struct SearchOptions {
    bool caseSensitive = false;
    bool regex = false;
    bool wholeWord = false;

    friend bool operator==(const SearchOptions&, const SearchOptions&) = default;
};

// A hit: the term (for a plain search) or the matched text (for a regular
// expression), its first cell as a column and an absolute line index of the
// displayed screen, and the number of columns it covers, counted across
// wrapped rows.
struct SearchResult {
    std::string term;
    int col = 0;
    int row = 0;
    int size = 0;

    friend bool operator==(const SearchResult&, const SearchResult&) = default;
};

// The selection a search continues from, in reading order.
struct SearchSelection {
    Position start;
    Position end;

    friend bool operator==(const SearchSelection&, const SearchSelection&) = default;
};

// Logical lines of the displayed screen as text, built on demand: a row that
// is not a continuation of the row above, together with the rows that
// continue it, read as one string. Entries are kept while searches follow
// each other within `expirySeconds` and the screen keeps its line count;
// output drops them all (invalidate()).
class SearchLineCache {
public:
    static constexpr double expirySeconds = 15;

    // The text of one logical line as UTF-8, where each character (a cell's
    // scalar or cluster; empty cells read as spaces, the right half of a wide
    // character adds nothing) starts at a byte offset.
    struct Entry {
        std::string text;
        // Byte offset of every character, plus the text's length at the end.
        std::vector<size_t> characterStarts;
        // The character offset at which each row of the logical line begins.
        std::vector<int> lineOffsets;

        int characterCount() const { return static_cast<int>(characterStarts.size()) - 1; }
    };

    explicit SearchLineCache(Terminal& terminal) : terminal_(terminal) {}

    // Keeps the entries when they are fresh and still fit the screen, else
    // starts afresh; either way stamps the time.
    void initLinesCache();
    void invalidate();
    // The entry of the logical line that begins at a row (built and stored
    // when missing); an empty line for a row outside the screen.
    const Entry& entry(int row);
    // The logical line beginning at a row, read from the screen.
    Entry translateBufferLineToStringWithWrap(int lineIndex, bool trimRight);

private:
    Terminal& terminal_;
    std::optional<std::vector<std::unique_ptr<Entry>>> linesCache_;
    double lastAccessTimestamp_ = 0;
    Entry emptyEntry_;
};

// Finds terms in the displayed screen, scroll-back included: forwards and
// backwards from a selection, with wrap-around, plainly or as a regular
// expression (PCRE2, with match limits), optionally only as whole words.
class SearchEngine {
public:
    // Characters that end a word; everything else (letters, digits and the
    // underscore included) belongs to one.
    static constexpr std::u32string_view nonWordCharacters = U" ~!@#$%^&*()+`-=[]{}|\\;:\"',./<>?";

    SearchEngine(Terminal& terminal, SearchLineCache& lineCache);
    ~SearchEngine();

    std::optional<SearchResult> findNextWithSelection(const std::string& term, const SearchOptions& options,
                                                      const std::optional<std::string>& cachedSearchTerm,
                                                      const std::optional<SearchSelection>& previousSelection);
    std::optional<SearchResult> findPreviousWithSelection(const std::string& term, const SearchOptions& options,
                                                          const std::optional<std::string>& cachedSearchTerm,
                                                          const std::optional<SearchSelection>& previousSelection);

private:
    class Matcher;
    // A position in a logical line: the column may pass the screen's width,
    // meaning a cell of a later row of the same logical line.
    struct SearchPosition {
        int col = 0;
        int row = 0;
    };

    std::optional<SearchResult> findInLine(const Matcher& matcher, SearchPosition& position, bool isReverseSearch);
    int bufferColsToStringOffset(int startRow, int cols);
    int stringLengthToBufferSize(int row, int offset);
    bool isWholeWord(const SearchLineCache::Entry& line, int index, int length) const;
    int lastLine();

    Terminal& terminal_;
    SearchLineCache& lineCache_;
};

} // namespace corvel
