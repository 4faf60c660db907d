#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// The one way the application reads a picture file: a skin's frame, a
// picker card's thumbnail, the gallery's miniature, the builder's picture.
// PNG, JPEG and the other formats Qt reads, and HEIC/HEIF through libheif.
//
// Only a regular file is read. The file is opened non-blocking and checked on
// the opened descriptor, so a pipe, a device or a folder under a picture's
// name (or swapped in for it) gives no picture at once instead of waiting for
// a writer that never comes. Files larger than maxFileBytes and pictures of
// more than maxPixels are refused before they are decoded.
namespace velmora::PictureReader {

inline constexpr qint64 maxFileBytes = 256LL * 1024 * 1024;
inline constexpr qint64 maxPixels = 64LL * 1024 * 1024; // 8192 × 8192
// How much of the file's start head receives.
inline constexpr qint64 headBytes = 64 * 1024;

struct Request {
    // When valid, a picture larger than this box is kept scaled down to fit
    // it, keeping its aspect ratio: the size it is shown at. Decoders that
    // can scale while decoding (JPEG) decode at about that size.
    QSize fitWithin;
    // When set, receives the first headBytes of the file (for readers of
    // what a format records before its pixels).
    QByteArray* head = nullptr;
};

// The picture, turned as its orientation tag says; a null image when the
// file is missing, not a regular file, too large or not a picture.
QImage read(const QString& path, const Request& request = {});

// Whether the bytes begin an HEIF container (HEIC, HEIF) that libheif reads.
bool isHeif(const QByteArray& head);

// The size an image of the given size is kept at under fitWithin: itself when
// it fits or fitWithin is not valid, else scaled down to fit, aspect kept.
QSize fittedSize(QSize size, QSize fitWithin);

} // namespace velmora::PictureReader
