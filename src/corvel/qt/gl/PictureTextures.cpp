#include "corvel/qt/gl/PictureTextures.h"

#include <algorithm>

#include "corvel/images/KittyGraphicsState.h"
#include "corvel/images/PngDecoder.h"

namespace corvel {

uint32_t hashBytes(std::span<const uint8_t> bytes, size_t limit)
{
    const size_t count = std::min(limit, bytes.size());
    if (count == 0)
        return 0;
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < count; ++i) {
        hash ^= bytes[i];
        hash *= 16777619u;
    }
    return hash;
}

KittyImageSignature kittySignature(const KittyGraphicsPayload& payload)
{
    const bool rgba = payload.kind == KittyGraphicsPayload::Kind::rgba;
    const std::span<const uint8_t> bytes
        = payload.bytes ? std::span<const uint8_t>(*payload.bytes) : std::span<const uint8_t>();
    return {uint8_t(rgba ? 2 : 1),
            rgba ? payload.width : 0,
            rgba ? payload.height : 0,
            payload.byteSize(),
            hashBytes(bytes, 64),
            payload.bytes.get()};
}

QImage kittyPicture(const KittyGraphicsPayload& payload)
{
    if (!payload.bytes)
        return {};
    const std::vector<uint8_t>& bytes = *payload.bytes;
    if (payload.kind == KittyGraphicsPayload::Kind::rgba) {
        const int w = payload.width, h = payload.height;
        if (w < 1 || h < 1 || bytes.size() < size_t(w) * size_t(h) * 4)
            return {};
        return QImage(bytes.data(), w, h, qsizetype(w) * 4, QImage::Format_RGBA8888)
            .convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    }
    std::optional<RgbaBitmap> png = PngDecoder::decodeToRgba(bytes);
    if (!png)
        return {};
    return QImage(png->bytes.data(), png->width, png->height, qsizetype(png->width) * 4, QImage::Format_RGBA8888)
        .convertToFormat(QImage::Format_RGBA8888_Premultiplied);
}

std::shared_ptr<GpuTexture> PictureTextures::upload(const QImage& picture, QSize size)
{
    if (picture.isNull() || size.isEmpty())
        return nullptr;
    QSize target = size;
    if (target.width() > maximumSide || target.height() > maximumSide)
        target = target.scaled(maximumSide, maximumSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    QImage pixels = picture.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    if (pixels.size() != target)
        pixels = pixels.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Textures hold their pictures bottom row first.
    pixels = pixels.mirrored(false, true);
    std::shared_ptr<GpuTexture> texture = device_.makeTexture(GpuTextureFormat::rgba8, pixels.width(), pixels.height());
    if (!texture)
        return nullptr;
    device_.replaceRegion(
        *texture, 0, 0, pixels.width(), pixels.height(), pixels.constBits(), static_cast<int>(pixels.bytesPerLine()));
    ++uploads_;
    return texture;
}

std::shared_ptr<GpuTexture> PictureTextures::texture(const std::shared_ptr<const void>& picture, QSize size)
{
    if (!picture || !pixels_)
        return nullptr;
    const auto found = pictures_.find(picture.get());
    if (found != pictures_.end() && found->second.picture.lock() == picture && found->second.size == size)
        return found->second.texture;
    std::shared_ptr<GpuTexture> texture = upload(pixels_.scaled(picture.get(), size), size);
    if (!texture) {
        pictures_.erase(picture.get());
        return nullptr;
    }
    pictures_[picture.get()] = {picture, size, texture};
    return texture;
}

std::shared_ptr<GpuTexture> PictureTextures::kittyTexture(uint32_t imageId, const KittyGraphicsState& state, QSize size)
{
    const auto stored = state.imagesById.find(imageId);
    if (stored == state.imagesById.end())
        return nullptr;
    const KittyGraphicsPayload& payload = stored->second.payload;
    const KittyImageSignature signature = kittySignature(payload);
    std::vector<KittyEntry>& entries = kitty_[imageId];
    // Textures of an older content go; one texture per size drawn.
    std::erase_if(entries, [&](const KittyEntry& entry) {
        return !(entry.signature == signature) || entry.bytes.lock() != payload.bytes;
    });
    const auto found
        = std::find_if(entries.begin(), entries.end(), [size](const KittyEntry& entry) { return entry.size == size; });
    if (found != entries.end()) {
        std::rotate(found, found + 1, entries.end());
        return entries.back().texture;
    }
    std::shared_ptr<GpuTexture> texture = upload(kittyPicture(payload), size);
    if (!texture) {
        if (entries.empty())
            kitty_.erase(imageId);
        return nullptr;
    }
    entries.push_back({signature, payload.bytes, size, texture});
    return texture;
}

void PictureTextures::prune(const KittyGraphicsState& state)
{
    std::erase_if(kitty_, [&](const auto& item) { return !state.imagesById.contains(item.first); });
    std::erase_if(pictures_, [](const auto& item) { return item.second.picture.expired(); });
}

void PictureTextures::releaseUndrawnSizes(const std::unordered_set<const GpuTexture*>& drawn)
{
    for (auto& [id, entries] : kitty_) {
        if (entries.size() < 2)
            continue;
        const KittyEntry last = entries.back();
        std::erase_if(entries, [&](const KittyEntry& entry) { return !drawn.contains(entry.texture.get()); });
        if (entries.empty())
            entries.push_back(last);
    }
}

} // namespace corvel
