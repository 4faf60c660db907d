#pragma once

#include <optional>
#include <string_view>

namespace corvel {

// The six cursor shapes a terminal can ask for.
enum class CursorStyle {
    blinkBlock,
    steadyBlock,
    blinkUnderline,
    steadyUnderline,
    blinkBar,
    steadyBar,
};

// The style whose name is exactly `name` ("blinkBlock", "steadyBar", ...).
std::optional<CursorStyle> cursorStyleFromString(std::string_view name);

std::string_view cursorStyleName(CursorStyle style);

} // namespace corvel
