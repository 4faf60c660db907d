#include "corvel/qt/KittyKeyMapping.h"

#include <array>
#include <utility>

#include <Qt>

#include "corvel/qt/KeyInput.h"

namespace corvel::KittyKeyMapping {

namespace {

using K = KittyFunctionalKey;

// X11 keysyms of the numeric keypad and the modifier keys.
namespace keysym {
constexpr uint32_t kpEnter = 0xff8d, kpHome = 0xff95, kpLeft = 0xff96, kpUp = 0xff97, kpRight = 0xff98, kpDown = 0xff99,
                   kpPageUp = 0xff9a, kpPageDown = 0xff9b, kpEnd = 0xff9c, kpBegin = 0xff9d, kpInsert = 0xff9e,
                   kpDelete = 0xff9f, kpMultiply = 0xffaa, kpAdd = 0xffab, kpSeparator = 0xffac, kpSubtract = 0xffad,
                   kpDecimal = 0xffae, kpDivide = 0xffaf, kp0 = 0xffb0, kp9 = 0xffb9, kpEqual = 0xffbd;
constexpr uint32_t shiftL = 0xffe1, shiftR = 0xffe2, controlL = 0xffe3, controlR = 0xffe4, capsLock = 0xffe5,
                   altL = 0xffe9, altR = 0xffea, superL = 0xffeb, superR = 0xffec;
} // namespace keysym

std::optional<K> keypadKeyFromKeysym(uint32_t sym)
{
    using namespace keysym;
    if (sym >= kp0 && sym <= kp9)
        return static_cast<K>(static_cast<int>(K::keypad0) + int(sym - kp0));
    switch (sym) {
    case kpEnter: return K::keypadEnter;
    case kpHome: return K::keypadHome;
    case kpLeft: return K::keypadLeft;
    case kpUp: return K::keypadUp;
    case kpRight: return K::keypadRight;
    case kpDown: return K::keypadDown;
    case kpPageUp: return K::keypadPageUp;
    case kpPageDown: return K::keypadPageDown;
    case kpEnd: return K::keypadEnd;
    case kpBegin: return K::keypadBegin;
    case kpInsert: return K::keypadInsert;
    case kpDelete: return K::keypadDelete;
    case kpMultiply: return K::keypadMultiply;
    case kpAdd: return K::keypadAdd;
    case kpSeparator: return K::keypadSeparator;
    case kpSubtract: return K::keypadSubtract;
    case kpDecimal: return K::keypadDecimal;
    case kpDivide: return K::keypadDivide;
    case kpEqual: return K::keypadEqual;
    default: return std::nullopt;
    }
}

// Without a keysym (synthetic events): Qt's key with its keypad flag.
std::optional<K> keypadKeyFromQtKey(int qtKey)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return static_cast<K>(static_cast<int>(K::keypad0) + (qtKey - Qt::Key_0));
    switch (qtKey) {
    case Qt::Key_Enter:
    case Qt::Key_Return: return K::keypadEnter;
    case Qt::Key_Home: return K::keypadHome;
    case Qt::Key_Left: return K::keypadLeft;
    case Qt::Key_Up: return K::keypadUp;
    case Qt::Key_Right: return K::keypadRight;
    case Qt::Key_Down: return K::keypadDown;
    case Qt::Key_PageUp: return K::keypadPageUp;
    case Qt::Key_PageDown: return K::keypadPageDown;
    case Qt::Key_End: return K::keypadEnd;
    case Qt::Key_Clear: return K::keypadBegin;
    case Qt::Key_Insert: return K::keypadInsert;
    case Qt::Key_Delete: return K::keypadDelete;
    case Qt::Key_Asterisk: return K::keypadMultiply;
    case Qt::Key_Plus: return K::keypadAdd;
    case Qt::Key_Comma: return K::keypadSeparator;
    case Qt::Key_Minus: return K::keypadSubtract;
    case Qt::Key_Period: return K::keypadDecimal;
    case Qt::Key_Slash: return K::keypadDivide;
    case Qt::Key_Equal: return K::keypadEqual;
    default: return std::nullopt;
    }
}

std::optional<K> mainBlockKey(int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35)
        return static_cast<K>(static_cast<int>(K::f1) + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Up: return K::up;
    case Qt::Key_Down: return K::down;
    case Qt::Key_Left: return K::left;
    case Qt::Key_Right: return K::right;
    case Qt::Key_Insert: return K::insert;
    case Qt::Key_Delete: return K::deleteKey;
    case Qt::Key_Home: return K::home;
    case Qt::Key_End: return K::end;
    case Qt::Key_PageUp: return K::pageUp;
    case Qt::Key_PageDown: return K::pageDown;
    case Qt::Key_Print: return K::printScreen;
    case Qt::Key_ScrollLock: return K::scrollLock;
    case Qt::Key_Pause: return K::pause;
    case Qt::Key_Menu: return K::menu;
    default: return std::nullopt;
    }
}

