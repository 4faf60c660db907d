// The parser's dispatch: one switch per sequence family, each row calling one
// command of the terminal.

#include <algorithm>
#include <string>

#include "corvel/base/Base64.h"
#include "corvel/base/CharSets.h"
#include "corvel/base/Utf8.h"
#include "corvel/terminal/SequenceText.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {

namespace {

// A byte shown as the Unicode scalar of the same value.
std::string byteAsCharacter(uint8_t byte)
{
    std::string out;
    appendUtf8(out, byte);
    return out;
}

} // namespace

// ---- control bytes -----------------------------------------------------------

void Terminal::dispatchExecute(uint8_t code)
{
    switch (code) {
    case 0x07:
        if (tdel)
            tdel->bell(*this);
        break;
    case 0x08: cmdBackspace(); break;
    case 0x09: tabForward(1); break;
    case 0x0A:
    case 0x0B:
    case 0x0C: cmdLineFeedBasic(); break;
    case 0x0D: cmdCarriageReturn(); break;
    case 0x0E: setgLevel(1); break;
    case 0x0F: setgLevel(0); break;
    case 0x84: cmdIndex(); break;
    case 0x85: cmdNextLine(); break;
    case 0x88: buffer_->tabSet(buffer_->x()); break;
    default: break;
    }
}

// ---- ESC -------------------------------------------------------------------------

bool Terminal::dispatchEsc(const Intermediates& collect, uint8_t code)
{
    if (collect.empty()) {
        switch (code) {
        case '6': columnIndex(true); return true;
        case '7': cmdSaveCursor({}, {}); return true;
        case '8': cmdRestoreCursor({}, {}); return true;
        case '9': columnIndex(false); return true;
        case '=': modes_.applicationKeypad = true; return true;
        case '>': modes_.applicationKeypad = false; return true;
        case 'D': cmdIndex(); return true;
        case 'E': dispatchExecute(0x85); return true;
        case 'H': dispatchExecute(0x88); return true;
        case 'M': reverseIndex(); return true;
        case '\\': return true;
        case 'c': cmdReset(); return true;
        case 'n':
        case '}': setgLevel(2); return true;
        case 'o':
        case '|': setgLevel(3); return true;
        case '~': setgLevel(1); return true;
        default: return false;
        }
    }
    if (collect.size() != 1)
        return false;
    const uint8_t intermediate = collect[0];
    switch (intermediate) {
    case '(':
    case ')':
    case '*':
    case '+':
    case '-':
    case '.':
    case '/':
        if (!CharSets::find(code))
            return false;
        selectCharset(intermediate, code);
        return true;
    case '#':
        switch (code) {
        case '3': setLineRenderMode(BufferLine::RenderLineMode::doubledTop); return true;
        case '4': setLineRenderMode(BufferLine::RenderLineMode::doubledDown); return true;
        case '5': setLineRenderMode(BufferLine::RenderLineMode::single); return true;
        case '6': setLineRenderMode(BufferLine::RenderLineMode::doubleWidth); return true;
        case '8': cmdScreenAlignmentPattern(); return true;
        default: return false;
        }
    case '%':
        if (code != 'G' && code != '@')
            return false;
        setgLevel(0);
        setgCharset(0, nullptr);
        return true;
    case ' ':
        if (code == 'F') {
            cc_.send8bit = false;
            return true;
        }
        if (code == 'G') {
            cc_.send8bit = true;
            return true;
        }
        return false;
    default: return false;
    }
}

// ---- CSI -------------------------------------------------------------------------

namespace {

// Whether a command reads a sequence with these intermediates. Commands that
// have no form with intermediates leave such sequences (graphics probes like
// CSI ? 1 ; 1 S, scroll-left CSI SP @, ...) to the fallback rather than
// acting on them as if they were plain.
bool takesIntermediates(uint8_t code, const Intermediates& collect)
{
    // DECDC and DECRQCRA exist only with their intermediate.
    if (code == '~')
        return collect == "'";
    if (code == 'y')
        return collect == "*";
    if (collect.empty())
        return true;
    switch (code) {
    case '@':
    case 'A':
    case 'B':
    case 'C':
    case 'D':
    case 'E':
    case 'F':
    case 'G':
    case 'H':
    case 'I':
    case 'L':
    case 'M':
    case 'P':
    case 'S':
    case 'X':
    case 'Z':
    case '`':
    case 'a':
    case 'b':
    case 'd':
    case 'e':
    case 'f':
    case 'g': return false;
    case 'J':
    case 'K': return collect == "?";
    default: return true;
    }
}

} // namespace

