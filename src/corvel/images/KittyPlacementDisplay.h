#pragma once

#include "corvel/images/KittyGraphicsControl.h"
#include "corvel/images/KittyGraphicsPayload.h"
#include "corvel/images/KittyPlacementHost.h"

#include <cstdint>
#include <optional>
#include <string>

namespace corvel {

// Shows a Kitty image: records a virtual placement for placeholder cells, or
// decides where an ordinary placement goes (the cursor, or a cell relative
// to a parent), crops the pixels, hands the picture to the host with the
// placement context set, and moves the cursor past the cells it covers.
class KittyPlacementDisplay {
public:
    explicit KittyPlacementDisplay(KittyPlacementHost& host) : host_(host) {}

    // Nothing on success (or when there is nothing to do), else the error
    // text to answer.
    std::optional<std::string> displayKittyImage(const KittyGraphicsPayload& payload,
                                                 const KittyGraphicsControl& control, std::optional<uint32_t> imageId,
                                                 std::optional<uint32_t> imageNumber);

private:
    struct PixelOffset {
        int64_t x = 0;
        int64_t y = 0;
    };

    std::optional<std::string> placeVirtual(const KittyGraphicsControl& control, std::optional<uint32_t> imageId);
    std::optional<std::string> placeOrdinary(const KittyGraphicsPayload& payload, const KittyGraphicsControl& control,
                                             std::optional<uint32_t> imageId, std::optional<uint32_t> imageNumber);
    PixelOffset clampedPixelOffset(const KittyGraphicsControl& control);
    uint32_t assignPlacementId();

    KittyPlacementHost& host_;
};

} // namespace corvel
