#pragma once

#include "corvel/images/ImageSizeRequest.h"

#include <cstdint>
#include <optional>

namespace corvel {

// What the host needs to know while it shows one Kitty image: the ids it
// records the placement under, the size requests and where the cursor goes.
// The terminal holds one only for the duration of that host call.
struct KittyPlacementContext {
    std::optional<uint32_t> imageId;
    std::optional<uint32_t> imageNumber;
    std::optional<uint32_t> placementId;
    std::optional<uint32_t> parentImageId;
    std::optional<uint32_t> parentPlacementId;
    int64_t parentOffsetH = 0;
    int64_t parentOffsetV = 0;
    int64_t zIndex = 0;
    ImageSizeRequest widthRequest;
    ImageSizeRequest heightRequest;
    bool preserveAspectRatio = true;
    int64_t cursorPolicy = 0;
    // Positioned from a parent placement; the cursor stays where it was.
    bool isRelative = false;
    int64_t pixelOffsetX = 0;
    int64_t pixelOffsetY = 0;
};

} // namespace corvel
