// Answers to the child's questions: device attributes, device status, the
// CSI p family (soft reset, conformance level, mode report), status strings,
// the rectangle checksum and the window operations with their reports and
// title stacks.

#include <algorithm>
#include <cstdio>
#include <string>

#include "corvel/terminal/SequenceText.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {

using WindowKind = WindowManipulationCommand::Kind;

void Terminal::cmdSendDeviceAttributes(const SequenceParams& pars, const Intermediates& collect)
{
    if (pars[0] >= 1) {
        log("SendDeviceAttributes got " + decimalList(pars) + " and " + std::string(collect.view()));
        return;
    }
    if (collect == ">") {
        sendResponse({csi(), ">65;20;1c"});
        return;
    }
    if (!collect.empty())
        return;
    const std::string& name = options.termName;
    if (name.starts_with("xterm"))
        sendResponse({csi(), options.enableSixelReported ? "?65;4;1;2;6;21;22;17;28c" : "?65;1;2;6;21;22;17;28c"});
    else if (name.starts_with("screen") || name.starts_with("rxvt-unicode"))
        sendResponse({csi(), "?1;2c"});
    else if (name.starts_with("linux"))
        sendResponse({csi(), "?6c"});
}

void Terminal::cmdDeviceStatus(const SequenceParams& pars, const Intermediates& collect)
{
    const Buffer& b = *buffer_;
    // The reported cursor is always on the screen: never row or column 0 or
    // less, and the pending-wrap position reads as the last column.
    const int x = std::min(b.x(), cols - 1);
    if (collect.empty()) {
        switch (pars[0]) {
        case 5: sendResponse({csi(), "0n"}); break;
        case 6: {
            const int row = std::max(1, b.y() + 1 - (modes_.originMode ? b.scrollTop() : 0));
            const int col = std::max(1, x + 1 - (modes_.originMode ? b.marginLeft : 0));
            sendResponse({csi(), std::to_string(row), ";", std::to_string(col), "R"});
            break;
        }
        default: break;
        }
        return;
    }
    if (!(collect == "?"))
        return;
    switch (pars[0]) {
    case 6: {
        const int row = std::max(1, b.y() + 1 - (modes_.originMode ? b.scrollTop() : 0));
        const int col = std::max(1, x + 1 - (modes_.originMode && modes_.marginMode ? b.marginLeft : 0));
        sendResponse({csi(), "?", std::to_string(row), ";", std::to_string(col), ";1R"});
        break;
    }
    case 15: sendResponse({csi(), "?10n"}); break;
    case 25: sendResponse({csi(), "?21n"}); break;
    case 26: sendResponse({csi(), "?27;1;0;0n"}); break;
    case 55: sendResponse({csi(), "?53n"}); break;
    case 56: sendResponse({csi(), "?57;1n"}); break;
    case 62: sendResponse({csi(), "0*{"}); break;
    case 63: sendResponse({dcs(), std::to_string(pars.at(1, 0)), "!~0000", st()}); break;
    case 75: sendResponse({csi(), "?70n"}); break;
    case 85: sendResponse({csi(), "?83n"}); break;
    default: break;
    }
}

void Terminal::csiPHandler(const SequenceParams& pars, const Intermediates& collect)
{
    if (collect == "!") {
        cmdSoftReset();
    } else if (collect == "\"") {
        cmdSetConformanceLevel(pars, collect);
    } else if (collect == "?$") {
        cmdDecRqm(pars, true);
    } else if (collect == "$") {
        cmdDecRqm(pars, false);
    } else if (!silentLog) {
        std::string bytes;
        for (char c : collect.view())
            bytes += std::to_string(static_cast<unsigned char>(c));
        log("Unhandled CSI " + bytes + " with pars=" + decimalList(pars));
    }
}

