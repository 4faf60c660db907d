#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>

#include "KeyboardFixture.h"
#include "corvel/qt/PreeditView.h"
#include "corvel/terminal/EscapeSequences.h"
#include "corvel/terminal/SelectionService.h"
#include "support/DebugDiagnostics.h"

namespace corvel {
namespace {

using test::KeyboardFixture;

struct KeyCase {
    std::string name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    // The text X11 puts in the event.
    QString text;
    std::string expected;
    bool applicationCursor = false;
    bool alternateScreen = false;
};

std::ostream& operator<<(std::ostream& out, const KeyCase& c) { return out << c.name; }

const Qt::KeyboardModifiers none;
const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
const Qt::KeyboardModifiers alt = Qt::AltModifier;
const Qt::KeyboardModifiers shift = Qt::ShiftModifier;

std::vector<KeyCase> keyCases()
{
    std::vector<KeyCase> cases = {
        {"letter", Qt::Key_A, none, "a", "a"},
        {"accented_letter", Qt::Key_Eacute, none, "é", "é"},
        {"ctrl_a", Qt::Key_A, ctrl, "\x01", "\x01"},
        {"ctrl_shift_a", Qt::Key_A, ctrl | shift, "\x01", "\x01"},
        {"ctrl_bracket", Qt::Key_BracketLeft, ctrl, "\x1b", "\x1b"},
        {"ctrl_backslash", Qt::Key_Backslash, ctrl, "\x1c", "\x1c"},
        {"ctrl_6", Qt::Key_6, ctrl, "6", "\x1e"},
        {"ctrl_caret", Qt::Key_AsciiCircum, ctrl | shift, "\x1e", "\x1e"},
        {"ctrl_underscore", Qt::Key_Underscore, ctrl | shift, "\x1f", "\x1f"},
        {"ctrl_space", Qt::Key_Space, ctrl, " ", std::string(1, '\0')},
        // Without a control byte, Control sends the letter itself.
        {"ctrl_eacute", Qt::Key_Eacute, ctrl, "é", "é"},
        {"ctrl_eacute_without_text", Qt::Key_Eacute, ctrl, "", "é"},
        {"ctrl_shift_eacute", Qt::Key_Eacute, ctrl | shift, "É", "É"},
        {"alt_ctrl_eacute", Qt::Key_Eacute, alt | ctrl, "é", "\x1bé"},
        {"alt_x", Qt::Key_X, alt, "x", "\x1bx"},
        {"alt_shift_x", Qt::Key_X, alt | shift, "X", "\x1bX"},
        {"alt_ctrl_a", Qt::Key_A, alt | ctrl, "\x01", "\x1b\x01"},
        {"alt_backspace", Qt::Key_Backspace, alt, "\b", "\x1b\x7f"},
        {"alt_left",
         Qt::Key_Left,
         alt,
         "",
         "\x1b"
         "b"},
        {"alt_right",
         Qt::Key_Right,
         alt,
         "",
         "\x1b"
         "f"},
        {"alt_up", Qt::Key_Up, alt, "", "\x1b[1;3A"},
        {"up", Qt::Key_Up, none, "", "\x1b[A"},
        {"down", Qt::Key_Down, none, "", "\x1b[B"},
        {"right", Qt::Key_Right, none, "", "\x1b[C"},
        {"left", Qt::Key_Left, none, "", "\x1b[D"},
        {"up_app", Qt::Key_Up, none, "", "\x1bOA", true},
        {"left_app", Qt::Key_Left, none, "", "\x1bOD", true},
        {"home", Qt::Key_Home, none, "", "\x1b[H"},
        {"home_app", Qt::Key_Home, none, "", "\x1bOH", true},
        {"end", Qt::Key_End, none, "", "\x1b[F"},
        {"end_app", Qt::Key_End, none, "", "\x1bOF", true},
        {"backspace", Qt::Key_Backspace, none, "\b", "\x7f"},
        {"return", Qt::Key_Return, none, "\r", "\r"},
        {"keypad_enter", Qt::Key_Enter, Qt::KeypadModifier, "\r", "\r"},
        {"escape", Qt::Key_Escape, none, "\x1b", "\x1b"},
        {"tab", Qt::Key_Tab, none, "\t", "\t"},
        {"shift_tab", Qt::Key_Backtab, shift, "", "\x1b[Z"},
        {"forward_delete", Qt::Key_Delete, none, "\x7f", "\x1b[3~"},
        {"insert", Qt::Key_Insert, none, "", "\x1b[2~"},
        {"page_up_goes_to_the_program", Qt::Key_PageUp, none, "", "\x1b[5~"},
        {"page_down_goes_to_the_program", Qt::Key_PageDown, none, "", "\x1b[6~"},
        {"page_up_app_cursor", Qt::Key_PageUp, none, "", "\x1b[5~", true},
        {"page_up_alternate_screen", Qt::Key_PageUp, none, "", "\x1b[5~", false, true},
        {"page_down_alternate_screen", Qt::Key_PageDown, none, "", "\x1b[6~", false, true},
        {"keypad_digit", Qt::Key_5, Qt::KeypadModifier, "5", "5"},
    };
    // Modified cursor, editing, page and function keys, the same under
    // application cursor mode.
    const std::vector<KeyCase> modified = {
        {"ctrl_left", Qt::Key_Left, ctrl, "", "\x1b[1;5D"},
        {"ctrl_right", Qt::Key_Right, ctrl, "", "\x1b[1;5C"},
        {"ctrl_up", Qt::Key_Up, ctrl, "", "\x1b[1;5A"},
        {"ctrl_shift_left", Qt::Key_Left, ctrl | shift, "", "\x1b[1;6D"},
        {"ctrl_alt_right", Qt::Key_Right, ctrl | alt, "", "\x1b[1;7C"},
        {"alt_shift_left", Qt::Key_Left, alt | shift, "", "\x1b[1;4D"},
        {"shift_up", Qt::Key_Up, shift, "", "\x1b[1;2A"},
        {"shift_down", Qt::Key_Down, shift, "", "\x1b[1;2B"},
        {"alt_shift_up", Qt::Key_Up, alt | shift, "", "\x1b[1;4A"},
        {"super_up", Qt::Key_Up, Qt::MetaModifier, "", "\x1b[1;9A"},
        {"ctrl_alt_shift_super_down", Qt::Key_Down, ctrl | alt | shift | Qt::MetaModifier, "", "\x1b[1;16B"},
        {"ctrl_home", Qt::Key_Home, ctrl, "", "\x1b[1;5H"},
        {"ctrl_end", Qt::Key_End, ctrl, "", "\x1b[1;5F"},
        {"shift_f1", Qt::Key_F1, shift, "", "\x1b[1;2P"},
        {"ctrl_f1", Qt::Key_F1, ctrl, "", "\x1b[1;5P"},
        {"alt_f4", Qt::Key_F4, alt, "", "\x1b[1;3S"},
        {"shift_f5", Qt::Key_F5, shift, "", "\x1b[15;2~"},
        {"ctrl_f6", Qt::Key_F6, ctrl, "", "\x1b[17;5~"},
        {"ctrl_shift_f11", Qt::Key_F11, ctrl | shift, "", "\x1b[23;6~"},
        {"alt_f12", Qt::Key_F12, alt, "", "\x1b[24;3~"},
        {"ctrl_delete", Qt::Key_Delete, ctrl, "\x7f", "\x1b[3;5~"},
        {"shift_delete", Qt::Key_Delete, shift, "\x7f", "\x1b[3;2~"},
        {"ctrl_insert", Qt::Key_Insert, ctrl, "", "\x1b[2;5~"},
        {"ctrl_page_up", Qt::Key_PageUp, ctrl, "", "\x1b[5;5~"},
        {"alt_page_down", Qt::Key_PageDown, alt, "", "\x1b[6;3~"},
    };
    for (const KeyCase& c : modified) {
        cases.push_back(c);
        KeyCase app = c;
        app.name += "_app";
        app.applicationCursor = true;
        cases.push_back(app);
    }
    const std::vector<KeyCase> paging = {
        // Page keys with Shift or with the command modifiers page the view,
        // which sends the plain page key only on the alternate screen.
        {"shift_page_up_scrolls", Qt::Key_PageUp, shift, "", ""},
        {"ctrl_shift_page_down_scrolls", Qt::Key_PageDown, ctrl | shift, "", ""},
        {"shift_page_up_alternate_screen", Qt::Key_PageUp, shift, "", "\x1b[5~", false, true},
        {"ctrl_page_up_alternate_screen", Qt::Key_PageUp, ctrl, "", "\x1b[5;5~", false, true},
        // The other view keys reach the program only on the alternate screen.
        {"shift_home_scrolls", Qt::Key_Home, shift, "", ""},
        {"shift_end_scrolls", Qt::Key_End, shift, "", ""},
        {"ctrl_shift_up_scrolls", Qt::Key_Up, ctrl | shift, "", ""},
        {"ctrl_shift_down_scrolls", Qt::Key_Down, ctrl | shift, "", ""},
        {"shift_home_alternate_screen", Qt::Key_Home, shift, "", "\x1b[1;2H", false, true},
        {"shift_end_alternate_screen", Qt::Key_End, shift, "", "\x1b[1;2F", false, true},
        {"ctrl_shift_up_alternate_screen", Qt::Key_Up, ctrl | shift, "", "\x1b[1;6A", false, true},
        {"ctrl_shift_down_alternate_screen", Qt::Key_Down, ctrl | shift, "", "\x1b[1;6B", false, true},
        {"home_alternate_screen", Qt::Key_Home, none, "", "\x1b[H", false, true},
        {"page_up_alternate_screen_app", Qt::Key_PageUp, none, "", "\x1b[5~", true, true},
        // Keys without a modified form.
        {"shift_f13_sends_nothing", Qt::Key_F13, shift, "", ""},
        {"ctrl_f13_sends_nothing", Qt::Key_F13, ctrl, "", ""},
        {"shift_tab_is_back_tab", Qt::Key_Backtab, shift, "", "\x1b[Z", true},
    };
    cases.insert(cases.end(), paging.begin(), paging.end());
    // Control combinations as xterm sends them (the text is what X11 puts in
    // the event), and Ctrl+- as Ctrl+/.
    const std::vector<KeyCase> control = {
        {"ctrl_slash", Qt::Key_Slash, ctrl, "\x1f", "\x1f"},
        {"ctrl_minus", Qt::Key_Minus, ctrl, "-", "\x1f"},
        {"ctrl_2", Qt::Key_2, ctrl, "", std::string(1, '\0')},
        {"ctrl_3", Qt::Key_3, ctrl, "\x1b", "\x1b"},
        {"ctrl_4", Qt::Key_4, ctrl, "\x1c", "\x1c"},
        {"ctrl_5", Qt::Key_5, ctrl, "\x1d", "\x1d"},
        {"ctrl_7", Qt::Key_7, ctrl, "\x1f", "\x1f"},
        {"ctrl_8", Qt::Key_8, ctrl, "\x7f", "\x7f"},
        {"ctrl_1", Qt::Key_1, ctrl, "1", "1"},
        {"ctrl_9", Qt::Key_9, ctrl, "9", "9"},
        {"ctrl_0", Qt::Key_0, ctrl, "0", "0"},
        {"ctrl_period", Qt::Key_Period, ctrl, ".", "."},
        {"ctrl_comma", Qt::Key_Comma, ctrl, ",", ","},
        {"alt_ctrl_1",
         Qt::Key_1,
         alt | ctrl,
         "1",
         "\x1b"
         "1"},
        {"ctrl_at", Qt::Key_At, ctrl | shift, "", std::string(1, '\0')},
        {"ctrl_grave", Qt::Key_QuoteLeft, ctrl, "", std::string(1, '\0')},
        {"ctrl_question", Qt::Key_Question, ctrl | shift, "\x7f", "\x7f"},
        {"ctrl_backspace", Qt::Key_Backspace, ctrl, "\b", "\b"},
        {"ctrl_return", Qt::Key_Return, ctrl, "\r", "\r"},
        {"ctrl_keypad_enter", Qt::Key_Enter, ctrl | Qt::KeypadModifier, "\r", "\r"},
        {"ctrl_tab", Qt::Key_Tab, ctrl, "\t", "\t"},
        {"ctrl_shift_tab", Qt::Key_Backtab, ctrl | shift, "", "\x1b[Z"},
        {"ctrl_escape", Qt::Key_Escape, ctrl, "\x1b", "\x1b"},
        {"alt_ctrl_backspace", Qt::Key_Backspace, alt | ctrl, "\b", "\x1b\b"},
        {"shift_return", Qt::Key_Return, shift, "\r", "\r"},
        {"shift_backspace", Qt::Key_Backspace, shift, "\b", "\x7f"},
        // The Linefeed key: Qt names it by its text.
        {"linefeed", Qt::Key(0x0a), none, "\n", "\n"},
        {"ctrl_linefeed", Qt::Key(0x0a), ctrl, "\n", "\n"},
        {"alt_linefeed", Qt::Key(0x0a), alt, "\n", "\x1b\n"},
    };
    cases.insert(cases.end(), control.begin(), control.end());
    const char* const functionKeys[] = {"\x1bOP",
                                        "\x1bOQ",
                                        "\x1bOR",
                                        "\x1bOS",
                                        "\x1b[15~",
                                        "\x1b[17~",
                                        "\x1b[18~",
                                        "\x1b[19~",
                                        "\x1b[20~",
                                        "\x1b[21~",
                                        "\x1b[23~",
                                        "\x1b[24~"};
    static const char* const names[] = {"f1", "f2", "f3", "f4", "f5", "f6", "f7", "f8", "f9", "f10", "f11", "f12"};
    for (int i = 0; i < 12; ++i)
        cases.push_back({names[i], static_cast<Qt::Key>(Qt::Key_F1 + i), none, "", functionKeys[i]});
    return cases;
}

class KeyTable : public KeyboardFixture, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTable, KeySendsItsBytes)
{
    const KeyCase& c = GetParam();
    if (c.applicationCursor)
        view->feed("\x1b[?1h");
    if (c.alternateScreen)
        view->feed("\x1b[?1049h");
    flush();
    clearSent();
    click(c.key, c.modifiers, c.text);
    EXPECT_EQ(sent(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Legacy, KeyTable, ::testing::ValuesIn(keyCases()),
                         [](const auto& info) { return info.param.name; });

using KeyboardInput = KeyboardFixture;

TEST_F(KeyboardInput, MetaSendsEscapeAndTextInOneWrite)
{
    click(Qt::Key_X, alt, "x");
    ASSERT_EQ(writer.writes.size(), 1u);
    EXPECT_EQ(writer.writes[0], "\x1bx");
}

TEST_F(KeyboardInput, TheLinefeedKeySendsLineFeed)
{
    // As X11 delivers it: keycode 109, keysym Linefeed.
    press(0x0a, none, QStringLiteral("\n"), false, 109, KeyInput::linefeedKeysym);
    EXPECT_EQ(sent(), "\n");
}

TEST_F(KeyboardInput, AltWithoutMetaTypesThePlainText)
{
    view->optionAsMetaKey = false;
    click(Qt::Key_X, alt, "x");
    EXPECT_EQ(sent(), "x");
}

TEST_F(KeyboardInput, CtrlAltShiftOTogglesMetaAndSendsNothing)
{
    click(Qt::Key_O, ctrl | alt | shift, "\x0f");
    EXPECT_FALSE(view->optionAsMetaKey);
    EXPECT_EQ(sent(), "");
    click(Qt::Key_O, ctrl | alt | shift, "\x0f");
    EXPECT_TRUE(view->optionAsMetaKey);
}

TEST_F(KeyboardInput, BackspaceCanSendControlH)
{
    view->backspaceSendsControlH = true;
    click(Qt::Key_Backspace, none, "\b");
    EXPECT_EQ(sent(), "\b");
}

TEST_F(KeyboardInput, ModifierKeysAloneSendNothing)
{
    for (const Qt::Key key : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_Meta, Qt::Key_CapsLock}) {
        press(key);
        release(key);
    }
    EXPECT_TRUE(writer.writes.empty());
}

TEST_F(KeyboardInput, EveryKeyPressDropsTheSelectionButModifiersDoNot)
{
    view->feed("hello");
    view->selection().setSelection(Position(0, 0), Position(5, 0));
    press(Qt::Key_Shift);
    EXPECT_TRUE(view->selection().active());
    click(Qt::Key_Slash, ctrl, "/"); // sends nothing
    EXPECT_FALSE(view->selection().active());
}

TEST_F(KeyboardInput, AKeyScrollsBackToTheScreen)
{
    std::string lines;
    for (int i = 0; i < 100; ++i)
        lines += "line\r\n";
    view->feed(lines);
    flush();
    Buffer& screen = terminal().displayBuffer();
    view->scrollUp(30);
    ASSERT_LT(screen.yDisp(), screen.yBase());
    click(Qt::Key_A, none, "a");
    EXPECT_EQ(screen.yDisp(), screen.yBase());
}

TEST_F(KeyboardInput, ViewKeysMoveOverTheScrollBackAndOtherModifiersReachTheProgram)
{
    std::string lines;
    for (int i = 0; i < 100; ++i)
        lines += "line\r\n";
    view->feed(lines);
    flush();
    Buffer& screen = terminal().displayBuffer();
    const int bottom = screen.yDisp();
    const int middle = bottom - 2 * screen.rows();
    ASSERT_GT(middle, 0);
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int start;
        int expectedTop;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {Qt::Key_PageUp, shift, bottom, bottom - screen.rows(), ""},
        {Qt::Key_PageUp, ctrl | shift, bottom, bottom - screen.rows(), ""},
        {Qt::Key_PageDown, shift, middle, middle + screen.rows(), ""},
        {Qt::Key_PageDown, ctrl | shift, middle, middle + screen.rows(), ""},
        {Qt::Key_Home, shift, bottom, 0, ""},
        {Qt::Key_End, shift, middle, bottom, ""},
        {Qt::Key_Up, ctrl | shift, middle, middle - 1, ""},
        {Qt::Key_Down, ctrl | shift, middle, middle + 1, ""},
        {Qt::Key_Down, ctrl | shift, bottom, bottom, ""},
        // Keys for the program bring the view back to the screen.
        {Qt::Key_PageUp, none, middle, bottom, "\x1b[5~"},
        {Qt::Key_PageUp, ctrl, bottom, bottom, "\x1b[5;5~"},
        {Qt::Key_PageUp, alt | shift, bottom, bottom, "\x1b[5;4~"},
        {Qt::Key_Home, none, middle, bottom, "\x1b[H"},
        {Qt::Key_End, ctrl, bottom, bottom, "\x1b[1;5F"},
        {Qt::Key_Up, shift, middle, bottom, "\x1b[1;2A"},
    };
    for (const Case& c : cases) {
        view->scrollTo(c.start, true);
        clearSent();
        click(c.key, c.modifiers);
        EXPECT_EQ(screen.yDisp(), c.expectedTop) << c.key << " " << c.modifiers.toInt();
        EXPECT_EQ(sent(), c.expected) << c.key << " " << c.modifiers.toInt();
    }
}

TEST_F(KeyboardInput, AltCountsInModifiedKeysOnlyWhileItActsAsMeta)
{
    view->optionAsMetaKey = false;
    click(Qt::Key_Up, alt);
    EXPECT_EQ(sent(), "\x1b[A");
    clearSent();
    click(Qt::Key_F5, alt | ctrl);
    EXPECT_EQ(sent(), "\x1b[15;5~");
    clearSent();
    click(Qt::Key_Left, alt | shift);
    EXPECT_EQ(sent(), "\x1b[1;2D");
}

TEST_F(KeyboardInput, ModifiedKeyIsOneWrite)
{
    click(Qt::Key_F12, ctrl | shift);
    EXPECT_EQ(writer.writes, std::vector<std::string>{"\x1b[24;6~"});
}

struct CommandCase {
    EditingCommand command;
    bool applicationCursor;
    std::string expected;
    int scrolledRows; // where the view ends, in screens from where it was; bottom when bytes were sent
};

TEST_F(KeyboardInput, EditingCommandsFollowApplicationCursorMode)
{
    std::string lines;
    for (int i = 0; i < 100; ++i)
        lines += "line\r\n";
    view->feed(lines);
    flush();
    Buffer& screen = terminal().displayBuffer();
    const int bottom = screen.yDisp();
    const int middle = bottom - 2 * screen.rows();
    ASSERT_GT(middle, 0);
    const std::vector<CommandCase> cases = {
        {EditingCommand::scrollPageUp, true, "\x1b[5~", 0},
        {EditingCommand::scrollPageUp, false, "", -1},
        {EditingCommand::pageUp, false, "", -1},
        {EditingCommand::scrollPageDown, true, "\x1b[6~", 0},
        {EditingCommand::scrollPageDown, false, "", 1},
        {EditingCommand::pageDown, false, "", 1},
        {EditingCommand::pageDownAndModifySelection, false, "\x1b[6~", 0},
        {EditingCommand::pageDownAndModifySelection, true, "", 0},
        {EditingCommand::moveToBeginningOfLine, false, "\x1b[H", 0},
        {EditingCommand::moveToEndOfLine, true, "\x1bOF", 0},
        {EditingCommand::moveToLeftEndOfLine,
         false,
         "\x1b"
         "b",
         0},
        {EditingCommand::moveToRightEndOfLine,
         true,
         "\x1b"
         "f",
         0},
        {EditingCommand::pageUpAndModifySelection, false, "", 0},
        {EditingCommand::noop, false, "", 0},
    };
    for (const CommandCase& c : cases) {
        terminal().setApplicationCursor(c.applicationCursor);
        view->scrollTo(middle, true);
        clearSent();
        view->doCommand(c.command);
        EXPECT_EQ(sent(), c.expected) << editingCommandName(c.command) << " app=" << c.applicationCursor;
        const int expectedTop = c.expected.empty() ? middle + c.scrolledRows * screen.rows() : bottom;
        EXPECT_EQ(screen.yDisp(), expectedTop) << editingCommandName(c.command) << " app=" << c.applicationCursor;
    }
}

TEST_F(KeyboardInput, UnhandledCommandsAreDebugChatterOnStandardError)
{
    for (const bool debug : {false, true}) {
        const velmora::test::DebugDiagnostics level(debug);
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        view->doCommand(EditingCommand::moveWordLeft);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(err, debug ? "Unhandle selector moveWordLeft:\n" : "");
        EXPECT_EQ(sent(), "");
    }
}

// ---- pastes ----------------------------------------------------------------------------

TEST_F(KeyboardInput, TypedTextNeverGetsPasteMarkers)
{
    view->feed("\x1b[?2004h");
    view->insertText("ls\n");
    EXPECT_EQ(sent(), "ls\n");
}

TEST_F(KeyboardInput, BracketedPasteArrivesBetweenItsMarkersInThreeWrites)
{
    view->feed("\x1b[?2004h");
    view->insertText("one\ntwo", true);
    EXPECT_EQ(writer.writes, (std::vector<std::string>{"\x1b[200~", "one\rtwo", "\x1b[201~"}));
}

TEST_F(KeyboardInput, PasteWithoutBracketedModeIsPlainText)
{
    view->insertText("one two", true);
    EXPECT_EQ(sent(), "one two");
}

TEST_F(KeyboardInput, PastedLineEndsArriveAsReturnsWithAndWithoutBrackets)
{
    const std::vector<std::pair<QString, std::string>> cases = {
        {"one\ntwo\n", "one\rtwo\r"},
        {"one\r\ntwo\r\n", "one\rtwo\r"},
        {"mixed\r\n\nend\r", "mixed\r\rend\r"},
        {"\n\r\n\n", "\r\r\r"},
        {"tab\tstays", "tab\tstays"},
    };
    for (const bool bracketed : {false, true}) {
        view->feed(bracketed ? "\x1b[?2004h" : "\x1b[?2004l");
        for (const auto& [pasted, expected] : cases) {
            clearSent();
            view->insertText(pasted, true);
            EXPECT_EQ(sent(), bracketed ? "\x1b[200~" + expected + "\x1b[201~" : expected)
                << pasted.toStdString() << " bracketed=" << bracketed;
        }
    }
    // Typed text is sent as it is.
    clearSent();
    view->insertText("typed\n");
    EXPECT_EQ(sent(), "typed\n");
}

TEST_F(KeyboardInput, AnEmptyPasteSendsNothing)
{
    view->feed("\x1b[?2004h");
    view->insertText(QString(), true);
    EXPECT_TRUE(writer.writes.empty());
}

TEST_F(KeyboardInput, ShiftInsertPastesThePrimarySelection)
{
    if (!test::onTestDisplay())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    ASSERT_TRUE(clipboard->supportsSelection());
    clipboard->setText("from the clipboard");
    clipboard->setText("selected\nlines", QClipboard::Selection);
    view->feed("\x1b[?2004h");
    click(Qt::Key_Insert, shift);
    EXPECT_EQ(sent(), "\x1b[200~selected\rlines\x1b[201~");
}

TEST_F(KeyboardInput, ShiftInsertNeverSendsTheModifiedInsertKey)
{
    click(Qt::Key_Insert, shift);
    EXPECT_EQ(sent().find("\x1b[2;2~"), std::string::npos);
}

TEST_F(KeyboardInput, PastedMarkersCannotEndTheBracketEarly)
{
    view->feed("\x1b[?2004h");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"safe\x1b[201~rm -rf ~\r", "saferm -rf ~\r"},
        {"a\x1b[200~b\x1b[201~c", "abc"},
        // A marker hidden inside another comes out once the inner one goes.
        {"x\x1b[20\x1b[201~1~y", "xy"},
        {"\xc2\x9b"
         "201~tail",
         "tail"},
        {"\x1b[202~ stays", "\x1b[202~ stays"},
    };
    for (const auto& [pasted, kept] : cases) {
        clearSent();
        view->insertText(QString::fromStdString(pasted), true);
        EXPECT_EQ(sent(), "\x1b[200~" + kept + "\x1b[201~") << pasted;
    }
}

