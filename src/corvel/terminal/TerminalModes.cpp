// ANSI and private modes (SM, RM, DECSET, DECRST), the mode report (DECRQM),
// the cursor style (DECSCUSR), the soft reset (DECSTR) and graphic rendition
// (SGR).

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "corvel/base/Diagnostics.h"
#include "corvel/terminal/SequenceText.h"
#include "corvel/terminal/Terminal.h"

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

Attribute invertedDefault()
{
    return Attribute(Attribute::Color::defaultInvertedColor, Attribute::Color::defaultInvertedColor);
}

} // namespace

// ---- the mode table ------------------------------------------------------------------------

// One mode of SM and RM (ANSI) or DECSET and DECRST (private): which of set
// and reset it handles, what they do, and what a mode report (DECRQM)
// answers. A direction the mode does not handle counts as unknown: a set is
// logged, a private reset too.
struct Terminal::ModeEntry {
    enum Handles : uint8_t { neither = 0, set = 1, reset = 2, both = 3 };
    uint16_t number;
    bool isPrivate;
    Handles handles;
    // Called with true to set and false to reset; none: the handled
    // directions are accepted and ignored.
    void (*apply)(Terminal&, bool on);
    // The mode's state, reported as 1 (set) or 2 (reset); none: the report
    // is `fixed` (0 not recognised, 1 set, 2 reset, 4 permanently reset).
    bool (*get)(const Terminal&);
    uint8_t fixed;
};

