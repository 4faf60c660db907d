#include "corvel/images/KittyGraphicsState.h"

#include <algorithm>

namespace corvel {

int64_t KittyGraphicsState::effectiveCacheLimit(int64_t cacheLimitBytes)
{
    return std::clamp<int64_t>(cacheLimitBytes, 0, maximumCacheLimitBytes);
}

void KittyGraphicsState::storeImage(const KittyGraphicsPayload& payload, uint32_t imageId,
                                    std::optional<uint32_t> imageNumber, int64_t cacheLimitBytes,
                                    const std::function<KittyImageIdSet()>& usedIds)
{
    KittyGraphicsImage image{payload, payload.byteSize(), nextImageAccessTick++};
    if (auto existing = imagesById.find(imageId); existing != imagesById.end())
        subtractBytes(existing->second.byteSize);
    int64_t added = image.byteSize;
    imagesById[imageId] = std::move(image);
    if (__builtin_add_overflow(totalImageBytes, added, &totalImageBytes))
        totalImageBytes = INT64_MAX;
    if (imageNumber)
        imageNumbers[*imageNumber] = imageId;
    enforceCacheLimit(cacheLimitBytes, usedIds);
}

const KittyGraphicsImage* KittyGraphicsState::updateImageAccess(uint32_t imageId)
{
    auto it = imagesById.find(imageId);
    if (it == imagesById.end())
        return nullptr;
    it->second.lastAccessTick = nextImageAccessTick++;
    return &it->second;
}

void KittyGraphicsState::collectPlacementImageIds(KittyImageIdSet& ids) const
{
    for (const auto& [key, record] : placementsByKey)
        ids.insert(record.imageId);
}

void KittyGraphicsState::cleanupUnusedImages(const KittyImageIdSet& usedIds)
{
    std::vector<uint32_t> unused;
    for (const auto& [id, image] : imagesById) {
        if (!usedIds.contains(id))
            unused.push_back(id);
    }
    for (uint32_t id : unused)
        removeImage(id);
}

void KittyGraphicsState::enforceCacheLimit(int64_t cacheLimitBytes, const std::function<KittyImageIdSet()>& usedIds)
{
    const int64_t limit = effectiveCacheLimit(cacheLimitBytes);
    if (totalImageBytes <= limit)
        return;
    const KittyImageIdSet inUse = usedIds ? usedIds() : KittyImageIdSet{};

    std::vector<uint32_t> notInUse;
    for (const auto& [id, image] : imagesById) {
        if (!inUse.contains(id))
            notInUse.push_back(id);
    }
    if (evictOldestFirst(std::move(notInUse), limit))
        return;

    std::vector<uint32_t> remaining;
    remaining.reserve(imagesById.size());
    for (const auto& [id, image] : imagesById)
        remaining.push_back(id);
    evictOldestFirst(std::move(remaining), limit);
}

bool KittyGraphicsState::evictOldestFirst(std::vector<uint32_t> candidates, int64_t limit)
{
    std::sort(candidates.begin(), candidates.end(), [this](uint32_t a, uint32_t b) {
        return imagesById.at(a).lastAccessTick < imagesById.at(b).lastAccessTick;
    });
    for (uint32_t id : candidates) {
        removeImage(id);
        if (totalImageBytes <= limit)
            return true;
    }
    return totalImageBytes <= limit;
}

void KittyGraphicsState::removeImageNumbers(uint32_t imageId)
{
    std::erase_if(imageNumbers, [imageId](const auto& entry) { return entry.second == imageId; });
}

void KittyGraphicsState::clearAllImages()
{
    imagesById.clear();
    imageNumbers.clear();
    placementsByKey.clear();
    totalImageBytes = 0;
    nextImageAccessTick = 1;
}

void KittyGraphicsState::removeImage(uint32_t imageId)
{
    auto it = imagesById.find(imageId);
    if (it == imagesById.end())
        return;
    subtractBytes(it->second.byteSize);
    imagesById.erase(it);
    removeImageNumbers(imageId);
}

void KittyGraphicsState::subtractBytes(int64_t bytes)
{
    totalImageBytes = std::max<int64_t>(0, totalImageBytes - bytes);
}

} // namespace corvel
