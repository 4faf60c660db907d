#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>

#include "KeyboardFixture.h"
#include "corvel/qt/PreeditView.h"
#include "corvel/qt/SelectionService.h"
#include "corvel/terminal/EscapeSequences.h"

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
        {"ctrl_slash_sends_nothing", Qt::Key_Slash, ctrl, "/", ""},
        {"ctrl_eacute_sends_nothing", Qt::Key_Eacute, ctrl, "é", ""},
        {"alt_x", Qt::Key_X, alt, "x", "\x1bx"},
        {"alt_shift_x", Qt::Key_X, alt | shift, "X", "\x1bX"},
        {"alt_ctrl_a", Qt::Key_A, alt | ctrl, "\x01", "\x1b\x01"},
        {"alt_backspace", Qt::Key_Backspace, alt, "\b", "\x1b\x7f"},
        {"alt_left", Qt::Key_Left, alt, "", "\x1b" "b"},
        {"alt_right", Qt::Key_Right, alt, "", "\x1b" "f"},
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
        {"page_up_scrolls_normal_screen", Qt::Key_PageUp, none, "", ""},
        {"page_up_app_cursor_still_scrolls", Qt::Key_PageUp, none, "", "", true},
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
        {"shift_home", Qt::Key_Home, shift, "", "\x1b[1;2H"},
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
        {"shift_insert", Qt::Key_Insert, shift, "", "\x1b[2;2~"},
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
        // Page keys alone, with Shift or with the command modifiers page the
        // view, which sends the plain page key only on the alternate screen.
        {"shift_page_up_scrolls", Qt::Key_PageUp, shift, "", ""},
        {"ctrl_shift_page_down_scrolls", Qt::Key_PageDown, ctrl | shift, "", ""},
        {"shift_page_up_alternate_screen", Qt::Key_PageUp, shift, "", "\x1b[5~", false, true},
        {"ctrl_page_up_alternate_screen", Qt::Key_PageUp, ctrl, "", "\x1b[5;5~", false, true},
        // Keys without a modified form.
        {"shift_f13_sends_nothing", Qt::Key_F13, shift, "", ""},
        {"ctrl_f13_sends_nothing", Qt::Key_F13, ctrl, "", ""},
        {"shift_tab_is_back_tab", Qt::Key_Backtab, shift, "", "\x1b[Z", true},
    };
    cases.insert(cases.end(), paging.begin(), paging.end());
    const char* const functionKeys[] = {"\x1bOP",   "\x1bOQ",   "\x1bOR",   "\x1bOS",   "\x1b[15~", "\x1b[17~",
                                        "\x1b[18~", "\x1b[19~", "\x1b[20~", "\x1b[21~", "\x1b[23~", "\x1b[24~"};
    static const char* const names[] = {"f1", "f2", "f3", "f4", "f5", "f6", "f7", "f8", "f9", "f10", "f11", "f12"};
    for (int i = 0; i < 12; ++i)
        cases.push_back({names[i], static_cast<Qt::Key>(Qt::Key_F1 + i), none, "", functionKeys[i]});
    return cases;
}

class KeyTable : public KeyboardFixture, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyTable, KeySendsItsBytes)
{
    const KeyCase& c = GetParam();
    if (c.applicationCursor) view->feed("\x1b[?1h");
    if (c.alternateScreen) view->feed("\x1b[?1049h");
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
    click(Qt::Key_Slash, ctrl, "/");  // sends nothing
    EXPECT_FALSE(view->selection().active());
}

TEST_F(KeyboardInput, AKeyScrollsBackToTheScreen)
{
    std::string lines;
    for (int i = 0; i < 100; ++i) lines += "line\r\n";
    view->feed(lines);
    flush();
    Buffer& screen = terminal().displayBuffer();
    view->scrollUp(30);
    ASSERT_LT(screen.yDisp(), screen.yBase());
    click(Qt::Key_A, none, "a");
    EXPECT_EQ(screen.yDisp(), screen.yBase());
}

TEST_F(KeyboardInput, PageUpKeyScrollsTheNormalScreen)
{
    std::string lines;
    for (int i = 0; i < 100; ++i) lines += "line\r\n";
    view->feed(lines);
    flush();
    Buffer& screen = terminal().displayBuffer();
    const int bottom = screen.yDisp();
    click(Qt::Key_PageUp);
    EXPECT_EQ(screen.yDisp(), bottom - screen.rows());
    EXPECT_EQ(sent(), "");
}

