// Operating-system commands for colours: palette entries (OSC 4, OSC 104),
// the default foreground, background and cursor colours (OSC 10 to 12), and
// installing a palette from the host.

#include <string>

#include "corvel/terminal/SequenceText.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {

namespace {

// The decimal digits at the start of text; none gives 0, and so does a value
// that grows too large.
int64_t leadingNumber(std::string_view text)
{
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > SequenceParams::kMaxValue)
            return 0;
    }
    return value;
}

} // namespace

void Terminal::installPalette(std::span<const Color> colors)
{
    if (colors.size() != 16)
        return;
    installedColors_.assign(colors.begin(), colors.end());
    rebuildAnsiPalette(false);
}

// OSC 4: pairs of index and colour specification, or "?" to ask for one.
void Terminal::oscChangeOrQueryColorIndex(std::span<const uint8_t> data)
{
    const std::string_view text = asText(data);
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t semicolon = text.find(';', pos);
        if (semicolon == std::string_view::npos)
            return;
        const int64_t index = leadingNumber(text.substr(pos, semicolon - pos));
        if (index > 255)
            return;
        const size_t specStart = semicolon + 1;
        if (specStart < text.size() && text[specStart] == '?') {
            sendResponse({osc(),
                          "4;",
                          std::to_string(index),
                          ";",
                          ansiColors_[static_cast<size_t>(index)].formatAsXcolor(),
                          st()});
            pos = specStart + 1;
            if (pos < text.size() && text[pos] == ';')
                ++pos;
            continue;
        }
        size_t specEnd = text.find(';', specStart);
        if (specEnd == std::string_view::npos)
            specEnd = text.size();
        if (auto color = Color::parseColor(text.substr(specStart, specEnd - specStart))) {
            ansiColors_[static_cast<size_t>(index)] = *color;
            if (tdel)
                tdel->colorChanged(*this, static_cast<int>(index));
        }
        pos = specEnd + 1;
    }
}

// OSC 104: back to the built palette, entry by entry or all at once.
void Terminal::oscResetColor(std::span<const uint8_t> data)
{
    if (data.empty()) {
        resetAllColors();
        return;
    }
    for (uint8_t b : data)
        if (b > 0x7F)
            return;
    for (std::string_view piece : splitText(asText(data), ';', true)) {
        const int64_t index = parseInteger(piece).value_or(0);
        if (index < 0 || index > 255)
            continue;
        ansiColors_[static_cast<size_t>(index)] = defaultAnsiColors_[static_cast<size_t>(index)];
        if (tdel)
            tdel->colorChanged(*this, static_cast<int>(index));
    }
}

// OSC 10, 11 and 12: each piece sets or asks for the next slot of
// foreground, background and cursor colour.
void Terminal::oscSetColors(std::span<const uint8_t> data, int startAt)
{
    const auto pieces = splitText(asText(data), ';', true);
    if (pieces.empty())
        return;
    const TerminalDelegate::Colors current
        = tdel ? tdel->getColors(*this) : TerminalDelegate::Colors{foregroundColor_, backgroundColor_};
    for (size_t i = 0; i < pieces.size(); ++i) {
        const int slot = startAt + static_cast<int>(i);
        if (slot > 2)
            break;
        const std::string_view piece = pieces[i];
        if (piece.front() == '?') {
            const Color& shown = slot == 0 ? current.foreground
                : slot == 1                ? current.background
                                           : cursorColor_.value_or(current.foreground);
            sendResponse({osc(), std::to_string(10 + slot), ";", shown.formatAsXcolor(), st()});
            continue;
        }
        const auto color = Color::parseColor(piece);
        if (!color)
            continue;
        // The setter tells the host and rebuilds the palette; the host then
        // hears the command's colour once more, with the guard still up, so
        // a host that stores it back changes nothing further.
        switch (slot) {
        case 0:
            setForegroundColor(*color);
            tellHostColor(settingFgColor, &TerminalDelegate::setForegroundColor, *color);
            break;
        case 1:
            setBackgroundColor(*color);
            tellHostColor(settingBgColor, &TerminalDelegate::setBackgroundColor, *color);
            break;
        default:
            setCursorColor(*color);
            tellHostColor(settingCursorColor, &TerminalDelegate::setCursorColor, std::optional<Color>(*color));
            break;
        }
    }
}

} // namespace corvel
