#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "corvel/base/CharSet.h"
#include "corvel/base/Color.h"
#include "corvel/base/Executor.h"
#include "corvel/base/Position.h"
#include "corvel/images/KittyGraphicsState.h"
#include "corvel/model/Attribute.h"
#include "corvel/model/Buffer.h"
#include "corvel/model/BufferLine.h"
#include "corvel/model/CharData.h"
#include "corvel/model/TinyAtom.h"
#include "corvel/parser/EscapeSequenceParser.h"
#include "corvel/parser/ParserHandler.h"
#include "corvel/terminal/GraphemeTable.h"
#include "corvel/terminal/KittyKeyboardFlags.h"
#include "corvel/terminal/Line.h"
#include "corvel/terminal/LinkLookupLocation.h"
#include "corvel/terminal/LinkLookupMode.h"
#include "corvel/terminal/LinkMatch.h"
#include "corvel/terminal/ProgressReport.h"
#include "corvel/terminal/TerminalDelegate.h"
#include "corvel/terminal/TerminalOptions.h"
#include "corvel/terminal/TextEncoding.h"
#include "corvel/terminal/WindowManipulationCommand.h"

namespace corvel {

struct KittyPlacementContext;
class KittyPlacementHost;
class TerminalImageHost;

// The state machine of one terminal: two screens (normal with scroll-back,
// alternate without), the parser, modes, character sets, the current
// attribute, palettes, titles, the grapheme table, the changed-row range and
// the Kitty image store. Bytes from the child go to parser().parse() (or
// feed()); the terminal answers through its delegate.
//
// Used from one thread only; takes no locks. The implementation is split by
// family: Terminal.cpp (state and lifecycle), TerminalPrint.cpp (printing and
// character sets), TerminalScroll.cpp (line feed, index, scrolling),
// TerminalCursor.cpp (cursor placement), TerminalDispatch.cpp (the sequence
// switches), TerminalCursorCommands.cpp, TerminalEditing.cpp,
// TerminalRectangles.cpp, TerminalModes.cpp, TerminalSynchronizedOutput.cpp,
// TerminalReports.cpp, TerminalOsc.cpp (titles and colours),
// TerminalHostCommands.cpp (hyperlinks and the other host commands) and
// TerminalImages.cpp.
class Terminal : protected ParserHandler {
public:
    static constexpr int MINIMUM_COLS = 2;
    static constexpr int MINIMUM_ROWS = 1;
    // The largest screen: a bigger size is refused (resize) or cut to it
    // (options), so no caller can make a screen of gigabytes.
    static constexpr int MAXIMUM_COLS = 4096;
    static constexpr int MAXIMUM_ROWS = 4096;
    // The most titles either title stack keeps; older entries are dropped.
    static constexpr size_t maxTitleStackDepth = 10;

    enum class MouseMode : uint8_t { off, x10, vt200, buttonEventTracking, anyEvent };
    enum class MouseProtocolEncoding : uint8_t { x10, utf8, sgr, urxvt, sgrPixel };
    enum class TerminalConformance { vt100, vt200, vt300, vt400, vt500 };
    using ProgressReportState = ProgressReport::State;

    struct KeyboardModeState {
        static constexpr size_t maxStackDepth = 16;
        KittyKeyboardFlags flags;
        std::vector<KittyKeyboardFlags> stack;
    };

    // Replies start and end with 7-bit or 8-bit introducers.
    struct CC {
        bool send8bit = false;
    };

    // The ANSI and private modes (TerminalModes.cpp) and the state they
    // keep. Auto-wrap, insert and the margins also live on each screen,
    // which printing reads; the modes set all three together.
    struct Modes {
        bool applicationKeypad = false; // DECKPAM, DECNKM
        bool applicationCursor = false; // DECCKM
        bool sendFocus = false; // 1004: focus reports
        bool cursorHidden = false; // DECTCEM, inverted
        bool originMode = false; // DECOM
        bool marginMode = false; // DECLRMM
        bool insertMode = false; // IRM
        bool wraparound = false; // DECAWM
        bool bracketedPasteMode = false; // 2004
        bool reverseWraparound = false; // 45
        bool cursorBlink = false; // 12
        bool allow80To132 = true; // 40
        // Set by DECCOLM to 132 columns; a full reset then returns to 80.
        // Any other change of the size clears it.
        bool column132Mode = false;
        bool lineFeedMode = false; // LNM
        bool smoothScroll = false; // 4, recorded only
        MouseProtocolEncoding mouseProtocol = MouseProtocolEncoding::x10;
    };

