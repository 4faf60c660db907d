#include "skin/FramePicture.h"

#include "core/AppResources.h"

#include <QImageReader>

namespace velmora::FramePicture {

QString path(const QString& frameImageName)
{
    if (frameImageName.startsWith(QLatin1Char('/')))
        return frameImageName;
    return AppResources::skinsDir() + QLatin1Char('/') + frameImageName;
}

QImage load(const QString& frameImageName)
{
    QImageReader reader(path(frameImageName));
    reader.setAutoTransform(true);
    return reader.read();
}

} // namespace velmora::FramePicture
