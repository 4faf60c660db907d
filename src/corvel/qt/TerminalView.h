#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
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
#include "corvel/terminal/SearchService.h"
#include "corvel/terminal/Terminal.h"
#include "corvel/terminal/TerminalDelegate.h"
#include "corvel/terminal/TraditionalKeyEncoder.h"

#include "corvel/base/Color.h"
#include "corvel/qt/ClickCounter.h"
#include "corvel/qt/EditingCommand.h"
#include "corvel/qt/FontSet.h"
#include "corvel/qt/KeyInput.h"
#include "corvel/qt/LinePicture.h"
#include "corvel/qt/LinkOptions.h"
#include "corvel/qt/QtExecutor.h"
#include "corvel/qt/RowPainter.h"
#include "corvel/qt/ScrollWheelAccumulator.h"
#include "corvel/qt/ViewColorCache.h"
#include "corvel/qt/ViewLineInfo.h"
#include "corvel/qt/gl/GpuRecords.h"
#include "corvel/qt/gl/PicturePixels.h"

class QLabel;
class QScrollBar;

namespace corvel {

class CaretView;
class GpuTerminalSurface;
class ImageStripInserter;
class PreeditView;
class SelectionService;
class TerminalDebugView;
class TerminalFindBarView;
class TerminalProgressBarView;
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
// Display updates run at most once per displayDelay, counted from the end of
// the last one. A change that arrives when no update ended within that window is drawn on the next turn of the
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
    // Highlighted link: one column range per buffer row.
    struct LinkRowRange {
        int row = 0;
        int start = 0;
        int end = 0;
        friend bool operator==(const LinkRowRange&, const LinkRowRange&) = default;
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
    // the last scheduled update ended (nothing: none ran yet): no wait after
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

    // The enhanced keyboard protocol: true when the encoder produced bytes
    // and they were sent.
    bool sendKittyEvent(const KittyKeyEvent& event);
    std::optional<KittyKeyEvent> kittyTextEvent(const KeyInput& key, KittyKeyboardEventType eventType,
                                                std::optional<std::string> text) const;

    // ---- GPU drawing ----------------------------------------------------------
    // Draws the text area through OpenGL 3.3 core instead of the CPU, in a
    // surface above the view's own drawing and below its other children (the
    // find bar, the progress strip, the link preview, overlays). The surface
    // also draws the cursor (the caret view stays hidden meanwhile) and the
    // pictures on lines, from the pixels this view hands over. Switching on
    // first sets the renderer up in a private context and throws GpuError,
    // installing nothing, when that fails; switching off goes back to the CPU
    // renderer and the caret view. Asking for the state in force does
    // nothing. shaderFolders are searched for the shader stages before the
    // built-in ones. Nothing in the application turns this on.
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
    // How the GPU renderer reads the pictures that lines hold (this view's
    // own): their size, and their pixels at the size the CPU drawing scales
    // them to, so that both draw the same pixels.
    static PicturePixels linePicturePixels();

    // ---- rows ---------------------------------------------------------------
    ViewLineInfo buildAttributedString(int row, const BufferLine& line, int cols);
    // The selected columns of a buffer row, as a half-open range.
    std::optional<std::pair<int, int>> selectedColumnsRange(int row, int cols);
    // Places the caret on the cursor of the displayed screen.
    void updateCursorPosition();
    // The text and face drawn inside a block caret for a cell.
    QString caretText(const CharData& cell) const;
    FontFace caretFace(const CharData& cell) const;

    // ---- pointer and selection (TerminalViewMouse.cpp) -------------------------
    // Presses, releases and drags become mouse reports while the program
    // asks for them and allowMouseReporting is on; otherwise they select
    // (double click: word or bracketed expression, triple click: row,
    // Shift+click: extend), a middle click pastes the X primary selection and
    // a Ctrl+click opens a link. The wheel scrolls the view.
    //
    // A point of the view as a cell (its column, and its absolute line of the
    // displayed screen clamped to the lines held, so points above or below
    // the view reach lines out of sight) and as device pixels from the
    // top-left corner, clamped to the view.
    struct MouseHit {
        Position grid;
        Position pixels;
    };
    MouseHit calculateMouseHit(QPointF point);
    // The button flags of a report: left 0, middle 1, right 2, a release 3,
    // with the modifier bits (Shift 4, Alt 8, Control 16) in the modes that
    // report them.
    int encodeMouseButton(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, bool release) const;
    bool selectionActive() const;
    // The selected text; none without an active selection.
    std::optional<std::string> getSelection();
    void selectAll();
    void selectNone();

