#pragma once

#include <optional>
#include <string>
#include <utility>

#include "corvel/base/Position.h"

namespace corvel {

class Buffer;
class Terminal;

// The view's text selection in buffer positions (rows are absolute line
// indexes of the displayed screen). `start` is the anchor, `end` the moving
// end; either may come first in reading order, and the text runs from the
// earlier up to, not including, the later one. Every change tells the
// terminal's delegate through selectionChanged().
class SelectionService {
public:
    enum class SelectionMode { character, word, row };

    explicit SelectionService(Terminal& terminal);

    bool active() const { return active_; }
    // Setting false, changed or not, clears the pivot; only a change notifies.
    void setActive(bool value);

    bool hasSelectionRange() const { return hasSelectionRange_; }
    Position start() const { return start_; }
    Position end() const { return end_; }
    std::optional<Position> pivot() const { return pivot_; }
    bool selectingRows() const { return selectingRows_; }
    SelectionMode selectionMode() const { return selectionMode_; }

    // An explicit selection (a search hit), limited to the last column and
    // the last line of the displayed screen; always notifies.
    void setSelection(Position start, Position end);
    // An empty character selection at the anchor.
    void startSelection();
    // Anchors an empty selection at a position.
    void setSoftStart(Position position);
    // Shift-click: extends to the position, flipping around the far end when
    // the position lies on the other side of the anchor; word selections
    // extend by whole words.
    void shiftExtend(Position position);
    // Drag: moves the end to the position; the anchor never changes.
    void dragExtend(Position position);
    // Everything the displayed screen can hold.
    void selectAll();
    // One whole row.
    void select(int row);
    // Double click: the word, run of spaces or run of empty cells at the
    // position, or the bracketed expression an opening or closing bracket
    // starts or ends; an empty selection on any other character.
    void selectWordOrExpression(Position position, Buffer& screen);
    // Drops the selection: inactive, character mode.
    void selectNone();

    // The ordered extent of the text as drawn: from the earlier position up
    // to the later one, where a later position in the last column covers
    // that column.
    std::pair<Position, Position> textRange() const;
    // The selected text of the displayed screen; empty when inactive.
    std::string selectedText();

    // "[Selection (active=... start=... end=... hasSR=... pivot=...]".
    std::string debugDescription() const;

private:
    // What a double click groups into one run.
    enum class RunClass { empty, space, word, none };

    void notify();
    // The character a cell is compared as: U+0000 for an empty cell or one
    // beyond its line; the empty right half of a wide character counts as
    // that character.
    char32_t characterAt(Buffer& screen, Position at) const;
    RunClass runClassAt(Buffer& screen, Position at) const;
    bool inRun(Buffer& screen, Position at, RunClass runClass) const;
    // The first column of the run around the position, and the column after it.
    std::pair<int, int> runAround(Buffer& screen, Position at, RunClass runClass) const;
    // Moves a position to the near edge of its run, away from the anchor.
    Position snapToWord(Position position);
    // The partner of the bracket at a position: forwards from an opening one
    // up to the last row shown, backwards from a closing one down to row 0;
    // brackets of other kinds inside are skipped.
    std::optional<Position> matchingBracket(Buffer& screen, Position at, bool forwards) const;

    Terminal& terminal_;
    bool active_ = false;
    bool hasSelectionRange_ = false;
    Position start_;
    std::optional<Position> pivot_ = Position();
    Position end_;
    bool selectingRows_ = false;
    SelectionMode selectionMode_ = SelectionMode::character;
};

} // namespace corvel