    struct HyperlinkTracking {
        Position start;
        std::string payload;
    };

    // An inclusive range of rows; empty when start is INT_MAX and end -1.
    struct UpdateRange {
        int startY;
        int endY;
        friend bool operator==(const UpdateRange&, const UpdateRange&) = default;
    };

    // A piece of a reply: bytes, text or one byte.
    struct ResponseItem {
        ResponseItem(std::span<const uint8_t> bytes) : bytes(bytes) {}
        ResponseItem(const std::vector<uint8_t>& bytes) : bytes(bytes) {}
        ResponseItem(std::string_view text) : bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size()) {}
        ResponseItem(const char* text) : ResponseItem(std::string_view(text)) {}
        ResponseItem(const std::string& text) : ResponseItem(std::string_view(text)) {}
        ResponseItem(uint8_t byte) : single(byte), isSingle(true) {}
        std::span<const uint8_t> bytes;
        uint8_t single = 0;
        bool isSingle = false;
    };

    Terminal(TerminalDelegate* delegate, const TerminalOptions& options = TerminalOptions::defaultOptions());
    ~Terminal() override;

    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // ---- wiring --------------------------------------------------------
    TerminalDelegate* delegate() const { return tdel; }
    void setDelegate(TerminalDelegate* delegate) { tdel = delegate; }
    EscapeSequenceParser& parser() { return *parser_; }
    // Where delayed work (the synchronized-output timeout) runs; none by default.
    void setExecutor(Executor* executor) { executor_ = executor; }
    Executor* executor() const { return executor_; }
    // A handler for one OSC number; it replaces the built-in meaning.
    void registerOscHandler(int64_t code, std::function<void(std::span<const uint8_t>)> handler);
    bool silentLog = true;

    // ---- feeding ---------------------------------------------------------
    void feed(std::span<const uint8_t> bytes) { parser_->parse(bytes); }
    void feed(std::string_view text) { parser_->parse({reinterpret_cast<const uint8_t*>(text.data()), text.size()}); }

    // ---- size and screens --------------------------------------------------
    int cols = 80;
    int rows = 25;
    const int tabStopWidth = 8;
    TerminalOptions options;
    std::pair<int, int> getDims() const { return {cols, rows}; }
    // Sizes below the minimum grow to it; above the maximum the size is
    // refused with a diagnostic and false is returned.
    bool resize(int newCols, int newRows);
    void resizeBuffers(int newColumns, int newRows);
    void changeScrollback(std::optional<int> lines);

    Buffer& buffer() { return *buffer_; }
    const Buffer& buffer() const { return *buffer_; }
    Buffer& normalBuffer() { return *normalBuffer_; }
    Buffer& altBuffer() { return *altBuffer_; }
    bool isCurrentBufferAlternate() const { return buffer_ == altBuffer_.get(); }
    // What the view draws: the synchronized-output snapshot while one is held.
    Buffer& displayBuffer() { return synchronizedOutputBuffer ? *synchronizedOutputBuffer : *buffer_; }
    bool isDisplayBufferAlternate() const
    {
        return synchronizedOutputBuffer ? synchronizedOutputBufferIsAlternate : isCurrentBufferAlternate();
    }

    void activateNormalBuffer(bool clearAlt);
    void activateAltBuffer(std::optional<Attribute> fillAttr);
    void resetNormalBuffer();
    void setup(bool isReset);
    // A full reset for hosts, without resetting the parser.
    void resetToInitialState();

    // ---- changed rows ----------------------------------------------------
    void updateRange(int y, bool scrolling = false);
    void updateRange(Buffer& borrowing, int y, bool scrolling = false);
    void updateFullScreen();
    void refresh(int startRow, int endRow);
    std::optional<UpdateRange> getUpdateRange() const;
    std::optional<UpdateRange> getScrollInvariantUpdateRange() const;
    void clearUpdateRange();

