#include "corvel/qt/TerminalView.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <QFocusEvent>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWindow>

#include "corvel/base/Diagnostics.h"
#include "corvel/qt/CaretView.h"
#include "corvel/qt/PreeditView.h"
#include "corvel/qt/TerminalDebugView.h"
#include "corvel/qt/TerminalViewDelegate.h"
#include "corvel/qt/ViewColors.h"
#include "corvel/terminal/SelectionService.h"

namespace corvel {

namespace {

// Rounds halves away from zero.
long long roundAway(double v) { return std::llround(v); }

} // namespace

TerminalView::TerminalView(QWidget* parent, const std::optional<QFont>& font)
    : QWidget(parent), executor_(this), fontSet_(std::make_unique<FontSet>(font.value_or(FontSet::defaultFont())))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    selectedTextBackgroundColor_ = palette().color(QPalette::Active, QPalette::Highlight);

    displayTimer_.setSingleShot(true);
    displayTimer_.setTimerType(Qt::PreciseTimer);
    connect(&displayTimer_, &QTimer::timeout, this, [this] {
        updateDisplay(true);
        pendingDisplay_ = false;
        // The window counts from the end of the update, so that the next one
        // starts a whole window later however long this one took.
        lastDisplayUpdate_.start();
    });

    setupScroller();
    setupOptions(std::max(0, width() - scrollerWidth()), height());
    preeditView_ = new PreeditView(this);
    setupProgressBar();
    setCursor(Qt::IBeamCursor);
    scroller_->setCursor(Qt::ArrowCursor);

    // Any window of the application gaining the focus restarts a blinking
    // caret; the application losing it stops the blink at full opacity.
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
        if (window) {
            caretView_->updateCursorStyle();
        } else {
            caretView_->disableAnimations();
            caretView_->updateView();
        }
    });
}

TerminalView::~TerminalView()
{
    // The terminal outlives nothing of ours: stop it calling back first.
    if (terminal_)
        terminal_->setDelegate(nullptr);
    // The debug overlay looks back at this view when it goes; let it go while
    // this is still a whole view rather than among the widget's children.
    delete debug;
}

// ---- set-up -------------------------------------------------------------------

void TerminalView::setupOptions(int width, int height)
{
    resetCaches();
    cellDimension_ = computeFontDimensions();
    cellMeasured_ = true;

    TerminalOptions options;
    options.cols = std::max(Terminal::MINIMUM_COLS, static_cast<int>(width / cellDimension_.width()));
    options.rows = std::max(Terminal::MINIMUM_ROWS, static_cast<int>(height / cellDimension_.height()));
    options.convertEol = false;
    options.termName = "xterm-256color";
    options.cursorStyle = CursorStyle::blinkBlock;
    options.screenReaderMode = false;
    options.scrollback = 500;
    options.tabStopWidth = 8;
    options.enableSixelReported = true;
    options.kittyImageCacheLimitBytes = 335'544'320;
    options.ansi256PaletteStrategy = Ansi256PaletteStrategy::base16Lab;

    if (terminal_) {
        terminal_->options = options;
        terminal_->setup(false);
    } else {
        terminal_ = std::make_unique<Terminal>(this, options);
        terminal_->setExecutor(&executor_);
        colors_.setPalette(&terminal_->ansiColors());
    }
    terminal_->setBackgroundColor(Color::defaultBackground);
    terminal_->setForegroundColor(Color::defaultForeground);

    selection_ = std::make_unique<SelectionService>(*terminal_);
    search_ = std::make_unique<SearchService>(*terminal_);

    const QRectF cell(0, 0, cellDimension_.width(), cellDimension_.height());
    if (caretView_) {
        caretView_->setCellFrame(QRectF(caretView_->cellFrame().topLeft(), cellDimension_));
        caretView_->updateCursorStyle();
    } else {
        caretView_ = new CaretView(cell, options.cursorStyle, this);
        caretView_->show();
    }
    updateRowPainterGeometry();
    invalidateAll();
}

