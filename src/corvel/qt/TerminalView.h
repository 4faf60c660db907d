#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "corvel/terminal/KittyKeyboardEncoder.h"
#include "corvel/terminal/Terminal.h"
#include "corvel/terminal/TerminalDelegate.h"

#include "corvel/base/Color.h"
#include "corvel/qt/EditingCommand.h"
#include "corvel/qt/FontSet.h"
#include "corvel/qt/KeyInput.h"
#include "corvel/qt/LinkOptions.h"
#include "corvel/qt/QtExecutor.h"
#include "corvel/qt/RowPainter.h"
#include "corvel/qt/ViewColorCache.h"
#include "corvel/qt/ViewLineInfo.h"
#include "corvel/qt/gl/GpuRecords.h"

class QScrollBar;

namespace corvel {

class CaretView;
class GpuTerminalSurface;
class PreeditView;
class SelectionService;
class TerminalViewDelegate;

// A widget that shows one Terminal: it draws the displayed screen on the cell
// grid, keeps a caret on the cursor, coalesces repaints, scrolls through the
// scroll-back and hands the bytes it produces to its host.
//
// Drawing is incremental: rows the terminal marks as changed are rendered
// into a persistent image of the text area at the next display update, and
// paint events only copy the exposed part of that image, so a blinking caret
// or one changed row never re-renders the screen.
//
// Display updates run at most once per displayDelay. A change that arrives
// when no update ran within that window is drawn on the next turn of the
// event loop (a typed key echoes at once); changes that follow within the
// window wait for its end and are drawn together.
//
// Everything runs on the GUI thread.
class TerminalView : public QWidget, public TerminalDelegate {
    Q_OBJECT
public:
    // The coalescing window of display updates.
    static constexpr std::chrono::nanoseconds displayDelay{16'670'000};
    static constexpr double minimumScrollThumb = 0.01;

    explicit TerminalView(QWidget* parent = nullptr, const std::optional<QFont>& font = std::nullopt);
    ~TerminalView() override;

    // ---- host, terminal -------------------------------------------------
    TerminalViewDelegate* terminalDelegate() const { return terminalDelegate_; }
    void setTerminalDelegate(TerminalViewDelegate* delegate) { terminalDelegate_ = delegate; }
    Terminal& getTerminal() { return *terminal_; }
    SelectionService& selection() { return *selection_; }
    CaretView* caretView() const { return caretView_; }
    QScrollBar* scroller() const { return scroller_; }

    // ---- fonts and sizing ---------------------------------------------------
    const QFont& terminalFont() const { return fontSet_->normal(); }
    // Re-measures the cell, resizes the grid and drops the selection.
    void setTerminalFont(const QFont& font);
    // Goes back to the default font, measured like any other font change.
    void resetFontSize();
    const FontSet& fontSet() const { return *fontSet_; }
    QSizeF cellDimension() const { return cellDimension_; }
    // Device pixels per logical pixel of the view's window.
    double backingScale() const;
    QSizeF computeFontDimensions() const;
    int scrollerWidth() const;
    // Cell size × grid plus the scroller.
    QSize getOptimalFrameSize() const;
    // Recomputes the grid for a widget size; true when it changed.
    bool processSizeChange(QSize newSize);
    // Resizes the terminal to an explicit grid and reports it to the host;
    // the terminal's modes are kept.
    void resizeGrid(int cols, int rows);
    void changeScrollback(std::optional<int> lines);
    QRect caretFrame() const;

