#include "corvel/terminal/MouseEncoder.h"
#include "corvel/base/Diagnostics.h"

#include <algorithm>
#include <string>

namespace corvel {

namespace {

void appendNumber(std::vector<uint8_t>& out, int value)
{
    const std::string digits = std::to_string(value);
    out.insert(out.end(), digits.begin(), digits.end());
}

void appendCsi(std::vector<uint8_t>& out, bool send8bit)
{
    if (send8bit) {
        out.push_back(0x9B);
    } else {
        out.push_back(0x1B);
        out.push_back('[');
    }
}

// One byte of the oldest encoding. Positions past what a byte can carry are
// reported at the last position it can, so a release far right still arrives.
uint8_t x10Byte(int value) { return static_cast<uint8_t>(std::clamp(value, 0, MouseEncoder::x10ByteLimit)); }

// SGR reports tell a release by their final byte instead of the button bits.
// A motion with no button held (35 plus modifiers) is no release.
void appendSgr(std::vector<uint8_t>& out, int flags, int first, int second)
{
    const bool release = (flags & 3) == 3 && (flags & MouseEncoder::motionFlag) == 0;
    out.push_back('<');
    appendNumber(out, release ? flags & ~3 : flags);
    out.push_back(';');
    appendNumber(out, first);
    out.push_back(';');
    appendNumber(out, second);
    out.push_back(release ? 'm' : 'M');
}

} // namespace

int MouseEncoder::encodeButton(int button, bool release, bool shift, bool meta, bool control) const
{
    int flags = 0;
    if (release) {
        flags = 3;
    } else {
        switch (button) {
        case 1: flags = 1; break;
        case 2: flags = 2; break;
        case 4: flags = 64; break;
        case 5: flags = 65; break;
        default: flags = 0; break;
        }
    }
    if (sendsModifiers(terminal_.mouseMode())) {
        if (shift)
            flags |= 4;
        if (meta)
            flags |= 8;
        if (control)
            flags |= 16;
    }
    return flags;
}

void MouseEncoder::sendEvent(int buttonFlags, int x, int y, int pixelX, int pixelY)
{
    if (terminal_.modes().mouseProtocol == Terminal::MouseProtocolEncoding::sgrPixel)
        writeDebugDiagnosticf("%d;%d", pixelX, pixelY);
    const std::vector<uint8_t> report
        = encodeReport(terminal_.modes().mouseProtocol, terminal_.cc().send8bit, buttonFlags, x, y, pixelX, pixelY);
    terminal_.sendResponse({report});
}

std::vector<uint8_t> MouseEncoder::encodeReport(Terminal::MouseProtocolEncoding encoding, bool send8bit,
                                                int buttonFlags, int x, int y, int pixelX, int pixelY)
{
    // Nothing that reaches the child may carry a negative number.
    const int flags = std::max(buttonFlags, 0);
    x = std::max(x, 0);
    y = std::max(y, 0);
    pixelX = std::max(pixelX, 0);
    pixelY = std::max(pixelY, 0);

    std::vector<uint8_t> out;
    appendCsi(out, send8bit);
    switch (encoding) {
    case Terminal::MouseProtocolEncoding::x10:
        out.push_back('M');
        out.push_back(x10Byte(flags + 32));
        out.push_back(x10Byte(x + 33));
        out.push_back(x10Byte(y + 33));
        break;
    case Terminal::MouseProtocolEncoding::utf8:
        out.push_back('M');
        encodeMouseUtf(out, flags + 32);
        encodeMouseUtf(out, x + 33);
        encodeMouseUtf(out, y + 33);
        break;
    case Terminal::MouseProtocolEncoding::sgr: appendSgr(out, flags, x + 1, y + 1); break;
    case Terminal::MouseProtocolEncoding::urxvt:
        appendNumber(out, flags + 32);
        out.push_back(';');
        appendNumber(out, x + 1);
        out.push_back(';');
        appendNumber(out, y + 1);
        out.push_back('M');
        break;
    case Terminal::MouseProtocolEncoding::sgrPixel: appendSgr(out, flags, pixelX, pixelY); break;
    }
    return out;
}

void MouseEncoder::encodeMouseUtf(std::vector<uint8_t>& data, int ch)
{
    if (ch == utf8Limit) {
        data.push_back(0x00);
        return;
    }
    const int value = std::clamp(ch, 0, utf8Limit);
    if (value < 0x80) {
        data.push_back(static_cast<uint8_t>(value));
        return;
    }
    data.push_back(static_cast<uint8_t>(0xC0 + (value >> 6)));
    data.push_back(static_cast<uint8_t>(0x80 + (value & 0x3F)));
}

} // namespace corvel