void TerminalView::resetCaches() { colors_.resetCaches(); }

QSizeF TerminalView::computeFontDimensions() const { return fontSet_->computeCellDimension(backingScale()); }

double TerminalView::backingScale() const
{
    if (window() && window()->windowHandle())
        return window()->windowHandle()->devicePixelRatio();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        return screen->devicePixelRatio();
    return 1;
}

int TerminalView::scrollerWidth() const { return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this); }

int TerminalView::textAreaWidth() const { return std::max(0, width() - scrollerWidth()); }

QRect TerminalView::textAreaRect() const { return QRect(0, 0, textAreaWidth(), height()); }

void TerminalView::setTerminalFont(const QFont& font)
{
    fontSet_ = std::make_unique<FontSet>(font);
    rowPainter_.clearGlyphCache();
    resetFont();
    if (selection_->active())
        selection_->selectNone();
}

void TerminalView::resetFontSize() { setTerminalFont(FontSet::defaultFont()); }

void TerminalView::resetFont()
{
    resetCaches();
    cellDimension_ = computeFontDimensions();
    updateRowPainterGeometry();
    // The scroller takes its room whatever made the grid change.
    const int cols = static_cast<int>(textAreaWidth() / cellDimension_.width());
    const int rows = static_cast<int>(height() / cellDimension_.height());
    terminal_->resize(cols, rows);
    sizeChanged(*terminal_);
    if (caretView_) {
        caretView_->setCellFrame(QRectF(caretView_->cellFrame().topLeft(), cellDimension_));
        caretView_->updateCursorStyle();
    }
    invalidateAll();
    updateCursorPosition();
}

bool TerminalView::processSizeChange(QSize newSize)
{
    if (!cellMeasured_)
        return false;
    const int cols = static_cast<int>((newSize.width() - scrollerWidth()) / cellDimension_.width());
    const int rows = static_cast<int>(newSize.height() / cellDimension_.height());
    if (cols == terminal_->cols && rows == terminal_->rows)
        return false;
    selection_->setActive(false);
    search_->invalidate();
    // The terminal keeps a grid of its own bounds and refuses one over its
    // most: the host hears the grid it has, and only when that changed.
    const int oldCols = terminal_->cols;
    const int oldRows = terminal_->rows;
    terminal_->resize(cols, rows);
    if (terminal_->cols == oldCols && terminal_->rows == oldRows)
        return false;
    if (terminalDelegate_)
        terminalDelegate_->sizeChanged(*this, terminal_->cols, terminal_->rows);
    refreshScroller();
    return true;
}

void TerminalView::resizeGrid(int cols, int rows)
{
    terminal_->resize(cols, rows);
    sizeChanged(*terminal_);
}

void TerminalView::changeScrollback(std::optional<int> lines)
{
    terminal_->normalBuffer().changeHistorySize(lines);
    terminal_->options.scrollback = lines.value_or(0);
    terminal_->updateRange(0);
    terminal_->updateRange(terminal_->rows - 1);
    refreshScroller();
    if (terminalDelegate_)
        terminalDelegate_->scrolled(*this, scrollPosition());
    queuePendingDisplay();
}

QSize TerminalView::getOptimalFrameSize() const
{
    return QSize(static_cast<int>(std::ceil(cellDimension_.width() * terminal_->cols)) + scrollerWidth(),
                 static_cast<int>(std::ceil(cellDimension_.height() * terminal_->rows)));
}

QRect TerminalView::caretFrame() const { return caretView_ ? caretView_->geometry() : QRect(); }

void TerminalView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (scroller_)
        scroller_->setGeometry(width() - scrollerWidth(), 0, scrollerWidth(), height());
    placeGpuSurface();
    processSizeChange(event->size());
    selection_->setActive(false);
    refreshScroller();
    updateRowPainterGeometry();
    invalidateAll();
    updateCursorPosition();
}

