#include "corvel/qt/KeyInput.h"

#include <QKeyEvent>

namespace corvel {

namespace {

// Lock bit of the X11 (and xkb) modifier state.
constexpr uint32_t nativeLockMask = 0x2;

// What a key produces with no modifier but Shift, when the event's own text
// is missing or was turned into a control character.
QString unmodifiedText(const QKeyEvent& event, bool shifted)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return QStringLiteral("\r");
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return QStringLiteral("\t");
    case Qt::Key_Backspace: return QStringLiteral("\x7f");
    case Qt::Key_Escape: return QStringLiteral("\x1b");
    default: break;
    }
    if (KeyInput::isFunctionKey(event.key()) || KeyInput::isModifierKey(event.key()))
        return {};
    if (KeyInput::isPrintable(event.text()))
        return event.text();
    const int key = event.key();
    if (key < 0x20 || key > 0x10FFFF || (key >= 0xD800 && key <= 0xDFFF))
        return {};
    const char32_t scalar = static_cast<char32_t>(key);
    QString text = QString::fromUcs4(&scalar, 1);
    // Qt names letter keys by their upper-case form.
    return shifted ? text : text.toLower();
}

} // namespace

bool KeyInput::isPrintable(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const char32_t c : text.toUcs4())
        if (c < 0x20 || (c >= 0x7F && c < 0xA0))
            return false;
    return true;
}

int KeyInput::modifierParameter(bool altCounts) const
{
    int parameter = 1;
    if (has(shift))
        parameter += 1;
    if (altCounts && has(alt))
        parameter += 2;
    if (has(control))
        parameter += 4;
    if (has(super))
        parameter += 8;
    return parameter;
}

std::optional<char32_t> KeyInput::firstUnmodifiedScalar() const
{
    const QList<uint> scalars = charactersIgnoringModifiers.toUcs4();
    if (scalars.isEmpty())
        return std::nullopt;
    return static_cast<char32_t>(scalars.front());
}

unsigned KeyInput::modifiersFrom(Qt::KeyboardModifiers flags, uint32_t nativeModifiers)
{
    unsigned result = 0;
    if (flags & Qt::ShiftModifier)
        result |= shift;
    if (flags & Qt::ControlModifier)
        result |= control;
    if (flags & Qt::AltModifier)
        result |= alt;
    if (flags & Qt::MetaModifier)
        result |= super;
    if (flags & Qt::KeypadModifier)
        result |= numericPad;
    if (nativeModifiers & nativeLockMask)
        result |= capsLock;
    return result;
}

bool KeyInput::isFunctionKey(int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35)
        return true;
    switch (qtKey) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
    case Qt::Key_Print:
    case Qt::Key_SysReq:
    case Qt::Key_ScrollLock:
    case Qt::Key_Pause:
    case Qt::Key_Menu:
    case Qt::Key_Help:
    case Qt::Key_Clear: return true;
    default: return false;
    }
}

bool KeyInput::isModifierKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock: return true;
    default: return false;
    }
}

KeyInput KeyInput::from(const QKeyEvent& event)
{
    KeyInput input;
    input.qtKey = event.key();
    input.modifiers = modifiersFrom(event.modifiers(), event.nativeModifiers());
    input.characters = event.text();
    input.charactersIgnoringModifiers = unmodifiedText(event, input.has(shift));
    input.functionKey = isFunctionKey(event.key());
    input.modifierKey = isModifierKey(event.key());
    input.autoRepeat = event.isAutoRepeat();
    input.keycode = event.nativeScanCode();
    input.keysym = event.nativeVirtualKey();
    return input;
}

} // namespace corvel
