#include "corvel/images/KittyPayloadLoader.h"

#include "corvel/base/Base64.h"
#include "corvel/base/Utf8.h"
#include "corvel/images/KittyFileAccess.h"
#include "corvel/images/PngDecoder.h"
#include "corvel/images/ZlibInflate.h"

#include <algorithm>
#include <climits>

namespace corvel {
namespace {

constexpr const char* badPayload = "EINVAL: bad payload";
constexpr const char* badPath = "EINVAL: bad path";
constexpr const char* badTempPath = "EINVAL: bad temp path";
constexpr const char* unsupportedTransmission = "ENOTSUP: unsupported transmission";
constexpr const char* tempPathMarker = "tty-graphics-protocol";

// A name or path carried in a payload, in Base64: no zero byte, valid UTF-8.
// Without one, error says why: badPayload when the Base64 gives no bytes,
// else notText.
struct PayloadName {
    std::optional<std::string> text;
    const char* error = nullptr;
};

PayloadName nameOfPayload(std::span<const uint8_t> base64Payload, const char* notText)
{
    const std::optional<std::vector<uint8_t>> bytes = Base64::decodeLenient(base64Payload, PATH_MAX);
    if (!bytes || bytes->empty())
        return {std::nullopt, badPayload};
    if (std::find(bytes->begin(), bytes->end(), 0) != bytes->end() || !isValidUtf8(*bytes))
        return {std::nullopt, notText};
    return {std::string(bytes->begin(), bytes->end())};
}

} // namespace

KittyPayloadResult KittyPayloadLoader::loadKittyPayload(const KittyGraphicsControl& control,
                                                        std::span<const uint8_t> base64Payload) const
{
    switch (control.transmission) {
    case 'd':
        if (auto payload = decodeKittyPayload(control, base64Payload))
            return {std::move(payload), {}};
        return KittyPayloadResult::failure(badPayload);
    case 'f': return loadKittyFilePayload(control, base64Payload, false);
    case 't': return loadKittyFilePayload(control, base64Payload, true);
    case 's': return loadKittySharedMemoryPayload(control, base64Payload);
    default: return KittyPayloadResult::failure(unsupportedTransmission);
    }
}

std::optional<KittyGraphicsPayload> KittyPayloadLoader::decodeKittyPayload(const KittyGraphicsControl& control,
                                                                           std::span<const uint8_t> base64Payload) const
{
    if (base64Payload.empty())
        return std::nullopt;
    std::optional<std::vector<uint8_t>> decoded = Base64::decodeLenient(base64Payload, payloadLimit());
    if (!decoded)
        return std::nullopt;
    return inflateAndDecode(control, std::move(*decoded));
}

std::optional<KittyGraphicsPayload> KittyPayloadLoader::inflateAndDecode(const KittyGraphicsControl& control,
                                                                         std::vector<uint8_t> data) const
{
    std::optional<std::vector<uint8_t>> inflated = decompressKittyData(std::move(data), control);
    if (!inflated)
        return std::nullopt;
    return decodeKittyPayloadData(control, std::move(*inflated));
}

KittyPayloadResult KittyPayloadLoader::payloadOfReadData(const KittyGraphicsControl& control,
                                                         std::optional<std::vector<uint8_t>> data) const
{
    if (data) {
        if (auto payload = inflateAndDecode(control, std::move(*data)))
            return {std::move(payload), {}};
    }
    return KittyPayloadResult::failure(badPayload);
}

KittyPayloadResult KittyPayloadLoader::loadKittyFilePayload(const KittyGraphicsControl& control,
                                                            std::span<const uint8_t> base64Payload,
                                                            bool temporary) const
{
    const PayloadName path = nameOfPayload(base64Payload, badPath);
    if (!path.text)
        return KittyPayloadResult::failure(path.error);
    std::optional<std::string> resolved = KittyFileAccess::resolveRealPath(*path.text);
    if (!resolved || KittyFileAccess::isRefusedPath(*resolved))
        return KittyPayloadResult::failure(badPath);
    if (temporary && (!KittyFileAccess::isTempPath(*resolved) || resolved->find(tempPathMarker) == std::string::npos))
        return KittyPayloadResult::failure(badTempPath);

    return payloadOfReadData(control,
                             KittyFileAccess::readFileData(
                                 *resolved, control.dataOffset, control.dataSize, temporary, limits_.payloadBytes));
}

KittyPayloadResult KittyPayloadLoader::loadKittySharedMemoryPayload(const KittyGraphicsControl& control,
                                                                    std::span<const uint8_t> base64Payload) const
{
    const PayloadName name = nameOfPayload(base64Payload, badPayload);
    if (!name.text)
        return KittyPayloadResult::failure(name.error);
    std::optional<int64_t> expectedSize = kittyExpectedDataSize(control);
    if (control.format != 100 && !expectedSize)
        return KittyPayloadResult::failure(badPayload);

    return payloadOfReadData(control,
                             KittyFileAccess::readSharedMemory(
                                 *name.text, expectedSize, control.dataOffset, control.dataSize, limits_.payloadBytes));
}

std::optional<int64_t> KittyPayloadLoader::kittyExpectedDataSize(const KittyGraphicsControl& control) const
{
    if (!sideInRange(control.width) || !sideInRange(control.height))
        return std::nullopt;
    if (control.format == 32)
        return control.width * control.height * 4;
    if (control.format == 24)
        return control.width * control.height * 3;
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> KittyPayloadLoader::decompressKittyData(std::vector<uint8_t> data,
                                                                            const KittyGraphicsControl& control) const
{
    if (!control.compression)
        return data;
    if (*control.compression != 'z')
        return std::nullopt;
    int64_t limit = 0;
    if (control.format == 100) {
        limit = std::min(limits_.payloadBytes, limits_.pngBytes);
    } else if (std::optional<int64_t> expected = kittyExpectedDataSize(control)) {
        limit = std::min(limits_.payloadBytes, *expected);
    } else {
        return std::nullopt; // nothing it could inflate to would be accepted
    }
    return inflateZlib(data, static_cast<size_t>(limit));
}

std::optional<KittyGraphicsPayload> KittyPayloadLoader::decodeKittyPayloadData(const KittyGraphicsControl& control,
                                                                               std::vector<uint8_t> rawData) const
{
    if (rawData.size() > payloadLimit())
        return std::nullopt;
    if (control.format == 24 || control.format == 32) {
        std::optional<int64_t> expected = kittyExpectedDataSize(control);
        if (!expected || static_cast<int64_t>(rawData.size()) != *expected)
            return std::nullopt;
        const int width = static_cast<int>(control.width);
        const int height = static_cast<int>(control.height);
        if (control.format == 32)
            return KittyGraphicsPayload::rgba(std::move(rawData), width, height);
        std::vector<uint8_t> pixels(rawData.size() / 3 * 4);
        for (size_t from = 0, to = 0; from < rawData.size(); from += 3, to += 4) {
            pixels[to] = rawData[from];
            pixels[to + 1] = rawData[from + 1];
            pixels[to + 2] = rawData[from + 2];
            pixels[to + 3] = 0xFF;
        }
        return KittyGraphicsPayload::rgba(std::move(pixels), width, height);
    }
    if (control.format == 100) {
        std::optional<PixelSize> size = PngDecoder::pixelSize(rawData);
        if (!size || !sideInRange(size->width) || !sideInRange(size->height))
            return std::nullopt;
        return KittyGraphicsPayload::png(std::move(rawData));
    }
    return std::nullopt;
}

} // namespace corvel