void TerminalView::updateRowPainterGeometry()
{
    RowPainter::Geometry g;
    g.fonts = fontSet_.get();
    g.cellSize = cellDimension_;
    g.scale = backingScale();
    g.cols = terminal_ ? terminal_->cols : 80;
    g.viewWidth = textAreaWidth();
    g.nativeForeground = colors_.nativeForeground;
    g.nativeBackground = colors_.nativeBackground;
    g.antialiasCustomGlyphs = antiAliasCustomBlockGlyphs_;
    rowPainter_.setGeometry(g);
}

// ---- colours --------------------------------------------------------------------

void TerminalView::setNativeForegroundColor(const QColor& color)
{
    if (settingFg_)
        return;
    settingFg_ = true;
    colors_.nativeForeground = color;
    terminal_->setForegroundColor(toTerminalColor(color));
    settingFg_ = false;
    updateRowPainterGeometry();
}

void TerminalView::setNativeBackgroundColor(const QColor& color)
{
    if (settingBg_)
        return;
    settingBg_ = true;
    colors_.nativeBackground = color;
    terminal_->setBackgroundColor(toTerminalColor(color));
    settingBg_ = false;
    updateRowPainterGeometry();
}

void TerminalView::configureNativeColors()
{
    setNativeForegroundColor(palette().color(QPalette::Active, QPalette::Text));
    setNativeBackgroundColor(palette().color(QPalette::Active, QPalette::Base));
}

QColor TerminalView::caretColor() const { return caretView_->caretColor(); }
void TerminalView::setCaretColor(const QColor& color)
{
    caretView_->setCaretColor(color);
    queueGpuDisplay();
}
std::optional<QColor> TerminalView::caretTextColor() const { return caretView_->caretTextColor(); }
void TerminalView::setCaretTextColor(const std::optional<QColor>& color)
{
    caretView_->setCaretTextColor(color);
    queueGpuDisplay();
}
bool TerminalView::caretViewTracksFocus() const { return caretView_->tracksFocus(); }
void TerminalView::setCaretViewTracksFocus(bool value)
{
    caretView_->setTracksFocus(value);
    queueGpuDisplay();
}

void TerminalView::setUseBrightColors(bool value)
{
    colors_.setUseBrightColors(value);
    colorsChanged();
}

void TerminalView::setCustomBlockGlyphs(bool value)
{
    customBlockGlyphs_ = value;
    terminal_->updateFullScreen();
    queuePendingDisplay();
}

void TerminalView::setAntiAliasCustomBlockGlyphs(bool value)
{
    antiAliasCustomBlockGlyphs_ = value;
    updateRowPainterGeometry();
    terminal_->updateFullScreen();
    queuePendingDisplay();
}

void TerminalView::installColors(const std::vector<Color>& colors)
{
    terminal_->installPalette(colors);
    colors_.resetPalette();
    colorsChanged();
}

void TerminalView::colorsChanged()
{
    colors_.clearAttributeCaches();
    updateRowPainterGeometry();
    if (!terminal_)
        return; // still being created
    terminal_->updateFullScreen();
    queuePendingDisplay();
}

void TerminalView::setCursorColor(const std::optional<Color>& color, const std::optional<Color>& textColor)
{
    caretView_->setCaretColor(color ? toQColor(*color) : caretView_->defaultCaretColor());
    caretView_->setCaretTextColor(textColor ? std::optional<QColor>(toQColor(*textColor))
                                            : caretView_->defaultCaretTextColor());
    queueGpuDisplay();
}

// ---- focus ------------------------------------------------------------------------

bool TerminalView::viewHasFocus() const
{
    const QWidget* top = window();
    return hasFocus_ && (!top || !top->isWindow() || top->isActiveWindow() || !top->isVisible());
}

void TerminalView::setViewHasFocus(bool value)
{
    hasFocus_ = value;
    caretView_->setFocused(value);
    caretView_->updateView();
    queueGpuDisplay();
}

void TerminalView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    setViewHasFocus(true);
    caretView_->updateCursorStyle();
    terminal_->setTerminalFocus(true);
}

