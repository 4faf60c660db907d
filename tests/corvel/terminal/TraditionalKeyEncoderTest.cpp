// The traditional keyboard without a view: modified keys, Control, editing
// commands and pastes.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "corvel/terminal/TraditionalKeyEncoder.h"

namespace corvel {
namespace {

using Encoder = TraditionalKeyEncoder;
using Key = TraditionalKeyEncoder::Key;

TEST(TraditionalKeyEncoder, ModifiedKeysTakeTheLetterOrTheTildeForm)
{
    const std::vector<std::tuple<Key, int, std::optional<std::string>>> cases = {
        {Key::up, 2, "\x1b[1;2A"},
        {Key::left, 5, "\x1b[1;5D"},
        {Key::end, 3, "\x1b[1;3F"},
        {Key::f1, 6, "\x1b[1;6P"},
        {Key::f4, 2, "\x1b[1;2S"},
        {Key::insert, 2, "\x1b[2;2~"},
        {Key::deleteKey, 5, "\x1b[3;5~"},
        {Key::pageDown, 9, "\x1b[6;9~"},
        {Key::f5, 5, "\x1b[15;5~"},
        {Key::f11, 2, "\x1b[23;2~"},
        {Key::f12, 6, "\x1b[24;6~"},
        {Key::enter, 5, std::nullopt},
        {Key::tab, 2, std::nullopt},
        {Key::escape, 3, std::nullopt},
    };
    for (const auto& [key, parameter, expected] : cases)
        EXPECT_EQ(Encoder::modifiedKey(key, parameter), expected) << static_cast<int>(key) << ";" << parameter;
}

TEST(TraditionalKeyEncoder, PlainKeysAreTheFunctionEditingAndPageKeys)
{
    const std::vector<std::pair<Key, std::optional<std::string>>> cases = {
        {Key::f1, "\x1bOP"},
        {Key::f5, "\x1b[15~"},
        {Key::f12, "\x1b[24~"},
        {Key::deleteKey, "\x1b[3~"},
        {Key::insert, "\x1b[2~"},
        {Key::pageUp, "\x1b[5~"},
        {Key::pageDown, "\x1b[6~"},
        {Key::up, std::nullopt},
        {Key::home, std::nullopt},
        {Key::enter, std::nullopt},
    };
    for (const auto& [key, expected] : cases)
        EXPECT_EQ(Encoder::plainKey(key), expected) << static_cast<int>(key);
}

TEST(TraditionalKeyEncoder, ControlKeepsTheEditingKeysAndMapsCharacters)
{
    EXPECT_EQ(Encoder::controlledEditingKey(Key::enter), "\r");
    EXPECT_EQ(Encoder::controlledEditingKey(Key::tab), "\t");
    EXPECT_EQ(Encoder::controlledEditingKey(Key::backTab), "\x1b[Z");
    EXPECT_EQ(Encoder::controlledEditingKey(Key::backspace), "\b");
    EXPECT_EQ(Encoder::controlledEditingKey(Key::escape), "\x1b");
    EXPECT_EQ(Encoder::controlledEditingKey(Key::up), std::nullopt);

    const std::vector<std::pair<std::string, std::vector<uint8_t>>> cases = {
        {"A", {1}},  {"z", {26}}, {"[", {27}},      {"\\", {28}}, {"]", {29}}, {"^", {30}}, {"6", {30}},
        {"_", {31}}, {" ", {0}},  {"@", {0}},       {"`", {0}},   {"{", {27}}, {"~", {30}}, {"2", {0}},
        {"3", {27}}, {"7", {31}}, {"8", {127}},     {"?", {127}}, {"/", {31}}, {"-", {31}}, {"1", {}},
        {"9", {}},   {".", {}},   {"\xc3\xa9", {}}, {"ab", {}},   {"", {}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Encoder::controlCharacter(text), expected) << text;
}

TEST(TraditionalKeyEncoder, ControlSendsThePlainCharacterWhereItHasNoControlByte)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1", "1"},
        {"9", "9"},
        {"0", "0"},
        {".", "."},
        {",", ","},
        {";", ";"},
        {"=", "="},
        {"'", "'"},
        {"!", "!"},
        {"a", "\x01"},
        {"3", "\x1b"},
        {"2", std::string(1, '\0')},
        {"/", "\x1f"},
        {"8", "\x7f"},
        // Letters outside ASCII have no control byte: the letter itself.
        {"\xc3\xa9", "\xc3\xa9"}, // é
        {"\xc3\x89", "\xc3\x89"}, // É
        {"\xc3\x9f", "\xc3\x9f"}, // ß
        {"\xd0\xb6", "\xd0\xb6"}, // Cyrillic zhe
        {"\xe2\x82\xac", "\xe2\x82\xac"}, // euro sign
        {"\xc2\xa0", "\xc2\xa0"}, // no-break space, the first past the C1 controls
        {"\xc2\x85", ""}, // a C1 control
        {"\xc3", ""}, // cut short
        {"\xc0\xaf", ""}, // overlong
        {"\xc3\xa9"
         "e",
         ""}, // two characters
        {"\t", ""},
        {"\x7f", ""},
        {"12", ""},
        {"", ""},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Encoder::controlledCharacter(text), expected) << text;
}

TEST(TraditionalKeyEncoder, EditingCommandsFollowApplicationCursorMode)
{
    using C = EditingCommand;
    const std::vector<std::tuple<C, bool, std::optional<std::string>>> cases = {
        {C::insertNewline, false, "\r"},
        {C::cancelOperation, false, "\x1b"},
        {C::moveUp, false, "\x1b[A"},
        {C::moveUp, true, "\x1bOA"},
        {C::moveRight, true, "\x1bOC"},
        {C::insertBacktab, false, "\x1b[Z"},
        {C::scrollToBeginningOfDocument, true, "\x1bOH"},
        {C::moveToEndOfLine, false, "\x1b[F"},
        {C::scrollPageUp, true, "\x1b[5~"},
        {C::scrollPageUp, false, std::nullopt},
        {C::pageDown, true, "\x1b[6~"},
        {C::pageDown, false, std::nullopt},
        {C::pageDownAndModifySelection, false, "\x1b[6~"},
        {C::pageDownAndModifySelection, true, std::nullopt},
        {C::moveToLeftEndOfLine,
         false,
         "\x1b"
         "b"},
        {C::moveToRightEndOfLine,
         true,
         "\x1b"
         "f"},
        {C::moveWordLeft, false, std::nullopt},
        {C::noop, false, std::nullopt},
    };
    for (const auto& [command, app, expected] : cases)
        EXPECT_EQ(Encoder::editingCommand(command, app, false), expected) << editingCommandName(command) << app;
    EXPECT_EQ(Encoder::editingCommand(C::deleteBackward, false, false), "\x7f");
    EXPECT_EQ(Encoder::editingCommand(C::deleteBackward, false, true), "\b");
}

TEST(TraditionalKeyEncoder, PastesEndLinesWithReturnAndLoseTheirMarkers)
{
    EXPECT_EQ(Encoder::withReturnLineEnds("a\r\nb\nc\rd"), "a\rb\rc\rd");

    const Encoder encoder;
    EXPECT_EQ(encoder.sanitizedPaste("a\x1b[200~b\x1b[201~c"), "abc");
    EXPECT_EQ(encoder.sanitizedPaste("\x1b[20\x1b[201~1~x"), "x");
    EXPECT_EQ(encoder.sanitizedPaste("\xc2\x9b"
                                     "201~ok"),
              "ok");
    EXPECT_EQ(encoder.sanitizedPaste("~200~ plain"), "~200~ plain");
}

TEST(TraditionalKeyEncoder, EachEncoderHasItsOwnPasteMarkers)
{
    Encoder replaced;
    replaced.bracketedPasteStart = "<p~";
    replaced.bracketedPasteEnd = "</p~";
    const Encoder plain;
    EXPECT_EQ(plain.bracketedPasteStart, "\x1b[200~");
    EXPECT_EQ(plain.bracketedPasteEnd, "\x1b[201~");
    EXPECT_EQ(replaced.sanitizedPaste("a<p~b</p~c\x1b[200~"), "abc\x1b[200~");
    EXPECT_EQ(plain.sanitizedPaste("a<p~b</p~c\x1b[200~"), "a<p~b</p~c");
}

} // namespace
} // namespace corvel
