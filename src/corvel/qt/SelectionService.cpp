#include "corvel/qt/SelectionService.h"

#include <algorithm>

#include "corvel/terminal/Terminal.h"

namespace corvel {

SelectionService::SelectionService(Terminal& terminal) : terminal_(terminal) {}

void SelectionService::notify()
{
    if (TerminalDelegate* delegate = terminal_.delegate()) delegate->selectionChanged(terminal_);
}

void SelectionService::setActive(bool value)
{
    if (!value) pivot_.reset();
    if (value == active_) return;
    active_ = value;
    notify();
}

void SelectionService::setSelection(Position start, Position end)
{
    Buffer& screen = terminal_.displayBuffer();
    const int maxCol = screen.cols() - 1;
    const int maxRow = std::max(0, screen.lines().count() - 1);
    start.col = std::min(start.col, maxCol);
    end.col = std::min(end.col, maxCol);
    start.row = std::min(start.row, maxRow);
    end.row = std::min(end.row, maxRow);
    start_ = start;
    end_ = end;
    hasSelectionRange_ = start != end;
    active_ = true;
    notify();
}

void SelectionService::selectNone()
{
    selectionMode_ = SelectionMode::character;
    setActive(false);
}

}  // namespace corvel
