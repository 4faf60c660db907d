#pragma once

#include <optional>
#include <string>

#include "corvel/terminal/SearchEngine.h"

namespace corvel {

class Terminal;

// The last search: its term and options.
struct SearchState {
    std::optional<std::string> cachedSearchTerm;
    std::optional<SearchOptions> lastSearchOptions;
};

// The view's entry point to search: remembers the last term, so that
// searching the same term again continues after the last hit while a changed
// term is first looked for where the last hit began.
class SearchService {
public:
    explicit SearchService(Terminal& terminal);

    // An empty term forgets the last search and finds nothing.
    std::optional<SearchResult> findNext(const std::string& term, const SearchOptions& options);
    std::optional<SearchResult> findPrevious(const std::string& term, const SearchOptions& options);

    // After output or a size change: drops the cached lines and the memory of
    // the last hit, keeps the term.
    void invalidate();
    // Forgets the term as well.
    void reset();

    const SearchState& state() const { return state_; }
    const std::optional<SearchResult>& lastResult() const { return lastResult_; }
    // Where the next search continues from; the view sets it from its
    // selection before every search.
    std::optional<SearchSelection> lastSelection;

    // The cells a hit covers: its first cell, and the cell `size` columns
    // further in reading order, wrapping at the width.
    static SearchSelection extentOf(const SearchResult& result, int cols);

private:
    template <typename Find>
    std::optional<SearchResult> search(const std::string& term, const SearchOptions& options, Find find);

    Terminal& terminal_;
    SearchState state_;
    SearchLineCache lineCache_;
    SearchEngine engine_;
    std::optional<SearchResult> lastResult_;
};

} // namespace corvel
