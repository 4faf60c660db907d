#pragma once

#include <optional>
#include <string>

#include "corvel/terminal/KittyKeyboardEncoder.h"

namespace corvel {

struct KeyInput;

// How the view names a key for the enhanced keyboard protocol: functional
// keys, the text of keypad keys, modifier keys and the key a physical key
// has on the standard US layout.
namespace KittyKeyMapping {

// The functional key an event stands for. Keypad keys are told by their
// keysym (so the keypad's own arrows stay keypad keys), else by Qt's keypad
// flag; Escape, Return, Tab and Backspace are text keys here.
std::optional<KittyFunctionalKey> functionalKey(const KeyInput& key);

// The text a keypad digit or operator types; nothing for every other key.
std::optional<std::string> textForFunctionalKey(KittyFunctionalKey functional, const KeyInput& key);

// The modifier key pressed or released, by keysym, else by Qt key.
std::optional<KittyFunctionalKey> modifierKey(const KeyInput& key);

// The US-layout character of an XKB keycode (letters, digits, punctuation
// and space of the main block).
std::optional<char32_t> baseLayoutKey(uint32_t keycode);

// Protocol modifiers of a key event; Alt counts only while it acts as Meta.
KittyKeyboardModifiers modifiers(const KeyInput& key, bool optionAsMetaKey);

} // namespace KittyKeyMapping

} // namespace corvel
