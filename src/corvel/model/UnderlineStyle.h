#pragma once

#include <cstdint>
#include <optional>

namespace corvel {

// The shape of a cell's underline.
enum class UnderlineStyle : uint8_t {
    none = 0,
    single = 1,
    doubled = 2,
    curly = 3,
    dotted = 4,
    dashed = 5,
};

// The style with the given raw value, or none for a value without one.
constexpr std::optional<UnderlineStyle> underlineStyleFromRaw(uint8_t rawValue)
{
    if (rawValue > static_cast<uint8_t>(UnderlineStyle::dashed))
        return std::nullopt;
    return static_cast<UnderlineStyle>(rawValue);
}

} // namespace corvel
