#include "corvel/terminal/SearchEngine.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <chrono>

#include "corvel/base/Utf8.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {

namespace {

// Bounds on the work one match attempt may do, so that a hostile pattern or
// line costs a bounded time: an attempt over the limit counts as no match.
constexpr uint32_t matchLimit = 1'000'000;
constexpr uint32_t depthLimit = 10'000;

double nowSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool isWideRightHalf(const BufferLine& line, int col)
{
    return col > 0 && col < line.count() && line[col].code == 0 && line[col].width == 0 && line[col - 1].width == 2;
}

// The first scalar of the UTF-8 text at a byte offset.
char32_t scalarAt(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (size_t i = at + 1; extra > 0 && i < text.size(); --extra, ++i)
        c = (c << 6) | (byte(i) & 0x3F);
    return c;
}

} // namespace

// ---- the line cache --------------------------------------------------------------

void SearchLineCache::initLinesCache()
{
    const double now = nowSeconds();
    const size_t lines = static_cast<size_t>(std::max(0, terminal_.displayBuffer().lines().count()));
    const bool fresh = linesCache_ && now - lastAccessTimestamp_ < expirySeconds && linesCache_->size() == lines;
    if (!fresh) {
        linesCache_.emplace();
        linesCache_->resize(lines);
    }
    lastAccessTimestamp_ = now;
}

void SearchLineCache::invalidate()
{
    linesCache_.reset();
    lastAccessTimestamp_ = 0;
}

const SearchLineCache::Entry& SearchLineCache::entry(int row)
{
    if (!linesCache_ || row < 0 || static_cast<size_t>(row) >= linesCache_->size()) {
        emptyEntry_ = translateBufferLineToStringWithWrap(row, true);
        return emptyEntry_;
    }
    std::unique_ptr<Entry>& slot = (*linesCache_)[static_cast<size_t>(row)];
    if (!slot)
        slot = std::make_unique<Entry>(translateBufferLineToStringWithWrap(row, true));
    return *slot;
}

SearchLineCache::Entry SearchLineCache::translateBufferLineToStringWithWrap(int lineIndex, bool trimRight)
{
    Entry entry;
    entry.lineOffsets.push_back(0);
    Buffer& screen = terminal_.displayBuffer();
    CircularBufferLineList& lines = screen.lines();
    if (lineIndex < 0 || lineIndex >= lines.count()) {
        entry.characterStarts.push_back(0);
        return entry;
    }
    int characters = 0;
    const auto startCharacter = [&] {
        entry.characterStarts.push_back(entry.text.size());
        ++characters;
    };
    for (int row = lineIndex;; ++row) {
        const BufferLine& line = lines[row];
        const bool nextContinues = row + 1 < lines.count() && lines[row + 1].isWrapped;
        int length = line.count();
        if (!nextContinues && trimRight)
            length = std::max(0, line.getTrimmedLength());
        for (int col = 0; col < length; ++col) {
            if (isWideRightHalf(line, col))
                continue;
            const CharData& cell = line[col];
            startCharacter();
            if (cell.code == 0) {
                entry.text += ' ';
            } else if (cell.isSimpleRune()) {
                appendUtf8(entry.text, cell.getCharacter());
            } else {
                const std::u32string cluster = terminal_.character(cell.code);
                if (cluster.empty())
                    entry.text += ' ';
                for (char32_t c : cluster)
                    appendUtf8(entry.text, c == 0 ? U' ' : c);
            }
        }
        if (!nextContinues)
            break;
        // A wide character that did not fit left a blank at the end of the row.
        const BufferLine& next = lines[row + 1];
        if (length > 0 && next.count() > 0 && next[0].width == 2 && line[length - 1].code == 0
            && line[length - 1].width <= 1 && !isWideRightHalf(line, length - 1) && characters > 0) {
            entry.text.resize(entry.characterStarts.back());
            entry.characterStarts.pop_back();
            --characters;
        }
        entry.lineOffsets.push_back(characters);
    }
    entry.characterStarts.push_back(entry.text.size());
    return entry;
}

// ---- matching ---------------------------------------------------------------------

// One compiled term: a literal or a regular expression, caseless unless asked.
class SearchEngine::Matcher {
public:
    struct Match {
        size_t start = 0;
        size_t end = 0;
    };

