// PENDING COMMANDS
//
// Commands that the dispatch already routes but that are not built yet. Each
// hands its sequence to the matching fallback, exactly as an unknown sequence
// would go. When a family is built, its functions move out of this file into
// the family's own file (TerminalEditing.cpp, TerminalModes.cpp,
// TerminalReports.cpp, TerminalRectangles.cpp, TerminalKeyboard.cpp,
// TerminalOsc.cpp) and are deleted here.

#include "corvel/terminal/Terminal.h"

namespace corvel {

namespace {
const Intermediates noIntermediates;
const SequenceParams noParams;
} // namespace

// ---- cursor movement and editing ---------------------------------------------------

void Terminal::cmdCursorUp(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'A'); }
void Terminal::cmdCursorDown(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'B'); }
void Terminal::cmdCursorCharAbsolute(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'G'); }
void Terminal::cmdCharPosAbsolute(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, '`'); }
void Terminal::cmdHPositionRelative(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'a'); }
void Terminal::cmdLinePosAbsolute(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'd'); }
void Terminal::cmdVPositionRelative(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'e'); }
void Terminal::cmdHVPosition(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'f'); }
void Terminal::cmdTabClear(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'g'); }
void Terminal::cmdSetMargins(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 's'); }
void Terminal::cmdInsertChars(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, '@'); }
void Terminal::cmdDeleteChars(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'P'); }
void Terminal::cmdEraseChars(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'X'); }
void Terminal::cmdDeleteColumns(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, '~'); }

void Terminal::cmdScreenAlignmentPattern()
{
    Intermediates collect;
    collect.add('#');
    escFallback(collect, '8');
}

void Terminal::setLineRenderMode(BufferLine::RenderLineMode mode)
{
    Intermediates collect;
    collect.add('#');
    switch (mode) {
    case BufferLine::RenderLineMode::doubledTop: escFallback(collect, '3'); break;
    case BufferLine::RenderLineMode::doubledDown: escFallback(collect, '4'); break;
    case BufferLine::RenderLineMode::single: escFallback(collect, '5'); break;
    case BufferLine::RenderLineMode::doubleWidth: escFallback(collect, '6'); break;
    }
}

// ---- modes ------------------------------------------------------------------------

void Terminal::cmdSetCursorStyle(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'q'); }
void Terminal::setCursorStyle(CursorStyle /*style*/) {}
void Terminal::cmdSoftReset()
{
    Intermediates collect;
    collect.add('!');
    csiFallback(noParams, collect, 'p');
}
// Synchronized output: never begins, so there is never anything to end.
void Terminal::beginSynchronizedOutput() {}
void Terminal::endSynchronizedOutput() {}

// ---- reports ----------------------------------------------------------------------

void Terminal::cmdSendDeviceAttributes(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'c'); }
void Terminal::cmdDeviceStatus(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'n'); }
void Terminal::csiPHandler(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'p'); }
void Terminal::cmdWindowOptions(const SequenceParams& pars) { csiFallback(pars, noIntermediates, 't'); }
void Terminal::cmdDECRQCRA(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'y'); }
DcsHandler* Terminal::makeStatusStringHandler() { return nullptr; }

// ---- rectangles ---------------------------------------------------------------------

void Terminal::csiCopyRectangularArea(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'v'); }
void Terminal::csiX(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'x'); }
void Terminal::csiZ(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, 'z'); }
void Terminal::csiOpenBrace(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, '{'); }
void Terminal::csiCloseBrace(const SequenceParams& pars, const Intermediates& collect) { csiFallback(pars, collect, '}'); }

// ---- operating-system commands ----------------------------------------------------------

void Terminal::oscChangeOrQueryColorIndex(std::span<const uint8_t> data) { oscFallback(4, data); }
void Terminal::oscSetColors(std::span<const uint8_t> data, int startAt) { oscFallback(10 + startAt, data); }
void Terminal::oscResetColor(std::span<const uint8_t> data) { oscFallback(104, data); }
void Terminal::oscSetCurrentDocument(std::span<const uint8_t> data) { oscFallback(6, data); }
void Terminal::oscSetCurrentDirectory(std::span<const uint8_t> data) { oscFallback(7, data); }
void Terminal::oscHyperlink(std::span<const uint8_t> data) { oscFallback(8, data); }
std::optional<ProgressReport> Terminal::parseProgressReport(std::span<const uint8_t> /*data*/) { return std::nullopt; }
void Terminal::oscNotification(std::span<const uint8_t> data) { oscFallback(777, data); }
void Terminal::osciTerm2(std::span<const uint8_t> data) { oscFallback(1337, data); }

} // namespace corvel
