#include "corvel/terminal/SearchService.h"

#include <algorithm>

#include "corvel/terminal/Terminal.h"

namespace corvel {

SearchService::SearchService(Terminal& terminal)
    : terminal_(terminal), lineCache_(terminal), engine_(terminal, lineCache_)
{
}

SearchSelection SearchService::extentOf(const SearchResult& result, int cols)
{
    const Position start(result.col, result.row);
    if (result.size <= 0)
        return {start, start};
    const long long width = std::max(cols, 1);
    const long long linear = result.col + result.row * width + result.size;
    return {start, Position(static_cast<int>(linear % width), static_cast<int>(linear / width))};
}

template <typename Find>
std::optional<SearchResult> SearchService::search(const std::string& term, const SearchOptions& options, Find find)
{
    if (term.empty()) {
        reset();
        return std::nullopt;
    }
    state_.lastSearchOptions = options;
    std::optional<SearchResult> result = find(term, options, state_.cachedSearchTerm, lastSelection);
    state_.cachedSearchTerm = term;
    lastResult_ = result;
    lastSelection.reset();
    if (result)
        lastSelection = extentOf(*result, terminal_.cols);
    return result;
}

std::optional<SearchResult> SearchService::findNext(const std::string& term, const SearchOptions& options)
{
    return search(term, options, [this](auto&&... arguments) { return engine_.findNextWithSelection(arguments...); });
}

std::optional<SearchResult> SearchService::findPrevious(const std::string& term, const SearchOptions& options)
{
    return search(
        term, options, [this](auto&&... arguments) { return engine_.findPreviousWithSelection(arguments...); });
}

void SearchService::invalidate()
{
    lineCache_.invalidate();
    lastResult_.reset();
    lastSelection.reset();
}

void SearchService::reset()
{
    invalidate();
    state_ = SearchState();
}

} // namespace corvel