    Matcher(const std::string& term, const SearchOptions& options) : term_(term), options_(options)
    {
        uint32_t flags = PCRE2_UTF;
        if (!options.caseSensitive)
            flags |= PCRE2_CASELESS;
        flags |= options.regex ? PCRE2_UCP : PCRE2_LITERAL;
        int error = 0;
        PCRE2_SIZE errorOffset = 0;
        code_ = pcre2_compile(
            reinterpret_cast<PCRE2_SPTR>(term.data()), term.size(), flags, &error, &errorOffset, nullptr);
        if (!code_)
            return;
        pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE); // without JIT the interpreter runs
        data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
        context_ = pcre2_match_context_create(nullptr);
        pcre2_set_match_limit(context_, matchLimit);
        pcre2_set_depth_limit(context_, depthLimit);
    }
    ~Matcher()
    {
        pcre2_match_context_free(context_);
        pcre2_match_data_free(data_);
        pcre2_code_free(code_);
    }
    Matcher(const Matcher&) = delete;
    Matcher& operator=(const Matcher&) = delete;

    bool valid() const { return code_ && data_ && context_; }

    // The first match starting at or after `from` inside text[0, limit).
    std::optional<Match> find(std::string_view text, size_t from, size_t limit) const
    {
        if (from > limit)
            return std::nullopt;
        const int rc = pcre2_match(
            code_, reinterpret_cast<PCRE2_SPTR>(text.data()), limit, from, PCRE2_NO_UTF_CHECK, data_, context_);
        if (rc < 0)
            return std::nullopt;
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data_);
        if (ovector[1] < ovector[0])
            return std::nullopt; // \K tricks
        return Match{ovector[0], ovector[1]};
    }

    const std::string& term() const { return term_; }
    const SearchOptions& options() const { return options_; }

private:
    std::string term_;
    SearchOptions options_;
    pcre2_code* code_ = nullptr;
    pcre2_match_data* data_ = nullptr;
    pcre2_match_context* context_ = nullptr;
};

SearchEngine::SearchEngine(Terminal& terminal, SearchLineCache& lineCache) : terminal_(terminal), lineCache_(lineCache)
{
}

SearchEngine::~SearchEngine() = default;

int SearchEngine::lastLine() { return terminal_.displayBuffer().lines().count() - 1; }

bool SearchEngine::isWholeWord(const SearchLineCache::Entry& line, int index, int length) const
{
    const auto isBoundary = [&](int character) {
        const char32_t c = scalarAt(line.text, line.characterStarts[static_cast<size_t>(character)]);
        return nonWordCharacters.find(c) != std::u32string_view::npos;
    };
    if (index > 0 && !isBoundary(index - 1))
        return false;
    if (index + length < line.characterCount() && !isBoundary(index + length))
        return false;
    return true;
}

int SearchEngine::bufferColsToStringOffset(int startRow, int cols)
{
    CircularBufferLineList& lines = terminal_.displayBuffer().lines();
    const int width = terminal_.cols;
    int offset = 0;
    int remaining = cols;
    for (int row = startRow; row < lines.count();) {
        const BufferLine& line = lines[row];
        const int n = std::min({width, remaining, line.count()});
        for (int col = 0; col < n; ++col)
            if (line[col].width != 0)
                ++offset;
        remaining -= width;
        if (remaining <= 0)
            break;
        ++row;
        if (row >= lines.count() || !lines[row].isWrapped)
            break;
    }
    return offset;
}

int SearchEngine::stringLengthToBufferSize(int row, int offset)
{
    CircularBufferLineList& lines = terminal_.displayBuffer().lines();
    if (row < 0 || row >= lines.count())
        return offset;
    const BufferLine& line = lines[row];
    int col = 0;
    for (int characters = 0; characters < offset; ++characters) {
        if (col < line.count() && line[col].width == 2 && isWideRightHalf(line, col + 1))
            col += 2;
        else
            ++col;
    }
    return col;
}

