#include "corvel/images/KittyGraphicsHandler.h"

#include <algorithm>
#include <string>
#include <vector>

namespace corvel {
namespace {

constexpr const char* badPayload = "EINVAL: bad payload";

} // namespace

KittyGraphicsHandler::KittyGraphicsHandler(KittyGraphicsState& state, KittyGraphicsHost& host,
                                           KittyGraphicsLimits limits)
    : state_(state), host_(host), limits_(limits), loader_(limits)
{
}

void KittyGraphicsHandler::handleKittyGraphics(std::span<const uint8_t> bytes)
{
    const KittyGraphicsCommand command = parseKittyGraphicsControl(bytes);
    const KittyGraphicsControl& control = command.control;
    if (control.action == 'd' || control.action == 'D')
        state_.pending.reset();
    // Later chunks carry no id (or the first chunk's); a transmission that
    // names another image starts a new transfer, and what an earlier program
    // left unfinished must not take the new one's data.
    const bool transmits = control.action == 't' || control.action == 'T' || control.action == 'q';
    if (state_.pending && transmits && (control.imageId || control.imageNumber)
        && (control.imageId != state_.pending->control.imageId
            || control.imageNumber != state_.pending->control.imageNumber))
        state_.pending.reset();

    if (control.more == 1) {
        if (!state_.pending) {
            state_.pending = KittyGraphicsPending{control, {}};
            appendToPending(command.payload);
        } else {
            appendToPending(command.payload);
        }
        return;
    }

    if (!state_.pending) {
        processKittyGraphics(control, command.payload);
        return;
    }
    if (!appendToPending(command.payload))
        return;
    KittyGraphicsPending transfer = std::move(*state_.pending);
    state_.pending.reset();
    processKittyGraphics(transfer.control, transfer.base64Payload);
}

bool KittyGraphicsHandler::appendToPending(std::span<const uint8_t> base64Payload)
{
    std::vector<uint8_t>& collected = state_.pending->base64Payload;
    // What a transfer holds counts against the store's limit as the images do.
    const int64_t storeLimit = KittyGraphicsState::effectiveCacheLimit(host_.kittyImageCacheLimitBytes());
    const uint64_t bound = static_cast<uint64_t>(std::min(limits_.pendingBase64Bytes(), storeLimit));
    if (collected.size() > bound || base64Payload.size() > bound - collected.size()) {
        KittyGraphicsControl first = state_.pending->control;
        state_.pending.reset();
        sendKittyError(first, badPayload);
        return false;
    }
    collected.insert(collected.end(), base64Payload.begin(), base64Payload.end());
    const auto held = static_cast<int64_t>(collected.size());
    if (state_.totalImageBytes > storeLimit - held)
        state_.enforceCacheLimit(storeLimit - held, [this] { return collectUsedKittyImageIds(); });
    return true;
}

void KittyGraphicsHandler::processKittyGraphics(const KittyGraphicsControl& control,
                                                std::span<const uint8_t> base64Payload)
{
    switch (control.action) {
    case 'q':
        if (loader_.decodeKittyPayload(control, base64Payload))
            sendKittyOk(control, control.imageId, control.imageNumber, control.placementId);
        else
            sendKittyError(control, badPayload);
        break;
    case 't': handleKittyTransmit(control, base64Payload, false); break;
    case 'T': handleKittyTransmit(control, base64Payload, true); break;
    case 'p': handleKittyPut(control); break;
    case 'd':
    case 'D': handleKittyDelete(control); break;
    default: sendKittyError(control, "EINVAL: unsupported action"); break;
    }
}

void KittyGraphicsHandler::handleKittyTransmit(const KittyGraphicsControl& control,
                                               std::span<const uint8_t> base64Payload, bool display)
{
    if (control.imageId && control.imageNumber) {
        sendKittyError(control, "EINVAL: i and I are mutually exclusive");
        return;
    }
    KittyPayloadResult result = loader_.loadKittyPayload(control, base64Payload);
    if (!result.payload) {
        sendKittyError(control, result.errorMessage.empty() ? badPayload : result.errorMessage);
        return;
    }
    handleKittyTransmitPayload(control, *result.payload, display);
}

void KittyGraphicsHandler::handleKittyTransmitPayload(const KittyGraphicsControl& control,
                                                      const KittyGraphicsPayload& payload, bool display)
{
    if (!control.imageId && !control.imageNumber) {
        if (display) {
            if (std::optional<std::string> error
                = host_.displayKittyImage(payload, control, std::nullopt, std::nullopt))
                sendKittyError(control, *error);
        }
        return;
    }
    const uint32_t imageId = control.imageId ? *control.imageId : state_.assignImageId();
    storeKittyImage(payload, imageId, control.imageNumber);
    if (display) {
        if (std::optional<std::string> error
            = host_.displayKittyImage(payload, control, imageId, control.imageNumber)) {
            sendKittyError(control, *error);
            return;
        }
    }
    sendKittyOk(control, imageId, control.imageNumber, control.placementId);
}

void KittyGraphicsHandler::handleKittyPut(const KittyGraphicsControl& control)
{
    const KittyGraphicsImage* image = nullptr;
    uint32_t imageId = 0;
    std::optional<uint32_t> imageNumber;
    if (control.imageNumber) {
        if (auto mapped = state_.imageNumbers.find(*control.imageNumber); mapped != state_.imageNumbers.end()) {
            image = updateKittyImageAccess(mapped->second);
            imageId = mapped->second;
            imageNumber = control.imageNumber;
        }
    }
    if (!image && control.imageId) {
        image = updateKittyImageAccess(*control.imageId);
        imageId = *control.imageId;
        imageNumber.reset();
    }
    if (!image) {
        sendKittyError(control, "ENOENT: image not found");
        return;
    }
    // The host may change the store while it shows the image; keep the
    // payload alive on our side.
    const KittyGraphicsPayload payload = image->payload;
    if (std::optional<std::string> error = host_.displayKittyImage(payload, control, imageId, imageNumber)) {
        sendKittyError(control, *error);
        return;
    }
    sendKittyOk(control, imageId, imageNumber, control.placementId);
}

void KittyGraphicsHandler::handleKittyDelete(const KittyGraphicsControl& control)
{
    if (std::optional<std::string> error = host_.deleteKittyImages(control))
        sendKittyError(control, *error);
}

void KittyGraphicsHandler::sendKittyOk(const KittyGraphicsControl& control, std::optional<uint32_t> imageId,
                                       std::optional<uint32_t> imageNumber, std::optional<uint32_t> placementId)
{
    if (control.suppressResponses != 0)
        return;
    std::string text = "G";
    bool first = true;
    auto item = [&](const char* key, std::optional<uint32_t> value) {
        if (!value)
            return;
        if (!first)
            text += ',';
        text += key;
        text += std::to_string(*value);
        first = false;
    };
    item("i=", imageId);
    item("I=", imageNumber);
    item("p=", placementId);
    text += ";OK";
    sendReply(text);
}

void KittyGraphicsHandler::sendKittyError(const KittyGraphicsControl& control, std::string_view message)
{
    if (control.suppressResponses != 0 && control.suppressResponses != 1)
        return;
    std::string text = "G";
    if (control.imageId)
        text += "i=" + std::to_string(*control.imageId);
    else if (control.imageNumber)
        text += "I=" + std::to_string(*control.imageNumber);
    text += ';';
    text += message;
    sendReply(text);
}

void KittyGraphicsHandler::sendReply(std::string_view text)
{
    std::vector<uint8_t> reply;
    reply.reserve(text.size() + 4);
    if (host_.sendsEightBitControls()) {
        reply.push_back(0x9F);
        reply.insert(reply.end(), text.begin(), text.end());
        reply.push_back(0x9C);
    } else {
        reply.push_back(0x1B);
        reply.push_back('_');
        reply.insert(reply.end(), text.begin(), text.end());
        reply.push_back(0x1B);
        reply.push_back('\\');
    }
    host_.sendKittyReply(reply);
}

void KittyGraphicsHandler::storeKittyImage(const KittyGraphicsPayload& payload, uint32_t imageId,
                                           std::optional<uint32_t> imageNumber)
{
    state_.storeImage(payload, imageId, imageNumber, host_.kittyImageCacheLimitBytes(), [this] {
        return collectUsedKittyImageIds();
    });
}

const KittyGraphicsImage* KittyGraphicsHandler::updateKittyImageAccess(uint32_t imageId)
{
    return state_.updateImageAccess(imageId);
}

KittyImageIdSet KittyGraphicsHandler::collectUsedKittyImageIds()
{
    KittyImageIdSet ids;
    host_.collectKittyImageIdsOnLines(ids);
    state_.collectPlacementImageIds(ids);
    return ids;
}

void KittyGraphicsHandler::cleanupUnusedKittyImages() { state_.cleanupUnusedImages(collectUsedKittyImageIds()); }

void KittyGraphicsHandler::enforceKittyImageCacheLimit()
{
    state_.enforceCacheLimit(host_.kittyImageCacheLimitBytes(), [this] { return collectUsedKittyImageIds(); });
}

} // namespace corvel
