// ANSI and private modes (SM, RM, DECSET, DECRST), the mode report (DECRQM),
// the cursor style (DECSCUSR), the soft reset (DECSTR) and graphic rendition
// (SGR).

#include <algorithm>
#include <string>

#include "corvel/terminal/SequenceText.h"
#include "corvel/terminal/Terminal.h"
#include "corvel/base/Diagnostics.h"

namespace corvel {

namespace {

uint8_t colorByte(int64_t value) { return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 255)); }

} // namespace

void Terminal::cmdSetMode(const SequenceParams& pars, const Intermediates& collect)
{
    for (int64_t mode : pars.values())
        setMode(mode, collect);
}

void Terminal::cmdResetMode(const SequenceParams& pars, const Intermediates& collect)
{
    for (int64_t mode : pars.values())
        resetMode(mode, collect);
}

namespace {
void setBufferModes(Buffer& normal, Buffer& alt, bool Buffer::*field, bool value)
{
    normal.*field = value;
    alt.*field = value;
}
} // namespace

void Terminal::setMode(int64_t mode, const Intermediates& collect)
{
    if (collect.empty()) {
        switch (mode) {
        case 2:
            break;
        case 4:
            insertMode = true;
            setBufferModes(*normalBuffer_, *altBuffer_, &Buffer::insertMode, true);
            break;
        case 20:
            lineFeedMode = true;
            break;
        default:
            if (!silentLog)
                log("Unhandled verbatim setMode with " + std::to_string(mode) + " and " + decimalList(collect.view()));
            break;
        }
        return;
    }
    if (!(collect == "?")) {
        if (!silentLog)
            log("Unhandled setMode (SM) with " + std::to_string(mode) + " and " + decimalList(collect.view()));
        return;
    }
    switch (mode) {
    case 1:
        applicationCursor = true;
        break;
    case 2:
        for (uint8_t slot = 0; slot < 4; ++slot)
            setgCharset(slot, nullptr);
        break;
    case 3:
        setColumnMode(true);
        break;
    case 4:
        smoothScroll = true;
        break;
    case 5:
        curAttr = Attribute(Attribute::Color::defaultInvertedColor, Attribute::Color::defaultInvertedColor);
        break;
    case 6:
        originMode = true;
        break;
    case 7:
        wraparound = true;
        setBufferModes(*normalBuffer_, *altBuffer_, &Buffer::wraparound, true);
        break;
    case 9:
        setMouseMode(MouseMode::x10);
        break;
    case 12:
        cursorBlink = true;
        break;
    case 25:
        showCursor();
        break;
    case 40:
        allow80To132 = true;
        break;
    case 45:
        if (wraparound)
            reverseWraparound = true;
        break;
    case 47:
    case 1047:
        activateAltBuffer(std::nullopt);
        break;
    case 1049:
        cmdSaveCursor({}, {});
        activateAltBuffer(std::nullopt);
        break;
    case 63:
    case 95:
    case 1034:
        break;
    case 66:
        applicationKeypad = true;
        break;
    case 69:
        setMarginMode(true);
        break;
    case 1000:
        setMouseMode(MouseMode::vt200);
        break;
    case 1002:
        setMouseMode(MouseMode::buttonEventTracking);
        break;
    case 1003:
        setMouseMode(MouseMode::anyEvent);
        break;
    case 1004:
        sendFocus = true;
        break;
    case 1005:
        mouseProtocol = MouseProtocolEncoding::utf8;
        break;
    case 1006:
        mouseProtocol = MouseProtocolEncoding::sgr;
        break;
    case 1015:
        mouseProtocol = MouseProtocolEncoding::urxvt;
        break;
    case 1016:
        mouseProtocol = MouseProtocolEncoding::sgrPixel;
        break;
    case 1048:
        cmdSaveCursor({}, {});
        break;
    case 2004:
        bracketedPasteMode = true;
        break;
    case 2026:
        beginSynchronizedOutput();
        break;
    default:
        if (!silentLog)
            log("Unhandled DEC Private Mode Set (DECSET) with " + std::to_string(mode));
        return;
    }
    if (mode == 47 || mode == 1047 || mode == 1049)
        announceScreenSwitch();
}

void Terminal::setMarginMode(bool on)
{
    marginMode = on;
    setBufferModes(*normalBuffer_, *altBuffer_, &Buffer::marginMode, on);
    if (!on) {
        normalBuffer_->resetMargins();
        altBuffer_->resetMargins();
    }
}

void Terminal::setColumnMode(bool wide)
{
    if (!allow80To132)
        return;
    resize(wide ? 132 : 80, rows);
    endSynchronizedOutput();
    column132Mode = wide;
    Buffer& b = *buffer_;
    b.setScrollTop(0);
    b.setScrollBottom(rows - 1);
    normalBuffer_->resetMargins();
    altBuffer_->resetMargins();
    originMode = false;
    eraseScreen();
    setCursor(0, 0);
    if (tdel)
        tdel->sizeChanged(*this);
}

