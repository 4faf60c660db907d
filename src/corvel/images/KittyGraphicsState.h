#pragma once

#include "corvel/images/KittyGraphicsControl.h"
#include "corvel/images/KittyGraphicsPayload.h"
#include "corvel/images/KittyPlacement.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace corvel {

// One stored image with its size and its last store-or-lookup stamp.
struct KittyGraphicsImage {
    KittyGraphicsPayload payload;
    int64_t byteSize = 0;
    uint64_t lastAccessTick = 0;
};

// A chunked transfer being collected: the keys of its first chunk and the
// base64 text of all chunks so far.
struct KittyGraphicsPending {
    KittyGraphicsControl control;
    std::vector<uint8_t> base64Payload;
};

using KittyImageIdSet = std::unordered_set<uint32_t>;

// The Kitty image store of one terminal, shared by its normal and alternate
// screens: images by id, image numbers, id counters, the transfer in
// progress and the placement records.
class KittyGraphicsState {
public:
    // Largest accepted cache limit; larger settings act as this.
    static constexpr int64_t maximumCacheLimitBytes = int64_t{4} * 1024 * 1024 * 1024;
    static constexpr int64_t defaultCacheLimitBytes = 335'544'320;

    std::unordered_map<uint32_t, KittyGraphicsImage> imagesById;
    std::unordered_map<uint32_t, uint32_t> imageNumbers;
    uint32_t nextImageId = 1;
    uint32_t nextPlacementId = 1;
    std::optional<KittyGraphicsPending> pending;
    std::unordered_map<KittyPlacementKey, KittyPlacementRecord, KittyPlacementKeyHash> placementsByKey;
    int64_t totalImageBytes = 0;
    uint64_t nextImageAccessTick = 1;

    // The id for a transmission that carries a number but no id; the counter
    // wraps at 2^32.
    uint32_t assignImageId() { return nextImageId++; }

    // Stores (or replaces) the image under `imageId`, maps `imageNumber` to
    // it, then evicts down to `cacheLimitBytes`; `usedIds` is asked for the
    // ids in use only when eviction is needed.
    void storeImage(const KittyGraphicsPayload& payload, uint32_t imageId, std::optional<uint32_t> imageNumber,
                    int64_t cacheLimitBytes, const std::function<KittyImageIdSet()>& usedIds);

    // Stamps and returns the image stored under the id; nothing (and no stamp
    // used) when none is stored.
    const KittyGraphicsImage* updateImageAccess(uint32_t imageId);

    // The ids of the images shown through placement records.
    void collectPlacementImageIds(KittyImageIdSet& ids) const;

    // Drops every stored image whose id is not in `usedIds`.
    void cleanupUnusedImages(const KittyImageIdSet& usedIds);

    // Evicts least recently used images, those not in use first, until the
    // total is not above the limit (clamped to 0 ... 4 GiB).
    void enforceCacheLimit(int64_t cacheLimitBytes, const std::function<KittyImageIdSet()>& usedIds);

    void removeImageNumbers(uint32_t imageId);

    // Empties images, numbers and placements and restarts the access stamps;
    // the id counters and a pending transfer stay.
    void clearAllImages();

    static int64_t effectiveCacheLimit(int64_t cacheLimitBytes);

private:
    void removeImage(uint32_t imageId);
    void subtractBytes(int64_t bytes);
    // Removes the given candidates oldest first until within the limit;
    // returns true once within it.
    bool evictOldestFirst(std::vector<uint32_t> candidates, int64_t limit);
};

} // namespace corvel