    // ---- colours ------------------------------------------------------------
    QColor nativeForegroundColor() const { return colors_.nativeForeground; }
    void setNativeForegroundColor(const QColor& color);
    QColor nativeBackgroundColor() const { return colors_.nativeBackground; }
    void setNativeBackgroundColor(const QColor& color);
    // The system's text colours from the widget palette.
    void configureNativeColors();
    QColor caretColor() const;
    void setCaretColor(const QColor& color);
    std::optional<QColor> caretTextColor() const;
    void setCaretTextColor(const std::optional<QColor>& color);
    QColor selectedTextBackgroundColor() const { return selectedTextBackgroundColor_; }
    void setSelectedTextBackgroundColor(const QColor& color) { selectedTextBackgroundColor_ = color; }
    bool caretViewTracksFocus() const;
    void setCaretViewTracksFocus(bool value);
    bool useBrightColors() const { return colors_.useBrightColors(); }
    // Drops the colour caches and repaints, so cells already drawn follow.
    void setUseBrightColors(bool value);
    bool customBlockGlyphs() const { return customBlockGlyphs_; }
    void setCustomBlockGlyphs(bool value);
    bool antiAliasCustomBlockGlyphs() const { return antiAliasCustomBlockGlyphs_; }
    void setAntiAliasCustomBlockGlyphs(bool value);
    // Installs 16 base colours (any other count leaves the palette alone),
    // then drops the caches and repaints.
    void installColors(const std::vector<Color>& colors);
    // Drops the attribute caches and repaints the whole screen.
    void colorsChanged();
    ViewColorCache& colorCache() { return colors_; }
    void setCursorColor(const std::optional<Color>& color, const std::optional<Color>& textColor);

    // ---- behaviour settings -------------------------------------------------
    bool notifyUpdateChanges = false;
    bool allowMouseReporting = true;
    bool backspaceSendsControlH = false;
    bool optionAsMetaKey = true;
    LinkReporting linkReporting = LinkReporting::implicitLinks;
    LinkHighlightMode linkHighlightMode = LinkHighlightMode::hoverWithModifier;
    // Highlighted link: one column range per buffer row.
    struct LinkRowRange {
        int row = 0;
        int start = 0;
        int end = 0;
    };
    std::optional<std::vector<LinkRowRange>> linkHighlightRange;
    bool commandActive = false;

    // ---- focus ----------------------------------------------------------------
    // Whether the view has the keyboard focus in the active window.
    bool viewHasFocus() const;
    void setViewHasFocus(bool value);

    // ---- feeding and display updates ------------------------------------------
    void feed(std::span<const uint8_t> bytes);
    void feed(std::string_view text);
    void queuePendingDisplay();
    bool pendingDisplay() const { return pendingDisplay_; }
    // Redraws what the terminal marked as changed. With notifyAccessibility
    // (scheduled updates and scrolling) a listening assistive technology
    // hears accessibleChange() of the changed rows as a value change and a
    // text update of the view.
    // How long a change waits for its display update, given the time since
    // the last scheduled update began (nothing: none ran yet): no wait after
    // a quiet window, else the rest of the window in whole milliseconds,
    // rounded up so that updates stay at least displayDelay apart.
    static std::chrono::milliseconds displayWait(std::optional<std::chrono::nanoseconds> sinceLastUpdate);
    void updateDisplay(bool notifyAccessibility);
    // What assistive technology hears when screen rows first..last changed:
    // their text, and where it starts as a cell offset over the screen's
    // lines (as selectedRange() counts); nothing for rows past the lines.
    struct AccessibleChange {
        int offset = 0;
        QString text;
    };
    std::optional<AccessibleChange> accessibleChange(int first, int last);

    // ---- scrolling ------------------------------------------------------------
    double scrollThumbsize();
    double scrollPosition();
    bool canScroll();
    void scrollToPosition(double position);
    void scrollTo(int row, bool notifyAccessibility);
    void pageUp();
    void pageDown();
    void scrollUp(int lines);
    void scrollDown(int lines);
    // Shows the screen's own lines: the last page of the scroll-back.
    void scrollToBottom();
    void ensureCaretIsVisible();

    // ---- sending ------------------------------------------------------------
    void send(std::span<const uint8_t> data);
    void send(std::string_view text);
    void sendKeyUp();
    void sendKeyDown();
    void sendKeyLeft();
    void sendKeyRight();

