#include "corvel/terminal/SelectionService.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include <utf8proc.h>

#include "corvel/terminal/Terminal.h"

namespace corvel {

namespace {

bool isLetterOrDigit(char32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    switch (utf8proc_category(static_cast<utf8proc_int32_t>(c))) {
    case UTF8PROC_CATEGORY_LU:
    case UTF8PROC_CATEGORY_LL:
    case UTF8PROC_CATEGORY_LT:
    case UTF8PROC_CATEGORY_LM:
    case UTF8PROC_CATEGORY_LO:
    case UTF8PROC_CATEGORY_ND:
    case UTF8PROC_CATEGORY_NL:
    case UTF8PROC_CATEGORY_NO: return true;
    default: return false;
    }
}

bool isWordCharacter(char32_t c) { return isLetterOrDigit(c) || c == U'.' || c == U'_' || c == U'-'; }

bool before(Position a, Position b) { return Position::compare(a, b) == Position::compareResult::before; }
bool after(Position a, Position b) { return Position::compare(a, b) == Position::compareResult::after; }

// The empty cell that follows a wide character.
bool isWideRightHalf(const BufferLine& line, int col)
{
    return col > 0 && col < line.count() && line[col].code == 0 && line[col].width == 0 && line[col - 1].width == 2;
}

char32_t partnerOf(char32_t c)
{
    switch (c) {
    case U'(': return U')';
    case U'[': return U']';
    case U'{': return U'}';
    case U')': return U'(';
    case U']': return U'[';
    case U'}': return U'{';
    default: return 0;
    }
}

} // namespace

SelectionService::SelectionService(Terminal& terminal) : terminal_(terminal) {}

void SelectionService::notify()
{
    if (TerminalDelegate* delegate = terminal_.delegate())
        delegate->selectionChanged(terminal_);
}

void SelectionService::setActive(bool value)
{
    if (!value)
        pivot_.reset();
    if (value == active_)
        return;
    active_ = value;
    notify();
}

void SelectionService::setSelection(Position start, Position end)
{
    Buffer& screen = terminal_.displayBuffer();
    const int cols = screen.cols();
    const int lastRow = std::max(0, screen.lines().count() - 1);
    // A hit that fills its row ends where the next row begins: the end of
    // its own row, so that it takes no line break along.
    if (end.col == 0 && end.row > start.row)
        end = Position(cols, end.row - 1);
    // Past the last line (the end of a hit that fills the last row) is the
    // end of the last line.
    const auto limit = [&](Position p, int maxCol) {
        if (p.row > lastRow)
            return Position(maxCol, lastRow);
        return Position(std::min(p.col, maxCol), p.row);
    };
    start_ = limit(start, cols - 1);
    end_ = limit(end, cols);
    exactEnd_ = true;
    hasSelectionRange_ = start_ != end_;
    active_ = true;
    notify();
}

void SelectionService::startSelection()
{
    end_ = start_;
    exactEnd_ = false;
    selectingRows_ = false;
    selectionMode_ = SelectionMode::character;
    active_ = true;
    hasSelectionRange_ = false;
    notify();
}

void SelectionService::setSoftStart(Position position)
{
    start_ = position;
    end_ = position;
    exactEnd_ = false;
    active_ = true;
    hasSelectionRange_ = false;
    notify();
}

void SelectionService::shiftExtend(Position position) { extendTo(position, true); }

void SelectionService::dragExtend(Position position) { extendTo(position, false); }

void SelectionService::extendTo(Position position, bool flipsAroundTheFarEnd)
{
    // A position snapped to a word boundary is an exact end.
    const std::optional<Position> snapped = selectionMode_ == SelectionMode::word ? snapToWord(position) : std::nullopt;
    position = snapped.value_or(position);
    if (flipsAroundTheFarEnd
        && ((before(start_, end_) && before(position, start_)) || (after(start_, end_) && after(position, start_))))
        start_ = end_;
    end_ = position;
    exactEnd_ = snapped.has_value();
    hasSelectionRange_ = start_ != end_;
    active_ = true;
    notify();
}

void SelectionService::selectAll()
{
    Buffer& screen = terminal_.displayBuffer();
    start_ = Position(0, 0);
    end_ = Position(terminal_.cols - 1, screen.lines().maxLength() - 1);
    exactEnd_ = false;
    hasSelectionRange_ = start_ != end_;
    active_ = true;
    notify();
}

void SelectionService::select(int row)
{
    start_ = Position(0, row);
    end_ = Position(terminal_.cols - 1, row);
    exactEnd_ = false;
    hasSelectionRange_ = terminal_.cols != 1;
    selectingRows_ = true;
    selectionMode_ = SelectionMode::row;
    active_ = true;
    notify();
}

void SelectionService::selectNone()
{
    selectionMode_ = SelectionMode::character;
    setActive(false);
}

std::pair<Position, Position> SelectionService::textRange() const
{
    Position earlier = start_;
    Position later = end_;
    if (after(earlier, later))
        std::swap(earlier, later);
    if (!exactEnd_ && later.col == terminal_.cols - 1 && earlier != later)
        later.col = terminal_.cols;
    return {earlier, later};
}

std::optional<std::pair<int, int>> SelectionService::columnsOfRow(int row, int cols) const
{
    if (!active_)
        return std::nullopt;
    const auto [earlier, later] = textRange();
    if (row < earlier.row || row > later.row)
        return std::nullopt;
    const int from = std::clamp(row == earlier.row ? earlier.col : 0, 0, cols);
    const int to = std::clamp(row == later.row ? later.col : cols, 0, cols);
    if (to <= from)
        return std::nullopt;
    return std::pair(from, to);
}

std::string SelectionService::selectedText()
{
    if (!active_)
        return {};
    const auto [earlier, later] = textRange();
    return terminal_.getDisplayText(earlier, later);
}

std::string SelectionService::debugDescription() const
{
    const auto flag = [](bool value) { return value ? std::string("true") : std::string("false"); };
    return "[Selection (active=" + flag(active_) + ", start=" + start_.debugDescription()
        + " end=" + end_.debugDescription() + " hasSR=" + flag(hasSelectionRange_)
        + " pivot=" + (pivot_ ? pivot_->debugDescription() : std::string("nil")) + "]";
}

// ---- characters and runs ------------------------------------------------------

char32_t SelectionService::characterAt(Buffer& screen, Position at) const
{
    if (at.row < 0 || at.row >= screen.lines().count() || at.col < 0)
        return 0;
    const BufferLine& line = screen.lines()[at.row];
    if (at.col >= line.count())
        return 0;
    const CharData* cell = isWideRightHalf(line, at.col) ? &line[at.col - 1] : &line[at.col];
    if (cell->code == 0)
        return 0;
    if (cell->isSimpleRune())
        return cell->getCharacter();
    const std::u32string cluster = terminal_.character(cell->code);
    return cluster.empty() ? U' ' : cluster.front();
}

SelectionService::RunClass SelectionService::runClassAt(Buffer& screen, Position at) const
{
    const char32_t c = characterAt(screen, at);
    if (c == 0)
        return RunClass::empty;
    if (c == U' ')
        return RunClass::space;
    if (isLetterOrDigit(c))
        return RunClass::word;
    return RunClass::none;
}

bool SelectionService::inRun(Buffer& screen, Position at, RunClass runClass) const
{
    const char32_t c = characterAt(screen, at);
    switch (runClass) {
    case RunClass::empty: return c == 0;
    case RunClass::space: return c == U' ';
    case RunClass::word: return isWordCharacter(c);
    case RunClass::none: return false;
    }
    return false;
}

std::pair<int, int> SelectionService::runAround(Buffer& screen, Position at, RunClass runClass) const
{
    const int cols = terminal_.cols;
    int first = at.col;
    while (first > 0 && inRun(screen, Position(first - 1, at.row), runClass))
        --first;
    int last = at.col;
    while (last < cols && inRun(screen, Position(last, at.row), runClass))
        ++last;
    return {first, std::max(last, first)};
}

std::optional<Position> SelectionService::snapToWord(Position position)
{
    Buffer& screen = terminal_.displayBuffer();
    const RunClass runClass = runClassAt(screen, position);
    if (runClass == RunClass::none)
        return std::nullopt;
    const auto [first, next] = runAround(screen, position, runClass);
    position.col = before(position, start_) ? first : std::min(next, terminal_.cols);
    return position;
}

void SelectionService::selectWordOrExpression(Position position, Buffer& screen)
{
    position.col = std::clamp(position.col, 0, terminal_.cols);
    position.row = std::max(position.row, 0);
    const char32_t c = characterAt(screen, position);
    if (c == U'(' || c == U'[' || c == U'{') {
        start_ = end_ = position;
        if (const std::optional<Position> partner = matchingBracket(screen, position, true))
            end_ = Position(partner->col + 1, partner->row);
        hasSelectionRange_ = start_ != end_;
    } else if (c == U')' || c == U']' || c == U'}') {
        start_ = end_ = position;
        if (const std::optional<Position> partner = matchingBracket(screen, position, false)) {
            start_ = *partner;
            end_ = Position(position.col + 1, position.row);
        }
        hasSelectionRange_ = start_ != end_;
    } else if (const RunClass runClass = runClassAt(screen, position); runClass != RunClass::none) {
        const auto [first, next] = runAround(screen, position, runClass);
        start_ = Position(first, position.row);
        end_ = Position(next, position.row);
        hasSelectionRange_ = next > first;
    } else {
        start_ = end_ = position;
        hasSelectionRange_ = false;
    }
    exactEnd_ = true;
    selectionMode_ = SelectionMode::word;
    active_ = true;
    notify();
}

std::optional<Position> SelectionService::matchingBracket(Buffer& screen, Position at, bool forwards) const
{
    const int cols = terminal_.cols;
    const int lastRow = std::min(screen.yDisp() + screen.rows(), screen.lines().count()) - 1;
    const std::u32string_view opening = forwards ? U"([{" : U")]}";
    std::vector<char32_t> expected;
    for (Position p = at; forwards ? p.row <= lastRow : p.row >= 0;) {
        const bool rightHalf = p.row < screen.lines().count() && isWideRightHalf(screen.lines()[p.row], p.col);
        const char32_t c = rightHalf ? 0 : characterAt(screen, p);
        bool counted = true;
        if (c != 0 && opening.find(c) != std::u32string_view::npos)
            expected.push_back(partnerOf(c));
        else if (!expected.empty() && c == expected.back())
            expected.pop_back();
        else
            counted = false;
        if (counted && expected.empty())
            return p;
        if (forwards && ++p.col >= cols) {
            p.col = 0;
            ++p.row;
        } else if (!forwards && --p.col < 0) {
            p.col = cols - 1;
            --p.row;
        }
    }
    return std::nullopt;
}

} // namespace corvel