const Terminal::ModeEntry* Terminal::findMode(int64_t number, bool isPrivate)
{
    using E = ModeEntry;
    constexpr bool ansi = false, dec = true;
    // Sorted by kind (ANSI first) and number, for the binary search below.
    static constexpr ModeEntry table[] = {
        {1, ansi, E::neither, nullptr, nullptr, 4},
        {2, ansi, E::both, nullptr, nullptr, 2},
        {3, ansi, E::neither, nullptr, nullptr, 2},
        {4,
         ansi,
         E::both,
         [](Terminal& t, bool on) { t.setInsertMode(on); },
         [](const Terminal& t) { return t.modes_.insertMode; },
         0},
        {5, ansi, E::neither, nullptr, nullptr, 4},
        {7, ansi, E::neither, nullptr, nullptr, 4},
        {10, ansi, E::neither, nullptr, nullptr, 4},
        {11, ansi, E::neither, nullptr, nullptr, 4},
        {12, ansi, E::neither, nullptr, nullptr, 1},
        {13, ansi, E::neither, nullptr, nullptr, 4},
        {14, ansi, E::neither, nullptr, nullptr, 4},
        {15, ansi, E::neither, nullptr, nullptr, 4},
        {16, ansi, E::neither, nullptr, nullptr, 4},
        {17, ansi, E::neither, nullptr, nullptr, 4},
        {18, ansi, E::neither, nullptr, nullptr, 4},
        {19, ansi, E::neither, nullptr, nullptr, 4},
        {20,
         ansi,
         E::both,
         [](Terminal& t, bool on) { t.modes_.lineFeedMode = on; },
         [](const Terminal& t) { return t.modes_.lineFeedMode; },
         0},

        {1,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.modes_.applicationCursor = on; },
         [](const Terminal& t) { return t.modes_.applicationCursor; },
         0},
        // Every G-slot back to the default set.
        {2,
         dec,
         E::set,
         [](Terminal& t, bool) {
             for (uint8_t slot = 0; slot < 4; ++slot)
                 t.setgCharset(slot, nullptr);
         },
         nullptr,
         1},
        {3,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.setColumnMode(on); },
         [](const Terminal& t) { return t.buffer_->cols() == 132; },
         0},
        {4,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.modes_.smoothScroll = on; },
         [](const Terminal& t) { return t.modes_.smoothScroll; },
         0},
        // Reverse video: the current attribute becomes the inverted default.
        {5,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.curAttr = on ? invertedDefault() : Attribute(); },
         [](const Terminal& t) { return t.curAttr == invertedDefault(); },
         0},
        {6,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.modes_.originMode = on; },
         [](const Terminal& t) { return t.modes_.originMode; },
         0},
        {7,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.setWraparound(on); },
         [](const Terminal& t) { return t.modes_.wraparound; },
         0},
        {8, dec, E::neither, nullptr, nullptr, 1},
        {9,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.setMouseMode(on ? MouseMode::x10 : MouseMode::off); },
         [](const Terminal& t) { return t.mouseMode_ == MouseMode::x10; },
         0},
        {10, dec, E::neither, nullptr, nullptr, 4},
        {12,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.modes_.cursorBlink = on; },
         [](const Terminal& t) { return t.modes_.cursorBlink; },
         0},
        {13, dec, E::neither, nullptr, nullptr, 2},
        {14, dec, E::neither, nullptr, nullptr, 2},
        {18, dec, E::neither, nullptr, nullptr, 1},
        {19, dec, E::neither, nullptr, nullptr, 1},
        {25,
         dec,
         E::both,
         [](Terminal& t, bool on) { on ? t.showCursor() : t.hideCursor(); },
         [](const Terminal& t) { return !t.modes_.cursorHidden; },
         0},
        {30, dec, E::neither, nullptr, nullptr, 2},
        {40,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.modes_.allow80To132 = on; },
         [](const Terminal& t) { return t.modes_.allow80To132; },
         0},
        {41, dec, E::reset, nullptr, nullptr, 2},
        {42, dec, E::neither, nullptr, nullptr, 4},
        {44, dec, E::neither, nullptr, nullptr, 4},
        // Reverse wrap-around comes on only while auto-wrap is on.
        {45,
         dec,
         E::both,
         [](Terminal& t, bool on) {
             if (!on || t.modes_.wraparound)
                 t.modes_.reverseWraparound = on;
         },
         [](const Terminal& t) { return t.modes_.reverseWraparound; },
         0},
        {46, dec, E::neither, nullptr, nullptr, 4},
        {47,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.switchScreen(on, false, false); },
         [](const Terminal& t) { return t.isCurrentBufferAlternate(); },
         0},
        {63, dec, E::set, nullptr, nullptr, 0},
        {66,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.modes_.applicationKeypad = on; },
         [](const Terminal& t) { return t.modes_.applicationKeypad; },
         0},
        {67, dec, E::neither, nullptr, nullptr, 4},
        {69,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.setMarginMode(on); },
         [](const Terminal& t) { return t.modes_.marginMode; },
         0},
        {80, dec, E::neither, nullptr, nullptr, 4},
        {95, dec, E::both, nullptr, nullptr, 1},
        {1000,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.setMouseMode(on ? MouseMode::vt200 : MouseMode::off); },
         [](const Terminal& t) { return t.mouseMode_ == MouseMode::vt200; },
         0},
        {1001, dec, E::neither, nullptr, nullptr, 2},
        {1002,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.setMouseMode(on ? MouseMode::buttonEventTracking : MouseMode::off); },
         [](const Terminal& t) { return t.mouseMode_ == MouseMode::buttonEventTracking; },
         0},
        {1003,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.setMouseMode(on ? MouseMode::anyEvent : MouseMode::off); },
         [](const Terminal& t) { return t.mouseMode_ == MouseMode::anyEvent; },
         0},
        {1004,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.modes_.sendFocus = on; },
         [](const Terminal& t) { return t.modes_.sendFocus; },
         0},
        // The encodings: resetting any of them also turns tracking off.
        {1005,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.setMouseEncoding(on, MouseProtocolEncoding::utf8); },
         [](const Terminal& t) { return t.modes_.mouseProtocol == MouseProtocolEncoding::utf8; },
         0},
        {1006,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.setMouseEncoding(on, MouseProtocolEncoding::sgr); },
         [](const Terminal& t) { return t.modes_.mouseProtocol == MouseProtocolEncoding::sgr; },
         0},
        {1015,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.setMouseEncoding(on, MouseProtocolEncoding::urxvt); },
         [](const Terminal& t) { return t.modes_.mouseProtocol == MouseProtocolEncoding::urxvt; },
         0},
        {1016,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.setMouseEncoding(on, MouseProtocolEncoding::sgrPixel); },
         [](const Terminal& t) { return t.modes_.mouseProtocol == MouseProtocolEncoding::sgrPixel; },
         0},
        {1034, dec, E::both, nullptr, nullptr, 4},
        {1047, dec, E::both, [](Terminal& t, bool on) { t.switchScreen(on, true, false); }, nullptr, 0},
        {1048,
         dec,
         E::both,
         [](Terminal& t, bool on) { on ? t.cmdSaveCursor({}, {}) : t.cmdRestoreCursor({}, {}); },
         nullptr,
         0},
        {1049, dec, E::both, [](Terminal& t, bool on) { t.switchScreen(on, true, true); }, nullptr, 0},
        {2004,
         dec,
         E::both,
         [](Terminal& t, bool on) { t.modes_.bracketedPasteMode = on; },
         [](const Terminal& t) { return t.modes_.bracketedPasteMode; },
         0},
        {2026,
         dec,
         E::both,
         [](Terminal& t, bool on) { on ? t.beginSynchronizedOutput() : t.endSynchronizedOutput(); },
         [](const Terminal& t) { return t.synchronizedOutputActive; },
         0},
    };
    constexpr auto before = [](const ModeEntry& a, const ModeEntry& b) {
        return a.isPrivate != b.isPrivate ? !a.isPrivate : a.number < b.number;
    };
    static_assert(std::is_sorted(std::begin(table), std::end(table), before));
    if (number < 0 || number > UINT16_MAX)
        return nullptr;
    const ModeEntry key{static_cast<uint16_t>(number), isPrivate, ModeEntry::neither, nullptr, nullptr, 0};
    const ModeEntry* found = std::lower_bound(std::begin(table), std::end(table), key, before);
    return found != std::end(table) && found->number == key.number && found->isPrivate == isPrivate ? found : nullptr;
}

