#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include "corvel/terminal/Terminal.h"
#include "corvel/terminal/TerminalDelegate.h"

#include "corvel/base/Color.h"
#include "corvel/qt/FontSet.h"
#include "corvel/qt/LinkOptions.h"
#include "corvel/qt/QtExecutor.h"
#include "corvel/qt/RowPainter.h"
#include "corvel/qt/ViewColorCache.h"
#include "corvel/qt/ViewLineInfo.h"

class QScrollBar;

namespace corvel {

class CaretView;
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
// Everything runs on the GUI thread.
class TerminalView : public QWidget, public TerminalDelegate {
    Q_OBJECT
public:
    // The coalescing window of display updates.
    static constexpr int displayDelayMilliseconds = 17;
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
    void updateDisplay(bool notifyAccessibility);

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
    void ensureCaretIsVisible();

    // ---- sending ------------------------------------------------------------
    void send(std::span<const uint8_t> data);
    void send(std::string_view text);
    void sendKeyUp();
    void sendKeyDown();
    void sendKeyLeft();
    void sendKeyRight();

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

private:
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
    // Renders the rows marked for rendering into the text image.
    void renderDirtyRows();
    void renderRow(QPainter& painter, Buffer& screen, int screenRow);
    QRect textAreaRect() const;
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

    // The rendered text area, in device pixels.
    QImage textImage_;
    std::vector<bool> dirtyRows_;
    bool bottomStripDirty_ = true;
};

}  // namespace corvel
