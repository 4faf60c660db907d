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
// earlier up to, not including, the later one. Extents that know their cells
// (a search hit, a double-clicked word or expression, a drag that snapped to
// words) end exactly there, at column `cols` for one that reaches the row's
// end; a pointer position in the last column, which cannot point past it,
// covers that column. Every change tells the terminal's delegate through
// selectionChanged().
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

    // An explicit selection with an exact end (a search hit), limited to the
    // displayed screen: the start to the last column, the end to the row's
    // end; an end at column 0 of a later row (a hit that fills its row to
    // the end) becomes the end of the row before. Always notifies.
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

    // The ordered extent of the text as drawn and copied: from the earlier
    // position up to the later one, which, unless the end is exact, covers
    // the last column when it lies there.
    std::pair<Position, Position> textRange() const;
    // The columns [from, to) of a row the extent covers, for drawing; none
    // when inactive or the row holds none of it.
    std::optional<std::pair<int, int>> columnsOfRow(int row, int cols) const;
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
    // Moves a position to the near edge of its run, away from the anchor;
    // none when no run is under it.
    std::optional<Position> snapToWord(Position position);
    // Moves the end to a pointer position, snapped to words in word mode;
    // a Shift-click on the far side of the anchor first flips the selection
    // around its far end.
    void extendTo(Position position, bool flipsAroundTheFarEnd);
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
    // The end is exact (a hit, a word, a snapped extension) rather than a
    // pointer position that covers the last column.
    bool exactEnd_ = false;
};

} // namespace corvel
