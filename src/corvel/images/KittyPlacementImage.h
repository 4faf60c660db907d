#pragma once

#include "corvel/model/TerminalImage.h"

#include <cstdint>
#include <optional>

namespace corvel {

// A picture strip attached to a line for a Kitty placement: the view's line
// pictures derive from it and fill in the placement they belong to. The
// engine reads and writes line images of Kitty placements only through these
// fields.
class KittyPlacementImage : public TerminalImage {
public:
    bool kittyIsKitty = false;
    std::optional<uint32_t> kittyImageId;
    std::optional<uint32_t> kittyImageNumber;
    std::optional<uint32_t> kittyPlacementId;
    int64_t kittyZIndex = 0;
    int64_t kittyCol = 0;
    int64_t kittyRow = 0;
    int64_t kittyCols = 0;
    int64_t kittyRows = 0;
    int64_t kittyPixelOffsetX = 0;
    int64_t kittyPixelOffsetY = 0;
};

} // namespace corvel