void Terminal::cmdSetConformanceLevel(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    // An omitted level arrives as the single parameter 0.
    if (pars.size() == 1 && pars[0] == 0)
        return;
    switch (pars[0]) {
    case 61:
        conformance = TerminalConformance::vt100;
        cc_.send8bit = false;
        return;
    case 62: conformance = TerminalConformance::vt200; break;
    case 63: conformance = TerminalConformance::vt300; break;
    case 64: conformance = TerminalConformance::vt400; break;
    default: conformance = TerminalConformance::vt500; break;
    }
    if (pars.size() >= 2)
        cc_.send8bit = pars[1] == 0 || pars[1] == 2;
}

// ---- status strings (DCS $ q Pt ST) -------------------------------------------------

namespace {

class StatusStringRequest final : public DcsHandler {
public:
    explicit StatusStringRequest(Terminal& terminal) : terminal_(terminal) {}

    void hook(const Intermediates&, const SequenceParams&, uint8_t) override { data_.clear(); }
    void put(std::span<const uint8_t> data) override { data_.insert(data_.end(), data.begin(), data.end()); }
    void unhook() override { terminal_.answerStatusString(data_); }

private:
    Terminal& terminal_;
    std::vector<uint8_t> data_;
};

} // namespace

DcsHandler* Terminal::makeStatusStringHandler()
{
    if (!statusStringHandler_)
        statusStringHandler_ = std::make_unique<StatusStringRequest>(*this);
    return statusStringHandler_.get();
}

// The level and cursor-style answers report the terminal's real state, so a
// program that saves them can put them back.
void Terminal::answerStatusString(std::span<const uint8_t> request)
{
    const bool ascii = std::all_of(request.begin(), request.end(), [](uint8_t c) { return c < 0x80; });
    const std::string text(request.begin(), request.end());
    const Buffer& b = *buffer_;
    std::optional<std::string> answer;
    if (ascii) {
        if (text == "\"q")
            answer = "\"q";
        else if (text == "\"p")
            answer = std::to_string(61 + static_cast<int>(conformance)) + (cc_.send8bit ? ";0\"p" : ";1\"p");
        else if (text == "r")
            answer = std::to_string(b.scrollTop() + 1) + ";" + std::to_string(b.scrollBottom() + 1) + "r";
        else if (text == "m")
            answer = curAttr.toSgr();
        else if (text == "s")
            answer = std::to_string(b.marginLeft + 1) + ";" + std::to_string(b.marginRight + 1) + "s";
        else if (text == " q")
            answer = std::to_string(static_cast<int>(options.cursorStyle) + 1) + " q";
        else
            log("Unknown DCS + " + text);
    }
    if (answer)
        sendResponse({dcs(), "1$r", *answer, st()});
    else
        sendResponse({dcs(), "0$r", st()});
}

// ---- rectangle checksum (DECRQCRA) ------------------------------------------------------

void Terminal::cmdDECRQCRA(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    const int64_t id = pars[0];
    uint32_t sum = 0;
    if (tdel && tdel->isProcessTrusted(*this) && pars.size() >= 3) {
        if (const auto rect = getRectangleFromRequest(pars.values().subspan(2))) {
            Buffer& b = *buffer_;
            for (int row = rect->top; row <= rect->bottom; ++row) {
                const BufferLine& line = b.lines()[b.yBase() + row];
                for (int col = rect->left; col <= rect->right; ++col) {
                    const CharData& cell = line[col];
                    if (cell.code == 0) {
                        sum += 32;
                        continue;
                    }
                    // The sum wraps around past 32 bits; the reply still goes out.
                    for (char32_t scalar : character(cell.code))
                        sum += static_cast<uint32_t>(scalar);
                }
            }
        }
    }
    char checksum[16];
    std::snprintf(checksum, sizeof checksum, "%04x", sum);
    sendResponse({dcs(), std::to_string(id), "!~", checksum, st()});
}

// ---- window operations (CSI t) --------------------------------------------------------------

