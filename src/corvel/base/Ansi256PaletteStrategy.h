#pragma once

namespace corvel {

// How colours 16 to 255 of the 256-colour palette are made from the 16 base colours.
enum class Ansi256PaletteStrategy {
    xterm, // the fixed 6x6x6 colour cube and 24-step grey ramp
    base16Lab, // interpolated in CIELAB between the base colours, background and foreground
};

} // namespace corvel
