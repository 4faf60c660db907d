#pragma once

#include <QHash>
#include <QImage>
#include <QString>

namespace velmora {

// The frame pictures of the settings window's skin gallery, read once per
// name for the whole process. A name that could not be read is not
// remembered, so the next call tries again; a picture changed on disk under
// the same name is shown unchanged until clear(). The Skins tab clears it when
// it reloads the skins or deletes one. Main thread only.
class SkinPreviewImageCache {
public:
    SkinPreviewImageCache() = delete;

    // The picture for a frame image name exactly as the skin stores it; a
    // null image when there is none.
    static QImage image(const QString& frameImageName);

    static void clear();
    static bool contains(const QString& frameImageName);

private:
    static QHash<QString, QImage>& cache();
};

} // namespace velmora