    // ---- queries -----------------------------------------------------------
    std::pair<int, int> getCursorLocation() const;
    int getTopVisibleRow() const;
    BufferLine* getLine(int row);
    BufferLine* getScrollInvariantLine(int row);
    std::optional<CharData> getCharData(int col, int row);
    std::optional<std::u32string> getCharacter(int col, int row);
    const Attribute& currentAttribute() const { return curAttr; }
    // The level DECSCL chose (a full or soft reset returns to VT500).
    TerminalConformance conformanceLevel() const { return conformance; }
    KittyKeyboardFlags keyboardEnhancementFlags() const { return keyboardMode().flags; }
    // How many flag sets the current screen's keyboard-mode stack holds
    // (CSI > u pushes, CSI < u pops).
    size_t keyboardModeStackDepth() const { return keyboardMode().stack.size(); }

    // ---- cells and characters ------------------------------------------------
    int32_t code(std::u32string_view character) { return graphemes_.code(character); }
    std::u32string character(int32_t code) const { return graphemes_.character(code); }
    std::u32string getCharacter(const CharData& cell) const { return graphemes_.character(cell.code); }
    // The cell's character as UTF-8 (grapheme indexes resolved).
    std::string characterUtf8(const CharData& cell) const;
    // A screen row as text, trailing blanks trimmed (for hosts, tools and tests).
    std::string lineText(int row);
    const GraphemeTable& graphemeTable() const { return graphemes_; }
    CharData makeCharData(const Attribute& attribute, int32_t code, int8_t size) const
    {
        return CharData(attribute, code, size);
    }
    CharData makeCharData(const Attribute& attribute, std::u32string_view character, int8_t size)
    {
        return CharData(attribute, code(character), size);
    }
    void updateCharData(CharData& cell, std::u32string_view character, int32_t size)
    {
        cell.setValue(code(character), size);
    }
    void updateCharData(CharData& cell, int32_t code, int32_t size) { cell.setValue(code, size); }

    // ---- reading text and links back (TerminalText.cpp, TerminalLinks.cpp) -------
    // Rows of the positions given here are absolute line indexes of a screen.
    enum class BufferKind { active, normal, alt };
    using LinkLookupLocation = corvel::LinkLookupLocation;
    using LinkLookupMode = corvel::LinkLookupMode;
    using LinkMatch = corvel::LinkMatch;
    // The text from start up to end (exclusive) of the current screen.
    std::string getText(Position start, Position end);
    // The same from the screen the view shows (the synchronized-output
    // snapshot while one is held).
    std::string getDisplayText(Position start, Position end);
    // The visual lines between two ordered positions of a screen.
    std::vector<Line> getSelectedLines(Position start, Position end, Buffer& buffer);
    // The text of one row between two columns (end -1: the whole row).
    std::string translateBufferLineToString(Buffer& buffer, int line, int start, int end);
    // Every line of a screen, each followed by a line feed.
    std::vector<uint8_t> getBufferAsData(BufferKind kind, TextEncoding encoding = TextEncoding::utf8);
    // The link at a location of the screen the view shows.
    std::optional<LinkMatch> linkMatch(const LinkLookupLocation& at, LinkLookupMode mode);
    std::optional<std::string> link(const LinkLookupLocation& at, LinkLookupMode mode);
    std::optional<Position> resolveLinkLocation(const LinkLookupLocation& location, Buffer& buffer);
    std::optional<LinkMatch> explicitLinkMatch(Position at, Buffer& buffer);
    std::optional<LinkMatch> implicitLinkMatch(Position at, Buffer& buffer);

