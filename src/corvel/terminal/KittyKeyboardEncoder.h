#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corvel/terminal/KittyKeyboardFlags.h"

namespace corvel {

// Modifier bits of a key event, as the keyboard protocol numbers them. The
// locks count as modifiers too.
struct KittyKeyboardModifiers {
    enum : int {
        shift = 1,
        alt = 2,
        ctrl = 4,
        super = 8,
        hyper = 16,
        meta = 32,
        capsLock = 64,
        numLock = 128,
    };

    int rawValue = 0;

    constexpr bool contains(int bits) const { return (rawValue & bits) == bits; }
    constexpr bool containsAny(int bits) const { return (rawValue & bits) != 0; }
    constexpr bool isEmpty() const { return rawValue == 0; }
    friend constexpr bool operator==(const KittyKeyboardModifiers&, const KittyKeyboardModifiers&) = default;
};

enum class KittyKeyboardEventType : uint8_t { press = 1, repeatPress = 2, release = 3 };

// The event type with the given raw value; none for any other value.
std::optional<KittyKeyboardEventType> kittyKeyboardEventType(int rawValue);

// Keys that produce no text of their own. The last fourteen, leftShift to
// isoLevel5Shift, are the modifier keys.
enum class KittyFunctionalKey : uint8_t {
    escape,
    enter,
    tab,
    backspace,
    insert,
    deleteKey,
    up,
    down,
    left,
    right,
    home,
    end,
    pageUp,
    pageDown,
    f1,
    f2,
    f3,
    f4,
    f5,
    f6,
    f7,
    f8,
    f9,
    f10,
    f11,
    f12,
    f13,
    f14,
    f15,
    f16,
    f17,
    f18,
    f19,
    f20,
    f21,
    f22,
    f23,
    f24,
    f25,
    f26,
    f27,
    f28,
    f29,
    f30,
    f31,
    f32,
    f33,
    f34,
    f35,
    menu,
    capsLock,
    scrollLock,
    numLock,
    printScreen,
    pause,
    keypad0,
    keypad1,
    keypad2,
    keypad3,
    keypad4,
    keypad5,
    keypad6,
    keypad7,
    keypad8,
    keypad9,
    keypadDecimal,
    keypadDivide,
    keypadMultiply,
    keypadSubtract,
    keypadAdd,
    keypadEnter,
    keypadEqual,
    keypadSeparator,
    keypadLeft,
    keypadRight,
    keypadUp,
    keypadDown,
    keypadPageUp,
    keypadPageDown,
    keypadHome,
    keypadEnd,
    keypadInsert,
    keypadDelete,
    keypadBegin,
    mediaPlay,
    mediaPause,
    mediaPlayPause,
    mediaReverse,
    mediaStop,
    mediaFastForward,
    mediaRewind,
    mediaTrackNext,
    mediaTrackPrevious,
    mediaRecord,
    volumeDown,
    volumeUp,
    volumeMute,
    leftShift,
    leftControl,
    leftAlt,
    leftSuper,
    leftHyper,
    leftMeta,
    rightShift,
    rightControl,
    rightAlt,
    rightSuper,
    rightHyper,
    rightMeta,
    isoLevel3Shift,
    isoLevel5Shift,
};

inline constexpr int kittyFunctionalKeyCount = static_cast<int>(KittyFunctionalKey::isoLevel5Shift) + 1;

constexpr bool isModifierKey(KittyFunctionalKey key) { return key >= KittyFunctionalKey::leftShift; }

// What a key is: a text key by its Unicode scalar, a functional key, or
// nothing known.
struct KittyKey {
    enum class Kind : uint8_t { none, unicode, functional };

    Kind kind = Kind::none;
    uint32_t scalar = 0;
    KittyFunctionalKey functionalKey = KittyFunctionalKey::escape;

    static constexpr KittyKey none() { return {}; }
    static constexpr KittyKey unicode(uint32_t value) { return {Kind::unicode, value, KittyFunctionalKey::escape}; }
    static constexpr KittyKey functional(KittyFunctionalKey key) { return {Kind::functional, 0, key}; }

    constexpr bool isFunctional(KittyFunctionalKey key) const
    {
        return kind == Kind::functional && functionalKey == key;
    }
    friend constexpr bool operator==(const KittyKey&, const KittyKey&) = default;
};

// One key event as the view sees it.
struct KittyKeyEvent {
    KittyKey key;
    KittyKeyboardModifiers modifiers;
    KittyKeyboardEventType eventType = KittyKeyboardEventType::press;
    // The text the key produces, UTF-8.
    std::optional<std::string> text;
    // The key with Shift held, and the key in the standard layout.
    std::optional<char32_t> shiftedKey;
    std::optional<char32_t> baseLayoutKey;
    // An input-method composition is under way.
    bool composing = false;
};

// Turns key events into the bytes a child that asked for enhanced keyboard
// reports expects, under its flags, the application cursor mode and the
// backspace choice. encode() gives nothing when the event sends nothing
// under these flags; the host then goes on with its ordinary key handling.
struct KittyKeyboardEncoder {
    KittyKeyboardFlags flags;
    bool applicationCursor = false;
    bool backspaceSendsControlH = false;

    std::optional<std::vector<uint8_t>> encode(const KittyKeyEvent& event) const;

    // How a functional key is written: a final letter after CSI 1 (or SS3),
    // a number before '~', or its own code in the CSI u form.
    struct FunctionalEncoding {
        enum class Form : uint8_t { letter, tilde, csiU };
        Form form;
        int code; // the letter, the number or the CSI u code
    };
    static FunctionalEncoding functionalEncoding(KittyFunctionalKey key);

    // The byte Ctrl with this key sends in the traditional encoding, if any.
    static std::optional<uint8_t> legacyControlMapping(char32_t key);

private:
    using Bytes = std::vector<uint8_t>;

    std::optional<Bytes> encodeAllKeys(const KittyKeyEvent& event, bool includeText) const;
    std::optional<Bytes> encodeNonText(const KittyKeyEvent& event, bool disambiguate, bool includeEventType,
                                       bool includeAlternates) const;
    // Caps lock and num lock always count as modifiers here.
    static Bytes encodeCsiU(const KittyKeyEvent& event, std::optional<uint32_t> overrideCode, bool includeText,
                            bool includeAlternates, bool includeEventType);
    static Bytes buildCsiWithModifier(int number, int modifiers, std::optional<KittyKeyboardEventType> eventType,
                                      char terminator, bool omitDefaultNumber = false);
    std::optional<Bytes> legacySpecialKeySequence(KittyFunctionalKey key, KittyKeyboardModifiers modifiers,
                                                  KittyKeyboardEventType eventType) const;
    static std::optional<Bytes> legacyTextKeySequence(const KittyKeyEvent& event);
};

} // namespace corvel
