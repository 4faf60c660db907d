#pragma once

#include "corvel/base/Color.h"

#include <cstdint>
#include <span>
#include <vector>

namespace corvel {

// What the Sixel decoder needs of the terminal that owns it.
class SixelHost {
public:
    virtual ~SixelHost() = default;

    // The default 256-colour palette: the one generated from the base
    // colours, not changed by colour-setting sequences.
    virtual std::span<const Color> sixelDefaultPalette() const = 0;

    // Shows a straight RGBA bitmap (rows top to bottom, width × 4 bytes each)
    // at the cursor.
    virtual void createImageFromBitmap(std::vector<uint8_t>&& rgba, int width, int height) = 0;
};

} // namespace corvel
