// Keyboard and text input: the traditional key encoding, editing commands,
// text and pastes, the input method and the enhanced keyboard protocol.

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include "corvel/base/Diagnostics.h"
#include "corvel/qt/CaretView.h"
#include "corvel/qt/KittyKeyMapping.h"
#include "corvel/qt/PreeditView.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/terminal/EscapeSequences.h"
#include "corvel/terminal/SelectionService.h"

namespace corvel {

namespace {

using Seq = EscapeSequences;

template <size_t N> std::span<const uint8_t> bytes(const std::array<uint8_t, N>& sequence)
{
    return {sequence.data(), sequence.size()};
}

std::span<const uint8_t> bytes(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string utf8(const QString& text)
{
    const QByteArray encoded = text.toUtf8();
    return std::string(encoded.constData(), static_cast<size_t>(encoded.size()));
}

// Ctrl+Alt+Shift+O: switches Alt between Meta and a plain modifier.
bool isMetaToggle(const KeyInput& key)
{
    return key.has(KeyInput::control | KeyInput::alt | KeyInput::shift) && !key.has(KeyInput::super)
        && key.qtKey == Qt::Key_O;
}

// The modifier bit a modifier key itself holds down.
unsigned ownModifier(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Shift: return KeyInput::shift;
    case Qt::Key_Control: return KeyInput::control;
    case Qt::Key_Alt: return KeyInput::alt;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R: return KeyInput::super;
    case Qt::Key_CapsLock: return KeyInput::capsLock;
    default: return 0;
    }
}

using Key = TraditionalKeyEncoder::Key;

// The traditional encoder's name for a key; nothing for keys it has no
// sequence of its own for.
std::optional<Key> traditionalKey(int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return static_cast<Key>(static_cast<int>(Key::f1) + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Up: return Key::up;
    case Qt::Key_Down: return Key::down;
    case Qt::Key_Right: return Key::right;
    case Qt::Key_Left: return Key::left;
    case Qt::Key_Home: return Key::home;
    case Qt::Key_End: return Key::end;
    case Qt::Key_Insert: return Key::insert;
    case Qt::Key_Delete: return Key::deleteKey;
    case Qt::Key_PageUp: return Key::pageUp;
    case Qt::Key_PageDown: return Key::pageDown;
    case Qt::Key_Return:
    case Qt::Key_Enter: return Key::enter;
    case Qt::Key_Tab: return Key::tab;
    case Qt::Key_Backtab: return Key::backTab;
    case Qt::Key_Backspace: return Key::backspace;
    case Qt::Key_Escape: return Key::escape;
    default: return std::nullopt;
    }
}

constexpr int shiftParameter = 2;
constexpr int metaParameter = 3;
constexpr int controlShiftParameter = 6;

// Page Up and Page Down with Shift, or with Ctrl+Shift, the application's
// command modifier, page the view (which on the alternate screen sends the
// plain page key); alone or with other modifiers they go to the program.
bool pagesTheView(const KeyInput& key, int parameter)
{
    if (key.qtKey != Qt::Key_PageUp && key.qtKey != Qt::Key_PageDown)
        return false;
    return parameter == shiftParameter || parameter == controlShiftParameter;
}

// What a Control combination sends: the editing keys above, else what
// Control makes of the key's character; empty when there is nothing.
std::string controlBytes(const KeyInput& key)
{
    if (const std::optional<Key> named = traditionalKey(key.qtKey))
        if (const std::optional<std::string> editing = TraditionalKeyEncoder::controlledEditingKey(*named))
            return *editing;
    return TraditionalKeyEncoder::controlledCharacter(utf8(key.charactersIgnoringModifiers));
}

char32_t lowercased(char32_t scalar)
{
    const QList<uint> lower = QString::fromUcs4(&scalar, 1).toLower().toUcs4();
    return lower.isEmpty() ? scalar : static_cast<char32_t>(lower.front());
}

} // namespace

// ---- Qt events -------------------------------------------------------------------

void TerminalView::keyPressEvent(QKeyEvent* event) { keyDown(KeyInput::from(*event)); }

void TerminalView::keyReleaseEvent(QKeyEvent* event)
{
    // A held key repeats as release-and-press pairs; only the last release
    // is the key going up.
    if (!event->isAutoRepeat())
        keyUp(KeyInput::from(*event));
    QWidget::keyReleaseEvent(event);
}

bool TerminalView::focusNextPrevChild(bool) { return false; }

void TerminalView::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty())
        insertText(event->commitString());
    if (event->preeditString().isEmpty()) {
        unmarkText();
    } else {
        int cursor = static_cast<int>(event->preeditString().size());
        for (const QInputMethodEvent::Attribute& attribute : event->attributes())
            if (attribute.type == QInputMethodEvent::Cursor)
                cursor = attribute.start;
        setMarkedText(event->preeditString(), cursor);
    }
    event->accept();
}