bool Terminal::dispatchCsi(uint8_t code, const SequenceParams& pars, const Intermediates& collect)
{
    if (!takesIntermediates(code, collect))
        return false;
    switch (code) {
    case '@': cmdInsertChars(pars, collect); return true;
    case 'A': cmdCursorUp(pars, collect); return true;
    case 'B': cmdCursorDown(pars, collect); return true;
    case 'C': cursorForward(static_cast<int>(std::min<int64_t>(pars[0], INT_MAX))); return true;
    case 'D': cursorBackward(static_cast<int>(std::min<int64_t>(pars[0], INT_MAX))); return true;
    // CNL and CPL end as a carriage return does: at the left margin, or at
    // column 0 from left of it.
    case 'E':
        cmdCursorDown(pars, collect);
        cmdCarriageReturn();
        return true;
    case 'F':
        cmdCursorUp(pars, collect);
        cmdCarriageReturn();
        return true;
    case 'G': cmdCursorCharAbsolute(pars, collect); return true;
    case 'H': cmdCursorPosition(pars, collect); return true;
    case 'I': tabForward(pars[0]); return true;
    case 'J': cmdEraseInDisplay(pars, collect); return true;
    case 'K': cmdEraseInLine(pars, collect); return true;
    case 'L': cmdInsertLines(pars, collect); return true;
    case 'M': cmdDeleteLines(pars, collect); return true;
    case 'P': cmdDeleteChars(pars, collect); return true;
    case 'S': cmdScrollUp(pars, collect); return true;
    case 'T':
        if (collect.empty())
            cmdScrollDown(pars);
        else if (collect == ">")
            setTitleModeFlags(pars, false);
        return true;
    case 'X': cmdEraseChars(pars, collect); return true;
    case 'Z': tabBackward(pars[0]); return true;
    case '`': cmdCharPosAbsolute(pars, collect); return true;
    case 'a': cmdHPositionRelative(pars, collect); return true;
    case 'b': cmdRepeatPrecedingCharacter(pars, collect); return true;
    case 'c': cmdSendDeviceAttributes(pars, collect); return true;
    case 'd': cmdLinePosAbsolute(pars, collect); return true;
    case 'e': cmdVPositionRelative(pars, collect); return true;
    case 'f': cmdHVPosition(pars, collect); return true;
    case 'g': cmdTabClear(pars, collect); return true;
    case 'h': cmdSetMode(pars, collect); return true;
    case 'l': cmdResetMode(pars, collect); return true;
    case 'm': cmdCsiM(pars, collect); return true;
    case 'n': cmdDeviceStatus(pars, collect); return true;
    case 'p': csiPHandler(pars, collect); return true;
    case 'q': cmdSetCursorStyle(pars, collect); return true;
    case 'r': cmdSetScrollRegion(pars, collect); return true;
    case 's':
        if (collect.empty()) {
            if (modes_.marginMode)
                cmdSetMargins(pars, collect);
            else
                cmdSaveCursor(pars, collect);
        }
        return true;
    case 't':
        if (collect.empty())
            cmdWindowOptions(pars);
        else if (collect == ">")
            setTitleModeFlags(pars, true);
        else if (!silentLog)
            log("Unhandled csiT " + decimalList(collect.view()));
        return true;
    case 'u':
        if (!handleKittyKeyboardProtocol(pars, collect) && collect.empty())
            cmdRestoreCursor(pars, collect);
        return true;
    case 'v': csiCopyRectangularArea(pars, collect); return true;
    case 'x': csiX(pars, collect); return true;
    case 'y': cmdDECRQCRA(pars, collect); return true;
    case 'z': csiZ(pars, collect); return true;
    case '{': csiOpenBrace(pars, collect); return true;
    case '}': csiCloseBrace(pars, collect); return true;
    case '~': cmdDeleteColumns(pars, collect); return true;
    default: return false;
    }
}

void Terminal::tabForward(int64_t count)
{
    const int limit = cols - 1;
    int64_t n = count >= 2 ? std::min<int64_t>(count, limit) : std::min(limit, 1);
    for (int64_t i = 0; i < n; ++i) {
        // A tab that cannot move keeps a pending wrap.
        const int next = buffer_->nextTabStop(modes_.marginMode, -1);
        if (next != buffer_->x())
            buffer_->setX(next);
    }
}

void Terminal::tabBackward(int64_t count)
{
    const int limit = buffer_->cols();
    int64_t n = count >= 2 ? std::min<int64_t>(count, limit) : std::min(limit, 1);
    // In origin mode the left margin stops it; otherwise it passes it.
    const int left = modes_.originMode && modes_.marginMode ? std::min(buffer_->marginLeft, buffer_->x()) : 0;
    for (int64_t i = 0; i < n; ++i)
        buffer_->setX(std::max(buffer_->previousTabStop(-1), left));
}