std::optional<SearchResult> SearchEngine::findInLine(const Matcher& matcher, SearchPosition& position,
                                                     bool isReverseSearch)
{
    CircularBufferLineList& lines = terminal_.displayBuffer().lines();
    const int width = terminal_.cols;
    if (position.row < 0 || position.row >= lines.count())
        return std::nullopt;
    if (lines[position.row].isWrapped) {
        if (isReverseSearch) {
            position.col += width;
            return std::nullopt;
        }
        while (position.row > 0 && lines[position.row].isWrapped) {
            --position.row;
            position.col += width;
        }
    }
    const int firstRow = position.row;
    const SearchLineCache::Entry& line = lineCache_.entry(firstRow);
    const int offset = std::min(bufferColsToStringOffset(firstRow, position.col), line.characterCount());
    const size_t offsetByte = line.characterStarts[static_cast<size_t>(offset)];
    const std::string_view text = line.text;

    // Character indexes of a match's ends; a match that cuts into a cluster
    // takes all of it.
    const auto characterOf = [&](size_t byte, bool roundUp) {
        const std::vector<size_t>& starts = line.characterStarts;
        auto it = std::lower_bound(starts.begin(), starts.end(), byte);
        if (it == starts.end() || (*it != byte && !roundUp))
            --it;
        return static_cast<int>(it - starts.begin());
    };
    const auto accepted = [&](const Matcher::Match& match) {
        if (!matcher.options().wholeWord)
            return true;
        const int index = characterOf(match.start, false);
        return isWholeWord(line, index, characterOf(match.end, true) - index);
    };
    // Where the search goes on after a match: a plain search finds
    // overlapping occurrences, a regular expression does not.
    const auto nextFrom = [&](const Matcher::Match& match) {
        if (!matcher.options().regex || match.end == match.start) {
            const int next = std::min(characterOf(match.start, false) + 1, line.characterCount());
            return std::max(line.characterStarts[static_cast<size_t>(next)], match.start + 1);
        }
        return match.end;
    };

    std::optional<Matcher::Match> hit;
    if (!isReverseSearch) {
        for (size_t from = offsetByte; from <= text.size();) {
            const std::optional<Matcher::Match> match = matcher.find(text, from, text.size());
            if (!match)
                break;
            if (accepted(*match)) {
                hit = match;
                break;
            }
            from = nextFrom(*match);
        }
    } else {
        for (size_t from = 0; from <= offsetByte;) {
            const std::optional<Matcher::Match> match = matcher.find(text, from, offsetByte);
            if (!match)
                break;
            if (accepted(*match))
                hit = match;
            from = nextFrom(*match);
        }
    }
    if (!hit || hit->end == hit->start)
        return std::nullopt;

    const int index = characterOf(hit->start, false);
    const int length = characterOf(hit->end, true) - index;
    const std::vector<int>& offsets = line.lineOffsets;
    const size_t first
        = static_cast<size_t>(std::upper_bound(offsets.begin(), offsets.end(), index) - offsets.begin() - 1);
    size_t last = first;
    while (last + 1 < offsets.size() && offsets[last + 1] <= index + length)
        ++last;
    const int startCol = stringLengthToBufferSize(firstRow + static_cast<int>(first), index - offsets[first]);
    const int endCol = stringLengthToBufferSize(firstRow + static_cast<int>(last), index + length - offsets[last]);

    SearchResult result;
    result.term
        = matcher.options().regex ? std::string(text.substr(hit->start, hit->end - hit->start)) : matcher.term();
    result.col = startCol;
    result.row = firstRow + static_cast<int>(first);
    result.size = endCol - startCol + width * static_cast<int>(last - first);
    return result;
}

// ---- searching the screen -------------------------------------------------------------

std::optional<SearchResult> SearchEngine::findNextWithSelection(const std::string& term, const SearchOptions& options,
                                                                const std::optional<std::string>& cachedSearchTerm,
                                                                const std::optional<SearchSelection>& previousSelection)
{
    if (term.empty())
        return std::nullopt;
    lineCache_.initLinesCache();
    const Matcher matcher(term, options);
    if (!matcher.valid())
        return std::nullopt;

    Position start;
    if (previousSelection)
        start = cachedSearchTerm == term ? previousSelection->end : previousSelection->start;
    const auto search = [&](int col, int row) {
        SearchPosition position{col, row};
        return findInLine(matcher, position, false);
    };
    if (auto hit = search(start.col, start.row))
        return hit;
    for (int row = start.row + 1; row <= lastLine(); ++row)
        if (auto hit = search(0, row))
            return hit;
    for (int row = 0; row < std::min(start.row, lastLine() + 1); ++row)
        if (auto hit = search(0, row))
            return hit;
    if (previousSelection)
        return search(0, previousSelection->start.row);
    return std::nullopt;
}

std::optional<SearchResult>
SearchEngine::findPreviousWithSelection(const std::string& term, const SearchOptions& options,
                                        const std::optional<std::string>& cachedSearchTerm,
                                        const std::optional<SearchSelection>& previousSelection)
{
    if (term.empty())
        return std::nullopt;
    lineCache_.initLinesCache();
    const Matcher matcher(term, options);
    if (!matcher.valid())
        return std::nullopt;
    const int width = terminal_.cols;

    SearchPosition position{width, lastLine()};
    if (previousSelection) {
        if (cachedSearchTerm == term) {
            position = {previousSelection->start.col, previousSelection->start.row};
        } else {
            // A changed term is first looked for where the last hit began.
            SearchPosition from{previousSelection->start.col, previousSelection->start.row};
            if (auto hit = findInLine(matcher, from, false))
                return hit;
            position = {previousSelection->end.col, previousSelection->end.row};
        }
    }
    const int startRow = position.row;
    if (auto hit = findInLine(matcher, position, true))
        return hit;

    // Each logical line is searched from its end: a continuation row adds a
    // width to the column, and the line's first row searches all of it.
    const auto searchUpwards = [&](int fromRow, int toRow, int col) -> std::optional<SearchResult> {
        SearchPosition at{col, fromRow};
        for (int row = fromRow; row >= toRow; --row) {
            at.row = row;
            const bool continuation = terminal_.displayBuffer().lines()[row].isWrapped;
            if (auto hit = findInLine(matcher, at, true))
                return hit;
            if (!continuation)
                at.col = width;
        }
        return std::nullopt;
    };
    if (startRow > 0)
        if (auto hit = searchUpwards(std::min(startRow - 1, lastLine()), 0, std::max(position.col, width)))
            return hit;
    // Wrap around, down to the start row itself, whose hits after the start
    // come last.
    if (lastLine() >= 0)
        return searchUpwards(lastLine(), std::clamp(startRow, 0, lastLine()), width);
    return std::nullopt;
}

} // namespace corvel