QVariant TerminalView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: return QRectF(caretView_ ? caretView_->cellFrame() : QRectF());
    case Qt::ImFont: return terminalFont();
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition: return 0;
    case Qt::ImSurroundingText:
    case Qt::ImCurrentSelection: return QString();
    case Qt::ImHints:
        return static_cast<int>(Qt::ImhNoAutoUppercase | Qt::ImhNoPredictiveText | Qt::ImhPreferLatin
                                | Qt::ImhMultiLine);
    default: return QWidget::inputMethodQuery(query);
    }
}

// ---- key presses and releases ------------------------------------------------------

void TerminalView::keyDown(const KeyInput& key)
{
    if (key.modifierKey) {
        flagsChanged(key, true);
        return;
    }
    if (handleViewShortcut(key))
        return;
    selection_->setActive(false);
    if (!kittyFlags().isEmpty())
        return kittyKeyDown(key);
    // A press parked before the program switched the protocol off is stale.
    pendingKittyKeyEvent_.reset();
    legacyKeyDown(key);
}

void TerminalView::keyUp(const KeyInput& key)
{
    if (key.modifierKey) {
        flagsChanged(key, false);
        return;
    }
    if (!kittyFlags().isEmpty())
        kittyKeyUp(key);
}

bool TerminalView::handleViewShortcut(const KeyInput& key)
{
    const unsigned held = key.modifiers & (KeyInput::shift | KeyInput::control | KeyInput::alt | KeyInput::super);
    const bool shiftOnly = held == KeyInput::shift;
    const bool commandShift = held == (KeyInput::control | KeyInput::shift);
    if (shiftOnly && key.qtKey == Qt::Key_Insert) {
        pastePrimarySelection();
        return true;
    }
    if (commandShift && key.qtKey == Qt::Key_C) {
        copy();
        return true;
    }
    if (commandShift && key.qtKey == Qt::Key_V) {
        paste();
        return true;
    }
    // The keys that move the view over the scroll-back are ordinary keys
    // while the alternate screen, which has none, is shown.
    if (!(shiftOnly || commandShift) || terminal_->isDisplayBufferAlternate())
        return false;
    switch (key.qtKey) {
    case Qt::Key_PageUp: pageUp(); return true;
    case Qt::Key_PageDown: pageDown(); return true;
    case Qt::Key_Home:
        if (!shiftOnly)
            return false;
        scrollTo(0, true);
        return true;
    case Qt::Key_End:
        if (!shiftOnly)
            return false;
        scrollToBottom();
        return true;
    case Qt::Key_Up:
        if (!commandShift)
            return false;
        scrollUp(1);
        return true;
    case Qt::Key_Down:
        if (!commandShift)
            return false;
        scrollDown(1);
        return true;
    default: return false;
    }
}

void TerminalView::legacyKeyDown(const KeyInput& key)
{
    const QString& unmodified = key.charactersIgnoringModifiers;
    if (isMetaToggle(key)) {
        optionAsMetaKey = !optionAsMetaKey;
        interpretKeyEvent(key);
        return;
    }
    const int parameter = key.modifierParameter(optionAsMetaKey);
    // Meta alone moves by word.
    if (parameter == metaParameter) {
        if (key.qtKey == Qt::Key_Right)
            return send(bytes(Seq::emacsForward));
        if (key.qtKey == Qt::Key_Left)
            return send(bytes(Seq::emacsBack));
    }
    if (pagesTheView(key, parameter))
        return key.qtKey == Qt::Key_PageUp ? pageUp() : pageDown();
    const std::optional<Key> named = traditionalKey(key.qtKey);
    if (parameter > 1 && named)
        if (const std::optional<std::string> modified = TraditionalKeyEncoder::modifiedKey(*named, parameter))
            return send(bytes(*modified));
    // Linefeed sends LF (after ESC as Meta), whatever else is held.
    if (key.isLinefeed())
        return send(bytes(std::string(optionAsMetaKey && key.has(KeyInput::alt) ? "\x1b\n" : "\n")));
    if (optionAsMetaKey && key.has(KeyInput::alt)) {
        // Function keys without a modified form go on as without Alt.
        if (!key.functionKey) {
            if (unmodified.isEmpty())
                return;
            // ESC and the key in one write, so that no reader sees a lone ESC.
            std::string out(1, '\x1b');
            const std::string control = key.has(KeyInput::control) ? controlBytes(key) : std::string();
            out += control.empty() ? utf8(unmodified) : control;
            return send(bytes(out));
        }
    }
    if (key.has(KeyInput::control)) {
        if (key.functionKey)
            return send(std::span<const uint8_t>());
        if (unmodified.isEmpty())
            return interpretKeyEvent(key);
        return send(bytes(controlBytes(key)));
    }
    // The page keys belong to the program; Shift pages the view.
    if (key.functionKey && named)
        if (const std::optional<std::string> plain = TraditionalKeyEncoder::plainKey(*named))
            return send(bytes(*plain));
    interpretKeyEvent(key);
}

