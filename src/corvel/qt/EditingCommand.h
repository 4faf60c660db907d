#pragma once

#include <optional>
#include <string_view>

namespace corvel {

struct KeyInput;

// The editing commands a key press stands for once no encoder claimed it:
// the desktop's key bindings for a text area, named as the view's command
// table names them.
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

// The command a key stands for; nothing for keys that type text or do
// nothing at all.
std::optional<EditingCommand> editingCommandFor(const KeyInput& key);

}  // namespace corvel