    // ---- host-driven state ---------------------------------------------------
    // The directory (OSC 7) and the document (OSC 6) the program last
    // reported, as it wrote them; a full reset forgets the directory.
    const std::optional<std::string>& currentDirectory() const { return hostCurrentDirectory; }
    const std::optional<std::string>& currentDocument() const { return hostCurrentDocument; }
    const Color& foregroundColor() const { return foregroundColor_; }
    const Color& backgroundColor() const { return backgroundColor_; }
    const std::optional<Color>& cursorColor() const { return cursorColor_; }
    void setForegroundColor(const Color& color);
    void setBackgroundColor(const Color& color);
    void setCursorColor(const std::optional<Color>& color);
    Ansi256PaletteStrategy ansi256PaletteStrategy() const { return options.ansi256PaletteStrategy; }
    void setAnsi256PaletteStrategy(Ansi256PaletteStrategy strategy);
    // Takes 16 base colours and rebuilds the palette from them (other counts
    // are ignored); the delegate is not told.
    void installPalette(std::span<const Color> colors);
    // The 16 base colours, the 256 colours built from them, and the 256 in
    // use (OSC 4 changes these, OSC 104 and the soft reset restore them).
    const std::vector<Color>& installedColors() const { return installedColors_; }
    const std::vector<Color>& defaultAnsiColors() const { return defaultAnsiColors_; }
    const std::vector<Color>& ansiColors() const { return ansiColors_; }
    void setTerminalFocus(bool focused);
    void showCursor();
    void hideCursor();
    // Releases every hyperlink handle that no cell of any live terminal and
    // no open link uses, so that the handles never run out for good.
    void garbageCollectPayload();
    MouseMode mouseMode() const { return mouseMode_; }
    void setMouseMode(MouseMode mode);
    const Modes& modes() const { return modes_; }
    // DECCKM from the host, as the child would set it.
    void setApplicationCursor(bool on) { modes_.applicationCursor = on; }

    // ---- replies -----------------------------------------------------------
    // The most bytes waiting for a child that does not read its input before
    // further replies are dropped, until half of them have been read; the
    // first time, a diagnostic says so.
    static constexpr std::size_t maxUnsentReplyBytes = 4 << 20;
    void sendResponse(std::initializer_list<ResponseItem> items);
    void sendResponse(std::string_view text);
    // Whether replies use 8-bit introducers (S8C1T, S7C1T, DECSCL).
    const CC& cc() const { return cc_; }
    // The introducers in the form cc().send8bit asks for.
    std::string_view csi() const { return cc_.send8bit ? "\x9b" : "\x1b["; }
    std::string_view dcs() const { return cc_.send8bit ? "\x90" : "\x1bP"; }
    std::string_view osc() const { return cc_.send8bit ? "\x9d" : "\x1b]"; }
    std::string_view st() const { return cc_.send8bit ? "\x9c" : "\x1b\\"; }

    // ---- cursor placement --------------------------------------------------
    // Holds the cursor on the screen (in the region in origin mode); with
    // setToMaximum false a pending wrap survives.
    void restrictCursor(bool setToMaximum = true);
    void setCursor(int col, int row);
    void cursorForward(int count);
    // CUB and BS: back to the left margin, or with auto-wrap and reverse
    // wrap both on, on to the end of the row above.
    void cursorBackward(int count);

    // ---- printing and character sets -----------------------------------------
    void handlePrint(std::span<const uint8_t> data);
    void setgLevel(uint8_t level);
    void setgCharset(uint8_t slot, const CharSet* charset);
    void selectCharset(uint8_t intermediate, uint8_t final);

    // ---- line feed, index and scrolling ----------------------------------------
    virtual void scroll(bool isWrapped);
    void emitLineFeed();
    void reverseIndex();
    void columnIndex(bool back);
    void columnScroll(bool back, int at);
    void resetBufferLine(int y, bool clearImages);
    Attribute eraseAttr() const;

    // ---- cursor movement and editing (TerminalEditing.cpp) ---------------------
    // ED 2: every row of the screen erased, every inline image dropped.
    void eraseScreen();
    void setLineRenderMode(BufferLine::RenderLineMode mode);

    // ---- modes, attributes, synchronized output (TerminalModes.cpp) ------------
    void setMode(int64_t mode, const Intermediates& collect);
    void resetMode(int64_t mode, const Intermediates& collect);
    // DECCOLM (private mode 3, while allow80To132 is set): 132 or 80
    // columns; the screen is erased, the scroll region, the margins and
    // origin mode reset and the cursor homed, and every other mode kept.
    void setColumnMode(bool wide);
    void announceScreenSwitch();
    void setCursorStyle(CursorStyle style);
    void softReset() { cmdSoftReset(); }