    // ---- links (TerminalViewLinks.cpp) ---------------------------------------------
    // Ctrl is the link modifier: it shows an explicit link's URL at the
    // bottom-left corner and, in the modifier modes, highlights and opens links.
    LinkHighlightMode linkHighlightMode() const { return linkHighlightMode_; }
    void setLinkHighlightMode(LinkHighlightMode mode);
    // The OSC 8 payload of a cell of the displayed screen.
    std::optional<std::string> payloadString(Position at);
    // The hover highlight at a buffer position; the modifier state is the
    // override when given, else commandActive.
    void updateHoverLink(Position at, std::optional<bool> commandOverride = std::nullopt);
    struct LinkToOpen {
        std::string link;
        std::map<std::string, std::string> params;
        friend bool operator==(const LinkToOpen&, const LinkToOpen&) = default;
    };
    // The link a click at a buffer position opens under the highlight mode.
    std::optional<LinkToOpen> linkForClick(Position at, bool hasCommandModifier);
    void previewUrl(const std::string& payload);
    void turnOffUrlPreview();
    QLabel* urlPreview() const { return urlPreview_; }
    // The link modifier went down (also on every modifier change while it
    // stays down) or up.
    void linkModifierChanged(bool down);
    // Where a global pointer position falls on the view, in its coordinates;
    // none when the pointer is not over the view's picture. By default the
    // view's own mapping; a host that shows the view through a distortion
    // maps the pointer as it maps clicks, so that the link modifier finds
    // the link that the pointer shows.
    using PointerMapping = std::function<std::optional<QPointF>(const QPointF& global)>;
    void setPointerMapping(PointerMapping mapping) { pointerMapping_ = std::move(mapping); }
    const PointerMapping& pointerMapping() const { return pointerMapping_; }

    // ---- hosts that show the view's picture transformed --------------------
    // A host that draws the view bent or enlarged is told of each area (view
    // coordinates) of the text or the caret just before its repaint is asked
    // for, so it can repaint where that area shows in the same pass. The
    // view's other children repaint as plain widgets and are not told.
    using RepaintListener = std::function<void(const QRect& area)>;
    void setRepaintListener(RepaintListener listener) { repaintListener_ = std::move(listener); }
    void willRepaint(const QRect& area)
    {
        if (repaintListener_ && !area.isEmpty())
            repaintListener_(area);
    }
    // Pixels of the text's picture per device pixel of the window (1 by
    // default): a host that shows the picture enlarged or bent asks for a
    // finer one so text stays crisp there. Changing it redraws every row.
    double pictureScale() const { return pictureScale_; }
    void setPictureScale(double scale);

    // ---- search and find bar (TerminalViewSearch.cpp) -----------------------------
    // A hit becomes the selection and is scrolled into view; no hit turns the
    // selection off. The search continues from what is selected now.
    bool findNext(const std::string& term, const SearchOptions& options = {}, bool scrollToResult = true);
    bool findPrevious(const std::string& term, const SearchOptions& options = {}, bool scrollToResult = true);
    void clearSearch();
    SearchService& searchService() { return *search_; }
    // The find commands a host's menu or keys run.
    enum class FindCommand {
        showFindInterface = 1,
        nextMatch = 2,
        previousMatch = 3,
        useSelectionForFind = 7,
        hideFindInterface = 11,
        showReplaceInterface = 12,
        hideReplaceInterface = 13,
    };
    void performFindCommand(FindCommand command);
    bool isFindCommandEnabled(FindCommand command) const;
    // Made on first use and kept.
    TerminalFindBarView* findBar() const { return findBar_; }
    std::string findBarTerm;
    SearchOptions findBarOptions;

    // ---- progress strip and debug overlay (TerminalViewProgress.cpp) ---------------
    // OSC 9;4 reports show as a strip along the top edge, hidden 15 s after
    // the last report.
    static constexpr int progressReportTimeoutMilliseconds = 15'000;
    TerminalProgressBarView* progressBarView() const { return progressBarView_; }
    QTimer& progressReportTimer() { return progressReportTimer_; }
    std::optional<uint8_t> lastProgressValue() const { return lastProgressValue_; }
    void handleProgressReport(const ProgressReport& report);
    void clearProgressReport();
    // An attached overlay (TerminalDebugView) is updated after every display
    // update; nothing attaches one by default.
    TerminalDebugView* debug = nullptr;

