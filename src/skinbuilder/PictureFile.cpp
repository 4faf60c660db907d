#include "skinbuilder/PictureFile.h"

#include "skin/PictureReader.h"

#include <QBuffer>
#include <QtEndian>

#include <cmath>

namespace velmora::PictureFile {

namespace {

constexpr double pointsPerInch = 72.0;
constexpr double metresPerInch = 0.0254;

quint32 bigEndian32(const char* p) { return qFromBigEndian<quint32>(p); }
quint16 bigEndian16(const char* p) { return qFromBigEndian<quint16>(p); }

std::optional<int> wholeDotsPerInch(double dpi)
{
    if (!(dpi >= 1) || !std::isfinite(dpi))
        return std::nullopt;
    return int(std::lround(dpi));
}

std::optional<int> pngDotsPerInch(const QByteArray& data)
{
    qsizetype at = 8; // signature
    while (at + 8 <= data.size()) {
        const quint32 length = bigEndian32(data.constData() + at);
        const QByteArray type = data.mid(at + 4, 4);
        if (type == "IDAT" || type == "IEND")
            break;
        if (type == "pHYs" && length == 9 && at + 8 + 9 <= data.size()) {
            const char* body = data.constData() + at + 8;
            const quint32 perUnitX = bigEndian32(body);
            const bool metres = body[8] == 1;
            if (!metres)
                return std::nullopt; // only an aspect ratio
            return wholeDotsPerInch(perUnitX * metresPerInch);
        }
        at += 12 + qsizetype(length);
    }
    return std::nullopt;
}

std::optional<int> jpegDotsPerInch(const QByteArray& data)
{
    qsizetype at = 2; // SOI
    while (at + 4 <= data.size() && quint8(data[at]) == 0xFF) {
        const quint8 marker = quint8(data[at + 1]);
        const quint16 length = bigEndian16(data.constData() + at + 2);
        if (marker == 0xE0 && length >= 16 && at + 4 + 12 <= data.size()
            && data.mid(at + 4, 5) == QByteArray("JFIF\0", 5)) {
            const char* body = data.constData() + at + 4;
            const quint8 units = quint8(body[7]);
            const quint16 densityX = bigEndian16(body + 8);
            if (units == 1)
                return wholeDotsPerInch(densityX);
            if (units == 2)
                return wholeDotsPerInch(densityX * 2.54);
            return std::nullopt;
        }
        if (marker == 0xDA || marker == 0xD9) // pixels begin, or the end
            break;
        at += 2 + length;
    }
    return std::nullopt;
}

} // namespace

std::optional<int> recordedDotsPerInch(const QByteArray& header)
{
    if (header.startsWith("\x89PNG\r\n\x1a\n"))
        return pngDotsPerInch(header);
    if (header.startsWith("\xFF\xD8"))
        return jpegDotsPerInch(header);
    return std::nullopt;
}

QImage read(const QString& path)
{
    QByteArray head;
    QImage image = PictureReader::read(path, {QSize(), &head});
    if (image.isNull())
        return {};
    const std::optional<int> dpi = recordedDotsPerInch(head);
    image.setDevicePixelRatio(dpi ? *dpi / pointsPerInch : 1.0);
    return image;
}

QSizeF pointSize(const QImage& image)
{
    if (image.isNull())
        return {0, 0};
    return image.deviceIndependentSize();
}

QByteArray encodePNG(const QImage& image)
{
    QImage out = image;
    const int dotsPerMetre = int(std::lround(image.devicePixelRatio() * pointsPerInch / metresPerInch));
    out.setDotsPerMeterX(dotsPerMetre);
    out.setDotsPerMeterY(dotsPerMetre);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!out.save(&buffer, "PNG"))
        return {};
    return bytes;
}

} // namespace velmora::PictureFile
