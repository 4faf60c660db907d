#pragma once

#include "corvel/images/KittyGraphicsControl.h"
#include "corvel/images/KittyGraphicsPayload.h"
#include "corvel/images/KittyGraphicsState.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace corvel {

// What the Kitty graphics code needs of the terminal that owns it.
class KittyGraphicsHost {
public:
    virtual ~KittyGraphicsHost() = default;

    // Sends one complete reply (introducer, text, terminator) to the program.
    virtual void sendKittyReply(std::span<const uint8_t> reply) = 0;

    // True when replies use the 8-bit C1 introducer and terminator.
    virtual bool sendsEightBitControls() const = 0;

    // The configured byte limit of the image store (clamped by the store).
    virtual int64_t kittyImageCacheLimitBytes() const = 0;

    // Adds the Kitty image ids carried by the images attached to the lines of
    // the normal and then the alternate screen, scroll-back included.
    virtual void collectKittyImageIdsOnLines(KittyImageIdSet& ids) = 0;

    // Shows a transmitted or stored image at the cursor (placement, crop,
    // cursor movement). Returns the error text to send when it is refused.
    virtual std::optional<std::string>
    displayKittyImage(const KittyGraphicsPayload& payload, const KittyGraphicsControl& control,
                      std::optional<uint32_t> imageId, std::optional<uint32_t> imageNumber)
        = 0;

    // Carries out a deletion command ("d"/"D"). Returns the error text to send
    // when it is refused.
    virtual std::optional<std::string> deleteKittyImages(const KittyGraphicsControl& control) = 0;
};

} // namespace corvel
