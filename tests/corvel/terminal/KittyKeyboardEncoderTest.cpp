// Key events encoded under the keyboard enhancement flags.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "corvel/terminal/KittyKeyboardEncoder.h"

namespace corvel {
namespace {

using K = KittyFunctionalKey;
using M = KittyKeyboardModifiers;
using E = KittyKeyboardEventType;
using F = KittyKeyboardFlags;

std::optional<std::string> asText(const std::optional<std::vector<uint8_t>>& bytes)
{
    if (!bytes)
        return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

KittyKeyEvent event(KittyKey key, int modifiers = 0, std::optional<std::string> text = {},
                    std::optional<char32_t> shiftedKey = {}, std::optional<char32_t> baseLayoutKey = {},
                    bool composing = false)
{
    KittyKeyEvent e;
    e.key = key;
    e.modifiers = {modifiers};
    e.text = std::move(text);
    e.shiftedKey = shiftedKey;
    e.baseLayoutKey = baseLayoutKey;
    e.composing = composing;
    return e;
}

KittyKeyEvent textKey(char32_t key, std::optional<std::string> text, int modifiers = 0, E type = E::press)
{
    KittyKeyEvent e = event(KittyKey::unicode(key), modifiers, std::move(text));
    e.eventType = type;
    return e;
}

KittyKeyEvent functionalKey(K key, int modifiers = 0, E type = E::press, std::optional<std::string> text = {})
{
    KittyKeyEvent e = event(KittyKey::functional(key), modifiers, std::move(text));
    e.eventType = type;
    return e;
}

const KittyKey a = KittyKey::unicode('a');
const KittyKey ef = KittyKey::unicode(0x444); // Cyrillic ef, on the a key of the standard layout

struct EncodeCase {
    const char* name;
    int flags;
    KittyKeyEvent event;
    std::optional<std::string> expected;
    bool applicationCursor = false;
    bool backspaceSendsControlH = false;
};

void PrintTo(const EncodeCase& c, std::ostream* os) { *os << c.name; }

class Encode : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(Encode, Bytes)
{
    const EncodeCase& c = GetParam();
    const KittyKeyboardEncoder encoder{{c.flags}, c.applicationCursor, c.backspaceSendsControlH};
    EXPECT_EQ(asText(encoder.encode(c.event)), c.expected) << c.name;
}

const std::nullopt_t nothing = std::nullopt;

// No flags: the traditional sequences, with CSI u only where nothing else fits.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Legacy, Encode, ::testing::Values(
    EncodeCase{"up", 0, functionalKey(K::up), "\x1b[A"},
    EncodeCase{"up app", 0, functionalKey(K::up), "\x1bOA", true},
    EncodeCase{"end app", 0, functionalKey(K::end), "\x1bOF", true},
    EncodeCase{"ctrl up", 0, functionalKey(K::up, M::ctrl), "\x1b[1;5A", true},
    EncodeCase{"shift f1", 0, functionalKey(K::f1, M::shift), "\x1b[1;2P"},
    EncodeCase{"f2", 0, functionalKey(K::f2), "\x1bOQ"},
    EncodeCase{"f3", 0, functionalKey(K::f3), "\x1b[13~"},
    EncodeCase{"f12", 0, functionalKey(K::f12), "\x1b[24~"},
    EncodeCase{"shift page up", 0, functionalKey(K::pageUp, M::shift), "\x1b[5;2~"},
    EncodeCase{"f13", 0, functionalKey(K::f13), "\x1b[57376u"},
    EncodeCase{"keypad 0", 0, functionalKey(K::keypad0), "\x1b[57399u"},
    EncodeCase{"modifier key", 0, functionalKey(K::leftShift, M::shift), nothing},
    EncodeCase{"escape", 0, functionalKey(K::escape), "\x1b"},
    EncodeCase{"alt escape", 0, functionalKey(K::escape, M::alt), "\x1b\x1b"},
    EncodeCase{"enter", 0, functionalKey(K::enter), "\r"},
    EncodeCase{"tab", 0, functionalKey(K::tab), "\t"},
    EncodeCase{"alt tab", 0, functionalKey(K::tab, M::alt), "\x1b\t"},
    EncodeCase{"shift tab", 0, functionalKey(K::tab, M::shift), "\x1b[Z"},
    EncodeCase{"backspace", 0, functionalKey(K::backspace), "\x7f"},
    EncodeCase{"backspace as ctrl-h", 0, functionalKey(K::backspace), "\x08", false, true},
    EncodeCase{"ctrl backspace", 0, functionalKey(K::backspace, M::ctrl), "\x08"},
    EncodeCase{"alt backspace", 0, functionalKey(K::backspace, M::alt), "\x1b\x7f"},
    EncodeCase{"repeated enter", 0, functionalKey(K::enter, 0, E::repeatPress), nothing},
    EncodeCase{"release", 0, textKey('a', "a", 0, E::release), nothing},
    EncodeCase{"text", 0, textKey('a', "a"), "a"},
    EncodeCase{"text repeat", 0, textKey('a', "a", 0, E::repeatPress), "a"},
    EncodeCase{"ctrl a with text", 0, textKey('a', "\x01", M::ctrl), "\x01"},
    EncodeCase{"ctrl a", 0, textKey('a', {}, M::ctrl), "\x01"},
    EncodeCase{"ctrl upper a", 0, textKey('A', {}, M::ctrl), "\x01"},
    EncodeCase{"ctrl 2", 0, textKey('2', {}, M::ctrl), std::string(1, '\0')},
    EncodeCase{"ctrl bracket", 0, textKey('[', {}, M::ctrl), "\x1b"},
    EncodeCase{"ctrl alt c", 0, textKey('c', {}, M::ctrl | M::alt), "\x1b\x03"},
    EncodeCase{"ctrl with no mapping", 0, textKey(0xE9, {}, M::ctrl), "\xc3\xa9"},
    EncodeCase{"alt a", 0, textKey('a', {}, M::alt), "\x1b" "a"},
    EncodeCase{"shift a shifted", 0, event(a, M::shift, {}, U'A'), "A"},
    EncodeCase{"ctrl shift a", 0, textKey('a', {}, M::ctrl | M::shift), "\x1b[97;6u"},
    EncodeCase{"super a", 0, textKey('a', {}, M::super), "\x1b[97;9u"},
    EncodeCase{"no such scalar", 0, textKey(0x110000, {}), "\x1b[1114112u"},
    EncodeCase{"surrogate", 0, textKey(0xD800, {}), "\x1b[55296u"},
    EncodeCase{"no key", 0, KittyKeyEvent{}, "\x1b[0u"}));
// clang-format on

// Flags 1: only keys that are ambiguous change.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Disambiguate, Encode, ::testing::Values(
    EncodeCase{"text", F::disambiguate, textKey('a', "a"), "a"},
    EncodeCase{"shift text", F::disambiguate, textKey('a', "A", M::shift), "A"},
    EncodeCase{"ctrl a", F::disambiguate, textKey('a', "a", M::ctrl), "\x1b[97;5u"},
    EncodeCase{"ctrl a no text", F::disambiguate, textKey('a', {}, M::ctrl), "\x1b[97;5u"},
    EncodeCase{"alt a", F::disambiguate, textKey('a', "a", M::alt), "\x1b[97;3u"},
    EncodeCase{"escape", F::disambiguate, functionalKey(K::escape), "\x1b[27u"},
    EncodeCase{"up app", F::disambiguate, functionalKey(K::up), "\x1b[A", true},
    EncodeCase{"f1", F::disambiguate, functionalKey(K::f1), "\x1b[P"},
    EncodeCase{"f3", F::disambiguate, functionalKey(K::f3), "\x1b[13~"},
    EncodeCase{"enter", F::disambiguate, functionalKey(K::enter, 0, E::press, "\r"), "\r"},
    EncodeCase{"shift enter", F::disambiguate, functionalKey(K::enter, M::shift), "\x1b[13;2u"},
    EncodeCase{"ctrl tab", F::disambiguate, functionalKey(K::tab, M::ctrl), "\x1b[9;5u"},
    EncodeCase{"alt backspace", F::disambiguate, functionalKey(K::backspace, M::alt), "\x1b[127;3u"},
    EncodeCase{"release", F::disambiguate, textKey('a', "a", 0, E::release), nothing},
    EncodeCase{"enter with plain text", F::disambiguate, functionalKey(K::enter, 0, E::press, "x"), "x"},
    EncodeCase{"backspace with plain text", F::disambiguate, functionalKey(K::backspace, 0, E::press, "x"),
               nothing}));
