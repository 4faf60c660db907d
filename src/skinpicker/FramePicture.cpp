#include "skinpicker/FramePicture.h"

#include "skin/SkinFrameView.h"

#include <QImageReader>

namespace velmora::FramePicture {

QImage load(const QString& frameImageName)
{
    QImageReader reader(SkinFrameView::framePicturePath(frameImageName));
    reader.setAutoTransform(true);
    return reader.read();
}

} // namespace velmora::FramePicture