// XKB keycodes (evdev + 8) of the main block and their US-layout characters.
constexpr std::array<std::pair<uint32_t, char32_t>, 48> usLayout{{
    {10, '1'}, {11, '2'}, {12, '3'}, {13, '4'}, {14, '5'},  {15, '6'}, {16, '7'},  {17, '8'}, {18, '9'}, {19, '0'},
    {20, '-'}, {21, '='}, {24, 'q'}, {25, 'w'}, {26, 'e'},  {27, 'r'}, {28, 't'},  {29, 'y'}, {30, 'u'}, {31, 'i'},
    {32, 'o'}, {33, 'p'}, {34, '['}, {35, ']'}, {38, 'a'},  {39, 's'}, {40, 'd'},  {41, 'f'}, {42, 'g'}, {43, 'h'},
    {44, 'j'}, {45, 'k'}, {46, 'l'}, {47, ';'}, {48, '\''}, {49, '`'}, {51, '\\'}, {52, 'z'}, {53, 'x'}, {54, 'c'},
    {55, 'v'}, {56, 'b'}, {57, 'n'}, {58, 'm'}, {59, ','},  {60, '.'}, {61, '/'},  {65, ' '},
}};

} // namespace

std::optional<KittyFunctionalKey> functionalKey(const KeyInput& key)
{
    if (key.keysym != 0) {
        if (const auto keypad = keypadKeyFromKeysym(key.keysym))
            return keypad;
    } else if (key.has(KeyInput::numericPad)) {
        if (const auto keypad = keypadKeyFromQtKey(key.qtKey))
            return keypad;
    }
    return mainBlockKey(key.qtKey);
}

std::optional<std::string> textForFunctionalKey(KittyFunctionalKey functional, const KeyInput& key)
{
    const bool typesText = (functional >= K::keypad0 && functional <= K::keypadSubtract) || functional == K::keypadAdd
        || functional == K::keypadEqual || functional == K::keypadSeparator;
    if (!typesText)
        return std::nullopt;
    const QString& text = key.characters.isEmpty() ? key.charactersIgnoringModifiers : key.characters;
    if (text.isEmpty())
        return std::nullopt;
    return text.toStdString();
}

std::optional<KittyFunctionalKey> modifierKey(const KeyInput& key)
{
    switch (key.keysym) {
    case keysym::shiftL: return K::leftShift;
    case keysym::shiftR: return K::rightShift;
    case keysym::controlL: return K::leftControl;
    case keysym::controlR: return K::rightControl;
    case keysym::capsLock: return K::capsLock;
    case keysym::altL: return K::leftAlt;
    case keysym::altR: return K::rightAlt;
    case keysym::superL: return K::leftSuper;
    case keysym::superR: return K::rightSuper;
    case 0: break;
    default: return std::nullopt;
    }
    switch (key.qtKey) {
    case Qt::Key_Shift: return K::leftShift;
    case Qt::Key_Control: return K::leftControl;
    case Qt::Key_Alt: return K::leftAlt;
    case Qt::Key_Meta:
    case Qt::Key_Super_L: return K::leftSuper;
    case Qt::Key_Super_R: return K::rightSuper;
    case Qt::Key_CapsLock: return K::capsLock;
    default: return std::nullopt;
    }
}

std::optional<char32_t> baseLayoutKey(uint32_t keycode)
{
    for (const auto& [code, character] : usLayout)
        if (code == keycode)
            return character;
    return std::nullopt;
}

KittyKeyboardModifiers modifiers(const KeyInput& key, bool optionAsMetaKey)
{
    KittyKeyboardModifiers result;
    if (key.has(KeyInput::shift))
        result.rawValue |= KittyKeyboardModifiers::shift;
    if (key.has(KeyInput::control))
        result.rawValue |= KittyKeyboardModifiers::ctrl;
    if (key.has(KeyInput::super))
        result.rawValue |= KittyKeyboardModifiers::super;
    if (key.has(KeyInput::capsLock))
        result.rawValue |= KittyKeyboardModifiers::capsLock;
    if (optionAsMetaKey && key.has(KeyInput::alt))
        result.rawValue |= KittyKeyboardModifiers::alt;
    return result;
}

} // namespace corvel::KittyKeyMapping