    // ---- keyboard and text input ----------------------------------------------
    // Keys take one of two roads: the enhanced keyboard protocol while the
    // active screen has keyboard flags, else the traditional encoding (Alt
    // as Meta, the Control mapping, function keys, editing commands).
    // Ctrl+Shift+C and Ctrl+Shift+V copy and paste, Shift+Insert pastes the
    // primary selection; Ctrl+Alt+Shift+O toggles optionAsMetaKey. While the
    // normal screen is shown, Shift+Page Up/Down page the view, Shift+Home
    // and Shift+End move it to the top and bottom of the scroll-back, and
    // Ctrl+Shift+Up/Down move it a line; Page Up/Down and Home/End alone go
    // to the program.
    void keyDown(const KeyInput& key);
    void keyUp(const KeyInput& key);
    // A modifier key went down or up.
    void flagsChanged(const KeyInput& key, bool down);
    void doCommand(EditingCommand command);
    // Typed or committed text; a paste is wrapped in the bracketed-paste
    // markers while the terminal asks for them.
    void insertText(const QString& text, bool isPaste = false);
    // The input method's uncommitted text (empty ends the composition).
    void setMarkedText(const QString& text, int cursor = 0);
    void unmarkText();
    QString markedText() const;
    bool kittyIsComposing() const { return kittyIsComposing_; }
    // The selection as a range of text offsets (row × columns + column over
    // the displayed screen's lines); nothing without a selection or when
    // both ends meet.
    struct TextRange {
        long long location = 0;
        long long length = 0;
        friend bool operator==(const TextRange&, const TextRange&) = default;
    };
    std::optional<TextRange> selectedRange() const;
    // The caret's rectangle and the font for the input method's window.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    // The selection's text to the clipboard; the clipboard's text as a paste.
    // Pastes send every line end as CR, as typed Returns, and an empty paste
    // sends nothing.
    void copy();
    void paste();
    // The X primary selection as a paste (Shift+Insert).
    void pastePrimarySelection();
    // The byte Control turns one character into; empty for text that is not
    // one ASCII character or has no control byte.
    static std::vector<uint8_t> applyControlToEventCharacters(const QString& text);
    // Text with every bracketed-paste marker taken out, so that a paste can
    // never close its bracket early.
    static std::string sanitizedPaste(std::string text);

    // The enhanced keyboard protocol: true when the encoder produced bytes
    // and they were sent.
    bool sendKittyEvent(const KittyKeyEvent& event);
    std::optional<KittyKeyEvent> kittyTextEvent(const KeyInput& key, KittyKeyboardEventType eventType,
                                                std::optional<std::string> text) const;

    // ---- GPU drawing ----------------------------------------------------------
    // Draws the text area through OpenGL 3.3 core instead of the CPU, in a
    // surface above the view's own drawing that also draws the cursor (the
    // caret view stays hidden meanwhile). Switching on first sets the
    // renderer up in a private context and throws GpuError, installing
    // nothing, when that fails; switching off goes back to the CPU renderer
    // and the caret view. Asking for the state in force does nothing.
    // shaderFolders are searched for the shader stages before the built-in
    // ones. Nothing in the application turns this on.
    void setUseGpu(bool value, const QStringList& shaderFolders = {});
    bool useGpu() const { return gpuSurface_ != nullptr; }
    GpuTerminalSurface* gpuSurface() const { return gpuSurface_; }
    // How the GPU renderer keeps rows in GPU buffers; read at every frame.
    GpuBufferingMode gpuBufferingMode = GpuBufferingMode::perRowPersistent;
    // The absolute buffer rows changed since the GPU renderer last asked
    // (both ends included), and forgets them.
    std::optional<std::pair<int, int>> takeGpuDirtyRange();
    // Advances whenever every row is to be drawn again (colours, fonts,
    // selection, size), so that cached GPU rows are rebuilt.
    uint64_t renderGeneration() const { return renderGeneration_; }
    // Asks the GPU surface, when there is one, for a frame.
    void queueGpuDisplay();

    // ---- rows ---------------------------------------------------------------
    ViewLineInfo buildAttributedString(int row, const BufferLine& line, int cols);
    // The selected columns of a buffer row, as a half-open range.
    std::optional<std::pair<int, int>> selectedColumnsRange(int row, int cols);
    // Places the caret on the cursor of the displayed screen.
    void updateCursorPosition();
    // The text and face drawn inside a block caret for a cell.
    QString caretText(const CharData& cell) const;
    FontFace caretFace(const CharData& cell) const;