void TerminalView::interpretKeyEvent(const KeyInput& key)
{
    if (const std::optional<EditingCommand> command = editingCommandFor(key))
        return doCommand(*command);
    if (key.functionKey)
        return;
    if (KeyInput::isPrintable(key.characters))
        insertText(key.characters);
}

void TerminalView::flagsChanged(const KeyInput& key, bool down)
{
    const unsigned own = ownModifier(key.qtKey);
    KeyInput now = key;
    now.modifiers = down ? (key.modifiers | own) : (key.modifiers & ~own);
    // Control is the link modifier: Ctrl+click opens a link.
    linkModifierChanged(now.has(KeyInput::control));

    const KittyKeyboardFlags flags = kittyFlags();
    if (!flags.contains(KittyKeyboardFlags::reportAllKeys) || kittyIsComposing_)
        return;
    const std::optional<KittyFunctionalKey> modifierKey = KittyKeyMapping::modifierKey(key);
    if (!modifierKey)
        return;
    if (!down && !flags.contains(KittyKeyboardFlags::reportEvents))
        return;
    KittyKeyEvent event;
    event.key = KittyKey::functional(*modifierKey);
    event.modifiers = KittyKeyMapping::modifiers(now, true);
    event.eventType = down ? KittyKeyboardEventType::press : KittyKeyboardEventType::release;
    sendKittyEvent(event);
}

// ---- editing commands ----------------------------------------------------------------

void TerminalView::doCommand(EditingCommand command)
{
    if (!kittyFlags().isEmpty() && kittyDoCommand(command))
        return;
    const bool app = terminal_->modes().applicationCursor;
    if (const std::optional<std::string> sequence
        = TraditionalKeyEncoder::editingCommand(command, app, backspaceSendsControlH))
        return send(bytes(*sequence));
    // Outside application cursor mode the page commands page the view.
    using C = EditingCommand;
    switch (command) {
    case C::scrollPageUp:
    case C::pageUp: return pageUp();
    case C::scrollPageDown:
    case C::pageDown: return pageDown();
    case C::pageDownAndModifySelection: return;
    default: writeDebugDiagnostic("Unhandle selector " + std::string(editingCommandName(command))); return;
    }
}

// ---- text ------------------------------------------------------------------------------

void TerminalView::insertText(const QString& text, bool isPaste)
{
    if (isPaste) {
        if (text.isEmpty())
            return;
        const QString pasted = QString::fromStdString(TraditionalKeyEncoder::withReturnLineEnds(utf8(text)));
        const bool bracketed = terminal_->modes().bracketedPasteMode;
        if (!kittyFlags().isEmpty()) {
            if (!bracketed)
                return kittyInsertText(pasted);
            pendingKittyKeyEvent_.reset();
        }
        if (bracketed)
            return sendBracketedPaste(utf8(pasted));
        return send(bytes(utf8(pasted)));
    }
    if (!kittyFlags().isEmpty())
        return kittyInsertText(text);
    send(bytes(utf8(text)));
}

void TerminalView::sendBracketedPaste(const std::string& text)
{
    send(bytes(traditionalKeys_.bracketedPasteStart));
    send(bytes(traditionalKeys_.sanitizedPaste(text)));
    send(bytes(traditionalKeys_.bracketedPasteEnd));
}

// ---- input method ------------------------------------------------------------------