TEST_F(KeyboardInput, PageKeysPageTheViewOnlyAloneWithShiftOrWithCtrlShift)
{
    std::string lines;
    for (int i = 0; i < 100; ++i) lines += "line\r\n";
    view->feed(lines);
    flush();
    Buffer& screen = terminal().displayBuffer();
    const int bottom = screen.yDisp();
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int scrolledBy;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {Qt::Key_PageUp, shift, screen.rows(), ""},
        {Qt::Key_PageUp, ctrl | shift, screen.rows(), ""},
        {Qt::Key_PageUp, ctrl, 0, "\x1b[5;5~"},
        {Qt::Key_PageUp, alt | shift, 0, "\x1b[5;4~"},
    };
    for (const Case& c : cases) {
        view->scrollTo(bottom, true);
        clearSent();
        click(c.key, c.modifiers);
        EXPECT_EQ(screen.yDisp(), bottom - c.scrolledBy) << c.modifiers.toInt();
        EXPECT_EQ(sent(), c.expected) << c.modifiers.toInt();
    }
    // Page Down comes back with the same modifiers.
    view->scrollTo(bottom - 2 * screen.rows(), true);
    click(Qt::Key_PageDown, ctrl | shift);
    click(Qt::Key_PageDown, shift);
    EXPECT_EQ(screen.yDisp(), bottom);
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
};

TEST_F(KeyboardInput, EditingCommandsFollowApplicationCursorMode)
{
    const std::vector<CommandCase> cases = {
        {EditingCommand::scrollPageUp, true, "\x1b[5~"},
        {EditingCommand::scrollPageUp, false, ""},
        {EditingCommand::scrollPageDown, true, "\x1b[6~"},
        {EditingCommand::pageDownAndModifySelection, false, "\x1b[6~"},
        {EditingCommand::pageDownAndModifySelection, true, ""},
        {EditingCommand::moveToBeginningOfLine, false, "\x1b[H"},
        {EditingCommand::moveToEndOfLine, true, "\x1bOF"},
        {EditingCommand::moveToLeftEndOfLine, false, "\x1b" "b"},
        {EditingCommand::moveToRightEndOfLine, true, "\x1b" "f"},
        {EditingCommand::pageUpAndModifySelection, false, ""},
        {EditingCommand::noop, false, ""},
    };
    for (const CommandCase& c : cases) {
        terminal().applicationCursor = c.applicationCursor;
        clearSent();
        view->doCommand(c.command);
        EXPECT_EQ(sent(), c.expected) << editingCommandName(c.command) << " app=" << c.applicationCursor;
    }
}

TEST_F(KeyboardInput, ControlMappingTable)
{
    const std::vector<std::pair<QString, std::vector<uint8_t>>> cases = {
        {"A", {1}}, {"z", {26}}, {"[", {27}}, {"\\", {28}}, {"]", {29}}, {"^", {30}}, {"6", {30}},
        {"_", {31}}, {" ", {0}}, {"/", {}}, {"é", {}}, {"ab", {}}, {"", {}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(TerminalView::applyControlToEventCharacters(text), expected) << text.toStdString();
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
    EXPECT_EQ(writer.writes, (std::vector<std::string>{"\x1b[200~", "one\ntwo", "\x1b[201~"}));
}

TEST_F(KeyboardInput, PasteWithoutBracketedModeIsPlainText)
{
    view->insertText("one\ntwo", true);
    EXPECT_EQ(sent(), "one\ntwo");
}

TEST_F(KeyboardInput, PastedMarkersCannotEndTheBracketEarly)
{
    view->feed("\x1b[?2004h");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"safe\x1b[201~rm -rf ~\r", "saferm -rf ~\r"},
        {"a\x1b[200~b\x1b[201~c", "abc"},
        // A marker hidden inside another comes out once the inner one goes.
        {"x\x1b[20\x1b[201~1~y", "xy"},
        {"\xc2\x9b" "201~tail", "tail"},
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
    EXPECT_EQ(view->inputMethodQuery(Qt::ImCursorRectangle).toRectF(), QRectF(2 * cellWidth, cellHeight, cellWidth, cellHeight));
}

}  // namespace
}  // namespace corvel