// After either screen became the active one: the whole screen is new to the
// host, and the cursor shows again.
void Terminal::announceScreenSwitch()
{
    updateRange(0);
    updateRange(rows - 1);
    showCursor();
    if (tdel)
        tdel->bufferActivated(*this);
}

void Terminal::resetMode(int64_t mode, const Intermediates& collect)
{
    if (collect.empty()) {
        switch (mode) {
        case 4:
            insertMode = false;
            setBufferModes(*normalBuffer_, *altBuffer_, &Buffer::insertMode, false);
            break;
        case 20:
            lineFeedMode = false;
            break;
        default:
            break;
        }
        return;
    }
    if (!(collect == "?"))
        return;
    switch (mode) {
    case 1:
        applicationCursor = false;
        break;
    case 3:
        setColumnMode(false);
        break;
    case 4:
        smoothScroll = false;
        break;
    case 5:
        curAttr = Attribute();
        break;
    case 6:
        originMode = false;
        break;
    case 7:
        wraparound = false;
        setBufferModes(*normalBuffer_, *altBuffer_, &Buffer::wraparound, false);
        break;
    case 9:
    case 1000:
    case 1002:
    case 1003:
        setMouseMode(MouseMode::off);
        break;
    case 12:
        cursorBlink = false;
        break;
    case 25:
        hideCursor();
        break;
    case 40:
        allow80To132 = false;
        break;
    case 41:
    case 95:
    case 1034:
        break;
    case 45:
        reverseWraparound = false;
        break;
    case 47:
        activateNormalBuffer(false);
        break;
    case 1047:
        activateNormalBuffer(true);
        break;
    case 1049:
        activateNormalBuffer(true);
        cmdRestoreCursor({}, {});
        break;
    case 66:
        applicationKeypad = false;
        break;
    case 69:
        setMarginMode(false);
        break;
    case 1004:
        sendFocus = false;
        break;
    case 1005:
    case 1006:
    case 1015:
    case 1016:
        mouseProtocol = MouseProtocolEncoding::x10;
        setMouseMode(MouseMode::off);
        break;
    case 1048:
        cmdRestoreCursor({}, {});
        break;
    case 2004:
        bracketedPasteMode = false;
        break;
    case 2026:
        endSynchronizedOutput();
        break;
    default:
        if (!silentLog)
            log("Unhandled DEC Private Mode Reset (DECRST) with " + std::to_string(mode));
        return;
    }
    if (mode == 47 || mode == 1047 || mode == 1049)
        announceScreenSwitch();
}

// ---- SGR ---------------------------------------------------------------------------------

void Terminal::cmdCsiM(const SequenceParams& pars, const Intermediates& collect)
{
    if (!collect.empty())
        return;
    cmdCharAttributes(pars);
}

namespace {

struct ExtendedColor {
    std::optional<Attribute::Color> color;
    int used = 0;
};

ExtendedColor parseExtendedColor(const SequenceParams& pars, int start, bool usesColon)
{
    const int n = pars.size();
    if (start >= n)
        return {std::nullopt, 0};
    if (!usesColon) {
        switch (pars[start]) {
        case 5:
            if (start + 1 < n)
                return {Attribute::Color::ansi256(colorByte(pars[start + 1])), 2};
            return {std::nullopt, 1};
        case 2:
            if (start + 3 < n)
                return {Attribute::Color::trueColor(colorByte(pars[start + 1]), colorByte(pars[start + 2]),
                                                    colorByte(pars[start + 3])),
                        4};
            return {std::nullopt, 1};
        default:
            return {std::nullopt, 1};
        }
    }
    int group = 1;
    while (start + group < n && pars.separator(start + group - 1) == ':')
        ++group;
    switch (pars[start]) {
    case 5:
        if (group >= 2)
            return {Attribute::Color::ansi256(colorByte(pars[start + 1])), group};
        return {std::nullopt, group};
    case 2:
        if (group >= 5)
            return {Attribute::Color::trueColor(colorByte(pars[start + 2]), colorByte(pars[start + 3]),
                                                colorByte(pars[start + 4])),
                    group};
        if (group == 4)
            return {Attribute::Color::trueColor(colorByte(pars[start + 1]), colorByte(pars[start + 2]),
                                                colorByte(pars[start + 3])),
                    group};
        return {std::nullopt, group};
    default:
        return {std::nullopt, group};
    }
}

} // namespace

