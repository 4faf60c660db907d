#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "corvel/terminal/Terminal.h"

namespace corvel::test {

// A host that records what the terminal tells it.
class RecordingDelegate : public TerminalDelegate {
public:
    void send(Terminal&, std::span<const uint8_t> data) override { sent.emplace_back(data.begin(), data.end()); }
    void bell(Terminal&) override { ++bells; }
    void linefeed(Terminal&) override { ++linefeeds; }
    void scrolled(Terminal&, int yDisp) override { scrolls.push_back(yDisp); }
    void mouseModeChanged(Terminal&) override { ++mouseModeChanges; }
    void showCursor(Terminal&) override { ++cursorShown; }
    void hideCursor(Terminal&) override { ++cursorHidden; }
    void setTerminalTitle(Terminal&, const std::string& title) override { titles.push_back(title); }
    void setTerminalIconTitle(Terminal&, const std::string& title) override { iconTitles.push_back(title); }
    void bufferActivated(Terminal&) override { ++bufferActivations; }
    void clipboardCopy(Terminal&, std::span<const uint8_t> content) override
    {
        clipboard.emplace_back(content.begin(), content.end());
    }
    void setForegroundColor(Terminal& source, const Color& color) override
    {
        ++foregroundCalls;
        TerminalDelegate::setForegroundColor(source, color);
    }
    void colorChanged(Terminal&, std::optional<int>) override { ++colorChanges; }

    // Every reply so far, joined.
    std::string replies() const
    {
        std::string out;
        for (const auto& r : sent)
            out.append(r.begin(), r.end());
        return out;
    }

    std::vector<std::vector<uint8_t>> sent;
    std::vector<std::string> titles;
    std::vector<std::string> iconTitles;
    std::vector<std::string> clipboard;
    std::vector<int> scrolls;
    int bells = 0;
    int linefeeds = 0;
    int mouseModeChanges = 0;
    int cursorShown = 0;
    int cursorHidden = 0;
    int bufferActivations = 0;
    int foregroundCalls = 0;
    int colorChanges = 0;
};

inline TerminalOptions sized(int cols, int rows, int scrollback = 500)
{
    TerminalOptions options;
    options.cols = cols;
    options.rows = rows;
    options.scrollback = scrollback;
    return options;
}

// The visible rows as text, trailing blanks trimmed, joined with "\n";
// trailing empty rows dropped.
inline std::string screenText(Terminal& terminal)
{
    std::vector<std::string> lines;
    for (int row = 0; row < terminal.rows; ++row)
        lines.push_back(terminal.lineText(row));
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i)
            out += '\n';
        out += lines[i];
    }
    return out;
}

// Every line of the active ring (scroll-back and screen) as text.
inline std::vector<std::string> allLines(Terminal& terminal)
{
    std::vector<std::string> out;
    Buffer& buffer = terminal.buffer();
    for (int i = 0; i < buffer.lines().count(); ++i)
        out.push_back(buffer.lines()[i].translateToString(true));
    return out;
}

inline std::vector<uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

} // namespace corvel::test
