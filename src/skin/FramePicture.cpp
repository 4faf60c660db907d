#include "skin/FramePicture.h"

#include "core/AppResources.h"
#include "skin/PictureReader.h"

namespace velmora::FramePicture {

QString path(const QString& frameImageName)
{
    if (frameImageName.startsWith(QLatin1Char('/')))
        return frameImageName;
    return AppResources::skinsDir() + QLatin1Char('/') + frameImageName;
}

QImage load(const QString& frameImageName, QSize fitWithin)
{
    return PictureReader::read(path(frameImageName), {fitWithin});
}

} // namespace velmora::FramePicture
