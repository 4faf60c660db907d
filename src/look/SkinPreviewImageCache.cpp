#include "look/SkinPreviewImageCache.h"

#include "skin/FramePicture.h"

namespace velmora {

QHash<QString, QImage>& SkinPreviewImageCache::cache()
{
    static QHash<QString, QImage> table;
    return table;
}

QImage SkinPreviewImageCache::image(const QString& frameImageName)
{
    const auto found = cache().constFind(frameImageName);
    if (found != cache().constEnd())
        return *found;
    const QImage picture = FramePicture::load(frameImageName);
    if (!picture.isNull())
        cache().insert(frameImageName, picture);
    return picture;
}

void SkinPreviewImageCache::clear() { cache().clear(); }

bool SkinPreviewImageCache::contains(const QString& frameImageName) { return cache().contains(frameImageName); }

} // namespace velmora
