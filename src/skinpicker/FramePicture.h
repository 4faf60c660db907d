#pragma once

#include <QImage>
#include <QString>

// Reading a skin's frame picture outside the device window, by the name the
// skin stores: absolute for user skins, else inside the resource folder's
// "Skins" (the frame view's rule).
namespace velmora::FramePicture {

// The picture, or a null image when the file is missing or not a picture.
// Nothing is cached.
QImage load(const QString& frameImageName);

} // namespace velmora::FramePicture