// clang-format on

// Flags 2: presses, repeats and releases.
// clang-format off
INSTANTIATE_TEST_SUITE_P(ReportEvents, Encode, ::testing::Values(
    EncodeCase{"shift a release", F::disambiguate | F::reportEvents, textKey('a', {}, M::shift, E::release),
               "\x1b[97;2:3u"},
    EncodeCase{"shift a release with text", F::disambiguate | F::reportEvents,
               textKey('a', "A", M::shift, E::release), nothing},
    EncodeCase{"a repeat", F::disambiguate | F::reportEvents, textKey('a', {}, 0, E::repeatPress), "\x1b[97;1:2u"},
    EncodeCase{"up release", F::disambiguate | F::reportEvents, functionalKey(K::up, 0, E::release),
               "\x1b[1;1:3A"},
    EncodeCase{"up press", F::disambiguate | F::reportEvents, functionalKey(K::up), "\x1b[A"},
    EncodeCase{"delete repeat", F::reportEvents, functionalKey(K::deleteKey, 0, E::repeatPress), "\x1b[3;1:2~"},
    EncodeCase{"enter release", F::disambiguate | F::reportEvents, functionalKey(K::enter, 0, E::release), nothing},
    EncodeCase{"tab release", F::disambiguate | F::reportEvents, functionalKey(K::tab, 0, E::release), nothing},
    EncodeCase{"enter press", F::disambiguate | F::reportEvents, functionalKey(K::enter), "\r"},
    EncodeCase{"escape release", F::disambiguate | F::reportEvents, functionalKey(K::escape, 0, E::release),
               "\x1b[27;1:3u"}));
