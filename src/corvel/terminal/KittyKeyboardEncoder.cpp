#include "corvel/terminal/KittyKeyboardEncoder.h"

#include <string_view>

#include <utf8proc.h>

#include "corvel/base/Utf8.h"

namespace corvel {

namespace {

using Bytes = std::vector<uint8_t>;
using Key = KittyFunctionalKey;
using Mods = KittyKeyboardModifiers;

constexpr uint8_t ESC = 0x1B;

int offset(Key key, Key first) { return static_cast<int>(key) - static_cast<int>(first); }

void appendNumber(Bytes& out, int64_t value)
{
    std::string digits = std::to_string(value);
    out.insert(out.end(), digits.begin(), digits.end());
}

void appendText(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

void appendScalar(Bytes& out, char32_t scalar)
{
    std::string utf8;
    appendUtf8(utf8, scalar);
    appendText(out, utf8);
}

void appendCsi(Bytes& out)
{
    out.push_back(ESC);
    out.push_back('[');
}

bool isControlScalar(char32_t scalar) { return scalar < 32 || (scalar >= 127 && scalar <= 159); }

bool containsControlScalars(std::string_view text)
{
    for (char32_t scalar : decodeUtf8(text))
        if (isControlScalar(scalar))
            return true;
    return false;
}

bool hasText(const KittyKeyEvent& event) { return event.text && !event.text->empty(); }

// Enter, Tab and Backspace travel as their control codes in the CSI u form.
std::optional<uint32_t> controlKeyCode(const KittyKey& key)
{
    if (key.kind != KittyKey::Kind::functional)
        return std::nullopt;
    switch (key.functionalKey) {
    case Key::enter: return 13;
    case Key::tab: return 9;
    case Key::backspace: return 127;
    default: return std::nullopt;
    }
}

} // namespace

std::optional<KittyKeyboardEventType> kittyKeyboardEventType(int rawValue)
{
    switch (rawValue) {
    case 1: return KittyKeyboardEventType::press;
    case 2: return KittyKeyboardEventType::repeatPress;
    case 3: return KittyKeyboardEventType::release;
    default: return std::nullopt;
    }
}

KittyKeyboardEncoder::FunctionalEncoding KittyKeyboardEncoder::functionalEncoding(KittyFunctionalKey key)
{
    using Form = FunctionalEncoding::Form;
    switch (key) {
    case Key::escape: return {Form::csiU, 27};
    case Key::enter: return {Form::csiU, 13};
    case Key::tab: return {Form::csiU, 9};
    case Key::backspace: return {Form::csiU, 127};
    case Key::up: return {Form::letter, 'A'};
    case Key::down: return {Form::letter, 'B'};
    case Key::right: return {Form::letter, 'C'};
    case Key::left: return {Form::letter, 'D'};
    case Key::home: return {Form::letter, 'H'};
    case Key::end: return {Form::letter, 'F'};
    case Key::f1: return {Form::letter, 'P'};
    case Key::f2: return {Form::letter, 'Q'};
    case Key::f4: return {Form::letter, 'S'};
    case Key::insert: return {Form::tilde, 2};
    case Key::deleteKey: return {Form::tilde, 3};
    case Key::pageUp: return {Form::tilde, 5};
    case Key::pageDown: return {Form::tilde, 6};
    case Key::f3: return {Form::tilde, 13};
    case Key::f5: return {Form::tilde, 15};
    case Key::f6: return {Form::tilde, 17};
    case Key::f7: return {Form::tilde, 18};
    case Key::f8: return {Form::tilde, 19};
    case Key::f9: return {Form::tilde, 20};
    case Key::f10: return {Form::tilde, 21};
    case Key::f11: return {Form::tilde, 23};
    case Key::f12: return {Form::tilde, 24};
    case Key::menu: return {Form::csiU, 57363};
    case Key::capsLock: return {Form::csiU, 57358};
    case Key::scrollLock: return {Form::csiU, 57359};
    case Key::numLock: return {Form::csiU, 57360};
    case Key::printScreen: return {Form::csiU, 57361};
    case Key::pause: return {Form::csiU, 57362};
    default: break;
    }
    // The rest are numbered in runs that follow the order of the enumeration.
    if (key >= Key::f13 && key <= Key::f35)
        return {Form::csiU, 57376 + offset(key, Key::f13)};
    if (key >= Key::keypad0 && key <= Key::keypadBegin)
        return {Form::csiU, 57399 + offset(key, Key::keypad0)};
    if (key >= Key::mediaPlay && key <= Key::volumeMute)
        return {Form::csiU, 57428 + offset(key, Key::mediaPlay)};
    return {Form::csiU, 57441 + offset(key, Key::leftShift)};
}

std::optional<uint8_t> KittyKeyboardEncoder::legacyControlMapping(char32_t key)
{
    auto lookup = [](char32_t c) -> std::optional<uint8_t> {
        if (c >= 'a' && c <= 'z')
            return static_cast<uint8_t>(c - 'a' + 1);
        switch (c) {
        case ' ': return 0;
        case '/': return 31;
        case '0': return 48;
        case '1': return 49;
        case '2': return 0;
        case '3': return 27;
        case '4': return 28;
        case '5': return 29;
        case '6': return 30;
        case '7': return 31;
        case '8': return 127;
        case '9': return 57;
        case '?': return 127;
        case '@': return 0;
        case '[': return 27;
        case '\\': return 28;
        case ']': return 29;
        case '^': return 30;
        case '_': return 31;
        case '~': return 30;
        default: return std::nullopt;
        }
    };
    const auto lower = static_cast<char32_t>(utf8proc_tolower(static_cast<utf8proc_int32_t>(key)));
    if (auto byte = lookup(lower))
        return byte;
    return lookup(key);
}

std::optional<std::vector<uint8_t>> KittyKeyboardEncoder::encode(const KittyKeyEvent& event) const
{
    const bool reportAllKeys = flags.contains(KittyKeyboardFlags::reportAllKeys);
    const bool disambiguate = flags.contains(KittyKeyboardFlags::disambiguate);
    const bool reportAlternates = flags.contains(KittyKeyboardFlags::reportAlternates);
    const bool isRelease = event.eventType == KittyKeyboardEventType::release;
    const Mods mods = event.modifiers;
    const bool isFunctional = event.key.kind == KittyKey::Kind::functional;

    // 1. Whether the text goes along with an all-keys report.
    bool includeText = false;
    if (reportAllKeys && flags.contains(KittyKeyboardFlags::reportText) && !isRelease)
        includeText = !mods.containsAny(Mods::alt | Mods::ctrl | Mods::super | Mods::hyper | Mods::meta);
    else if (isRelease && !flags.contains(KittyKeyboardFlags::reportEvents))
        return std::nullopt;

    // 2. Releases of the editing keys are only told when every key is.
    if (!reportAllKeys && isRelease && controlKeyCode(event.key))
        return std::nullopt;

    // 3. Modifier keys, and keys during a composition.
    const bool isModifier = isFunctional && isModifierKey(event.key.functionalKey);
    if (event.composing && !(reportAllKeys && isModifier))
        return std::nullopt;
    if (!reportAllKeys && isModifier)
        return std::nullopt;

    // 4. Keys that produce text.
    if (hasText(event)) {
        const std::string& text = *event.text;
        const bool isEnter = event.key.isFunctional(Key::enter);
        // Enter or Backspace carrying committed input-method text. Only a press
        // or repeat may send text; a release goes on to be reported as a key.
        if ((isEnter || event.key.isFunctional(Key::backspace)) && !isRelease && !containsControlScalars(text)) {
            if (!isEnter)
                return std::nullopt;
            return Bytes(text.begin(), text.end());
        }
        if (reportAllKeys)
            return encodeAllKeys(event, includeText);
        if (!isFunctional) {
            const bool noAlternates
                = !reportAlternates || (!mods.contains(Mods::shift) && !event.shiftedKey && !event.baseLayoutKey);
            const bool plainText
                = mods.contains(Mods::alt) ? !disambiguate : (!disambiguate || !mods.contains(Mods::ctrl));
            if (noAlternates && plainText) {
                if (isRelease)
                    return std::nullopt;
                return Bytes(text.begin(), text.end());
            }
        }
    } else if (reportAllKeys) {
        return encodeAllKeys(event, includeText);
    }

    // 6. Everything else.
    return encodeNonText(
        event, disambiguate || reportAllKeys, flags.contains(KittyKeyboardFlags::reportEvents), reportAlternates);
}

std::optional<std::vector<uint8_t>> KittyKeyboardEncoder::encodeAllKeys(const KittyKeyEvent& event,
                                                                        bool includeText) const
{
    const bool alternates = flags.contains(KittyKeyboardFlags::reportAlternates);
    const bool eventTypes = flags.contains(KittyKeyboardFlags::reportEvents);
    if (event.key.kind != KittyKey::Kind::functional)
        return encodeCsiU(event, std::nullopt, includeText, alternates, eventTypes);
    if (auto code = controlKeyCode(event.key))
        return encodeCsiU(event, code, includeText, alternates, eventTypes);
    if (event.key.isFunctional(Key::escape))
        return encodeCsiU(event, 27, false, alternates, eventTypes);

    std::optional<KittyKeyboardEventType> eventType;
    if (eventTypes && event.eventType != KittyKeyboardEventType::press)
        eventType = event.eventType;
    const FunctionalEncoding encoding = functionalEncoding(event.key.functionalKey);
    switch (encoding.form) {
    case FunctionalEncoding::Form::letter:
        return buildCsiWithModifier(1, event.modifiers.rawValue, eventType, static_cast<char>(encoding.code), true);
    case FunctionalEncoding::Form::tilde:
        return buildCsiWithModifier(encoding.code, event.modifiers.rawValue, eventType, '~');
    case FunctionalEncoding::Form::csiU:
        return encodeCsiU(event, static_cast<uint32_t>(encoding.code), includeText, alternates, eventTypes);
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> KittyKeyboardEncoder::encodeNonText(const KittyKeyEvent& event, bool disambiguate,
                                                                        bool includeEventType,
                                                                        bool includeAlternates) const
{
    switch (event.key.kind) {
    case KittyKey::Kind::unicode:
        if (!disambiguate) {
            if (auto legacy = legacyTextKeySequence(event))
                return legacy;
        }
        return encodeCsiU(event, std::nullopt, false, includeAlternates, includeEventType);
    case KittyKey::Kind::none: return encodeCsiU(event, 0, false, includeAlternates, includeEventType);
    case KittyKey::Kind::functional: break;
    }

    const Key key = event.key.functionalKey;
    const bool reportedType = includeEventType && event.eventType != KittyKeyboardEventType::press;
    const bool qualified = !event.modifiers.isEmpty() || reportedType;
    std::optional<KittyKeyboardEventType> eventType;
    if (reportedType)
        eventType = event.eventType;

    if (auto code = controlKeyCode(event.key)) {
        if (disambiguate && qualified)
            return encodeCsiU(event, code, false, includeAlternates, includeEventType);
        return legacySpecialKeySequence(key, event.modifiers, event.eventType);
    }
    if (key == Key::escape) {
        if (disambiguate)
            return encodeCsiU(event, 27, false, includeAlternates, includeEventType);
        return legacySpecialKeySequence(key, event.modifiers, event.eventType);
    }

    const FunctionalEncoding encoding = functionalEncoding(key);
    switch (encoding.form) {
    case FunctionalEncoding::Form::tilde:
        return buildCsiWithModifier(encoding.code, event.modifiers.rawValue, eventType, '~');
    case FunctionalEncoding::Form::csiU:
        return encodeCsiU(event, static_cast<uint32_t>(encoding.code), false, includeAlternates, includeEventType);
    case FunctionalEncoding::Form::letter: break;
    }
    const auto letter = static_cast<uint8_t>(encoding.code);
    if (disambiguate || qualified)
        return buildCsiWithModifier(1, event.modifiers.rawValue, eventType, static_cast<char>(letter), true);
    const bool isFunctionKey = key == Key::f1 || key == Key::f2 || key == Key::f4;
    if (isFunctionKey || applicationCursor)
        return Bytes{ESC, 'O', letter};
    return Bytes{ESC, '[', letter};
}

std::vector<uint8_t> KittyKeyboardEncoder::encodeCsiU(const KittyKeyEvent& event, std::optional<uint32_t> overrideCode,
                                                      bool includeText, bool includeAlternates, bool includeEventType)
{
    uint32_t code = 0;
    if (overrideCode) {
        code = *overrideCode;
    } else if (event.key.kind == KittyKey::Kind::unicode) {
        code = event.key.scalar;
    } else if (event.key.kind == KittyKey::Kind::functional) {
        const FunctionalEncoding encoding = functionalEncoding(event.key.functionalKey);
        if (encoding.form == FunctionalEncoding::Form::csiU)
            code = static_cast<uint32_t>(encoding.code);
    }

    Bytes out;
    appendCsi(out);
    appendNumber(out, code);

    const Mods mods = event.modifiers;
    if (includeAlternates) {
        if (mods.contains(Mods::shift) && event.shiftedKey) {
            out.push_back(':');
            appendNumber(out, *event.shiftedKey);
            if (event.baseLayoutKey) {
                out.push_back(':');
                appendNumber(out, *event.baseLayoutKey);
            }
        } else if (event.baseLayoutKey) {
            out.push_back(':');
            out.push_back(':');
            appendNumber(out, *event.baseLayoutKey);
        }
    }

    const bool reportedType = includeEventType && event.eventType != KittyKeyboardEventType::press;
    const bool wroteModifiers = !mods.isEmpty() || reportedType;
    if (wroteModifiers) {
        out.push_back(';');
        appendNumber(out, 1 + mods.rawValue);
        if (reportedType) {
            out.push_back(':');
            appendNumber(out, static_cast<int>(event.eventType));
        }
    }

    if (includeText && event.text) {
        bool first = true;
        for (char32_t scalar : decodeUtf8(*event.text)) {
            if (isControlScalar(scalar))
                continue;
            if (first) {
                if (!wroteModifiers)
                    out.push_back(';');
                out.push_back(';');
                first = false;
            } else {
                out.push_back(':');
            }
            appendNumber(out, scalar);
        }
    }

    out.push_back('u');
    return out;
}

std::vector<uint8_t> KittyKeyboardEncoder::buildCsiWithModifier(int number, int modifiers,
                                                                std::optional<KittyKeyboardEventType> eventType,
                                                                char terminator, bool omitDefaultNumber)
{
    Bytes out;
    appendCsi(out);
    const bool withModifiers = modifiers != 0 || eventType;
    if (!(omitDefaultNumber && number == 1 && !withModifiers))
        appendNumber(out, number);
    if (withModifiers) {
        out.push_back(';');
        appendNumber(out, 1 + modifiers);
        if (eventType) {
            out.push_back(':');
            appendNumber(out, static_cast<int>(*eventType));
        }
    }
    out.push_back(static_cast<uint8_t>(terminator));
    return out;
}

std::optional<std::vector<uint8_t>>
KittyKeyboardEncoder::legacySpecialKeySequence(KittyFunctionalKey key, KittyKeyboardModifiers modifiers,
                                               KittyKeyboardEventType eventType) const
{
    if (eventType != KittyKeyboardEventType::press)
        return std::nullopt;
    Bytes out;
    if (modifiers.contains(Mods::alt))
        out.push_back(ESC);
    switch (key) {
    case Key::escape: out.push_back(ESC); break;
    case Key::enter: out.push_back(0x0D); break;
    case Key::tab:
        if (modifiers.contains(Mods::shift))
            out.insert(out.end(), {ESC, '[', 'Z'});
        else
            out.push_back(0x09);
        break;
    case Key::backspace: out.push_back(backspaceSendsControlH || modifiers.contains(Mods::ctrl) ? 0x08 : 0x7F); break;
    default: return std::nullopt;
    }
    return out;
}

std::optional<std::vector<uint8_t>> KittyKeyboardEncoder::legacyTextKeySequence(const KittyKeyEvent& event)
{
    if (event.eventType != KittyKeyboardEventType::press || event.key.kind != KittyKey::Kind::unicode)
        return std::nullopt;
    const uint32_t scalar = event.key.scalar;
    if (scalar >= 0x110000 || (scalar >= 0xD800 && scalar <= 0xDFFF))
        return std::nullopt;
    const Mods mods = event.modifiers;
    if (mods.containsAny(Mods::super | Mods::hyper | Mods::meta))
        return std::nullopt;
    if (mods.contains(Mods::ctrl | Mods::shift))
        return std::nullopt;

    Bytes out;
    if (mods.contains(Mods::alt))
        out.push_back(ESC);
    if (mods.contains(Mods::ctrl)) {
        if (auto byte = legacyControlMapping(scalar)) {
            out.push_back(*byte);
            return out;
        }
    }
    if (hasText(event))
        appendText(out, *event.text);
    else if (mods.contains(Mods::shift) && event.shiftedKey)
        appendScalar(out, *event.shiftedKey);
    else
        appendScalar(out, scalar);
    return out;
}

} // namespace corvel
