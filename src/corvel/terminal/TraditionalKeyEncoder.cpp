#include "corvel/terminal/TraditionalKeyEncoder.h"

#include <array>

#include "corvel/base/Utf8.h"
#include "corvel/terminal/EscapeSequences.h"

namespace corvel {

namespace {

template <size_t N> std::string text(const std::array<uint8_t, N>& sequence)
{
    return std::string(sequence.begin(), sequence.end());
}

} // namespace

std::optional<std::string> TraditionalKeyEncoder::modifiedKey(Key key, int modifierParameter)
{
    const std::string m = std::to_string(modifierParameter);
    const auto lettered = [&m](char letter) { return "\x1b[1;" + m + letter; };
    const auto numbered = [&m](int number) { return "\x1b[" + std::to_string(number) + ';' + m + '~'; };
    switch (key) {
    case Key::up: return lettered('A');
    case Key::down: return lettered('B');
    case Key::right: return lettered('C');
    case Key::left: return lettered('D');
    case Key::home: return lettered('H');
    case Key::end: return lettered('F');
    case Key::f1: return lettered('P');
    case Key::f2: return lettered('Q');
    case Key::f3: return lettered('R');
    case Key::f4: return lettered('S');
    case Key::insert: return numbered(2);
    case Key::deleteKey: return numbered(3);
    case Key::pageUp: return numbered(5);
    case Key::pageDown: return numbered(6);
    case Key::f5: return numbered(15);
    case Key::f6: return numbered(17);
    case Key::f7: return numbered(18);
    case Key::f8: return numbered(19);
    case Key::f9: return numbered(20);
    case Key::f10: return numbered(21);
    case Key::f11: return numbered(23);
    case Key::f12: return numbered(24);
    default: return std::nullopt;
    }
}

std::optional<std::string> TraditionalKeyEncoder::plainKey(Key key)
{
    using Seq = EscapeSequences;
    if (key >= Key::f1 && key <= Key::f12) {
        const Seq::Bytes bytes = Seq::cmdF[static_cast<size_t>(key) - static_cast<size_t>(Key::f1)];
        return std::string(bytes.begin(), bytes.end());
    }
    switch (key) {
    case Key::deleteKey: return text(Seq::cmdDelKey);
    case Key::insert: return text(Seq::cmdInsert);
    case Key::pageUp: return text(Seq::cmdPageUp);
    case Key::pageDown: return text(Seq::cmdPageDown);
    default: return std::nullopt;
    }
}

std::optional<std::string> TraditionalKeyEncoder::controlledEditingKey(Key key)
{
    switch (key) {
    case Key::enter: return std::string("\r");
    case Key::tab: return std::string("\t");
    case Key::backTab: return text(EscapeSequences::cmdBackTab);
    case Key::backspace: return std::string("\b");
    case Key::escape: return std::string("\x1b");
    default: return std::nullopt;
    }
}

std::vector<uint8_t> TraditionalKeyEncoder::controlCharacter(std::string_view utf8)
{
    if (utf8.size() != 1)
        return {};
    const char c = utf8[0];
    if (c >= '@' && c <= '~')
        return {static_cast<uint8_t>(c & 0x1F)};
    if (c >= '3' && c <= '7')
        return {static_cast<uint8_t>(c - '3' + 0x1B)};
    switch (c) {
    case ' ':
    case '2': return {0};
    case '8':
    case '?': return {0x7F};
    case '/':
    case '-': return {0x1F};
    default: return {};
    }
}

std::string TraditionalKeyEncoder::controlledCharacter(std::string_view utf8)
{
    const std::vector<uint8_t> control = controlCharacter(utf8);
    if (!control.empty())
        return std::string(control.begin(), control.end());
    if (utf8.empty())
        return {};
    const Utf8Step step = decodeUtf8Step(std::span(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size()));
    if (!step.wellFormed || step.length != utf8.size())
        return {};
    const char32_t c = step.scalar;
    const bool printable = (c >= ' ' && c <= '~') || c >= 0xA0; // no C0, DEL or C1
    return printable ? std::string(utf8) : std::string();
}

std::optional<std::string> TraditionalKeyEncoder::editingCommand(EditingCommand command, bool applicationCursor,
                                                                 bool backspaceSendsControlH)
{
    using Seq = EscapeSequences;
    using C = EditingCommand;
    const bool app = applicationCursor;
    switch (command) {
    case C::insertNewline: return text(Seq::cmdRet);
    case C::cancelOperation: return text(Seq::cmdEsc);
    case C::deleteBackward: return std::string(1, backspaceSendsControlH ? '\x08' : '\x7f');
    case C::moveUp: return text(app ? Seq::moveUpApp : Seq::moveUpNormal);
    case C::moveDown: return text(app ? Seq::moveDownApp : Seq::moveDownNormal);
    case C::moveLeft: return text(app ? Seq::moveLeftApp : Seq::moveLeftNormal);
    case C::moveRight: return text(app ? Seq::moveRightApp : Seq::moveRightNormal);
    case C::insertTab: return text(Seq::cmdTab);
    case C::insertBacktab: return text(Seq::cmdBackTab);
    case C::moveToBeginningOfLine:
    case C::scrollToBeginningOfDocument: return text(app ? Seq::moveHomeApp : Seq::moveHomeNormal);
    case C::moveToEndOfLine:
    case C::scrollToEndOfDocument: return text(app ? Seq::moveEndApp : Seq::moveEndNormal);
    case C::scrollPageUp:
    case C::pageUp: return app ? std::optional(text(Seq::cmdPageUp)) : std::nullopt;
    case C::scrollPageDown:
    case C::pageDown: return app ? std::optional(text(Seq::cmdPageDown)) : std::nullopt;
    case C::pageDownAndModifySelection: return app ? std::nullopt : std::optional(text(Seq::cmdPageDown));
    case C::moveToLeftEndOfLine: return text(Seq::emacsBack);
    case C::moveToRightEndOfLine: return text(Seq::emacsForward);
    default: return std::nullopt;
    }
}

std::string TraditionalKeyEncoder::withReturnLineEnds(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out.push_back(text[i] == '\n' ? '\r' : text[i]);
    }
    return out;
}

std::string TraditionalKeyEncoder::sanitizedPaste(std::string_view text) const
{
    const std::array<std::string_view, 4> markers{
        bracketedPasteStart,
        bracketedPasteEnd,
        // The same with the 8-bit introducer as a UTF-8 character.
        "\xc2\x9b"
        "200~",
        "\xc2\x9b"
        "201~",
    };
    // One pass: whenever the text kept so far ends in a marker, drop it, so
    // that markers hidden inside markers go as well.
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        out.push_back(c);
        if (c != '~')
            continue;
        for (const std::string_view marker : markers) {
            if (!marker.empty() && out.size() >= marker.size()
                && out.compare(out.size() - marker.size(), marker.size(), marker) == 0) {
                out.resize(out.size() - marker.size());
                break;
            }
        }
    }
    return out;
}

} // namespace corvel