// clang-format on

// Flags 4: the shifted key and the key in the standard layout.
INSTANTIATE_TEST_SUITE_P(
    ReportAlternates, Encode,
    ::testing::Values(
        EncodeCase{"shift a", F::disambiguate | F::reportAlternates, event(a, M::shift, "A", U'A'), "\x1b[97:65;2u"},
        EncodeCase{"plain a stays text", F::disambiguate | F::reportAlternates, textKey('a', "a"), "a"},
        EncodeCase{"other layout",
                   F::disambiguate | F::reportAlternates,
                   event(ef, 0, "\xd1\x84", {}, U'a'),
                   "\x1b[1092::97u"},
        EncodeCase{"other layout shifted",
                   F::disambiguate | F::reportAlternates,
                   event(ef, M::shift, "\xd0\xa4", 0x424, U'a'),
                   "\x1b[1092:1060:97;2u"},
        EncodeCase{"shifted key without shift",
                   F::disambiguate | F::reportAlternates,
                   event(a, M::ctrl, {}, U'A'),
                   "\x1b[97;5u"},
        EncodeCase{"alternates only when asked", F::disambiguate, event(a, M::ctrl, {}, {}, U'q'), "\x1b[97;5u"}));

// Flags 8: every key as an escape code, modifier keys included.
// clang-format off
INSTANTIATE_TEST_SUITE_P(ReportAllKeys, Encode, ::testing::Values(
    EncodeCase{"text", 11, textKey('a', "a"), "\x1b[97u"},
    EncodeCase{"caps lock", 11, textKey('a', "A", M::capsLock), "\x1b[97;65u"},
    EncodeCase{"num lock", 11, textKey('1', "1", M::numLock), "\x1b[49;129u"},
    EncodeCase{"enter release", 11, functionalKey(K::enter, 0, E::release), "\x1b[13;1:3u"},
    EncodeCase{"enter", 11, functionalKey(K::enter, 0, E::press, "\r"), "\x1b[13u"},
    EncodeCase{"enter with plain text", 11, functionalKey(K::enter, 0, E::press, "x"), "x"},
    EncodeCase{"enter release with plain text is no text", 11, functionalKey(K::enter, 0, E::release, "x"),
               "\x1b[13;1:3u"},
    EncodeCase{"backspace", F::reportAllKeys, functionalKey(K::backspace), "\x1b[127u"},
    EncodeCase{"escape", F::reportAllKeys, functionalKey(K::escape), "\x1b[27u"},
    EncodeCase{"up", F::reportAllKeys, functionalKey(K::up), "\x1b[A", true},
    EncodeCase{"ctrl up repeat", 11, functionalKey(K::up, M::ctrl, E::repeatPress), "\x1b[1;5:2A"},
    EncodeCase{"f5 release", 11, functionalKey(K::f5, 0, E::release), "\x1b[15;1:3~"},
    EncodeCase{"left shift", F::reportAllKeys, functionalKey(K::leftShift, M::shift), "\x1b[57441;2u"},
    EncodeCase{"iso level 5 shift", F::reportAllKeys, functionalKey(K::isoLevel5Shift), "\x1b[57454u"},
    EncodeCase{"composing letter", F::reportAllKeys,
               event(a, 0, "a", {}, {}, true), nothing},
    EncodeCase{"composing modifier", F::reportAllKeys,
               event(KittyKey::functional(K::leftControl), 0, {}, {}, {}, true), "\x1b[57442u"},
    EncodeCase{"composing without all keys", F::disambiguate,
               event(KittyKey::functional(K::leftControl), 0, {}, {}, {}, true), nothing},
    EncodeCase{"release without events", F::reportAllKeys, textKey('a', {}, 0, E::release), nothing}));
