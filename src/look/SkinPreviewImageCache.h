#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace velmora {

// The frame pictures of the settings window's skin gallery, read once per
// name and kept at the size the gallery shows them, not at the size of their
// files. A name that could not be read is not remembered, so the next call
// tries again; a picture changed on disk under the same name is shown
// unchanged until clear(). The table is bounded: past maxBytes of pictures
// the ones used longest ago are let go (and read again when next needed).
// The Skins tab clears it when it reloads the skins or deletes one. Main
// thread only.
class SkinPreviewImageCache {
public:
    static constexpr qint64 maxBytes = 64LL * 1024 * 1024;

    SkinPreviewImageCache() = delete;

    // The picture for a frame image name exactly as the skin stores it, no
    // larger than fitWithin (in pixels; any size when not valid); a null
    // image when there is none. A picture kept for a smaller box is read
    // again for a larger one.
    static QImage image(const QString& frameImageName, QSize fitWithin = {});

    static void clear();
    static bool contains(const QString& frameImageName);
    // The bytes of pixels the table holds.
    static qint64 bytesHeld();
};

} // namespace velmora
