#pragma once

#include <QImage>
#include <QString>

// Reading a skin's frame picture outside the device window, by the name the
// skin stores: absolute for user skins, else inside the resource folder's
// "Skins" (the frame view's rule).
namespace velmora::FramePicture {

// The file of a frame picture name: absolute names as they are, relative
// ones inside the resource folder's "Skins".
QString path(const QString& frameImageName);

// The picture, or a null image when the file is missing or not a picture.
// Nothing is cached.
QImage load(const QString& frameImageName);

} // namespace velmora::FramePicture
