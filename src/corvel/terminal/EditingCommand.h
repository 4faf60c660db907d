#pragma once

#include <string_view>

namespace corvel {

// The editing commands a key press stands for once no encoder claimed it:
// the desktop's key bindings for a text area, named as the view's command
// table names them. The view tells which key stands for which command.
enum class EditingCommand {
    insertNewline,
    cancelOperation,
    deleteBackward,
    deleteForward,
    moveUp,
    moveDown,
    moveLeft,
    moveRight,
    moveUpAndModifySelection,
    moveDownAndModifySelection,
    moveLeftAndModifySelection,
    moveRightAndModifySelection,
    moveWordLeft,
    moveWordRight,
    insertTab,
    insertBacktab,
    moveToBeginningOfLine,
    moveToEndOfLine,
    moveToLeftEndOfLine,
    moveToRightEndOfLine,
    scrollToBeginningOfDocument,
    scrollToEndOfDocument,
    moveToBeginningOfDocumentAndModifySelection,
    moveToEndOfDocumentAndModifySelection,
    scrollPageUp,
    scrollPageDown,
    pageUp,
    pageDown,
    pageUpAndModifySelection,
    pageDownAndModifySelection,
    // A combination with Control or Super that edits nothing.
    noop,
};

// The command's selector name, for example "insertNewline:".
std::string_view editingCommandName(EditingCommand command);

} // namespace corvel