void Terminal::cmdWindowOptions(const SequenceParams& pars)
{
    if (!tdel)
        return;
    const auto v = pars.values();
    const size_t n = v.size();
    auto is = [&v, n](std::initializer_list<int64_t> expected) {
        return n == expected.size() && std::equal(expected.begin(), expected.end(), v.begin());
    };
    auto clampInt = [](int64_t value) { return static_cast<int>(std::min<int64_t>(value, INT_MAX)); };
    auto command = [this](WindowKind kind, int a = 0, int b = 0) { tdel->windowCommand(*this, {kind, a, b}); };
    const auto cell = tdel->cellSizeInPixels(*this);
    const int cellWidth = cell ? cell->first : 10;
    const int cellHeight = cell ? cell->second : 16;
    auto report = [this](WindowKind kind, std::string fallback) {
        if (auto answer = tdel->windowCommand(*this, {kind, 0, 0}))
            sendResponse({*answer});
        else
            sendResponse({csi(), fallback});
    };
    auto popTitle = [this](std::vector<std::string>& stack, void (Terminal::*set)(std::string)) {
        if (stack.empty())
            return;
        std::string title = std::move(stack.back());
        stack.pop_back();
        (this->*set)(std::move(title));
    };
    const std::string textArea
        = std::to_string(int64_t{rows} * cellHeight) + ";" + std::to_string(int64_t{cols} * cellWidth) + "t";

    if (is({1}))
        command(WindowKind::deiconifyWindow);
    else if (is({2}))
        command(WindowKind::iconifyWindow);
    else if (n == 3 && v[0] == 3)
        command(WindowKind::moveWindowTo, clampInt(v[1]), clampInt(v[2]));
    else if (n == 3 && v[0] == 4) // height first, then width
        command(WindowKind::resizeWindowTo, clampInt(v[2]), clampInt(v[1]));
    else if (is({5}))
        command(WindowKind::bringToFront);
    else if (is({6}))
        command(WindowKind::sendToBack);
    else if (is({7}))
        command(WindowKind::refreshWindow);
    else if (n == 3 && v[0] == 8) // rows first, then columns
        command(WindowKind::resizeTerminal, clampInt(v[2]), clampInt(v[1]));
    else if (n == 2 && v[0] == 9 && v[1] <= 3)
        command(static_cast<WindowKind>(static_cast<int>(WindowKind::restoreMaximizedWindow) + v[1]));
    else if (n == 2 && v[0] == 10 && v[1] <= 2)
        command(static_cast<WindowKind>(static_cast<int>(WindowKind::undoFullScreen) + v[1]));
    else if (is({14}))
        report(WindowKind::reportTextAreaPixelDimension, "4;" + textArea);
    else if (is({14, 2}))
        report(WindowKind::reportTerminalWindowPixelDimension, "4;" + textArea);
    else if (is({15}))
        report(WindowKind::reportSizeOfScreenInPixels, "5;" + textArea);
    else if (is({16}))
        report(WindowKind::reportCellSizeInPixels,
               "6;" + std::to_string(cellHeight) + ";" + std::to_string(cellWidth) + "t");
    else if (is({18}))
        report(WindowKind::reportTextAreaCharacters, "8;" + std::to_string(rows) + ";" + std::to_string(cols) + "t");
    else if (is({19}))
        report(WindowKind::reportScreenSizeCharacters, "9;" + std::to_string(rows) + ";" + std::to_string(cols) + "t");
    else if (is({20}))
        sendResponse({osc(), "L", st()});
    else if (is({21}))
        sendResponse({osc(), "l", st()});
    else if (is({22, 0}) || is({22, 0, 0})) {
        pushTitle(terminalTitleStack, terminalTitle);
        pushTitle(terminalIconStack, iconTitle);
    } else if (is({22, 1}))
        pushTitle(terminalIconStack, iconTitle);
    else if (is({22, 2}))
        pushTitle(terminalTitleStack, terminalTitle);
    else if (is({23, 0}) || is({23, 0, 0})) {
        popTitle(terminalTitleStack, &Terminal::setTitle);
        popTitle(terminalIconStack, &Terminal::setIconTitle);
    } else if (is({23, 1}))
        popTitle(terminalIconStack, &Terminal::setIconTitle);
    else if (is({23, 2}))
        popTitle(terminalTitleStack, &Terminal::setTitle);
    else
        log("Unhandled Window command: " + decimalList(pars));
}

} // namespace corvel