void TerminalView::setMarkedText(const QString& text, int cursor)
{
    if (text.isEmpty())
        return unmarkText();
    kittyIsComposing_ = true;
    preeditView_->setText(text, cursor);
    placePreedit();
}

void TerminalView::unmarkText()
{
    kittyIsComposing_ = false;
    preeditView_->setText(QString(), 0);
}

QString TerminalView::markedText() const { return preeditView_->text(); }

std::optional<TerminalView::TextRange> TerminalView::selectedRange() const
{
    if (!selection_->active())
        return std::nullopt;
    const long long cols = terminal_->displayBuffer().cols();
    const auto offset = [cols](Position p) { return static_cast<long long>(p.row) * cols + p.col; };
    const long long a = offset(selection_->start());
    const long long b = offset(selection_->end());
    if (a == b)
        return std::nullopt;
    return TextRange{std::min(a, b), std::max(a, b) - std::min(a, b)};
}

void TerminalView::placePreedit()
{
    if (!preeditView_ || preeditView_->text().isEmpty())
        return;
    preeditView_->setStyle(terminalFont(), colors_.nativeForeground, colors_.nativeBackground);
    preeditView_->place(caretView_->cellFrame().topLeft(), cellDimension_.height());
    // The input method's candidate window follows the caret.
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

// ---- copy and paste ----------------------------------------------------------------

void TerminalView::copy()
{
    if (!selection_->active())
        return;
    QGuiApplication::clipboard()->setText(QString::fromStdString(selection_->selectedText()));
}

void TerminalView::paste() { insertText(QGuiApplication::clipboard()->text(), true); }

void TerminalView::pastePrimarySelection()
{
    insertText(QGuiApplication::clipboard()->text(QClipboard::Selection), true);
}

// ---- the enhanced keyboard protocol --------------------------------------------------

KittyKeyboardFlags TerminalView::kittyFlags() const { return terminal_->keyboardEnhancementFlags(); }

bool TerminalView::sendKittyEvent(const KittyKeyEvent& event)
{
    const KittyKeyboardEncoder encoder{kittyFlags(), terminal_->modes().applicationCursor, backspaceSendsControlH};
    const std::optional<std::vector<uint8_t>> encoded = encoder.encode(event);
    if (!encoded)
        return false;
    send(std::span<const uint8_t>(*encoded));
    return true;
}

std::optional<KittyKeyEvent> TerminalView::kittyTextEvent(const KeyInput& key, KittyKeyboardEventType eventType,
                                                          std::optional<std::string> text) const
{
    const std::optional<char32_t> first = key.firstUnmodifiedScalar();
    if (!first)
        return std::nullopt;
    KittyKeyEvent event;
    const char32_t lower = lowercased(*first);
    event.key = KittyKey::unicode(lower);
    if (key.has(KeyInput::shift) && !key.characters.isEmpty())
        event.shiftedKey = static_cast<char32_t>(key.characters.toUcs4().front());
    if (const std::optional<char32_t> base = KittyKeyMapping::baseLayoutKey(key.keycode); base && *base != lower)
        event.baseLayoutKey = base;
    event.modifiers = KittyKeyMapping::modifiers(key, optionAsMetaKey);
    event.eventType = eventType;
    event.text = std::move(text);
    event.composing = kittyIsComposing_;
    return event;
}

void TerminalView::kittyKeyDown(const KeyInput& key)
{
    pendingKittyKeyEvent_.reset();
    if (isMetaToggle(key)) {
        optionAsMetaKey = !optionAsMetaKey;
        return;
    }
    const KittyKeyboardFlags flags = kittyFlags();
    const bool reportEvents = flags.contains(KittyKeyboardFlags::reportEvents);
    const KittyKeyboardEventType eventType
        = reportEvents && key.autoRepeat ? KittyKeyboardEventType::repeatPress : KittyKeyboardEventType::press;

    if (const std::optional<KittyFunctionalKey> functional = KittyKeyMapping::functionalKey(key)) {
        KittyKeyEvent event;
        event.key = KittyKey::functional(*functional);
        event.modifiers = KittyKeyMapping::modifiers(key, optionAsMetaKey);
        event.eventType = eventType;
        event.text = KittyKeyMapping::textForFunctionalKey(*functional, key);
        event.composing = kittyIsComposing_;
        if (sendKittyEvent(event))
            return;
    }
    // Super is no command key here: its combinations belong to the child too.
    if (key.hasAny(KeyInput::control | KeyInput::super) || (key.has(KeyInput::alt) && optionAsMetaKey)) {
        const std::optional<KittyKeyEvent> event = kittyTextEvent(key, eventType, std::nullopt);
        if (event && sendKittyEvent(*event))
            return;
    }
    const bool parkedRepeat = reportEvents && flags.contains(KittyKeyboardFlags::reportAllKeys) && key.autoRepeat;
    pendingKittyKeyEvent_
        = PendingKittyKeyEvent{key, parkedRepeat ? KittyKeyboardEventType::repeatPress : KittyKeyboardEventType::press};
    interpretKeyEvent(key);
}

void TerminalView::kittyKeyUp(const KeyInput& key)
{
    const KittyKeyboardFlags flags = kittyFlags();
    if (!flags.contains(KittyKeyboardFlags::reportEvents))
        return;
    const bool allKeys = flags.contains(KittyKeyboardFlags::reportAllKeys);
    const std::optional<KittyFunctionalKey> functional = KittyKeyMapping::functionalKey(key);
    const bool meta = key.has(KeyInput::alt) && optionAsMetaKey;
    if (!(key.hasAny(KeyInput::control | KeyInput::super) || allKeys || meta || functional))
        return;

    if (functional) {
        KittyKeyEvent event;
        event.key = KittyKey::functional(*functional);
        event.modifiers = KittyKeyMapping::modifiers(key, optionAsMetaKey);
        event.eventType = KittyKeyboardEventType::release;
        event.composing = kittyIsComposing_;
        sendKittyEvent(event);
        return;
    }
    const std::optional<KittyKeyEvent> event = kittyTextEvent(key, KittyKeyboardEventType::release, std::nullopt);
    if (!event)
        return;
    const uint32_t code = event->key.scalar;
    if (allKeys || (code != 9 && code != 13 && code != 127))
        sendKittyEvent(*event);
}

bool TerminalView::kittyDoCommand(EditingCommand command)
{
    using C = EditingCommand;
    using K = KittyFunctionalKey;
    const bool app = terminal_->modes().applicationCursor;
    KittyKeyEvent event;
    event.eventType = KittyKeyboardEventType::press;
    // The command stands for the press parked for it: its modifiers and
    // repeats are reported as on any other key (Shift+Return is not Return).
    if (pendingKittyKeyEvent_) {
        const KeyInput& key = pendingKittyKeyEvent_->event;
        event.modifiers = KittyKeyMapping::modifiers(key, optionAsMetaKey);
        if (key.autoRepeat && kittyFlags().contains(KittyKeyboardFlags::reportEvents))
            event.eventType = KittyKeyboardEventType::repeatPress;
    }
    K functional;
    switch (command) {
    case C::insertNewline: functional = K::enter; break;
    case C::cancelOperation: functional = K::escape; break;
    case C::deleteBackward: functional = K::backspace; break;
    case C::moveUp: functional = K::up; break;
    case C::moveDown: functional = K::down; break;
    case C::moveLeft: functional = K::left; break;
    case C::moveRight: functional = K::right; break;
    case C::insertTab: functional = K::tab; break;
    case C::insertBacktab:
        functional = K::tab;
        event.modifiers.rawValue |= KittyKeyboardModifiers::shift;
        break;
    case C::moveToBeginningOfLine:
    case C::scrollToBeginningOfDocument: functional = K::home; break;
    case C::moveToEndOfLine:
    case C::scrollToEndOfDocument: functional = K::end; break;
    case C::scrollPageUp:
    case C::pageUp:
        if (!app) {
            pageUp();
            return true;
        }
        functional = K::pageUp;
        break;
    case C::scrollPageDown:
    case C::pageDown:
        if (!app) {
            pageDown();
            return true;
        }
        functional = K::pageDown;
        break;
    default: return false;
    }
    event.key = KittyKey::functional(functional);
    event.composing = kittyIsComposing_;
    return sendKittyEvent(event);
}

void TerminalView::kittyInsertText(const QString& text)
{
    const std::optional<PendingKittyKeyEvent> parked = std::move(pendingKittyKeyEvent_);
    pendingKittyKeyEvent_.reset();
    kittyIsComposing_ = false;
    std::optional<KittyKeyEvent> event;
    if (parked && text.toUcs4().size() == 1)
        event = kittyTextEvent(parked->event, parked->eventType, utf8(text));
    if (!event) {
        event = KittyKeyEvent();
        event->key = KittyKey::none();
        event->text = utf8(text);
    }
    sendKittyEvent(*event);
}

} // namespace corvel
