#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Reading a skin's frame picture outside the device window, by the name the
// skin stores: absolute for user skins, else inside the resource folder's
// "Skins" (the frame view's rule).
namespace velmora::FramePicture {

// The file of a frame picture name: absolute names as they are, relative
// ones inside the resource folder's "Skins".
QString path(const QString& frameImageName);

// The picture through PictureReader, or a null image when the file is
// missing, not a regular file or not a picture. A picture larger than
// fitWithin (when valid) is kept scaled down to fit it. Nothing is cached.
QImage load(const QString& frameImageName, QSize fitWithin = {});

} // namespace velmora::FramePicture
