#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <QImage>
#include <QRectF>
#include <QSize>

#include "corvel/images/KittyGraphicsPayload.h"
#include "corvel/qt/gl/GpuDevice.h"
#include "corvel/qt/gl/PicturePixels.h"

namespace corvel {

class KittyGraphicsState;

// 32-bit FNV-1a over the first min(limit, size) bytes; 0 for no bytes.
uint32_t hashBytes(std::span<const uint8_t> bytes, size_t limit);

// What a Kitty texture was made from. The revision is the identity of the
// stored bytes: every transmission stores new bytes, so a picture sent again
// under the same id and size is drawn anew even when its size, length and
// first bytes are unchanged.
struct KittyImageSignature {
    uint8_t kind = 0;
    int width = 0;
    int height = 0;
    int64_t byteCount = 0;
    uint32_t headHash = 0;
    const void* revision = nullptr;
    friend bool operator==(const KittyImageSignature&, const KittyImageSignature&) = default;
};

KittyImageSignature kittySignature(const KittyGraphicsPayload& payload);

// The pixels of a stored Kitty image, premultiplied; a null image when the
// payload does not decode.
QImage kittyPicture(const KittyGraphicsPayload& payload);

// The textures of the pictures on screen. A picture is uploaded at the size in
// device pixels it is drawn at (smoothly scaled once, as the view scales it),
// premultiplied and with its bottom row first, and kept while its picture
// lives and is drawn at that size. Pictures attached to lines are the view's
// own objects, read through the `PicturePixels` it hands over.
class PictureTextures {
public:
    // Textures are at most this many pixels on a side; larger pictures are
    // uploaded reduced (texture coordinates do not change).
    static constexpr int maximumSide = 8192;

    explicit PictureTextures(GpuDevice& device) : device_(device) {}

    void setPicturePixels(PicturePixels pixels) { pixels_ = std::move(pixels); }
    bool hasPicturePixels() const { return static_cast<bool>(pixels_); }

    // A line picture's own size in pixels; empty without pixels for it.
    QSize pictureSize(const std::shared_ptr<const void>& picture) const
    {
        return picture && pixels_ ? pixels_.size(picture.get()) : QSize();
    }
    // A line picture's texture at `size`; nothing without pixels for it.
    std::shared_ptr<GpuTexture> texture(const std::shared_ptr<const void>& picture, QSize size);
    // A stored Kitty image's texture at `size`; nothing when the id is not
    // stored or its payload does not decode.
    std::shared_ptr<GpuTexture> kittyTexture(uint32_t imageId, const KittyGraphicsState& state, QSize size);

    // Drops the textures of Kitty images no longer stored and of line
    // pictures that are gone.
    void prune(const KittyGraphicsState& state);
    // After a frame: drops the Kitty textures of sizes that no row draws any
    // more (a resized placement, another font); each image keeps the
    // texture of the size it was drawn at last.
    void releaseUndrawnSizes(const std::unordered_set<const GpuTexture*>& drawn);

    // Kitty images with at least one texture.
    size_t kittyTextureCount() const { return kitty_.size(); }
    size_t pictureTextureCount() const { return pictures_.size(); }
    // Textures made so far, for tests.
    int uploads() const { return uploads_; }

    // The picture as a texture of `size` pixels, premultiplied RGBA with its
    // bottom row first; nothing when the device makes none.
    std::shared_ptr<GpuTexture> upload(const QImage& picture, QSize size);

private:
    struct PictureEntry {
        std::weak_ptr<const void> picture;
        QSize size;
        std::shared_ptr<GpuTexture> texture;
    };
    struct KittyEntry {
        KittyImageSignature signature;
        std::weak_ptr<const std::vector<uint8_t>> bytes;
        QSize size;
        std::shared_ptr<GpuTexture> texture;
    };

    GpuDevice& device_;
    PicturePixels pixels_;
    std::unordered_map<const void*, PictureEntry> pictures_;
    // One texture per size an image is drawn at, the one drawn last at the back.
    std::unordered_map<uint32_t, std::vector<KittyEntry>> kitty_;
    int uploads_ = 0;
};

} // namespace corvel
