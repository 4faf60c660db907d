#pragma once

#include <string>

#include "corvel/base/Ansi256PaletteStrategy.h"
#include "corvel/terminal/CursorStyle.h"

namespace corvel {

// What a host hands a Terminal when it creates it. A plain value: the
// terminal reads the fields again only at setup, resets, device-attribute
// requests and cursor-style changes.
struct TerminalOptions {
    int cols = 80;
    int rows = 25;
    bool convertEol = false;
    std::string termName = "xterm-256color";
    CursorStyle cursorStyle = CursorStyle::blinkBlock;
    bool screenReaderMode = false;
    int scrollback = 500;
    int tabStopWidth = 8;
    bool enableSixelReported = true;
    long long kittyImageCacheLimitBytes = 335'544'320;
    Ansi256PaletteStrategy ansi256PaletteStrategy = Ansi256PaletteStrategy::base16Lab;

    static const TerminalOptions& defaultOptions()
    {
        static const TerminalOptions options;
        return options;
    }

    friend bool operator==(const TerminalOptions&, const TerminalOptions&) = default;
};

} // namespace corvel