// clang-format on

// Flags 16 with 8: the text travels in a third field.
// clang-format off
INSTANTIATE_TEST_SUITE_P(ReportText, Encode, ::testing::Values(
    EncodeCase{"accented", F::reportAllKeys | F::reportText, textKey(0xE9, "\xc3\xa9"), "\x1b[233;;233u"},
    EncodeCase{"shifted", F::reportAllKeys | F::reportText, textKey('a', "A", M::shift), "\x1b[97;2;65u"},
    EncodeCase{"ctrl drops the text", F::reportAllKeys | F::reportText, textKey('a', "a", M::ctrl), "\x1b[97;5u"},
    EncodeCase{"two scalars", F::reportAllKeys | F::reportText, textKey('e', "e\xcc\x81"), "\x1b[101;;101:769u"},
    EncodeCase{"control text left out", F::reportAllKeys | F::reportText,
               functionalKey(K::tab, 0, E::press, "\t"), "\x1b[9u"},
    EncodeCase{"keypad text", F::reportAllKeys | F::reportText,
               functionalKey(K::keypad5, 0, E::press, "5"), "\x1b[57404;;53u"},
    EncodeCase{"escape never carries text", F::reportAllKeys | F::reportText,
               functionalKey(K::escape, 0, E::press, "\x1b"), "\x1b[27u"},
    EncodeCase{"no key", F::reportAllKeys | F::reportText, event(KittyKey::none(), 0, "\xc3\xbc"), "\x1b[0;;252u"},
    EncodeCase{"release has no text", 26, textKey('a', "a", 0, E::release), "\x1b[97;1:3u"},
    EncodeCase{"text alone is not enough", F::reportText, textKey('a', "a"), "a"}));
// clang-format on