    // ---- TerminalDelegate -----------------------------------------------------
    void showCursor(Terminal& source) override;
    void hideCursor(Terminal& source) override;
    void setTerminalTitle(Terminal& source, const std::string& title) override;
    std::optional<std::vector<uint8_t>> windowCommand(Terminal& source,
                                                      const WindowManipulationCommand& command) override;
    void sizeChanged(Terminal& source) override;
    void send(Terminal& source, std::span<const uint8_t> data) override;
    std::size_t unsentBytes(Terminal& source) override;
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
    void mouseModeChanged(Terminal& source) override;
    void progressReport(Terminal& source, const ProgressReport& report) override;
    // Pictures: straight RGBA pixels (Sixel, raw Kitty payloads) and encoded
    // files (PNG from the engine's decoder, other formats through Qt's).
    void createImageFromBitmap(Terminal& source, std::vector<uint8_t>&& bytes, int width, int height) override;
    void createImage(Terminal& source, std::span<const uint8_t> data, ImageSizeRequest width, ImageSizeRequest height,
                     bool preserveAspectRatio) override;

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
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

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

    // Pointer, links, search, pictures and progress.
    void sendMouseReport(int buttonFlags, const MouseHit& hit);
    void mouseSelect(QMouseEvent* event, const MouseHit& hit, int clickCount);
    void mouseDragSelect(const MouseHit& hit);
    void setPrimarySelectionFromSelection();
    // Pointer moves reach the view while a mode, a hover highlight or the
    // link modifier needs them.
    void updateMouseTracking();
    void setLinkHighlightRange(std::optional<std::vector<LinkRowRange>> range);
    void invalidateLinkHighlight(const std::optional<std::vector<LinkRowRange>>& oldRange,
                                 const std::optional<std::vector<LinkRowRange>>& newRange);
    void invalidateVisibleRows();
    TerminalFindBarView* ensureFindBar();
    void showFindBar(bool prefillSelection);
    void hideFindBar();
    void performFind(bool next);
    void setFindPasteboardFromSelection();
    void handleFindBarSearchChanged(const std::string& term);
    void scrollToReveal(int row);
    // The cells of a hit as shown now, in view coordinates.
    QRect hitArea(const SearchResult& hit) const;
    bool findHit(const std::string& term, const SearchOptions& options, bool scrollToResult, bool forwards);
    void setupProgressBar();
    // Places pictures on the lines at the cursor with the view's measures.
    ImageStripInserter stripInserter();
    // Draws the pictures of a row: those below the text (before the text
    // pass) or the rest (after it).
    void paintLinePictures(QPainter& painter, const ViewLineInfo& info, double rowTop, bool belowText);

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

    std::unique_ptr<SearchService> search_;
    LinkHighlightMode linkHighlightMode_ = LinkHighlightMode::hoverWithModifier;
    QLabel* urlPreview_ = nullptr;
    PointerMapping pointerMapping_;
    RepaintListener repaintListener_;
    double pictureScale_ = 1;
    TerminalFindBarView* findBar_ = nullptr;
    TerminalProgressBarView* progressBarView_ = nullptr;
    QTimer progressReportTimer_;
    std::optional<uint8_t> lastProgressValue_;
    ClickCounter clickCounter_;
    ScrollWheelAccumulator wheel_;
    // Where the primary button went down, while it is held and selecting.
    std::optional<Position> pressPosition_;
    bool selectedByPointer_ = false;
    // The cell and flags of the last motion report, so a move inside one
    // cell is reported once.
    std::optional<std::pair<Position, int>> lastMotionReport_;
    LinePicturePainter::PlaceholderPictures placeholderPictures_;

    bool kittyIsComposing_ = false;
    std::optional<PendingKittyKeyEvent> pendingKittyKeyEvent_;
    TraditionalKeyEncoder traditionalKeys_;
    PreeditView* preeditView_ = nullptr;

    GpuTerminalSurface* gpuSurface_ = nullptr;
    std::optional<std::pair<int, int>> gpuDirtyRange_;
    uint64_t renderGeneration_ = 0;

    // The rendered text area, in device pixels.
    QImage textImage_;
    std::vector<bool> dirtyRows_;
    bool bottomStripDirty_ = true;
};

} // namespace corvel
