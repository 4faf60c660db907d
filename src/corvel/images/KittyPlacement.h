#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace corvel {

// Identifies one recorded placement of a stored image.
struct KittyPlacementKey {
    uint32_t imageId = 0;
    uint32_t placementId = 0;

    bool operator==(const KittyPlacementKey&) const = default;
};

struct KittyPlacementKeyHash {
    size_t operator()(const KittyPlacementKey& key) const noexcept
    {
        return std::hash<uint64_t>{}((uint64_t{key.imageId} << 32) | key.placementId);
    }
};

// A placement the terminal remembers: virtual placements drawn through
// placeholder cells, and placements that carry both an image and a placement
// id. `row` indexes the screen's line ring (scroll-back line 0 first).
struct KittyPlacementRecord {
    uint32_t imageId = 0;
    uint32_t placementId = 0;
    std::optional<uint32_t> parentImageId;
    std::optional<uint32_t> parentPlacementId;
    int64_t parentOffsetH = 0;
    int64_t parentOffsetV = 0;
    int64_t pixelOffsetX = 0;
    int64_t pixelOffsetY = 0;
    int64_t col = 0;
    int64_t row = 0;
    int64_t cols = 0;
    int64_t rows = 0;
    int64_t zIndex = 0;
    bool isVirtual = false;
    bool isAlternateBuffer = false;
};

} // namespace corvel
