#pragma once

#include <QImage>
#include <QString>

#include <optional>

// Where the frame picture of a skin is found outside the device window: a
// name beginning with "/" is an absolute file (user skins); any other name is
// relative to the resource folder's "Skins" folder (built-in skins).
namespace velmora::FramePicture {

// The file the name stands for; none when the name is relative and there is
// no resource folder.
std::optional<QString> path(const QString& frameImageName);

// The picture read from that file; a null image when it is missing or not a
// picture. Nothing is cached.
QImage load(const QString& frameImageName);

} // namespace velmora::FramePicture