    // ---- synchronized output (TerminalSynchronizedOutput.cpp) --------------------
    // While it is on, displayBuffer() is a frozen copy of the rows the view
    // showed at the first begin. Without an executor it ends only on the
    // explicit end (or a reset or resize).
    void beginSynchronizedOutput();
    void endSynchronizedOutput();
    bool isSynchronizedOutputActive() const { return synchronizedOutputActive; }
    // Puts `row` at the top of the view on the current screen and, while a
    // frame is held, on the frame too, so that the view scrolls either.
    void scrollDisplayTo(int row);

    // ---- reports (TerminalReports.cpp) -----------------------------------------
    DcsHandler* makeStatusStringHandler();
    // The answer to one status-string request (DECRQSS) as the reply sends it.
    void answerStatusString(std::span<const uint8_t> request);

    // ---- rectangles (TerminalRectangles.cpp) ---------------------------------
    // A rectangle of screen cells, 0-based and inclusive.
    struct Rectangle {
        int top;
        int left;
        int bottom;
        int right;
        friend bool operator==(const Rectangle&, const Rectangle&) = default;
    };
    // Reads top, left, bottom, right (1-based; defaults, origin mode and
    // clamping to the screen applied) from the first four values given.
    std::optional<Rectangle> getRectangleFromRequest(std::span<const int64_t> pars);

    // ---- keyboard --------------------------------------------------------------
    // True when the sequence was a keyboard-protocol request.
    bool handleKittyKeyboardProtocol(const SequenceParams& pars, const Intermediates& collect);

    // ---- operating-system commands (TerminalOsc.cpp) ---------------------------
    void setTitle(std::string text);
    void setIconTitle(std::string text);
    // Pushes onto a title stack, dropping the oldest entry past the bound.
    static void pushTitle(std::vector<std::string>& stack, std::string title);
    // The last window and icon titles the program or the host set.
    const std::string& windowTitle() const { return terminalTitle; }
    const std::string& windowIconTitle() const { return iconTitle; }
    // The xterm title modes (CSI > Ps t sets them, CSI > Ps T resets them):
    // recorded, and cleared by a full reset.
    struct TitleModes {
        bool setHex = false;
        bool queryHex = false;
        bool setUtf = false;
        bool queryUtf = false;
    };
    TitleModes titleModes() const
    {
        return {xtermTitleSetHex, xtermTitleQueryHex, xtermTitleSetUtf, xtermTitleQueryUtf};
    }
    void resetAllColors();
    std::optional<ProgressReport> parseProgressReport(std::span<const uint8_t> data);

    // ---- inline images (TerminalImages.cpp) ------------------------------------
    void handleKittyGraphics(std::span<const uint8_t> data);
    void clearAllKittyImages();
    void clearKittyImages(Buffer& buffer, bool isAlternateBuffer);
    void updateKittyRelativePlacementsForCurrentBuffer();
    DcsHandler* makeSixelHandler();
    // The screens, cursor and store as the picture code sees them; a host
    // that attaches picture strips (ImageStripInserter) works through it.
    KittyPlacementHost& kittyPlacementHost();
    // The Kitty image store: pictures, placements and a pending transfer.
    const KittyGraphicsState& kittyGraphics() const { return kittyGraphicsState; }

protected:
    // ---- the parser's handler: the dispatch switches (TerminalDispatch.cpp) ----
    void print(std::span<const uint8_t> text) override { handlePrint(text); }
    void dispatchExecute(uint8_t code) override;
    bool dispatchEsc(const Intermediates& collect, uint8_t code) override;
    bool dispatchCsi(uint8_t code, const SequenceParams& pars, const Intermediates& collect) override;
    bool dispatchOsc(int64_t code, std::span<const uint8_t> data) override;
    bool dispatchApc(uint8_t kind, std::span<const uint8_t> data) override;
    DcsHandler* dispatchDcs(uint8_t code, const SequenceParams& pars, const Intermediates& collect) override;
    void escFallback(const Intermediates& collect, uint8_t code) override;
    void csiFallback(const SequenceParams& pars, const Intermediates& collect, uint8_t code) override;
    void oscFallback(int64_t code, std::span<const uint8_t> data) override;
    void apcFallback(uint8_t kind, std::span<const uint8_t> data) override;
    void parseError(const ParsingState& state) override;

    // Writes "Info: " + text on standard output unless silentLog is set.
    void log(std::string_view text) const;

