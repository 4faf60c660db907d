#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvel/terminal/EditingCommand.h"

namespace corvel {

// The traditional keyboard, as xterm sends it while the enhanced keyboard
// protocol is off: the modified forms of cursor, editing and F keys, what
// Control makes of a key, the bytes of an editing command and the form of a
// paste. The view names its keys with Key and decides which of these applies.
class TraditionalKeyEncoder {
public:
    enum class Key {
        up,
        down,
        right,
        left,
        home,
        end,
        insert,
        deleteKey,
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
        enter,
        tab,
        backTab,
        backspace,
        escape,
    };

    // The modified form for the modifier parameter m (1 + Shift 1 + Alt 2 +
    // Control 4 + Super 8): CSI 1 ; m X for the keys whose plain form ends in
    // a letter, CSI n ; m ~ for the numbered ones, the same under application
    // cursor mode. Nothing for keys without one (Enter, Tab, Backspace...).
    static std::optional<std::string> modifiedKey(Key key, int modifierParameter);

    // The plain form of F1 to F12, Delete, Insert, Page Up and Page Down; the
    // other keys travel as editing commands or text.
    static std::optional<std::string> plainKey(Key key);

    // What Control makes of Return, Tab, Back-tab, Backspace and Escape, as
    // xterm sends them: Ctrl+Backspace is BS, the others keep their own
    // bytes. Nothing for other keys.
    static std::optional<std::string> controlledEditingKey(Key key);

    // The control byte of a key's one-byte character: "@" to "~" keep their
    // low five bits; the digit row as xterm maps it (2 and space NUL, 3 to 7
    // ESC to US, 8 DEL), "?" DEL, "/" and "-" US. Empty for anything else.
    static std::vector<uint8_t> controlCharacter(std::string_view utf8);

    // What Control makes of a key's character, as xterm sends it: the control
    // byte above where there is one, else the character itself when it is one
    // printable character (Ctrl+1 sends "1", Ctrl+. sends ".", Ctrl+é sends
    // "é"). Empty for anything else: control characters, ill-formed UTF-8,
    // more than one character.
    static std::string controlledCharacter(std::string_view utf8);

    // The bytes an editing command sends; nothing for a command that sends
    // nothing (the view pages itself where it does not send page keys).
    static std::optional<std::string> editingCommand(EditingCommand command, bool applicationCursor,
                                                     bool backspaceSendsControlH);

    // Every line end of pasted text (CR LF, or LF alone) becomes CR, as a
    // typed Return sends it.
    static std::string withReturnLineEnds(std::string_view text);

    // Sent around pasted text while bracketed paste is on.
    std::string bracketedPasteStart = "\x1b[200~";
    std::string bracketedPasteEnd = "\x1b[201~";

    // The text without anything that would read as a paste marker (these
    // markers, and the default ones with an 8-bit introducer), so a paste
    // cannot end itself early; markers hidden inside markers go as well.
    std::string sanitizedPaste(std::string_view text) const;
};

} // namespace corvel
