#pragma once

#include "corvel/images/KittyGraphicsControl.h"
#include "corvel/images/KittyGraphicsLimits.h"
#include "corvel/images/KittyGraphicsPayload.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace corvel {

// Either a decoded payload or the error text for the client.
struct KittyPayloadResult {
    std::optional<KittyGraphicsPayload> payload;
    std::string errorMessage;

    static KittyPayloadResult failure(std::string message) { return {std::nullopt, std::move(message)}; }
};

// Turns the payload of one transmission into an image, whatever its medium:
// direct base64 data, a file, a temporary file (removed after reading) or a
// POSIX shared-memory object (always unlinked once opened); the bytes may be
// zlib-compressed and hold raw RGB, raw RGBA or PNG.
class KittyPayloadLoader {
public:
    explicit KittyPayloadLoader(KittyGraphicsLimits limits = {}) : limits_(limits) {}

    KittyPayloadResult loadKittyPayload(const KittyGraphicsControl& control,
                                        std::span<const uint8_t> base64Payload) const;

    // The direct medium, whatever `t` says; queries use it too.
    std::optional<KittyGraphicsPayload> decodeKittyPayload(const KittyGraphicsControl& control,
                                                           std::span<const uint8_t> base64Payload) const;

    KittyPayloadResult loadKittyFilePayload(const KittyGraphicsControl& control, std::span<const uint8_t> base64Payload,
                                            bool temporary) const;
    KittyPayloadResult loadKittySharedMemoryPayload(const KittyGraphicsControl& control,
                                                    std::span<const uint8_t> base64Payload) const;

    // Bytes of a raw image of the command's size and format; nothing for PNG
    // or a size outside the side limit.
    std::optional<int64_t> kittyExpectedDataSize(const KittyGraphicsControl& control) const;

    // The data as it is, or inflated when the command says "o=z". Inflating
    // stops at the size the command declares (width × height × bytes per
    // pixel of a raw format, the PNG limit for PNG) and fails beyond it.
    std::optional<std::vector<uint8_t>> decompressKittyData(std::vector<uint8_t> data,
                                                            const KittyGraphicsControl& control) const;

    std::optional<KittyGraphicsPayload> decodeKittyPayloadData(const KittyGraphicsControl& control,
                                                               std::vector<uint8_t> rawData) const;

private:
    bool sideInRange(int64_t side) const { return side >= 1 && side <= limits_.maximumSide; }
    size_t payloadLimit() const { return static_cast<size_t>(limits_.payloadBytes); }
    // Inflates (when asked) and decodes bytes however they were carried.
    std::optional<KittyGraphicsPayload> inflateAndDecode(const KittyGraphicsControl& control,
                                                         std::vector<uint8_t> data) const;
    // The payload of bytes read from a file or shared memory, or why not.
    KittyPayloadResult payloadOfReadData(const KittyGraphicsControl& control,
                                         std::optional<std::vector<uint8_t>> data) const;

    KittyGraphicsLimits limits_;
};

} // namespace corvel