TEST_F(KeyboardInput, CopyAndPasteShortcuts)
{
    view->feed("hello world");
    view->selection().setSelection(Position(0, 0), Position(5, 0));
    view->selection().setActive(true);
    click(Qt::Key_C, ctrl | shift, "\x03");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "hello");
    EXPECT_EQ(sent(), "");
    EXPECT_TRUE(view->selection().active());

    view->feed("\x1b[?2004h");
    QGuiApplication::clipboard()->setText("pasted");
    click(Qt::Key_V, ctrl | shift, "\x16");
    EXPECT_EQ(sent(), "\x1b[200~pasted\x1b[201~");
}

TEST_F(KeyboardInput, SelectedRangeCountsCellsOverTheScreensLines)
{
    EXPECT_EQ(view->selectedRange(), std::nullopt);
    view->selection().setSelection(Position(5, 1), Position(2, 0));
    view->selection().setActive(true);
    EXPECT_EQ(view->selectedRange(), (TerminalView::TextRange{2, 83}));
    view->selection().setSelection(Position(3, 1), Position(3, 1));
    EXPECT_EQ(view->selectedRange(), std::nullopt);
}

// ---- input methods ----------------------------------------------------------------------

TEST_F(KeyboardInput, InputMethodPreeditIsShownAtTheCaretAndCommitIsSentAsText)
{
    view->feed("ab");
    flush();
    QInputMethodEvent composing("にほ", {QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, 2, 1)});
    QCoreApplication::sendEvent(view.get(), &composing);
    EXPECT_TRUE(view->kittyIsComposing());
    EXPECT_EQ(view->markedText(), "にほ");
    EXPECT_EQ(sent(), "");
    auto* preedit = view->findChild<PreeditView*>();
    ASSERT_NE(preedit, nullptr);
    EXPECT_TRUE(preedit->isVisible());
    EXPECT_EQ(preedit->pos(), QPoint(2 * cellWidth, 0));

    QInputMethodEvent commit;
    commit.setCommitString("日本");
    QCoreApplication::sendEvent(view.get(), &commit);
    EXPECT_EQ(sent(), "日本");
    EXPECT_FALSE(view->kittyIsComposing());
    EXPECT_FALSE(preedit->isVisible());
}

TEST_F(KeyboardInput, InputMethodQueryAnswersTheCaretRectangle)
{
    view->feed("abc\r\nde");
    flush();
    EXPECT_TRUE(view->inputMethodQuery(Qt::ImEnabled).toBool());
    EXPECT_EQ(view->inputMethodQuery(Qt::ImCursorRectangle).toRectF(),
              QRectF(2 * cellWidth, cellHeight, cellWidth, cellHeight));
}

} // namespace
} // namespace corvel
