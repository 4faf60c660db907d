#include <QInputMethodEvent>

#include "KeyboardFixture.h"
#include "corvel/terminal/KittyKeyboardFlags.h"

namespace corvel {
namespace {

using Flags = KittyKeyboardFlags;

const Qt::KeyboardModifiers none;
const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
const Qt::KeyboardModifiers alt = Qt::AltModifier;
const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
const Qt::KeyboardModifiers super = Qt::MetaModifier;

// X11 keysyms and XKB keycodes the platform puts in key events.
constexpr quint32 keysymShiftL = 0xffe1;
constexpr quint32 keysymKp5 = 0xffb5;
constexpr quint32 keysymKpEnter = 0xff8d;
constexpr quint32 keysymKpUp = 0xff97;
constexpr quint32 keycodeShiftL = 50;
constexpr quint32 keycodeA = 38; // "a" on a US layout, "q" on a French one

class KittyKeyboardView : public test::KeyboardFixture {
protected:
    // What a program asking for the protocol writes.
    void pushFlags(int flags)
    {
        view->feed("\x1b[>" + std::to_string(flags) + "u");
        clearSent();
    }
};

TEST_F(KittyKeyboardView, PlainLetterWaitsForItsTextThenReportsWithIt)
{
    pushFlags(Flags::disambiguate);
    click(Qt::Key_A, none, "a");
    EXPECT_EQ(sent(), "a");

    pushFlags(Flags::disambiguate | Flags::reportAllKeys);
    click(Qt::Key_A, none, "a");
    EXPECT_EQ(sent(), "\x1b[97u");
}

struct KittyCase {
    const char* name;
    int flags;
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    std::string expected;
    quint32 keycode = 0;
    quint32 keysym = 0;
    bool autoRepeat = false;
};

std::ostream& operator<<(std::ostream& out, const KittyCase& c) { return out << c.name; }

class KittyPresses : public KittyKeyboardView, public ::testing::WithParamInterface<KittyCase> {};

TEST_P(KittyPresses, PressIsEncoded)
{
    const KittyCase& c = GetParam();
    pushFlags(c.flags);
    press(c.key, c.modifiers, c.text, c.autoRepeat, c.keycode, c.keysym);
    EXPECT_EQ(sent(), c.expected);
}

constexpr int d = Flags::disambiguate;
constexpr int events = Flags::disambiguate | Flags::reportEvents;
constexpr int all = Flags::disambiguate | Flags::reportAllKeys;
constexpr int allEvents = Flags::disambiguate | Flags::reportEvents | Flags::reportAllKeys;
constexpr int alternates = Flags::disambiguate | Flags::reportAlternates | Flags::reportAllKeys;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Kitty, KittyPresses,
    ::testing::Values(
        // Control and Meta combinations are encoded from the press itself.
        KittyCase{"ctrl_a", d, Qt::Key_A, ctrl, "\x01", "\x1b[97;5u"},
        KittyCase{"alt_x", d, Qt::Key_X, alt, "x", "\x1b[120;3u"},
        KittyCase{"alt_shift_up", d, Qt::Key_Up, alt | shift, "", "\x1b[1;4A"},
        KittyCase{"super_up", d, Qt::Key_Up, super, "", "\x1b[1;9A"},
        KittyCase{"super_a", d, Qt::Key_A, super, "a", "\x1b[97;9u"},
        // Editing keys come back from the text-input stage as commands.
        KittyCase{"escape", d, Qt::Key_Escape, none, "\x1b", "\x1b[27u"},
        KittyCase{"return", d, Qt::Key_Return, none, "\r", "\r"},
        KittyCase{"return_all_keys", all, Qt::Key_Return, none, "\r", "\x1b[13u"},
        KittyCase{"shift_tab", d, Qt::Key_Backtab, shift, "", "\x1b[9;2u"},
        // Enter, Backspace, Tab and Escape report every modifier held.
        KittyCase{"shift_return", d, Qt::Key_Return, shift, "\r", "\x1b[13;2u"},
        KittyCase{"shift_return_all_keys", all, Qt::Key_Return, shift, "\r", "\x1b[13;2u"},
        KittyCase{"ctrl_return", d, Qt::Key_Return, ctrl, "\r", "\x1b[13;5u"},
        KittyCase{"alt_return", d, Qt::Key_Return, alt, "\r", "\x1b[13;3u"},
        KittyCase{"super_return", d, Qt::Key_Return, super, "\r", "\x1b[13;9u"},
        KittyCase{"shift_backspace", d, Qt::Key_Backspace, shift, "\b", "\x1b[127;2u"},
        KittyCase{"ctrl_backspace", d, Qt::Key_Backspace, ctrl, "\b", "\x1b[127;5u"},
        KittyCase{"backspace", d, Qt::Key_Backspace, none, "\b", "\x7f"},
        KittyCase{"shift_escape", d, Qt::Key_Escape, shift, "\x1b", "\x1b[27;2u"},
        KittyCase{"ctrl_tab", d, Qt::Key_Tab, ctrl, "\t", "\x1b[9;5u"},
        KittyCase{"ctrl_shift_tab", d, Qt::Key_Backtab, ctrl | shift, "", "\x1b[9;6u"},
        KittyCase{"repeat_shift_return", allEvents, Qt::Key_Return, shift, "\r", "\x1b[13;2:2u", 0, 0, true},
        KittyCase{"repeat_backspace", events, Qt::Key_Backspace, none, "\b", "\x1b[127;1:2u", 0, 0, true},
        KittyCase{"up", d, Qt::Key_Up, none, "", "\x1b[A"},
        KittyCase{"page_up_key", d, Qt::Key_PageUp, none, "", "\x1b[5~"},
        KittyCase{"f5", d, Qt::Key_F5, none, "", "\x1b[15~"},
        // Keypad keys are told by their keysym.
        KittyCase{"keypad_5", d, Qt::Key_5, Qt::KeypadModifier, "5", "\x1b[57404u", 84, keysymKp5},
        KittyCase{"keypad_5_text", Flags::disambiguate | Flags::reportAllKeys | Flags::reportText, Qt::Key_5,
                  Qt::KeypadModifier, "5", "\x1b[57404;;53u", 84, keysymKp5},
        KittyCase{"keypad_enter", d, Qt::Key_Enter, Qt::KeypadModifier, "\r", "\x1b[57414u", 104, keysymKpEnter},
        KittyCase{"keypad_up_without_numlock", d, Qt::Key_Up, Qt::KeypadModifier, "", "\x1b[57419u", 80,
                  keysymKpUp},
        KittyCase{"keypad_5_synthetic", d, Qt::Key_5, Qt::KeypadModifier, "5", "\x1b[57404u"},
        // Held keys.
        KittyCase{"repeat_up", events, Qt::Key_Up, none, "", "\x1b[1;1:2A", 0, 0, true},
        KittyCase{"repeat_up_without_events", d, Qt::Key_Up, none, "", "\x1b[A", 0, 0, true},
        KittyCase{"parked_repeat_needs_all_keys", allEvents, Qt::Key_A, none, "a", "\x1b[97;1:2u", 0, 0, true},
        KittyCase{"parked_repeat_with_events_only", events, Qt::Key_A, none, "a", "a", 0, 0, true},
        // Shifted and base-layout keys.
        KittyCase{"shift_a_alternates", alternates, Qt::Key_A, shift, "A", "\x1b[97:65;2u", keycodeA},
        KittyCase{"french_layout_base_key", alternates, Qt::Key_Q, none, "q", "\x1b[113::97u", keycodeA}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

struct ReleaseCase {
    const char* name;
    int flags;
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    std::string expected;
};

TEST_F(KittyKeyboardView, ReleasesAreReportedOnlyWhereTheProtocolAsks)
{
    const std::vector<ReleaseCase> cases = {
        {"arrow", events, Qt::Key_Up, none, "", "\x1b[1;1:3A"},
        {"function key", events, Qt::Key_F1, none, "", "\x1b[1;1:3P"},
        {"letter", events, Qt::Key_A, none, "a", ""},
        {"escape", events, Qt::Key_Escape, none, "\x1b", ""},
        {"ctrl letter", events, Qt::Key_A, ctrl, "\x01", "\x1b[97;5:3u"},
        {"return without all keys", events | Flags::reportAlternates, Qt::Key_Return, ctrl, "\r", ""},
        {"return with all keys", allEvents, Qt::Key_Return, none, "\r", "\x1b[13;1:3u"},
        {"letter with all keys", allEvents, Qt::Key_A, none, "a", "\x1b[97;1:3u"},
        {"arrow without events", d, Qt::Key_Up, none, "", ""},
    };
    for (const ReleaseCase& c : cases) {
        view->feed("\x1b[<u");
        pushFlags(c.flags);
        release(c.key, c.modifiers, c.text);
        EXPECT_EQ(sent(), c.expected) << c.name;
    }
}

TEST_F(KittyKeyboardView, AutoRepeatReleasesAreNotReleases)
{
    pushFlags(events);
    release(Qt::Key_Up, none, "", true);
    EXPECT_EQ(sent(), "");
}

TEST_F(KittyKeyboardView, ModifierKeysAreReportedWithAllKeys)
{
    pushFlags(all);
    press(Qt::Key_Shift, none, "", false, keycodeShiftL, keysymShiftL);
    EXPECT_EQ(sent(), "\x1b[57441;2u");
    clearSent();
    release(Qt::Key_Shift, shift, "", false, keycodeShiftL, keysymShiftL);
    EXPECT_EQ(sent(), "") << "a release needs reportEvents as well";

    pushFlags(allEvents);
    release(Qt::Key_Shift, shift, "", false, keycodeShiftL, keysymShiftL);
    EXPECT_EQ(sent(), "\x1b[57441;1:3u");

    pushFlags(events);
    press(Qt::Key_Control, none);
    EXPECT_EQ(sent(), "") << "only with reportAllKeys";
}

TEST_F(KittyKeyboardView, ModifierKeysAreNotReportedWhileComposing)
{
    pushFlags(allEvents);
    QInputMethodEvent composing("か", {});
    QCoreApplication::sendEvent(view.get(), &composing);
    press(Qt::Key_Shift);
    EXPECT_EQ(sent(), "");
}

TEST_F(KittyKeyboardView, MetaToggleOnlyToggles)
{
    pushFlags(allEvents);
    press(Qt::Key_O, ctrl | alt | shift, "\x0f");
    EXPECT_FALSE(view->optionAsMetaKey);
    EXPECT_EQ(sent(), "");
}

TEST_F(KittyKeyboardView, AltIsAModifierOnlyAsMeta)
{
    pushFlags(all);
    view->optionAsMetaKey = false;
    press(Qt::Key_X, alt, "x");
    EXPECT_EQ(sent(), "\x1b[120u");
}

TEST_F(KittyKeyboardView, CommittedTextAndPastes)
{
    pushFlags(d);
    QInputMethodEvent commit;
    commit.setCommitString("é");
    QCoreApplication::sendEvent(view.get(), &commit);
    EXPECT_EQ(sent(), "é");

    clearSent();
    view->insertText("hello world", true);
    EXPECT_EQ(sent(), "hello world");

    view->feed("\x1b[?2004h");
    clearSent();
    view->insertText("x\x1b[201~y", true);
    EXPECT_EQ(writer.writes, (std::vector<std::string>{"\x1b[200~", "xy", "\x1b[201~"}));
}

TEST_F(KittyKeyboardView, PageCommandsScrollOutsideApplicationCursorMode)
{
    std::string lines;
    for (int i = 0; i < 100; ++i)
        lines += "line\r\n";
    view->feed(lines);
    flush();
    pushFlags(d);
    Buffer& screen = terminal().displayBuffer();
    const int bottom = screen.yDisp();
    view->doCommand(EditingCommand::scrollPageUp);
    EXPECT_EQ(sent(), "");
    EXPECT_EQ(screen.yDisp(), bottom - screen.rows());

    // Sent to the program, the key brings the view back to the screen.
    terminal().setApplicationCursor(true);
    view->doCommand(EditingCommand::scrollPageUp);
    EXPECT_EQ(sent(), "\x1b[5~");
    EXPECT_EQ(screen.yDisp(), bottom);
}

TEST_F(KittyKeyboardView, ViewKeysScrollTheNormalScreenAndReachProgramsOnTheAlternateOne)
{
    std::string lines;
    for (int i = 0; i < 100; ++i)
        lines += "line\r\n";
    view->feed(lines);
    flush();
    pushFlags(d);
    Buffer& normal = terminal().displayBuffer();
    const int bottom = normal.yDisp();
    press(Qt::Key_Up, ctrl | shift);
    press(Qt::Key_PageUp, shift);
    EXPECT_EQ(normal.yDisp(), bottom - 1 - normal.rows());
    EXPECT_EQ(sent(), "");

    view->feed("\x1b[?1049h");
    pushFlags(d);
    press(Qt::Key_Up, ctrl | shift);
    press(Qt::Key_PageUp, shift);
    press(Qt::Key_Home, shift);
    EXPECT_EQ(sent(), "\x1b[1;6A\x1b[5;2~\x1b[1;2H");
}

TEST_F(KittyKeyboardView, FlagsBelongToTheActiveScreen)
{
    view->feed("\x1b[?1049h");
    pushFlags(d);
    click(Qt::Key_A, ctrl, "\x01");
    EXPECT_EQ(sent(), "\x1b[97;5u");

    view->feed("\x1b[?1049l");
    clearSent();
    click(Qt::Key_A, ctrl, "\x01");
    EXPECT_EQ(sent(), "\x01");
}

} // namespace
} // namespace corvel