    // ---- TerminalDelegate -----------------------------------------------------
    void showCursor(Terminal& source) override;
    void hideCursor(Terminal& source) override;
    void setTerminalTitle(Terminal& source, const std::string& title) override;
    std::optional<std::vector<uint8_t>> windowCommand(Terminal& source,
                                                      const WindowManipulationCommand& command) override;
    void sizeChanged(Terminal& source) override;
    void send(Terminal& source, std::span<const uint8_t> data) override;
    void scrolled(Terminal& source, int yDisp) override;
    void linefeed(Terminal& source) override;
    void bufferActivated(Terminal& source) override;
    void synchronizedOutputChanged(Terminal& source, bool active) override;
    void bell(Terminal& source) override;
    void selectionChanged(Terminal& source) override;
    bool isProcessTrusted(Terminal& source) override;
    std::optional<std::pair<int, int>> cellSizeInPixels(Terminal& source) override;
    void cursorStyleChanged(Terminal& source, CursorStyle newStyle) override;
    void hostCurrentDirectoryUpdated(Terminal& source) override;
    void colorChanged(Terminal& source, std::optional<int> idx) override;
    void setForegroundColor(Terminal& source, const Color& color) override;
    void setBackgroundColor(Terminal& source, const Color& color) override;
    void iTermContent(Terminal& source, std::span<const uint8_t> content) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    // Tab and Shift+Tab belong to the child, not to focus navigation.
    bool focusNextPrevChild(bool next) override;

    QtExecutor& executor() { return executor_; }

private:
    // A key press handed on to the text-input stage, kept so the text that
    // comes back is reported with its key.
    struct PendingKittyKeyEvent {
        KeyInput event;
        KittyKeyboardEventType eventType = KittyKeyboardEventType::press;
    };

    bool handleViewShortcut(const KeyInput& key);
    void legacyKeyDown(const KeyInput& key);
    void kittyKeyDown(const KeyInput& key);
    void kittyKeyUp(const KeyInput& key);
    bool kittyDoCommand(EditingCommand command);
    void kittyInsertText(const QString& text);
    // The desktop's text-input stage: text or an editing command.
    void interpretKeyEvent(const KeyInput& key);
    void sendBracketedPaste(const std::string& text);
    KittyKeyboardFlags kittyFlags() const;
    void placePreedit();

    void setupOptions(int width, int height);
    void resetFont();
    void resetCaches();
    void setupScroller();
    void refreshScroller();
    void scrollerActionTriggered(int action);
    void updateRowPainterGeometry();
    // Marks screen rows first..last for rendering and asks for their repaint;
    // toBottom also covers the strip below the last row.
    void invalidateRows(int first, int last, bool toBottom);
    void invalidateAll();
    // Tells assistive technology the text of screen rows first..last.
    void announceChangedRows(int first, int last);
    // Renders the rows marked for rendering into the text image.
    void renderDirtyRows();
    void renderRow(QPainter& painter, Buffer& screen, int screenRow);
    QRect textAreaRect() const;
    // Keeps the GPU surface over the text area.
    void placeGpuSurface();
    int textAreaWidth() const;

    TerminalViewDelegate* terminalDelegate_ = nullptr;
    QtExecutor executor_;
    std::unique_ptr<FontSet> fontSet_;
    QSizeF cellDimension_;
    bool cellMeasured_ = false;
    std::unique_ptr<Terminal> terminal_;
    std::unique_ptr<SelectionService> selection_;
    CaretView* caretView_ = nullptr;
    QScrollBar* scroller_ = nullptr;
    ViewColorCache colors_;
    RowPainter rowPainter_;
    QColor selectedTextBackgroundColor_;
    bool customBlockGlyphs_ = true;
    bool antiAliasCustomBlockGlyphs_ = false;
    bool hasFocus_ = false;
    bool settingFg_ = false;
    bool settingBg_ = false;

    bool pendingDisplay_ = false;
    QTimer displayTimer_;
    // Started when the last scheduled display update began.
    QElapsedTimer lastDisplayUpdate_;

    bool kittyIsComposing_ = false;
    std::optional<PendingKittyKeyEvent> pendingKittyKeyEvent_;
    PreeditView* preeditView_ = nullptr;

    GpuTerminalSurface* gpuSurface_ = nullptr;
    std::optional<std::pair<int, int>> gpuDirtyRange_;
    uint64_t renderGeneration_ = 0;

    // The rendered text area, in device pixels.
    QImage textImage_;
    std::vector<bool> dirtyRows_;
    bool bottomStripDirty_ = true;
};

}  // namespace corvel
