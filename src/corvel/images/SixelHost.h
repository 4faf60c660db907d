#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace corvel {

// A colour of the terminal's default 256-colour palette, 16 bits per channel.
struct SixelPaletteColor {
    uint16_t red = 0;
    uint16_t green = 0;
    uint16_t blue = 0;
};

// What the Sixel decoder needs of the terminal that owns it.
class SixelHost {
public:
    virtual ~SixelHost() = default;

    // Entry `index` of the default palette (the one generated from the base
    // colours, not changed by colour-setting sequences); nothing outside it.
    virtual std::optional<SixelPaletteColor> sixelDefaultColor(int index) const = 0;

    // Shows a straight RGBA bitmap (rows top to bottom, width × 4 bytes each)
    // at the cursor.
    virtual void createImageFromBitmap(std::vector<uint8_t>& rgba, int width, int height) = 0;
};

} // namespace corvel
