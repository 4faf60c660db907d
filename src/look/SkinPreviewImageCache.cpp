#include "look/SkinPreviewImageCache.h"

#include "skin/FramePicture.h"

#include <QCache>

#include <algorithm>

namespace velmora {
namespace {

struct Entry {
    QImage picture;
    QSize readFor; // the box it was read for; invalid for any size
};

QCache<QString, Entry>& table()
{
    static QCache<QString, Entry> cache(SkinPreviewImageCache::maxBytes);
    return cache;
}

// Whether a picture read for one box serves another.
bool covers(QSize readFor, QSize wanted)
{
    if (!readFor.isValid())
        return true;
    return wanted.isValid() && readFor.width() >= wanted.width() && readFor.height() >= wanted.height();
}

} // namespace

QImage SkinPreviewImageCache::image(const QString& frameImageName, QSize fitWithin)
{
    QSize box = fitWithin;
    if (const Entry* found = table().object(frameImageName)) {
        if (covers(found->readFor, fitWithin))
            return found->picture;
        if (fitWithin.isValid())
            box = fitWithin.expandedTo(found->readFor);
    }
    const QImage picture = FramePicture::load(frameImageName, box);
    if (picture.isNull())
        return picture;
    const qint64 cost = std::max<qint64>(1, picture.sizeInBytes());
    // A picture larger than the whole table is handed out but not kept.
    table().insert(frameImageName, new Entry{picture, box}, cost);
    return picture;
}

void SkinPreviewImageCache::clear() { table().clear(); }

bool SkinPreviewImageCache::contains(const QString& frameImageName) { return table().contains(frameImageName); }

qint64 SkinPreviewImageCache::bytesHeld() { return table().totalCost(); }

} // namespace velmora
