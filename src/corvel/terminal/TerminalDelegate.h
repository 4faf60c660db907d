#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "corvel/base/Color.h"
#include "corvel/terminal/CursorStyle.h"
#include "corvel/terminal/ImageSizeRequest.h"
#include "corvel/terminal/ProgressReport.h"
#include "corvel/terminal/WindowManipulationCommand.h"

namespace corvel {

class Terminal;

// How a Terminal talks to its host. Every callback receives the calling
// terminal; all but send() have a default, so a host overrides only what it
// uses. The terminal does not own its delegate: a host that goes away first
// clears the terminal's delegate (Terminal::setDelegate(nullptr)).
class TerminalDelegate {
public:
    struct Colors {
        Color foreground;
        Color background;
    };

    virtual ~TerminalDelegate();

    virtual void showCursor(Terminal& /*source*/) {}
    virtual void hideCursor(Terminal& /*source*/) {}
    virtual void setTerminalTitle(Terminal& /*source*/, const std::string& /*title*/) {}
    virtual void setTerminalIconTitle(Terminal& /*source*/, const std::string& /*title*/) {}
    // Bytes to send back for a report, or none to let the terminal answer.
    virtual std::optional<std::vector<uint8_t>> windowCommand(Terminal& /*source*/,
                                                              const WindowManipulationCommand& /*command*/)
    {
        return std::nullopt;
    }
    virtual void sizeChanged(Terminal& /*source*/) {}
    // Bytes for the child: every reply and focus report.
    virtual void send(Terminal& source, std::span<const uint8_t> data) = 0;
    // Bytes handed to send() that have not reached the child yet. While they
    // are Terminal::maxUnsentReplyBytes or more, replies are dropped.
    virtual std::size_t unsentBytes(Terminal& /*source*/) { return 0; }
    virtual void scrolled(Terminal& /*source*/, int /*yDisp*/) {}
    virtual void linefeed(Terminal& /*source*/) {}
    virtual void bufferActivated(Terminal& /*source*/) {}
    virtual void synchronizedOutputChanged(Terminal& /*source*/, bool /*active*/) {}
    virtual void bell(Terminal& /*source*/) {}
    virtual void selectionChanged(Terminal& /*source*/) {}
    virtual bool isProcessTrusted(Terminal& /*source*/) { return true; }
    // The cell size in device pixels (width, height), when known.
    virtual std::optional<std::pair<int, int>> cellSizeInPixels(Terminal& /*source*/) { return std::nullopt; }
    virtual void mouseModeChanged(Terminal& /*source*/) {}
    virtual void cursorStyleChanged(Terminal& /*source*/, CursorStyle /*newStyle*/) {}
    virtual void hostCurrentDirectoryUpdated(Terminal& /*source*/) {}
    virtual void hostCurrentDocumentUpdated(Terminal& /*source*/) {}
    // The palette entry that changed, or none when the whole palette did.
    virtual void colorChanged(Terminal& /*source*/, std::optional<int> /*idx*/) {}
    // The defaults store the colour back into the terminal. The terminal
    // calls these with the colour's guard up, so the store goes no further:
    // one change started by the terminal (OSC 10, 11 or 12) reaches the host
    // twice and rebuilds the palette once.
    virtual void setForegroundColor(Terminal& source, const Color& color);
    virtual void setBackgroundColor(Terminal& source, const Color& color);
    virtual void setCursorColor(Terminal& source, const std::optional<Color>& color);
    // The default answers the terminal's own default colours.
    virtual Colors getColors(Terminal& source);
    virtual void iTermContent(Terminal& /*source*/, std::span<const uint8_t> /*content*/) {}
    virtual void clipboardCopy(Terminal& /*source*/, std::span<const uint8_t> /*content*/) {}
    virtual void notify(Terminal& /*source*/, const std::string& /*title*/, const std::string& /*body*/) {}
    virtual void progressReport(Terminal& /*source*/, const ProgressReport& /*report*/) {}
    // Pixels as red, green, blue, alpha bytes, row by row; the host may keep them.
    virtual void createImageFromBitmap(Terminal& /*source*/, std::vector<uint8_t>&& /*bytes*/, int /*width*/,
                                       int /*height*/)
    {
    }
    // Encoded image data (PNG).
    virtual void createImage(Terminal& /*source*/, std::span<const uint8_t> /*data*/, ImageSizeRequest /*width*/,
                             ImageSizeRequest /*height*/, bool /*preserveAspectRatio*/)
    {
    }
};

} // namespace corvel