    // Tabulation shared by HT, CHT and CBT.
    void tabForward(int64_t count);
    void tabBackward(int64_t count);
    void setTitleModeFlags(const SequenceParams& pars, bool value);

private:
    // The terminal's face to the picture code (TerminalImages.cpp) moves the
    // cursor as the commands do.
    friend class TerminalImageHost;

    // ---- command handlers, reached through the dispatch switches --------------
    // RIS (Terminal.cpp), printing controls, line feed and scrolling.
    void cmdReset();
    void cmdBackspace();
    void cmdLineFeedBasic();
    void cmdCarriageReturn();
    void cmdRepeatPrecedingCharacter(const SequenceParams& pars, const Intermediates& collect);
    void cmdIndex();
    void cmdNextLine();
    void cmdScrollUp(const SequenceParams& pars, const Intermediates& collect);
    void cmdScrollDown(const SequenceParams& pars);
    void cmdInsertLines(const SequenceParams& pars, const Intermediates& collect);
    void cmdDeleteLines(const SequenceParams& pars, const Intermediates& collect);
    // Cursor movement and editing (TerminalEditing.cpp).
    void cmdCursorPosition(const SequenceParams& pars, const Intermediates& collect);
    void cmdEraseInDisplay(const SequenceParams& pars, const Intermediates& collect);
    void cmdEraseInLine(const SequenceParams& pars, const Intermediates& collect);
    void cmdSetScrollRegion(const SequenceParams& pars, const Intermediates& collect);
    void cmdSaveCursor(const SequenceParams& pars, const Intermediates& collect);
    void cmdRestoreCursor(const SequenceParams& pars, const Intermediates& collect);
    void cmdCursorUp(const SequenceParams& pars, const Intermediates& collect);
    void cmdCursorDown(const SequenceParams& pars, const Intermediates& collect);
    void cmdCursorCharAbsolute(const SequenceParams& pars, const Intermediates& collect);
    void cmdCharPosAbsolute(const SequenceParams& pars, const Intermediates& collect);
    void cmdHPositionRelative(const SequenceParams& pars, const Intermediates& collect);
    void cmdLinePosAbsolute(const SequenceParams& pars, const Intermediates& collect);
    void cmdVPositionRelative(const SequenceParams& pars, const Intermediates& collect);
    void cmdHVPosition(const SequenceParams& pars, const Intermediates& collect);
    void cmdTabClear(const SequenceParams& pars, const Intermediates& collect);
    void cmdSetMargins(const SequenceParams& pars, const Intermediates& collect);
    void cmdInsertChars(const SequenceParams& pars, const Intermediates& collect);
    void cmdDeleteChars(const SequenceParams& pars, const Intermediates& collect);
    void cmdEraseChars(const SequenceParams& pars, const Intermediates& collect);
    void cmdDeleteColumns(const SequenceParams& pars, const Intermediates& collect);
    void cmdInsertColumns(const SequenceParams& pars);
    void cmdScreenAlignmentPattern();
    // Modes and graphic rendition (TerminalModes.cpp).
    void cmdSetMode(const SequenceParams& pars, const Intermediates& collect);
    void cmdResetMode(const SequenceParams& pars, const Intermediates& collect);
    void cmdCsiM(const SequenceParams& pars, const Intermediates& collect);
    void cmdCharAttributes(const SequenceParams& pars);
    void cmdSetCursorStyle(const SequenceParams& pars, const Intermediates& collect);
    void cmdSoftReset();
    // DECRQM: decMode true for the private form.
    void cmdDecRqm(const SequenceParams& pars, bool decMode);
    // Reports (TerminalReports.cpp).
    void cmdSendDeviceAttributes(const SequenceParams& pars, const Intermediates& collect);
    void cmdDeviceStatus(const SequenceParams& pars, const Intermediates& collect);
    void csiPHandler(const SequenceParams& pars, const Intermediates& collect);
    void cmdWindowOptions(const SequenceParams& pars);
    void cmdDECRQCRA(const SequenceParams& pars, const Intermediates& collect);
    void cmdSetConformanceLevel(const SequenceParams& pars, const Intermediates& collect);
    // Rectangles (TerminalRectangles.cpp).
    void cmdDECERA(const SequenceParams& pars);
    void cmdSelectiveEraseRectangularArea(const SequenceParams& pars);
    void csiCopyRectangularArea(const SequenceParams& pars, const Intermediates& collect);
    void csiX(const SequenceParams& pars, const Intermediates& collect);
    void csiZ(const SequenceParams& pars, const Intermediates& collect);
    void csiOpenBrace(const SequenceParams& pars, const Intermediates& collect);
    void csiCloseBrace(const SequenceParams& pars, const Intermediates& collect);
    // Operating-system commands (TerminalOsc.cpp, TerminalHostCommands.cpp).
    void oscChangeOrQueryColorIndex(std::span<const uint8_t> data);
    void oscSetColors(std::span<const uint8_t> data, int startAt);
    void oscResetColor(std::span<const uint8_t> data);
    void oscSetCurrentDocument(std::span<const uint8_t> data);
    void oscSetCurrentDirectory(std::span<const uint8_t> data);
    void oscHyperlink(std::span<const uint8_t> data);
    void oscNotification(std::span<const uint8_t> data);
    void osciTerm2(std::span<const uint8_t> data);
    void oscClipboard(std::span<const uint8_t> data);
    std::unique_ptr<Buffer> makeBuffer(int bufferCols, int bufferRows, std::optional<int> scrollback);
    void installScrollCallback(Buffer& screen);
    void printGeneral(std::span<const uint8_t> data);
    void printScalar(char32_t scalar, int width);
    bool joinPrevious(char32_t scalar, int width);
    bool lastStorageValid(const Buffer& screen) const
    {
        return screen.lastBufferStorage.cols == cols && screen.lastBufferStorage.rows == rows;
    }
    // What joining a scalar to a cell's character gives: no cluster, a
    // selector that does not apply, or the code of the joined cluster.
    enum class JoinOutcome : uint8_t { separate, dropped, joined };
    struct JoinResult {
        JoinOutcome outcome;
        int32_t code;
    };
    JoinResult joinCharacter(int32_t previousCode, char32_t scalar);
    void resetFully(bool resetParser);
    void scheduleSynchronizedOutputTimeout();
    std::unique_ptr<Buffer> snapshotBuffer(Buffer& source);
    // Hands the line at `index` of `screen`, which output is about to drop or
    // reuse, to the synchronized-output frame that still shows it; true when
    // the frame took it (the screen must then put a new line in its place
    // before changing it).
    bool keepLineForSynchronizedOutput(Buffer& screen, int index);
    void setHyperlinkAtom(TinyAtom atom);
    // Hands a colour to the host with its guard up: a host that stores it
    // back into the terminal (as the default does) only stores it, so a
    // change reaches the host without coming back to tell it again.
    template <typename Value>
    void tellHostColor(bool& guard, void (TerminalDelegate::*call)(Terminal&, const Value&), const Value& value)
    {
        if (!tdel)
            return;
        const bool wasUp = guard;
        guard = true;
        (tdel->*call)(*this, value);
        guard = wasUp;
    }
    // Releases the unused hyperlink handles of every live terminal.
    static void collectUnusedHyperlinks();
    // Adds a terminal to, or removes it from, the terminals whose cells keep
    // hyperlink handles alive.
    static void registerLive(Terminal* terminal, bool live);
    BufferLine& cursorLine();
    void ensureBlankLine();
    // DECLRMM on the terminal and both screens; turning it off returns both
    // screens' margins to the whole width.
    void setMarginMode(bool on);
    // IRM and DECAWM on the terminal and both screens.
    void setInsertMode(bool on);
    void setWraparound(bool on);
    // Sets an encoding of mouse reports; resetting any returns to the X10
    // encoding and turns tracking off.
    void setMouseEncoding(bool on, MouseProtocolEncoding encoding);
    void switchScreen(bool alternate, bool clearAlt, bool withCursor);
    // The modes of SM, RM, DECSET, DECRST and DECRQM (TerminalModes.cpp).
    struct ModeEntry;
    static const ModeEntry* findMode(int64_t number, bool isPrivate);

