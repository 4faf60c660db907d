#pragma once

#include <optional>

#include "corvel/base/Position.h"

namespace corvel {

class Terminal;

// The view's text selection in buffer positions (rows are absolute line
// indexes of the displayed screen). Every change tells the terminal's
// delegate through selectionChanged().
class SelectionService {
public:
    enum class SelectionMode { character, word, row };

    explicit SelectionService(Terminal& terminal);

    bool active() const { return active_; }
    // Setting false, changed or not, clears the pivot.
    void setActive(bool value);

    bool hasSelectionRange() const { return hasSelectionRange_; }
    Position start() const { return start_; }
    Position end() const { return end_; }
    SelectionMode selectionMode() const { return selectionMode_; }

    // An explicit selection, clamped to the displayed screen; always notifies.
    void setSelection(Position start, Position end);
    // Drops the selection: inactive, character mode.
    void selectNone();

private:
    void notify();

    Terminal& terminal_;
    bool active_ = false;
    bool hasSelectionRange_ = false;
    Position start_;
    Position end_;
    std::optional<Position> pivot_ = Position();
    SelectionMode selectionMode_ = SelectionMode::character;
};

}  // namespace corvel
