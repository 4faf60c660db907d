#pragma once

#include <cstdint>
#include <optional>

#include <QString>

class QKeyEvent;

namespace corvel {

// One key event of the window system reduced to what the keyboard encoders
// look at: the text the key produced, the text it produces without Control,
// Alt or Super (Shift still applies), the held modifiers, whether it is a
// function key, and the XKB keycode and keysym that name the physical key.
struct KeyInput {
    enum Modifier : unsigned {
        shift = 1,
        control = 2,
        alt = 4,
        // The Super key (Qt's Meta modifier).
        super = 8,
        capsLock = 16,
        // The key is on the numeric keypad.
        numericPad = 32,
    };

    int qtKey = 0;
    unsigned modifiers = 0;
    QString characters;
    QString charactersIgnoringModifiers;
    // Cursor, editing, page and F keys: keys without text of their own.
    bool functionKey = false;
    // Shift, Control, Alt, Super, Caps Lock and the like.
    bool modifierKey = false;
    bool autoRepeat = false;
    // XKB keycode (evdev code + 8) and keysym; 0 when the platform gives none.
    uint32_t keycode = 0;
    uint32_t keysym = 0;

    // The keysym of the Linefeed key, and the key Qt names it by (its text).
    static constexpr uint32_t linefeedKeysym = 0xff0a;
    static constexpr int linefeedQtKey = 0x0a;

    bool has(unsigned modifier) const { return (modifiers & modifier) == modifier; }
    // The Linefeed key, by keysym, else (synthetic events) by Qt's key.
    bool isLinefeed() const { return keysym == linefeedKeysym || (keysym == 0 && qtKey == linefeedQtKey); }
    bool hasAny(unsigned modifier) const { return (modifiers & modifier) != 0; }

    // The modifier parameter of the traditional modified key forms
    // (CSI 1 ; m A, CSI n ; m ~): 1 + Shift 1 + Alt 2 + Control 4 + Super 8.
    // Alt counts only when it acts as Meta.
    int modifierParameter(bool altCounts) const;

    // The first Unicode scalar of the text without modifiers.
    std::optional<char32_t> firstUnmodifiedScalar() const;

    static KeyInput from(const QKeyEvent& event);
    // The modifier bits Qt's flags (and the X11 state mask, for Caps Lock) hold.
    static unsigned modifiersFrom(Qt::KeyboardModifiers flags, uint32_t nativeModifiers);
    static bool isFunctionKey(int qtKey);
    // Non-empty text without control characters.
    static bool isPrintable(const QString& text);
    static bool isModifierKey(int qtKey);
};

} // namespace corvel
