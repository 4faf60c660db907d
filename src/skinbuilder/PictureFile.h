#pragma once

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>

#include <optional>

// Pictures as the skin builder reads and writes them. A picture's point size
// is its pixel size divided by its device pixel ratio, which comes from the
// resolution the file records (144 dots per inch is a ratio of 2); a file
// that records none is one point per pixel.
namespace velmora::PictureFile {

// The horizontal resolution a PNG (pHYs in metres) or JPEG (JFIF density in
// inches or centimetres) records before its pixels, in dots per inch rounded
// to a whole number; none for other files or when none is recorded.
std::optional<int> recordedDotsPerInch(const QByteArray& header);

// The picture (PNG, JPEG, HEIC, … through PictureReader) with its device
// pixel ratio set from the recorded resolution; a null image when the file is
// not a regular file or cannot be read as a picture.
QImage read(const QString& path);

// The picture's size in points.
QSizeF pointSize(const QImage& image);

// PNG bytes recording the picture's resolution, so that reading them back
// gives the same point size; empty when encoding fails.
QByteArray encodePNG(const QImage& image);

} // namespace velmora::PictureFile
