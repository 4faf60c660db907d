// State and lifecycle of a terminal: construction, setup and resets, screen
// switches, resizing, the changed-row range, queries, colours and replies.

#include "corvel/terminal/Terminal.h"
#include "corvel/base/Diagnostics.h"

#include <algorithm>
#include <cstdio>

#include "corvel/base/Utf8.h"
#include "corvel/model/TinyAtom.h"

namespace corvel {

TerminalDelegate::~TerminalDelegate() = default;

void TerminalDelegate::setForegroundColor(Terminal& source, const Color& color) { source.setForegroundColor(color); }
void TerminalDelegate::setBackgroundColor(Terminal& source, const Color& color) { source.setBackgroundColor(color); }
void TerminalDelegate::setCursorColor(Terminal& source, const std::optional<Color>& color)
{
    source.setCursorColor(color);
}
TerminalDelegate::Colors TerminalDelegate::getColors(Terminal& source)
{
    return {source.foregroundColor(), source.backgroundColor()};
}

// ---- construction -------------------------------------------------------------------

Terminal::Terminal(TerminalDelegate* delegate, const TerminalOptions& initialOptions)
{
    installedColors_.assign(Color::terminalAppColors.begin(), Color::terminalAppColors.end());
    if (initialOptions.ansi256PaletteStrategy == Ansi256PaletteStrategy::base16Lab)
        defaultAnsiColors_
            = Color::generateBase16LabPalette(installedColors_, Color::defaultBackground, Color::defaultForeground);
    else
        defaultAnsiColors_ = Color::generateXtermPalette(installedColors_);
    ansiColors_ = defaultAnsiColors_;

    tdel = delegate;
    options = initialOptions;
    parser_ = std::make_unique<EscapeSequenceParser>(static_cast<ParserHandler&>(*this));

    normalBuffer_ = makeBuffer(80, 25, options.scrollback);
    normalBuffer_->fillViewportRows(std::nullopt);
    altBuffer_ = makeBuffer(80, 25, std::nullopt);
    buffer_ = normalBuffer_.get();
    cc_.send8bit = false;
    blankLine_ = std::make_unique<BufferLine>(0);

    setup(false);
    registerLive(this, true);
}

Terminal::~Terminal()
{
    registerLive(this, false);
    synchronizedOutputTimeoutItem.cancel();
}

std::unique_ptr<Buffer> Terminal::makeBuffer(int bufferCols, int bufferRows, std::optional<int> scrollback)
{
    auto screen = std::make_unique<Buffer>(bufferCols, bufferRows, tabStopWidth, scrollback);
    installScrollCallback(*screen);
    screen->setupTabStops(-1, tabStopWidth);
    return screen;
}

void Terminal::installScrollCallback(Buffer& screen)
{
    // The terminal owns its screens, so the callback never outlives it.
    screen.scroll = [this](bool isWrapped) { scroll(isWrapped); };
}

void Terminal::setup(bool isReset)
{
    cols = std::clamp(options.cols, MINIMUM_COLS, MAXIMUM_COLS);
    rows = std::clamp(options.rows, MINIMUM_ROWS, MAXIMUM_ROWS);
    if (!isReset && (cols < options.cols || rows < options.rows))
        writeDiagnosticf("A terminal of %d x %d cells is larger than %d x %d; it is made %d x %d",
                         options.cols,
                         options.rows,
                         MAXIMUM_COLS,
                         MAXIMUM_ROWS,
                         cols,
                         rows);

    if (isReset) {
        // Both screens start clean: a program that left the alternate
        // screen behind must not find its text there again.
        resetNormalBuffer();
        buffer_ = normalBuffer_.get();
        clearKittyImages(*altBuffer_, true);
        altBuffer_ = makeBuffer(cols, rows, std::nullopt);
    } else {
        normalBuffer_->resize(cols, rows);
        altBuffer_->resize(cols, rows);
    }

    modes_.cursorHidden = false;
    modes_.applicationKeypad = false;
    modes_.applicationCursor = false;
    modes_.originMode = false;
    setMarginMode(false);
    modes_.insertMode = false;
    normalBuffer_->insertMode = false;
    altBuffer_->insertMode = false;
    modes_.wraparound = true;
    normalBuffer_->wraparound = true;
    altBuffer_->wraparound = true;
    modes_.bracketedPasteMode = false;

    keyboardModeNormal = {};
    keyboardModeAlt = {};

    gCharsets = {};
    charset = gCharsets[0];
    gLevel = 0;

    curAttr = Attribute();

    setMouseMode(MouseMode::off);

    buffer_->setScrollTop(0);
    buffer_->setScrollBottom(rows - 1);

    cc_.send8bit = false;
    conformance = TerminalConformance::vt500;
    modes_.allow80To132 = true;
    xtermTitleSetUtf = xtermTitleSetHex = xtermTitleQueryUtf = xtermTitleQueryHex = false;
    hyperLinkTracking.reset();
    setHyperlinkAtom({});
    modes_.cursorBlink = false;
    hostCurrentDirectory.reset();
    modes_.lineFeedMode = options.convertEol;
}

void Terminal::resetNormalBuffer()
{
    const bool wasActive = buffer_ == normalBuffer_.get();
    normalBuffer_ = makeBuffer(cols, rows, options.scrollback);
    normalBuffer_->fillViewportRows(std::nullopt);
    if (wasActive)
        buffer_ = normalBuffer_.get();
}

void Terminal::activateNormalBuffer(bool clearAlt)
{
    if (buffer_ == normalBuffer_.get())
        return;
    if (altBuffer_->x() >= 0)
        normalBuffer_->setX(altBuffer_->x());
    if (altBuffer_->y() >= 0)
        normalBuffer_->setY(altBuffer_->y());
    if (clearAlt) {
        clearKittyImages(*altBuffer_, true);
        altBuffer_->clear();
    }
    buffer_ = normalBuffer_.get();
}

void Terminal::activateAltBuffer(std::optional<Attribute> fillAttr)
{
    if (buffer_ == altBuffer_.get())
        return;
    if (normalBuffer_->x() >= 0)
        altBuffer_->setX(normalBuffer_->x());
    if (normalBuffer_->y() >= 0)
        altBuffer_->setY(normalBuffer_->y());
    altBuffer_->fillViewportRows(fillAttr);
    buffer_ = altBuffer_.get();
    clearKittyImages(*altBuffer_, true);
}

void Terminal::cmdReset() { resetFully(true); }

void Terminal::resetToInitialState() { resetFully(false); }

void Terminal::resetFully(bool resetParser)
{
    if (resetParser)
        parser_->reset();
    endSynchronizedOutput();
    // A reset leaves 132-column mode for 80 columns.
    const bool leaves132 = modes_.column132Mode;
    if (leaves132)
        resize(80, rows);
    options.rows = rows;
    options.cols = cols;
    const bool wasHidden = modes_.cursorHidden;
    setup(true);
    // A reset homes the cursor, also when it started on the alternate
    // screen (whose cursor the activation would otherwise carry over).
    buffer_->setX(0);
    buffer_->setY(0);
    clearAllKittyImages();
    kittyGraphicsState.pending.reset();
    modes_.cursorHidden = wasHidden;
    updateRange(0);
    updateRange(rows - 1);
    if (leaves132 && tdel)
        tdel->sizeChanged(*this);
}

// ---- size ------------------------------------------------------------------------------

bool Terminal::resize(int newCols, int newRows)
{
    if (newCols > MAXIMUM_COLS || newRows > MAXIMUM_ROWS) {
        writeDiagnosticf("Cannot resize the terminal to %d x %d cells: the most is %d x %d",
                         newCols,
                         newRows,
                         MAXIMUM_COLS,
                         MAXIMUM_ROWS);
        return false;
    }
    newCols = std::max(MINIMUM_COLS, newCols);
    newRows = std::max(MINIMUM_ROWS, newRows);
    if (newCols == cols && newRows == rows)
        return true;
    modes_.column132Mode = false;
    endSynchronizedOutput();
    resizeBuffers(newCols, newRows);
    const int oldCols = cols;
    cols = newCols;
    rows = newRows;
    options.cols = cols;
    options.rows = rows;
    normalBuffer_->setupTabStops(oldCols, tabStopWidth);
    altBuffer_->setupTabStops(oldCols, tabStopWidth);
    updateRange(0);
    updateRange(rows - 1);
    return true;
}

void Terminal::resizeBuffers(int newColumns, int newRows)
{
    const int savedDistance = normalBuffer_->savedY - normalBuffer_->y();
    normalBuffer_->resize(newColumns, newRows);
    normalBuffer_->savedY = normalBuffer_->y() + savedDistance;
    altBuffer_->resize(newColumns, newRows);
}

void Terminal::changeScrollback(std::optional<int> lines)
{
    normalBuffer_->changeHistorySize(lines);
    options.scrollback = lines.value_or(0);
    updateRange(0);
    updateRange(rows - 1);
}

// ---- changed rows -------------------------------------------------------------------------

void Terminal::updateRange(int y, bool scrolling) { updateRange(*buffer_, y, scrolling); }

void Terminal::updateRange(Buffer& borrowing, int y, bool scrolling)
{
    if (!scrolling) {
        // A screen row's ring index; it stays put while the view scrolls back.
        const int line = y + borrowing.yBase();
        if (line >= 0) {
            scrollInvariantRefreshStart = std::min(scrollInvariantRefreshStart, line);
            scrollInvariantRefreshEnd = std::max(scrollInvariantRefreshEnd, line);
        }
    }
    if (y >= 0) {
        refreshStart = std::min(refreshStart, y);
        refreshEnd = std::max(refreshEnd, y);
    }
}

void Terminal::updateFullScreen()
{
    refreshStart = 0;
    refreshEnd = rows;
    scrollInvariantRefreshStart = buffer_->yDisp();
    scrollInvariantRefreshEnd = buffer_->yDisp() + rows;
}

void Terminal::refresh(int startRow, int endRow)
{
    updateRange(startRow);
    updateRange(endRow);
}

std::optional<Terminal::UpdateRange> Terminal::getUpdateRange() const
{
    if (refreshStart == INT_MAX && refreshEnd == -1)
        return std::nullopt;
    return UpdateRange{refreshStart, refreshEnd};
}

std::optional<Terminal::UpdateRange> Terminal::getScrollInvariantUpdateRange() const
{
    if (scrollInvariantRefreshStart == INT_MAX && scrollInvariantRefreshEnd == -1)
        return std::nullopt;
    return UpdateRange{scrollInvariantRefreshStart, scrollInvariantRefreshEnd};
}

void Terminal::clearUpdateRange()
{
    refreshStart = INT_MAX;
    refreshEnd = -1;
    scrollInvariantRefreshStart = INT_MAX;
    scrollInvariantRefreshEnd = -1;
}

// ---- queries ---------------------------------------------------------------------------------

std::pair<int, int> Terminal::getCursorLocation() const { return {buffer_->x(), buffer_->y()}; }

int Terminal::getTopVisibleRow() const { return buffer_->yDisp(); }

BufferLine* Terminal::getLine(int row)
{
    if (row < 0 || row >= rows)
        return nullptr;
    return &buffer_->lines()[buffer_->yDisp() + row];
}

BufferLine* Terminal::getScrollInvariantLine(int row)
{
    const int top = buffer_->linesTop;
    if (row < top || row >= top + buffer_->lines().count())
        return nullptr;
    return &buffer_->lines()[row - top];
}

std::optional<CharData> Terminal::getCharData(int col, int row)
{
    if (col < 0 || col >= cols)
        return std::nullopt;
    BufferLine* line = getLine(row);
    if (!line)
        return std::nullopt;
    return (*line)[col];
}

std::optional<std::u32string> Terminal::getCharacter(int col, int row)
{
    auto cell = getCharData(col, row);
    if (!cell)
        return std::nullopt;
    return character(cell->code);
}

std::string Terminal::characterUtf8(const CharData& cell) const
{
    std::string out;
    if (cell.code == 0)
        return out;
    if (graphemes_.contains(cell.code)) {
        for (char32_t c : graphemes_.character(cell.code))
            appendUtf8(out, c);
    } else {
        appendUtf8(out, cell.getCharacter());
    }
    return out;
}

std::string Terminal::lineText(int row)
{
    BufferLine* line = getLine(row);
    if (!line)
        return {};
    std::string out;
    int blanks = 0;
    for (const CharData& cell : line->cells()) {
        if (cell.width == 0)
            continue;
        if (cell.code == 0 || cell.code == ' ') {
            ++blanks;
            continue;
        }
        out.append(static_cast<size_t>(blanks), ' ');
        blanks = 0;
        out += characterUtf8(cell);
    }
    return out;
}

// ---- colours -------------------------------------------------------------------------------

void Terminal::setForegroundColor(const Color& color)
{
    foregroundColor_ = color;
    if (settingFgColor)
        return;
    tellHostColor(settingFgColor, &TerminalDelegate::setForegroundColor, foregroundColor_);
    if (options.ansi256PaletteStrategy == Ansi256PaletteStrategy::base16Lab)
        rebuildAnsiPalette(true);
}

void Terminal::setBackgroundColor(const Color& color)
{
    backgroundColor_ = color;
    if (settingBgColor)
        return;
    tellHostColor(settingBgColor, &TerminalDelegate::setBackgroundColor, backgroundColor_);
    if (options.ansi256PaletteStrategy == Ansi256PaletteStrategy::base16Lab)
        rebuildAnsiPalette(true);
}

void Terminal::setCursorColor(const std::optional<Color>& color)
{
    cursorColor_ = color;
    if (settingCursorColor)
        return;
    tellHostColor(settingCursorColor, &TerminalDelegate::setCursorColor, cursorColor_);
}

void Terminal::setAnsi256PaletteStrategy(Ansi256PaletteStrategy strategy)
{
    if (strategy == options.ansi256PaletteStrategy)
        return;
    options.ansi256PaletteStrategy = strategy;
    rebuildAnsiPalette(true);
}

void Terminal::rebuildAnsiPalette(bool notifyDelegate)
{
    if (options.ansi256PaletteStrategy == Ansi256PaletteStrategy::base16Lab)
        defaultAnsiColors_ = Color::generateBase16LabPalette(installedColors_, backgroundColor_, foregroundColor_);
    else
        defaultAnsiColors_ = Color::generateXtermPalette(installedColors_);
    ansiColors_ = defaultAnsiColors_;
    if (notifyDelegate && tdel)
        tdel->colorChanged(*this, std::nullopt);
}

void Terminal::resetAllColors()
{
    ansiColors_ = defaultAnsiColors_;
    if (tdel)
        tdel->colorChanged(*this, std::nullopt);
}

// ---- focus, cursor, mouse, titles ------------------------------------------------------------

void Terminal::setTerminalFocus(bool focused)
{
    if (!modes_.sendFocus)
        return;
    sendResponse({csi(), focused ? "I" : "O"});
}

void Terminal::showCursor()
{
    if (!modes_.cursorHidden)
        return;
    modes_.cursorHidden = false;
    if (tdel)
        tdel->showCursor(*this);
}

void Terminal::hideCursor()
{
    if (modes_.cursorHidden)
        return;
    modes_.cursorHidden = true;
    if (tdel)
        tdel->hideCursor(*this);
}

void Terminal::setMouseMode(MouseMode mode)
{
    mouseMode_ = mode;
    if (tdel)
        tdel->mouseModeChanged(*this);
}

void Terminal::setTitle(std::string text)
{
    terminalTitle = std::move(text);
    if (tdel)
        tdel->setTerminalTitle(*this, terminalTitle);
}

void Terminal::setIconTitle(std::string text)
{
    iconTitle = std::move(text);
    if (tdel)
        tdel->setTerminalIconTitle(*this, iconTitle);
}

void Terminal::pushTitle(std::vector<std::string>& stack, std::string title)
{
    if (stack.size() >= maxTitleStackDepth)
        stack.erase(stack.begin(), stack.begin() + static_cast<std::ptrdiff_t>(stack.size() - maxTitleStackDepth + 1));
    stack.push_back(std::move(title));
}

// ---- replies and logging ------------------------------------------------------------------------

void Terminal::sendResponse(std::initializer_list<ResponseItem> items)
{
    std::vector<uint8_t> bytes;
    for (const ResponseItem& item : items) {
        if (item.isSingle)
            bytes.push_back(item.single);
        else
            bytes.insert(bytes.end(), item.bytes.begin(), item.bytes.end());
    }
    if (tdel && replyFits())
        tdel->send(*this, bytes);
}

void Terminal::sendResponse(std::string_view text)
{
    if (tdel && replyFits())
        tdel->send(*this, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

bool Terminal::replyFits()
{
    // Once the bound is reached, replies stay dropped until the child has
    // read half of what waits. The terminal says so once.
    const std::size_t unsent = tdel->unsentBytes(*this);
    if (droppingReplies_ && unsent < maxUnsentReplyBytes / 2) {
        droppingReplies_ = false;
    } else if (!droppingReplies_ && unsent >= maxUnsentReplyBytes) {
        droppingReplies_ = true;
        if (!reportedDroppedReplies_)
            writeDiagnosticf("The program is not reading its input: replies are dropped while %zu MiB wait for it",
                             maxUnsentReplyBytes >> 20);
        reportedDroppedReplies_ = true;
    }
    return !droppingReplies_;
}

void Terminal::log(std::string_view text) const
{
    if (silentLog)
        return;
    writeDiagnosticf(diagnosticLimiter, "Info: %.*s", static_cast<int>(text.size()), text.data());
}

} // namespace corvel