    TerminalDelegate* tdel = nullptr;
    // True when the delegate can take another reply; says once per backlog
    // that replies are being dropped.
    bool replyFits();
    bool droppingReplies_ = false;
    bool reportedDroppedReplies_ = false;
    Executor* executor_ = nullptr;
    // Expires with the terminal; delayed work holds it weakly.
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
    std::unique_ptr<EscapeSequenceParser> parser_;
    std::unordered_map<int64_t, std::function<void(std::span<const uint8_t>)>> oscHandlers_;
    std::unique_ptr<Buffer> normalBuffer_;
    std::unique_ptr<Buffer> altBuffer_;
    Buffer* buffer_ = nullptr;
    GraphemeTable graphemes_;
    // Recent joins by (previous code, scalar): the same pair always joins
    // the same way, so clusters met again skip segmentation and hashing.
    struct JoinCacheEntry {
        int32_t previous = -1;
        char32_t scalar = 0;
        JoinResult result{JoinOutcome::separate, 0};
    };
    std::array<JoinCacheEntry, 256> joinCache_{};
    MouseMode mouseMode_ = MouseMode::off;
    Modes modes_;
    CC cc_;
    std::vector<Color> installedColors_;
    std::vector<Color> defaultAnsiColors_;
    std::vector<Color> ansiColors_;
    void rebuildAnsiPalette(bool notifyDelegate);
    Color foregroundColor_ = Color::defaultForeground;
    Color backgroundColor_ = Color::defaultBackground;
    std::optional<Color> cursorColor_;
    // Up while the host hears of a colour change, so that a host storing
    // the colour back only stores it (tellHostColor).
    bool settingFgColor = false;
    bool settingBgColor = false;
    bool settingCursorColor = false;
    // Titles (TerminalOsc.cpp) and the stacks CSI 22 t and CSI 23 t push and pop.
    std::string terminalTitle;
    std::string iconTitle;
    std::vector<std::string> terminalTitleStack;
    std::vector<std::string> terminalIconStack;
    bool xtermTitleSetUtf = false;
    bool xtermTitleSetHex = false;
    bool xtermTitleQueryUtf = false;
    bool xtermTitleQueryHex = false;
    // What printing uses: the attribute, the four designated sets G0 to G3
    // (none: ASCII), the set shifted in (gLevel) and the one it names.
    Attribute curAttr;
    std::array<const CharSet*, 4> gCharsets{};
    uint8_t gLevel = 0;
    const CharSet* charset = nullptr;
    TerminalConformance conformance = TerminalConformance::vt500;
    // The OSC 8 link open since its start, if any.
    std::optional<HyperlinkTracking> hyperLinkTracking;
    // Synchronized output: the frame the view shows meanwhile, which screen
    // it was taken from, and the pending end (TerminalSynchronizedOutput.cpp).
    double synchronizedOutputTimeoutSeconds = 1.0;
    bool synchronizedOutputActive = false;
    std::unique_ptr<Buffer> synchronizedOutputBuffer;
    bool synchronizedOutputBufferIsAlternate = false;
    Executor::CancelToken synchronizedOutputTimeoutItem;
    std::optional<std::string> hostCurrentDirectory;
    std::optional<std::string> hostCurrentDocument;
    KittyGraphicsState kittyGraphicsState;
    // The request being placed while the host draws a Kitty picture.
    KittyPlacementContext* kittyPlacementContext = nullptr;
    // When set, scrolling keeps the view on the rows it shows instead of
    // following the output; nothing sets it yet.
    bool userScrolling = false;
    // The keyboard-protocol flags and stack of each screen (TerminalKeyboard.cpp).
    KeyboardModeState keyboardModeNormal;
    KeyboardModeState keyboardModeAlt;
    const KeyboardModeState& keyboardMode() const
    {
        return isCurrentBufferAlternate() ? keyboardModeAlt : keyboardModeNormal;
    }
    std::unique_ptr<BufferLine> blankLine_;
    std::unique_ptr<DcsHandler> sixelHandler_;
    std::unique_ptr<DcsHandler> statusStringHandler_;
    // Made on first use (TerminalImages.cpp).
    std::shared_ptr<TerminalImageHost> imageHost_;
    TerminalImageHost& imageHost();

    int refreshStart = INT_MAX;
    int refreshEnd = -1;
    int scrollInvariantRefreshStart = INT_MAX;
    int scrollInvariantRefreshEnd = -1;
};

} // namespace corvel
