#pragma once

#include "corvel/images/KittyGraphicsControl.h"
#include "corvel/images/KittyGraphicsHost.h"
#include "corvel/images/KittyGraphicsLimits.h"
#include "corvel/images/KittyGraphicsState.h"
#include "corvel/images/KittyPayloadLoader.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace corvel {

// Carries out Kitty graphics commands for one terminal: joins chunked
// transfers, dispatches by action, loads payloads, keeps the image store and
// answers the program. Cheap to make; the terminal makes one per command over
// its long-lived state.
class KittyGraphicsHandler {
public:
    KittyGraphicsHandler(KittyGraphicsState& state, KittyGraphicsHost& host, KittyGraphicsLimits limits = {});

    // The bytes of one APC string after its leading "G".
    void handleKittyGraphics(std::span<const uint8_t> bytes);

    void processKittyGraphics(const KittyGraphicsControl& control, std::span<const uint8_t> base64Payload);

    void sendKittyOk(const KittyGraphicsControl& control, std::optional<uint32_t> imageId,
                     std::optional<uint32_t> imageNumber, std::optional<uint32_t> placementId);
    void sendKittyError(const KittyGraphicsControl& control, std::string_view message);

    void storeKittyImage(const KittyGraphicsPayload& payload, uint32_t imageId, std::optional<uint32_t> imageNumber);
    const KittyGraphicsImage* updateKittyImageAccess(uint32_t imageId);
    KittyImageIdSet collectUsedKittyImageIds();
    void cleanupUnusedKittyImages();
    void enforceKittyImageCacheLimit();

private:
    void handleKittyTransmit(const KittyGraphicsControl& control, std::span<const uint8_t> base64Payload, bool display);
    void handleKittyTransmitPayload(const KittyGraphicsControl& control, const KittyGraphicsPayload& payload,
                                    bool display);
    void handleKittyPut(const KittyGraphicsControl& control);
    void handleKittyDelete(const KittyGraphicsControl& control);
    // Appends to the pending transfer; drops it with an error reply when the
    // collected text would pass its bound.
    bool appendToPending(std::span<const uint8_t> base64Payload);
    void sendReply(std::string_view text);

    KittyGraphicsState& state_;
    KittyGraphicsHost& host_;
    KittyGraphicsLimits limits_;
    KittyPayloadLoader loader_;
};

} // namespace corvel