void Terminal::setMode(int64_t mode, const Intermediates& collect)
{
    const bool isPrivate = collect == "?";
    if (!isPrivate && !collect.empty()) {
        if (!silentLog)
            log("Unhandled setMode (SM) with " + std::to_string(mode) + " and " + decimalList(collect.view()));
        return;
    }
    const ModeEntry* entry = findMode(mode, isPrivate);
    if (!entry || !(entry->handles & ModeEntry::set)) {
        if (!silentLog)
            log(isPrivate ? "Unhandled DEC Private Mode Set (DECSET) with " + std::to_string(mode)
                          : "Unhandled verbatim setMode with " + std::to_string(mode) + " and "
                        + decimalList(collect.view()));
        return;
    }
    if (entry->apply)
        entry->apply(*this, true);
}

void Terminal::resetMode(int64_t mode, const Intermediates& collect)
{
    const bool isPrivate = collect == "?";
    if (!isPrivate && !collect.empty())
        return;
    const ModeEntry* entry = findMode(mode, isPrivate);
    if (!entry || !(entry->handles & ModeEntry::reset)) {
        // An unknown ANSI mode is reset silently.
        if (isPrivate && !silentLog)
            log("Unhandled DEC Private Mode Reset (DECRST) with " + std::to_string(mode));
        return;
    }
    if (entry->apply)
        entry->apply(*this, false);
}

void Terminal::setInsertMode(bool on)
{
    modes_.insertMode = on;
    normalBuffer_->insertMode = on;
    altBuffer_->insertMode = on;
}

void Terminal::setWraparound(bool on)
{
    modes_.wraparound = on;
    normalBuffer_->wraparound = on;
    altBuffer_->wraparound = on;
}