void Terminal::cmdCharAttributes(const SequenceParams& pars)
{
    if (pars.size() == 1 && pars[0] == 0) {
        curAttr = Attribute();
        return;
    }
    using Color = Attribute::Color;
    // The most frequent colour change, a true colour alone ("38;2;r;g;b" or
    // "48;2;r;g;b"), without the walk over the parameters.
    if (pars.size() == 5 && pars[1] == 2 && pars.separator(0) == ';' && (pars[0] == 38 || pars[0] == 48)) {
        const Color color = Color::trueColor(colorByte(pars[2]), colorByte(pars[3]), colorByte(pars[4]));
        if (pars[0] == 38)
            curAttr.setFg(color);
        else
            curAttr.setBg(color);
        return;
    }
    Attribute attr = curAttr;
    uint8_t style = attr.style().rawValue();
    auto setBits = [&style](uint8_t bits) { style = static_cast<uint8_t>(style | bits); };
    auto clearBits = [&style](uint8_t bits) { style = static_cast<uint8_t>(style & ~bits); };
    constexpr uint8_t bold = 1, underline = 2, blink = 4, inverse = 8, invisible = 16, dim = 32, italic = 64,
                      crossedOut = 128;

    const int n = pars.size();
    int i = 0;
    // One line per sequence, for its first unknown attribute: the parameter
    // list is never repeated for each of the others.
    bool reportedUnknown = false;
    while (i < n) {
        const int64_t p = pars[i];
        int next = i + 1;
        switch (p) {
        case 0:
            attr = Attribute();
            style = 0;
            break;
        case 1: setBits(bold); break;
        case 2: setBits(dim); break;
        case 3: setBits(italic); break;
        case 4:
            if (i + 1 < n && pars.separator(i) == ':') {
                const int64_t sub = pars[i + 1];
                next = i + 2;
                if (sub == 0) {
                    clearBits(underline);
                    attr.setUnderlineStyle(UnderlineStyle::none);
                } else {
                    setBits(underline);
                    switch (sub) {
                    case 2: attr.setUnderlineStyle(UnderlineStyle::doubled); break;
                    case 3: attr.setUnderlineStyle(UnderlineStyle::curly); break;
                    case 4: attr.setUnderlineStyle(UnderlineStyle::dotted); break;
                    case 5: attr.setUnderlineStyle(UnderlineStyle::dashed); break;
                    default: attr.setUnderlineStyle(UnderlineStyle::single); break;
                    }
                }
            } else {
                setBits(underline);
                attr.setUnderlineStyle(UnderlineStyle::single);
            }
            break;
        case 5: setBits(blink); break;
        case 7: setBits(inverse); break;
        case 8: setBits(invisible); break;
        case 9: setBits(crossedOut); break;
        case 21:
            setBits(underline);
            attr.setUnderlineStyle(UnderlineStyle::doubled);
            break;
        case 22: clearBits(bold | dim); break;
        case 23: clearBits(italic); break;
        case 24:
            clearBits(underline);
            attr.setUnderlineStyle(UnderlineStyle::none);
            break;
        case 25: clearBits(blink); break;
        case 27: clearBits(inverse); break;
        case 28: clearBits(invisible); break;
        case 29: clearBits(crossedOut); break;
        case 38:
        case 48:
        case 58: {
            const bool colon = i + 1 < n && pars.separator(i) == ':';
            ExtendedColor ext = parseExtendedColor(pars, i + 1, colon);
            next = i + 1 + std::max(ext.used, 1);
            if (ext.color) {
                if (p == 38)
                    attr.setFg(*ext.color);
                else if (p == 48)
                    attr.setBg(*ext.color);
                else
                    attr.setUnderlineColor(*ext.color);
            }
            break;
        }
        case 39: attr.setFg(Color::defaultColor); break;
        case 49: attr.setBg(Color::defaultColor); break;
        case 59: attr.setUnderlineColor(std::nullopt); break;
        default:
            if (p >= 30 && p <= 37)
                attr.setFg(Color::ansi256(static_cast<uint8_t>(p - 30)));
            else if (p >= 40 && p <= 47)
                attr.setBg(Color::ansi256(static_cast<uint8_t>(p - 40)));
            else if (p >= 90 && p <= 97)
                attr.setFg(Color::ansi256(static_cast<uint8_t>(p - 82)));
            else if (p >= 100 && p <= 107)
                attr.setBg(Color::ansi256(static_cast<uint8_t>(p - 92)));
            else if (!reportedUnknown) {
                reportedUnknown = true;
                writeDebugDiagnosticf(diagnosticLimiter, "Unknown SGR attribute: %lld %s", static_cast<long long>(p),
                                      decimalList(pars).c_str());
            }
            break;
        }
        i = next;
    }
    attr.setStyle(CharacterStyle(style));
    curAttr = attr;
}

// ---- mode report, cursor style, soft reset ------------------------------------------------

namespace {
// DECRQM answers: 0 not recognised, 1 set, 2 reset, 4 permanently reset.
int modeValue(bool set) { return set ? 1 : 2; }
} // namespace