void Terminal::setTitleModeFlags(const SequenceParams& pars, bool value)
{
    for (int64_t mode : pars.values()) {
        switch (mode) {
        case 0: xtermTitleSetHex = value; break;
        case 1: xtermTitleQueryHex = value; break;
        case 2: xtermTitleSetUtf = value; break;
        case 3: xtermTitleQueryUtf = value; break;
        default: break;
        }
    }
}

// ---- OSC -------------------------------------------------------------------------

bool Terminal::dispatchOsc(int64_t code, std::span<const uint8_t> data)
{
    if (auto it = oscHandlers_.find(code); it != oscHandlers_.end()) {
        it->second(data);
        return true;
    }
    switch (code) {
    case 0:
    case 2:
        terminalTitle = isValidUtf8(data) ? std::string(asText(data)) : std::string();
        if (tdel)
            tdel->setTerminalTitle(*this, terminalTitle);
        return true;
    case 1:
        iconTitle = isValidUtf8(data) ? std::string(asText(data)) : std::string();
        if (tdel)
            tdel->setTerminalIconTitle(*this, iconTitle);
        return true;
    case 4: oscChangeOrQueryColorIndex(data); return true;
    case 6: oscSetCurrentDocument(data); return true;
    case 7: oscSetCurrentDirectory(data); return true;
    case 8: oscHyperlink(data); return true;
    case 9:
        if (auto report = parseProgressReport(data)) {
            if (tdel)
                tdel->progressReport(*this, *report);
            return true;
        }
        return false;
    case 10: oscSetColors(data, 0); return true;
    case 11: oscSetColors(data, 1); return true;
    case 12: oscSetColors(data, 2); return true;
    case 52: oscClipboard(data); return true;
    case 104: oscResetColor(data); return true;
    case 112: tellHostColor(settingCursorColor, &TerminalDelegate::setCursorColor, std::optional<Color>()); return true;
    case 777: oscNotification(data); return true;
    case 1337: osciTerm2(data); return true;
    default: return false;
    }
}

void Terminal::oscClipboard(std::span<const uint8_t> data)
{
    if (data.size() < 2 || data[0] != 'c' || data[1] != ';')
        return;
    auto decoded = Base64::decode(data.subspan(2));
    if (decoded && tdel)
        tdel->clipboardCopy(*this, *decoded);
}

void Terminal::registerOscHandler(int64_t code, std::function<void(std::span<const uint8_t>)> handler)
{
    oscHandlers_[code] = std::move(handler);
}

// ---- APC and DCS -------------------------------------------------------------------

bool Terminal::dispatchApc(uint8_t kind, std::span<const uint8_t> data)
{
    if (kind != 'G')
        return false;
    handleKittyGraphics(data);
    return true;
}

DcsHandler* Terminal::dispatchDcs(uint8_t code, const SequenceParams& /*pars*/, const Intermediates& collect)
{
    if (code != 'q')
        return nullptr;
    if (collect.empty())
        return makeSixelHandler();
    if (collect == "$")
        return makeStatusStringHandler();
    return nullptr;
}

// ---- fallbacks ------------------------------------------------------------------------

void Terminal::escFallback(const Intermediates& collect, uint8_t code)
{
    if (silentLog)
        return;
    log("Corvel: Unknown ESC Code: ESC + " + byteAsCharacter(code) + " txt=" + decimalList(collect.view()));
}

void Terminal::csiFallback(const SequenceParams& pars, const Intermediates& collect, uint8_t code)
{
    if (silentLog)
        return;
    log("Corvel: Unknown CSI Code (collect=" + decimalList(collect.view()) + " code=" + byteAsCharacter(code)
        + " pars=" + decimalList(pars) + ")");
}

void Terminal::oscFallback(int64_t code, std::span<const uint8_t> /*data*/)
{
    if (silentLog)
        return;
    log("Corvel: Unknown OSC code: " + std::to_string(code));
}

void Terminal::apcFallback(uint8_t kind, std::span<const uint8_t> /*data*/)
{
    if (silentLog)
        return;
    log("Corvel: Unknown APC code: " + byteAsCharacter(kind));
}

void Terminal::parseError(const ParsingState& state)
{
    if (silentLog)
        return;
    log("Corvel: Parsing error, state: position=" + std::to_string(state.position)
        + " code=" + std::to_string(state.code) + " state=" + std::to_string(static_cast<int>(state.currentState)));
}

} // namespace corvel
