#pragma once

#include "corvel/qt/LocalProcessTerminalView.h"

#include <string>
#include <vector>

// Reading and typing into the shell of a terminal view.
namespace velmora::test {

// The text of a terminal view's active screen.
inline std::string screenText(corvel::LocalProcessTerminalView& view)
{
    const std::vector<uint8_t> data = view.getTerminal().getBufferAsData(corvel::Terminal::BufferKind::active);
    return std::string(data.begin(), data.end());
}

inline bool screenContains(corvel::LocalProcessTerminalView& view, const std::string& text)
{
    return screenText(view).find(text) != std::string::npos;
}

// Types a line into the shell.
inline void typeLine(corvel::LocalProcessTerminalView& view, const std::string& line) { view.send(line + "\r"); }

} // namespace velmora::test