void Terminal::cmdDecRqm(const SequenceParams& pars, bool decMode)
{
    const int64_t mode = pars[0];
    int value = 0;
    if (!decMode) {
        switch (mode) {
        case 2: value = 2; break;
        case 4: value = modeValue(insertMode); break;
        case 20: value = modeValue(lineFeedMode); break;
        case 3: value = 2; break;
        case 1: case 5: case 7: case 10: case 11: case 13: case 14: case 15: case 16: case 17: case 18: case 19:
            value = 4;
            break;
        case 12: value = 1; break;
        default: value = 0; break;
        }
        sendResponse({csi(), std::to_string(mode), ";", std::to_string(value), "$y"});
        return;
    }
    const Attribute inverted(Attribute::Color::defaultInvertedColor, Attribute::Color::defaultInvertedColor);
    switch (mode) {
    case 1: value = modeValue(applicationCursor); break;
    case 2: case 8: case 18: case 19: case 95: value = 1; break;
    case 3: value = modeValue(buffer_->cols() == 132); break;
    case 4: value = modeValue(smoothScroll); break;
    case 5: value = modeValue(curAttr == inverted); break;
    case 6: value = modeValue(originMode); break;
    case 7: value = modeValue(wraparound); break;
    case 9: value = modeValue(mouseMode_ == MouseMode::x10); break;
    case 10: case 42: case 44: case 46: case 67: case 80: case 1034: value = 4; break;
    case 12: value = modeValue(cursorBlink); break;
    case 13: case 14: case 30: case 41: case 1001: value = 2; break;
    case 25: value = modeValue(!cursorHidden); break;
    case 40: value = modeValue(allow80To132); break;
    case 45: value = modeValue(reverseWraparound); break;
    case 47: value = modeValue(isCurrentBufferAlternate()); break;
    case 66: value = modeValue(applicationKeypad); break;
    case 69: value = modeValue(marginMode); break;
    case 1000: value = modeValue(mouseMode_ == MouseMode::vt200); break;
    case 1002: value = modeValue(mouseMode_ == MouseMode::buttonEventTracking); break;
    case 1003: value = modeValue(mouseMode_ == MouseMode::anyEvent); break;
    case 1004: value = modeValue(sendFocus); break;
    case 1005: value = modeValue(mouseProtocol == MouseProtocolEncoding::utf8); break;
    case 1006: value = modeValue(mouseProtocol == MouseProtocolEncoding::sgr); break;
    case 1015: value = modeValue(mouseProtocol == MouseProtocolEncoding::urxvt); break;
    case 1016: value = modeValue(mouseProtocol == MouseProtocolEncoding::sgrPixel); break;
    case 2004: value = modeValue(bracketedPasteMode); break;
    case 2026: value = modeValue(synchronizedOutputActive); break;
    default: value = 0; break;
    }
    sendResponse({csi(), "?", std::to_string(mode), ";", std::to_string(value), "$y"});
}

void Terminal::cmdSetCursorStyle(const SequenceParams& pars, const Intermediates& collect)
{
    if (!(collect == " "))
        return;
    static constexpr CursorStyle styles[] = {CursorStyle::blinkBlock,      CursorStyle::blinkBlock,
                                             CursorStyle::steadyBlock,     CursorStyle::blinkUnderline,
                                             CursorStyle::steadyUnderline, CursorStyle::blinkBar,
                                             CursorStyle::steadyBar};
    const int64_t choice = pars[0];
    if (choice < 0 || choice > 6)
        return;
    setCursorStyle(styles[choice]);
}

void Terminal::setCursorStyle(CursorStyle style)
{
    if (style == options.cursorStyle)
        return;
    if (tdel)
        tdel->cursorStyleChanged(*this, style);
    options.cursorStyle = style;
}

void Terminal::cmdSoftReset()
{
    cursorHidden = false;
    originMode = false;
    setMarginMode(false);
    // Printing reads the screens' copies of the modes, so they follow the
    // terminal's: text after the reset is no longer inserted.
    insertMode = false;
    setBufferModes(*normalBuffer_, *altBuffer_, &Buffer::insertMode, false);
    wraparound = true;
    reverseWraparound = false;
    setBufferModes(*normalBuffer_, *altBuffer_, &Buffer::wraparound, true);
    applicationKeypad = false;
    applicationCursor = false;
    buffer_->setScrollTop(0);
    if (rows - 1 >= 0)
        buffer_->setScrollBottom(rows - 1);
    curAttr = Attribute();
    buffer_->softReset();
    charset = nullptr;
    setgLevel(0);
    conformance = TerminalConformance::vt500;
    hyperLinkTracking.reset();
    setHyperlinkAtom({});
    lineFeedMode = options.convertEol;
    resetAllColors();
    if (tdel)
        tdel->showCursor(*this);
}

} // namespace corvel
