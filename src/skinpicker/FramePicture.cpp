#include "skinpicker/FramePicture.h"

#include "app/AppResources.h"

#include <QImageReader>

namespace velmora::FramePicture {

std::optional<QString> path(const QString& frameImageName)
{
    if (frameImageName.startsWith(u'/'))
        return frameImageName;
    if (!AppResources::hasResourceDir())
        return std::nullopt;
    return AppResources::skinsDir() + u'/' + frameImageName;
}

QImage load(const QString& frameImageName)
{
    const std::optional<QString> file = path(frameImageName);
    if (!file)
        return {};
    QImageReader reader(*file);
    reader.setAutoTransform(true);
    return reader.read();
}

} // namespace velmora::FramePicture
