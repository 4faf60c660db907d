#include "corvel/qt/EditingCommand.h"

#include <Qt>

#include "corvel/qt/KeyInput.h"

namespace corvel {

std::optional<EditingCommand> editingCommandFor(const KeyInput& key)
{
    using C = EditingCommand;
    const bool shift = key.has(KeyInput::shift);
    const bool alt = key.has(KeyInput::alt);
    switch (key.qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return C::insertNewline;
    case Qt::Key_Escape: return C::cancelOperation;
    case Qt::Key_Backspace: return C::deleteBackward;
    case Qt::Key_Delete: return C::deleteForward;
    case Qt::Key_Tab: return shift ? C::insertBacktab : C::insertTab;
    case Qt::Key_Backtab: return C::insertBacktab;
    case Qt::Key_Up: return shift ? C::moveUpAndModifySelection : C::moveUp;
    case Qt::Key_Down: return shift ? C::moveDownAndModifySelection : C::moveDown;
    case Qt::Key_Left:
        if (alt)
            return C::moveWordLeft;
        return shift ? C::moveLeftAndModifySelection : C::moveLeft;
    case Qt::Key_Right:
        if (alt)
            return C::moveWordRight;
        return shift ? C::moveRightAndModifySelection : C::moveRight;
    case Qt::Key_Home: return shift ? C::moveToBeginningOfDocumentAndModifySelection : C::scrollToBeginningOfDocument;
    case Qt::Key_End: return shift ? C::moveToEndOfDocumentAndModifySelection : C::scrollToEndOfDocument;
    case Qt::Key_PageUp: return shift ? C::pageUpAndModifySelection : C::scrollPageUp;
    case Qt::Key_PageDown: return shift ? C::pageDownAndModifySelection : C::scrollPageDown;
    default: break;
    }
    if (key.hasAny(KeyInput::control | KeyInput::super))
        return C::noop;
    return std::nullopt;
}

} // namespace corvel
