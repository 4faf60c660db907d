#pragma once

#include <cstdint>
#include <vector>

#include "corvel/terminal/Terminal.h"

namespace corvel {

// Movement without a pressed button is reported only in any-event tracking.
constexpr bool sendMotionEvent(Terminal::MouseMode mode) { return mode == Terminal::MouseMode::anyEvent; }

// Every tracking mode but the oldest tells the modifiers.
constexpr bool sendsModifiers(Terminal::MouseMode mode)
{
    return mode == Terminal::MouseMode::vt200 || mode == Terminal::MouseMode::buttonEventTracking
        || mode == Terminal::MouseMode::anyEvent;
}

// Writes mouse reports for one terminal in the wire form the child asked for
// (the terminal's mouseProtocol) and sends each as one reply.
//
// Button flags: the low two bits are the button (0, 1, 2; 3 for a release),
// then 4 shift, 8 meta, 16 control, 32 motion, 64 wheel (64 and 65 are the
// two wheel directions).
//
// The host decides what to report (from the terminal's mouseMode); the
// encoder sends whatever it is given. Columns and rows are 0-based cells of
// the displayed screen.
class MouseEncoder {
public:
    static constexpr int motionFlag = 32;
    // The largest value one byte of the oldest encoding can carry.
    static constexpr int x10ByteLimit = 255;
    // The largest value the UTF-8 encoding can carry.
    static constexpr int utf8Limit = 2047;

    explicit MouseEncoder(Terminal& terminal) : terminal_(terminal) {}

    // The flags of a button (1 to 3, 4 and 5 for the wheel) or of a release,
    // with the modifiers when the terminal's mouse mode reports them.
    int encodeButton(int button, bool release, bool shift, bool meta, bool control) const;

    void sendEvent(int buttonFlags, int x, int y, int pixelX, int pixelY);
    // The cell position stands in for the pixel position.
    void sendEvent(int buttonFlags, int x, int y) { sendEvent(buttonFlags, x, y, x, y); }
    void sendMotion(int buttonFlags, int x, int y, int pixelX, int pixelY)
    {
        sendEvent(buttonFlags + motionFlag, x, y, pixelX, pixelY);
    }

    // The bytes of one report, without sending it.
    static std::vector<uint8_t> encodeReport(Terminal::MouseProtocolEncoding encoding, bool send8bit, int buttonFlags,
                                             int x, int y, int pixelX, int pixelY);

    // Appends one value in the extended UTF-8 form: below 128 as one byte,
    // up to the limit as two bytes; the limit itself is sent as 0 and larger
    // values are clamped to it.
    static void encodeMouseUtf(std::vector<uint8_t>& data, int ch);

private:
    Terminal& terminal_;
};

} // namespace corvel
