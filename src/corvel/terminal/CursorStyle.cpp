#include "corvel/terminal/CursorStyle.h"

#include <array>
#include <utility>

namespace corvel {

namespace {
constexpr std::array<std::pair<std::string_view, CursorStyle>, 6> styleNames{{
    {"blinkBlock", CursorStyle::blinkBlock},
    {"steadyBlock", CursorStyle::steadyBlock},
    {"blinkUnderline", CursorStyle::blinkUnderline},
    {"steadyUnderline", CursorStyle::steadyUnderline},
    {"blinkBar", CursorStyle::blinkBar},
    {"steadyBar", CursorStyle::steadyBar},
}};
} // namespace

std::optional<CursorStyle> cursorStyleFromString(std::string_view name)
{
    for (const auto& [text, style] : styleNames)
        if (text == name)
            return style;
    return std::nullopt;
}

std::string_view cursorStyleName(CursorStyle style)
{
    for (const auto& [text, value] : styleNames)
        if (value == style)
            return text;
    return {};
}

} // namespace corvel
