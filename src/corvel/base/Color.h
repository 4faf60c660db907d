#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvel {

// A colour with 16 bits per channel, as the X11 colour specifications carry it.
struct Color {
    uint16_t red = 0;
    uint16_t green = 0;
    uint16_t blue = 0;

    constexpr Color() = default;
    constexpr Color(uint16_t red, uint16_t green, uint16_t blue) : red(red), green(green), blue(blue) {}

    // 8-bit channels (0..255), each repeated in both bytes: 0xAB becomes 0xABAB.
    // Values above 255 are taken as 255.
    static constexpr Color fromRgb8(unsigned red8, unsigned green8, unsigned blue8)
    {
        return {scale8(red8), scale8(green8), scale8(blue8)};
    }

    // 4-bit channels (0..15), each multiplied by 0x1010: 0xF becomes 0xF0F0.
    // Values above 15 are taken as 15.
    static constexpr Color fromRgb4(unsigned red4, unsigned green4, unsigned blue4)
    {
        return {scale4(red4), scale4(green4), scale4(blue4)};
    }

    friend constexpr bool operator==(const Color&, const Color&) = default;

    // The colour as "rgb:rrrr/gggg/bbbb" with four lower-case hex digits per channel.
    std::string formatAsXcolor() const;

    // Reads an X11 colour specification: "#" followed by 3, 6, 9 or 12 hex
    // digits, or "rgb:" followed by up to three "/"-separated channels of one
    // to four hex digits. Anything else gives no colour.
    static std::optional<Color> parseColor(std::span<const uint8_t> spec);
    static std::optional<Color> parseColor(std::string_view spec);

    // The 256-colour palette that keeps the base colours and appends the
    // fixed 6x6x6 cube and the 24-step grey ramp (240 entries).
    static std::vector<Color> generateXtermPalette(std::span<const Color> initialColors);

    // The 256-colour palette that keeps the base colours and appends a cube
    // and grey ramp interpolated in CIELAB between the background, the first
    // eight base colours and the foreground. The background and foreground
    // default to base colours 0 and 7. With fewer than 8 base colours this is
    // the xterm palette.
    static std::vector<Color> generateBase16LabPalette(std::span<const Color> initialColors,
                                                       std::optional<Color> backgroundColor,
                                                       std::optional<Color> foregroundColor);

    static const Color defaultForeground;
    static const Color defaultBackground;
    // The 16 base colours a terminal starts with: SGR 30-37 and their bright forms.
    static const std::array<Color, 16> terminalAppColors;

private:
    static constexpr uint16_t scale8(unsigned v) { return static_cast<uint16_t>((v > 0xFF ? 0xFF : v) * 257); }
    static constexpr uint16_t scale4(unsigned v) { return static_cast<uint16_t>((v > 0xF ? 0xF : v) * 0x1010); }
};

inline constexpr Color Color::defaultForeground{35389, 35389, 35389};
inline constexpr Color Color::defaultBackground{0, 0, 0};
inline constexpr std::array<Color, 16> Color::terminalAppColors{
    Color::fromRgb8(0, 0, 0),
    Color::fromRgb8(194, 54, 33),
    Color::fromRgb8(37, 188, 36),
    Color::fromRgb8(173, 173, 39),
    Color::fromRgb8(73, 46, 225),
    Color::fromRgb8(211, 56, 211),
    Color::fromRgb8(51, 187, 200),
    Color::fromRgb8(203, 204, 205),
    Color::fromRgb8(129, 131, 131),
    Color::fromRgb8(252, 57, 31),
    Color::fromRgb8(49, 231, 34),
    Color::fromRgb8(234, 236, 35),
    Color::fromRgb8(88, 51, 255),
    Color::fromRgb8(249, 53, 248),
    Color::fromRgb8(20, 240, 240),
    Color::fromRgb8(233, 235, 235),
};

} // namespace corvel

template <> struct std::hash<corvel::Color> {
    size_t operator()(const corvel::Color& c) const noexcept
    {
        uint64_t v = (uint64_t{c.red} << 32) | (uint64_t{c.green} << 16) | c.blue;
        return std::hash<uint64_t>{}(v);
    }
};