void TerminalView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    // The release of the link modifier goes to whatever has the keyboard now.
    turnOffUrlPreview();
    caretView_->disableAnimations();
    setViewHasFocus(false);
    terminal_->setTerminalFocus(false);
}

bool TerminalView::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ScreenChangeInternal:
        // A new device-pixel ratio: measure and render again.
        resetCaches();
        cellDimension_ = computeFontDimensions();
        updateRowPainterGeometry();
        processSizeChange(size());
        invalidateAll();
        updateCursorPosition();
        break;
    default: break;
    }
    return QWidget::event(event);
}

// ---- scroller ---------------------------------------------------------------------

void TerminalView::setupScroller()
{
    if (!scroller_) {
        scroller_ = new QScrollBar(Qt::Vertical, this);
        scroller_->setGeometry(width() - scrollerWidth(), 0, scrollerWidth(), height());
        connect(scroller_, &QAbstractSlider::actionTriggered, this, &TerminalView::scrollerActionTriggered);
    }
    scroller_->setRange(0, 0);
    scroller_->setEnabled(false);
}

void TerminalView::refreshScroller()
{
    if (!scroller_ || !terminal_)
        return;
    Buffer& screen = terminal_->displayBuffer();
    const bool enabled = canScroll();
    const int maximum = enabled ? std::max(0, screen.lines().count() - screen.rows()) : 0;
    const int pageStep = std::max(1, screen.rows());
    const int value = enabled ? std::clamp(screen.yDisp(), 0, maximum) : 0;
    if (scroller_->isEnabled() != enabled || scroller_->maximum() != maximum || scroller_->minimum() != 0
        || scroller_->pageStep() != pageStep || scroller_->value() != value)
        willRepaint(scroller_->geometry());
    const QSignalBlocker block(scroller_);
    scroller_->setEnabled(enabled);
    scroller_->setRange(0, maximum);
    scroller_->setPageStep(pageStep);
    scroller_->setValue(value);
}

void TerminalView::scrollerActionTriggered(int action)
{
    switch (action) {
    case QAbstractSlider::SliderPageStepSub: pageUp(); break;
    case QAbstractSlider::SliderPageStepAdd: pageDown(); break;
    case QAbstractSlider::SliderMove: {
        const int maximum = scroller_->maximum();
        if (maximum > 0)
            scrollToPosition(static_cast<double>(scroller_->sliderPosition()) / maximum);
        break;
    }
    case QAbstractSlider::SliderSingleStepSub: writeDebugDiagnostic("Scroller .decrementLine clicked"); break;
    case QAbstractSlider::SliderSingleStepAdd: writeDebugDiagnostic("Scroller .incrementLine clicked"); break;
    default: writeDebugDiagnostic("Scroller: New value introduced"); break;
    }
    // The bar shows where the view is, not where the click would have put it.
    Buffer& screen = terminal_->displayBuffer();
    if (action != QAbstractSlider::SliderMove)
        scroller_->setSliderPosition(std::clamp(screen.yDisp(), 0, scroller_->maximum()));
}

// ---- terminal callbacks ------------------------------------------------------------

void TerminalView::showCursor(Terminal&)
{
    if (caretView_)
        updateCursorPosition();
}

void TerminalView::hideCursor(Terminal&)
{
    if (caretView_)
        caretView_->hide();
    queueGpuDisplay();
}

void TerminalView::setTerminalTitle(Terminal&, const std::string& title)
{
    if (terminalDelegate_)
        terminalDelegate_->setTerminalTitle(*this, title);
}