TEST(KittyKeyboardEncoder, FunctionalKeyCodes)
{
    using Form = KittyKeyboardEncoder::FunctionalEncoding::Form;
    struct Case {
        K key;
        Form form;
        int code;
    };
    const Case cases[] = {
        {K::escape, Form::csiU, 27},
        {K::enter, Form::csiU, 13},
        {K::tab, Form::csiU, 9},
        {K::backspace, Form::csiU, 127},
        {K::insert, Form::tilde, 2},
        {K::deleteKey, Form::tilde, 3},
        {K::pageUp, Form::tilde, 5},
        {K::pageDown, Form::tilde, 6},
        {K::up, Form::letter, 'A'},
        {K::down, Form::letter, 'B'},
        {K::right, Form::letter, 'C'},
        {K::left, Form::letter, 'D'},
        {K::home, Form::letter, 'H'},
        {K::end, Form::letter, 'F'},
        {K::f1, Form::letter, 'P'},
        {K::f2, Form::letter, 'Q'},
        {K::f3, Form::tilde, 13},
        {K::f4, Form::letter, 'S'},
        {K::f5, Form::tilde, 15},
        {K::f6, Form::tilde, 17},
        {K::f11, Form::tilde, 23},
        {K::f12, Form::tilde, 24},
        {K::f13, Form::csiU, 57376},
        {K::f35, Form::csiU, 57398},
        {K::menu, Form::csiU, 57363},
        {K::capsLock, Form::csiU, 57358},
        {K::scrollLock, Form::csiU, 57359},
        {K::numLock, Form::csiU, 57360},
        {K::printScreen, Form::csiU, 57361},
        {K::pause, Form::csiU, 57362},
        {K::keypad9, Form::csiU, 57408},
        {K::keypadDecimal, Form::csiU, 57409},
        {K::keypadEnter, Form::csiU, 57414},
        {K::keypadBegin, Form::csiU, 57427},
        {K::mediaPlay, Form::csiU, 57428},
        {K::volumeMute, Form::csiU, 57440},
        {K::leftShift, Form::csiU, 57441},
        {K::rightMeta, Form::csiU, 57452},
        {K::isoLevel3Shift, Form::csiU, 57453},
    };
    for (const Case& c : cases) {
        const auto encoding = KittyKeyboardEncoder::functionalEncoding(c.key);
        EXPECT_EQ(encoding.form, c.form) << static_cast<int>(c.key);
        EXPECT_EQ(encoding.code, c.code) << static_cast<int>(c.key);
    }
    EXPECT_EQ(kittyFunctionalKeyCount, 111);
}

TEST(KittyKeyboardEncoder, ModifierKeysAreTheLastFourteen)
{
    int modifierKeys = 0;
    for (int i = 0; i < kittyFunctionalKeyCount; ++i)
        modifierKeys += isModifierKey(static_cast<K>(i)) ? 1 : 0;
    EXPECT_EQ(modifierKeys, 14);
    EXPECT_FALSE(isModifierKey(K::volumeMute));
    EXPECT_TRUE(isModifierKey(K::leftShift));
}

TEST(KittyKeyboardEncoder, ControlMapping)
{
    struct Case {
        char32_t key;
        std::optional<uint8_t> byte;
    };
    const Case cases[] = {
        {' ', 0},
        {'/', 31},
        {'0', 48},
        {'1', 49},
        {'2', 0},
        {'3', 27},
        {'4', 28},
        {'5', 29},
        {'6', 30},
        {'7', 31},
        {'8', 127},
        {'9', 57},
        {'?', 127},
        {'@', 0},
        {'[', 27},
        {'\\', 28},
        {']', 29},
        {'^', 30},
        {'_', 31},
        {'~', 30},
        {'a', 1},
        {'z', 26},
        {'M', 13},
        {0x212A, 11} /* Kelvin sign lower-cases to k */,
        {'!', std::nullopt},
        {'{', std::nullopt},
        {0xE9, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KittyKeyboardEncoder::legacyControlMapping(c.key), c.byte) << static_cast<uint32_t>(c.key);
}

TEST(KittyKeyboardEncoder, EventTypeFromRawValue)
{
    EXPECT_EQ(kittyKeyboardEventType(1), E::press);
    EXPECT_EQ(kittyKeyboardEventType(2), E::repeatPress);
    EXPECT_EQ(kittyKeyboardEventType(3), E::release);
    EXPECT_EQ(kittyKeyboardEventType(0), std::nullopt);
    EXPECT_EQ(kittyKeyboardEventType(4), std::nullopt);
}

TEST(KittyKeyboardEncoder, IllFormedTextStillGivesOneFieldPerPiece)
{
    const KittyKeyboardEncoder encoder{{F::reportAllKeys | F::reportText}, false, false};
    // A stray continuation byte and a truncated sequence each read as U+FFFD.
    EXPECT_EQ(asText(encoder.encode(textKey('x', "\x80x\xe2\x82"))), "\x1b[120;;65533:120:65533u");
}

} // namespace
} // namespace corvel
