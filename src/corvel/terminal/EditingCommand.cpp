#include "corvel/terminal/EditingCommand.h"

namespace corvel {

std::string_view editingCommandName(EditingCommand command)
{
    switch (command) {
    case EditingCommand::insertNewline: return "insertNewline:";
    case EditingCommand::cancelOperation: return "cancelOperation:";
    case EditingCommand::deleteBackward: return "deleteBackward:";
    case EditingCommand::deleteForward: return "deleteForward:";
    case EditingCommand::moveUp: return "moveUp:";
    case EditingCommand::moveDown: return "moveDown:";
    case EditingCommand::moveLeft: return "moveLeft:";
    case EditingCommand::moveRight: return "moveRight:";
    case EditingCommand::moveUpAndModifySelection: return "moveUpAndModifySelection:";
    case EditingCommand::moveDownAndModifySelection: return "moveDownAndModifySelection:";
    case EditingCommand::moveLeftAndModifySelection: return "moveLeftAndModifySelection:";
    case EditingCommand::moveRightAndModifySelection: return "moveRightAndModifySelection:";
    case EditingCommand::moveWordLeft: return "moveWordLeft:";
    case EditingCommand::moveWordRight: return "moveWordRight:";
    case EditingCommand::insertTab: return "insertTab:";
    case EditingCommand::insertBacktab: return "insertBacktab:";
    case EditingCommand::moveToBeginningOfLine: return "moveToBeginningOfLine:";
    case EditingCommand::moveToEndOfLine: return "moveToEndOfLine:";
    case EditingCommand::moveToLeftEndOfLine: return "moveToLeftEndOfLine:";
    case EditingCommand::moveToRightEndOfLine: return "moveToRightEndOfLine:";
    case EditingCommand::scrollToBeginningOfDocument: return "scrollToBeginningOfDocument:";
    case EditingCommand::scrollToEndOfDocument: return "scrollToEndOfDocument:";
    case EditingCommand::moveToBeginningOfDocumentAndModifySelection:
        return "moveToBeginningOfDocumentAndModifySelection:";
    case EditingCommand::moveToEndOfDocumentAndModifySelection: return "moveToEndOfDocumentAndModifySelection:";
    case EditingCommand::scrollPageUp: return "scrollPageUp:";
    case EditingCommand::scrollPageDown: return "scrollPageDown:";
    case EditingCommand::pageUp: return "pageUp:";
    case EditingCommand::pageDown: return "pageDown:";
    case EditingCommand::pageUpAndModifySelection: return "pageUpAndModifySelection:";
    case EditingCommand::pageDownAndModifySelection: return "pageDownAndModifySelection:";
    case EditingCommand::noop: return "noop:";
    }
    return "noop:";
}

} // namespace corvel