std::optional<std::vector<uint8_t>> TerminalView::windowCommand(Terminal& source,
                                                                const WindowManipulationCommand& command)
{
    if (!cellMeasured_)
        return std::nullopt;
    const double scale = backingScale();
    const auto reply = [&source](char kind, long long height, long long width) {
        std::string text(source.csi());
        text += kind;
        text += ';' + std::to_string(height) + ';' + std::to_string(width) + 't';
        return std::optional<std::vector<uint8_t>>(std::vector<uint8_t>(text.begin(), text.end()));
    };
    switch (command.kind) {
    case WindowManipulationCommand::Kind::reportTextAreaPixelDimension:
        return reply('4',
                     roundAway(cellDimension_.height() * scale * source.rows),
                     roundAway(cellDimension_.width() * scale * source.cols));
    case WindowManipulationCommand::Kind::reportCellSizeInPixels:
        return reply('6',
                     static_cast<long long>(cellDimension_.height() * scale),
                     static_cast<long long>(cellDimension_.width() * scale));
    case WindowManipulationCommand::Kind::resizeWindowTo:
        writeDebugDiagnosticf("Request to resize to %dx%d", command.a, command.b);
        return std::nullopt;
    default: return std::nullopt;
    }
}

void TerminalView::sizeChanged(Terminal& source)
{
    if (terminalDelegate_)
        terminalDelegate_->sizeChanged(*this, source.cols, source.rows);
    refreshScroller();
}

std::size_t TerminalView::unsentBytes(Terminal&)
{
    return terminalDelegate_ ? terminalDelegate_->unsentBytes(*this) : 0;
}

void TerminalView::send(Terminal&, std::span<const uint8_t> data)
{
    if (terminalDelegate_)
        terminalDelegate_->send(*this, data);
}

void TerminalView::scrolled(Terminal&, int)
{
    refreshScroller();
    if (terminalDelegate_)
        terminalDelegate_->scrolled(*this, scrollPosition());
}

void TerminalView::linefeed(Terminal&)
{
    if (allowMouseReporting && selection_ && selection_->active())
        selection_->selectNone();
}

void TerminalView::bufferActivated(Terminal&) { refreshScroller(); }

void TerminalView::synchronizedOutputChanged(Terminal&, bool)
{
    refreshScroller();
    queuePendingDisplay();
}

void TerminalView::bell(Terminal&)
{
    if (terminalDelegate_)
        terminalDelegate_->bell(*this);
}

void TerminalView::selectionChanged(Terminal&)
{
    if (!terminal_)
        return;
    terminal_->updateFullScreen();
    queuePendingDisplay();
}

bool TerminalView::isProcessTrusted(Terminal&) { return true; }

std::optional<std::pair<int, int>> TerminalView::cellSizeInPixels(Terminal&)
{
    const double scale = backingScale();
    return std::pair<int, int>(static_cast<int>(roundAway(cellDimension_.width() * scale)),
                               static_cast<int>(roundAway(cellDimension_.height() * scale)));
}

void TerminalView::cursorStyleChanged(Terminal&, CursorStyle newStyle)
{
    caretView_->setStyle(newStyle);
    caretView_->setCellFrame(QRectF(caretView_->cellFrame().topLeft(), cellDimension_));
    caretView_->updateCursorStyle();
    queueGpuDisplay();
}

void TerminalView::hostCurrentDirectoryUpdated(Terminal& source)
{
    if (terminalDelegate_)
        terminalDelegate_->hostCurrentDirectoryUpdate(*this, source.currentDirectory());
}

void TerminalView::colorChanged(Terminal&, std::optional<int> idx)
{
    if (idx)
        colors_.resetPaletteSlot(*idx);
    else
        colors_.resetPalette();
    colorsChanged();
}

// The terminal already holds the colour: store it without handing it back,
// and while the host is setting it, keep the host's own colour.
void TerminalView::setForegroundColor(Terminal&, const Color& color)
{
    if (!settingFg_)
        colors_.nativeForeground = toQColor(color);
    colorsChanged();
}

void TerminalView::setBackgroundColor(Terminal&, const Color& color)
{
    if (!settingBg_)
        colors_.nativeBackground = toQColor(color);
    colorsChanged();
}

void TerminalView::iTermContent(Terminal&, std::span<const uint8_t> content)
{
    if (terminalDelegate_)
        terminalDelegate_->iTermContent(*this, content);
}

} // namespace corvel
