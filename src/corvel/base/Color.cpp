#include "corvel/base/Color.h"

#include <algorithm>
#include <cstdio>

namespace corvel {

namespace {

struct HexField {
    unsigned value = 0;
    int digits = 0;
};

int hexDigit(uint8_t b)
{
    if (b >= '0' && b <= '9')
        return b - '0';
    if (b >= 'a' && b <= 'f')
        return b - 'a' + 10;
    if (b >= 'A' && b <= 'F')
        return b - 'A' + 10;
    return -1;
}

// Reads up to four hex digits of bytes[pos, end). A byte that is not a hex
// digit ends the field and is consumed; a "/" right after the field is
// consumed too. Leaves pos after what was consumed.
HexField readHex(std::span<const uint8_t> bytes, size_t& pos, size_t end)
{
    HexField field;
    while (pos < end && field.digits < 4) {
        const int d = hexDigit(bytes[pos++]);
        if (d < 0)
            break;
        field.value = field.value * 16 + static_cast<unsigned>(d);
        ++field.digits;
    }
    if (pos < end && bytes[pos] == '/')
        ++pos;
    return field;
}

// Widens a channel of `digits` hex digits to 16 bits.
uint16_t scaleChannel(unsigned v, int digits)
{
    switch (digits) {
    case 1: return static_cast<uint16_t>(v * 0x1010);
    case 2: return static_cast<uint16_t>(v * 257);
    case 3: return static_cast<uint16_t>((v << 4) | (v >> 4));
    default: return static_cast<uint16_t>(v);
    }
}

std::optional<Color> makeColor(unsigned r, unsigned g, unsigned b, int digits)
{
    if (digits < 1 || digits > 4)
        return std::nullopt;
    return Color(scaleChannel(r, digits), scaleChannel(g, digits), scaleChannel(b, digits));
}

std::optional<Color> parseHashForm(std::span<const uint8_t> spec)
{
    const size_t count = spec.size() - 1;
    if (count != 3 && count != 6 && count != 9 && count != 12)
        return std::nullopt;
    const size_t width = count / 3;
    unsigned channel[3];
    for (size_t i = 0; i < 3; ++i) {
        size_t pos = 1 + i * width;
        channel[i] = readHex(spec, pos, 1 + (i + 1) * width).value;
    }
    return makeColor(channel[0], channel[1], channel[2], static_cast<int>(width));
}

std::optional<Color> parseRgbForm(std::span<const uint8_t> spec)
{
    size_t pos = 4;
    const HexField r = readHex(spec, pos, spec.size());
    const HexField g = readHex(spec, pos, spec.size());
    const HexField b = readHex(spec, pos, spec.size());
    const int digits = std::max({r.digits, g.digits, b.digits});
    return makeColor(r.value, g.value, b.value, digits);
}

} // namespace

std::string Color::formatAsXcolor() const
{
    char text[24];
    std::snprintf(text, sizeof text, "rgb:%04x/%04x/%04x", red, green, blue);
    return text;
}

std::optional<Color> Color::parseColor(std::span<const uint8_t> spec)
{
    if (spec.empty())
        return std::nullopt;
    if (spec[0] == '#')
        return parseHashForm(spec);
    if (spec.size() >= 4 && spec[0] == 'r' && spec[1] == 'g' && spec[2] == 'b' && spec[3] == ':') {
        return parseRgbForm(spec);
    }
    return std::nullopt;
}

std::optional<Color> Color::parseColor(std::string_view spec)
{
    return parseColor(std::span(reinterpret_cast<const uint8_t*>(spec.data()), spec.size()));
}

} // namespace corvel