void Terminal::setMarginMode(bool on)
{
    modes_.marginMode = on;
    normalBuffer_->marginMode = on;
    altBuffer_->marginMode = on;
    if (!on) {
        normalBuffer_->resetMargins();
        altBuffer_->resetMargins();
    }
}

void Terminal::setMouseEncoding(bool on, MouseProtocolEncoding encoding)
{
    if (on) {
        modes_.mouseProtocol = encoding;
        return;
    }
    modes_.mouseProtocol = MouseProtocolEncoding::x10;
    setMouseMode(MouseMode::off);
}

void Terminal::setColumnMode(bool wide)
{
    if (!modes_.allow80To132)
        return;
    resize(wide ? 132 : 80, rows);
    endSynchronizedOutput();
    modes_.column132Mode = wide;
    Buffer& b = *buffer_;
    b.setScrollTop(0);
    b.setScrollBottom(rows - 1);
    normalBuffer_->resetMargins();
    altBuffer_->resetMargins();
    modes_.originMode = false;
    eraseScreen();
    setCursor(0, 0);
    if (tdel)
        tdel->sizeChanged(*this);
}

// Modes 47, 1047 and 1049: to the alternate screen, or back with the
// alternate screen kept or cleared, saving and restoring the cursor around
// the switch for 1049.
void Terminal::switchScreen(bool alternate, bool clearAlt, bool withCursor)
{
    if (alternate) {
        if (withCursor)
            cmdSaveCursor({}, {});
        activateAltBuffer(std::nullopt);
    } else {
        activateNormalBuffer(clearAlt);
        if (withCursor)
            cmdRestoreCursor({}, {});
    }
    announceScreenSwitch();
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
                return {Attribute::Color::trueColor(
                            colorByte(pars[start + 1]), colorByte(pars[start + 2]), colorByte(pars[start + 3])),
                        4};
            return {std::nullopt, 1};
        default: return {std::nullopt, 1};
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
            return {Attribute::Color::trueColor(
                        colorByte(pars[start + 2]), colorByte(pars[start + 3]), colorByte(pars[start + 4])),
                    group};
        if (group == 4)
            return {Attribute::Color::trueColor(
                        colorByte(pars[start + 1]), colorByte(pars[start + 2]), colorByte(pars[start + 3])),
                    group};
        return {std::nullopt, group};
    default: return {std::nullopt, group};
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
                writeDebugDiagnosticf(diagnosticLimiter,
                                      "Unknown SGR attribute: %lld %s",
                                      static_cast<long long>(p),
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

void Terminal::cmdDecRqm(const SequenceParams& pars, bool decMode)
{
    const int64_t mode = pars[0];
    const ModeEntry* entry = findMode(mode, decMode);
    const int value = !entry ? 0 : entry->get ? (entry->get(*this) ? 1 : 2) : entry->fixed;
    sendResponse({csi(), decMode ? "?" : "", std::to_string(mode), ";", std::to_string(value), "$y"});
}

void Terminal::cmdSetCursorStyle(const SequenceParams& pars, const Intermediates& collect)
{
    if (!(collect == " "))
        return;
    static constexpr CursorStyle styles[] = {CursorStyle::blinkBlock,
                                             CursorStyle::blinkBlock,
                                             CursorStyle::steadyBlock,
                                             CursorStyle::blinkUnderline,
                                             CursorStyle::steadyUnderline,
                                             CursorStyle::blinkBar,
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
    modes_.cursorHidden = false;
    modes_.originMode = false;
    setMarginMode(false);
    // Printing reads the screens' copies of the modes, so they follow the
    // terminal's: text after the reset is no longer inserted.
    setInsertMode(false);
    setWraparound(true);
    modes_.reverseWraparound = false;
    modes_.applicationKeypad = false;
    modes_.applicationCursor = false;
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
    modes_.lineFeedMode = options.convertEol;
    resetAllColors();
    if (tdel)
        tdel->showCursor(*this);
}

} // namespace corvel
