#include "corvel/qt/LinePicture.h"

#include <algorithm>
#include <cmath>

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include "corvel/images/ImageStrip.h"
#include "corvel/images/KittyGraphicsState.h"
#include "corvel/images/KittyPlaceholderDecoder.h"
#include "corvel/images/PngDecoder.h"

namespace corvel {

namespace {

qint64 pixelsOf(QSize size) { return qint64{size.width()} * size.height(); }

void premultiply(std::vector<uint8_t>& bytes)
{
    for (size_t i = 0; i + 3 < bytes.size(); i += 4) {
        const unsigned alpha = bytes[i + 3];
        if (alpha == 255)
            continue;
        for (size_t c = i; c < i + 3; ++c)
            bytes[c] = static_cast<uint8_t>((bytes[c] * alpha + 127) / 255);
    }
}

} // namespace

LinePicture::LinePicture(QImage image) : image_(std::move(image)) {}

std::shared_ptr<const LinePicture> LinePicture::fromRgba(std::vector<uint8_t>&& bytes, int width, int height)
{
    if (width < 1 || height < 1 || width > maximumSide || height > maximumSide)
        return nullptr;
    if (bytes.size() < static_cast<size_t>(width) * static_cast<size_t>(height) * 4)
        return nullptr;
    premultiply(bytes);
    auto* owned = new std::vector<uint8_t>(std::move(bytes));
    QImage image(
        owned->data(),
        width,
        height,
        static_cast<qsizetype>(width) * 4,
        QImage::Format_RGBA8888_Premultiplied,
        [](void* data) { delete static_cast<std::vector<uint8_t>*>(data); },
        owned);
    if (image.isNull()) {
        delete owned;
        return nullptr;
    }
    return std::make_shared<const LinePicture>(std::move(image));
}

std::shared_ptr<const LinePicture> LinePicture::decode(std::span<const uint8_t> data)
{
    if (std::optional<RgbaBitmap> png = PngDecoder::decodeToRgba(data))
        return fromRgba(std::move(png->bytes), png->width, png->height);
    QByteArray bytes(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > maximumSide || size.height() > maximumSide)
        return nullptr;
    // Qt's readers refuse pictures above a memory limit that a legal
    // 10,000 × 10,000 picture exceeds. The limit is the whole process's:
    // it is raised for this one read, to what this picture needs, and put
    // back at once, so every other reader keeps its own protection.
    const int needed = static_cast<int>(qint64{size.width()} * size.height() * 4 / (1024 * 1024)) + 1;
    const int limit = QImageReader::allocationLimit();
    const bool raise = limit != 0 && limit < needed;
    if (raise)
        QImageReader::setAllocationLimit(needed);
    QImage image = reader.read();
    if (raise)
        QImageReader::setAllocationLimit(limit);
    if (image.isNull())
        return nullptr;
    return std::make_shared<const LinePicture>(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

QImage LinePicture::scaledTo(QSize size) const
{
    if (size == image_.size())
        return image_;
    const auto found
        = std::find_if(scaled_.begin(), scaled_.end(), [size](const ScaledCopy& copy) { return copy.size == size; });
    if (found != scaled_.end()) {
        std::rotate(scaled_.begin(), found, found + 1);
        return scaled_.front().image;
    }
    QImage image = image_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled_.insert(scaled_.begin(), {size, image});
    // The sizes drawn longest ago go first.
    qint64 kept = 0;
    for (const ScaledCopy& copy : scaled_)
        kept += pixelsOf(copy.size);
    while (scaled_.size() > 1
           && (scaled_.size() > static_cast<size_t>(maximumScaledCopies) || kept > maximumScaledPixels)) {
        kept -= pixelsOf(scaled_.back().size);
        scaled_.pop_back();
    }
    return image;
}

QImage LinePicture::pixelsFor(QSize size) const
{
    if (size.isEmpty() || pixelsOf(size) > maximumScaledPixels)
        return image_;
    return scaledTo(size);
}

std::vector<QSize> LinePicture::keptSizes() const
{
    std::vector<QSize> sizes;
    for (const ScaledCopy& copy : scaled_)
        sizes.push_back(copy.size);
    return sizes;
}

namespace LinePicturePainter {

namespace {

// Draws the picture stretched over `whole`, only where it meets `clip`.
void drawClipped(QPainter& painter, const LinePicture& picture, const QRectF& whole, const QRectF& clip, double scale)
{
    const QRectF target = whole.intersected(clip);
    if (target.isEmpty() || whole.isEmpty())
        return;
    const QSizeF device = whole.size() * scale;
    const QSize rounded(std::max(1, static_cast<int>(std::lround(device.width()))),
                        std::max(1, static_cast<int>(std::lround(device.height()))));
    const QImage image = picture.pixelsFor(rounded);
    const bool atSize = image.size() == rounded;
    const double fx = image.width() / whole.width();
    const double fy = image.height() / whole.height();
    const QRectF source(
        (target.x() - whole.x()) * fx, (target.y() - whole.y()) * fy, target.width() * fx, target.height() * fy);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !atSize);
    painter.drawImage(target, image, source);
    painter.restore();
}

} // namespace

QRectF aspectFitRect(QSizeF picture, const QRectF& box)
{
    if (!(picture.width() > 0 && picture.height() > 0 && box.width() > 0 && box.height() > 0))
        return box;
    const double factor = std::min(box.height() / picture.height(), box.width() / picture.width());
    const QSizeF size = picture * factor;
    return QRectF(box.x() + (box.width() - size.width()) / 2,
                  box.y() + (box.height() - size.height()) / 2,
                  size.width(),
                  size.height());
}

void paintStrip(QPainter& painter, const ImageStrip& strip, double rowTop, QSizeF cell, double scale)
{
    const auto picture = std::static_pointer_cast<const LinePicture>(strip.picture);
    if (!picture || !(strip.sourceWidth > 0) || !(strip.sourceHeight > 0) || strip.pixelWidth() <= 0)
        return;
    const double offsetX = strip.kittyIsKitty ? static_cast<double>(strip.kittyPixelOffsetX) / scale : 0;
    const double offsetY = strip.kittyIsKitty ? static_cast<double>(strip.kittyPixelOffsetY) / scale : 0;
    const double left = cell.width() * strip.col() + offsetX;
    const double top = rowTop + offsetY;
    // Box units to logical pixels; strips of one picture tile the rows.
    const double sx = strip.pixelWidth() / strip.sourceWidth;
    const double sy = cell.height() / strip.sourceHeight;
    const QRectF box(0, 0, strip.contentWidth, strip.contentHeight);
    const QRectF fit = strip.letterboxed ? aspectFitRect(QSizeF(picture->size()), box) : box;
    const QRectF whole(
        left + fit.x() * sx, top + (fit.y() - strip.sourceTop) * sy, fit.width() * sx, fit.height() * sy);
    drawClipped(painter, *picture, whole, QRectF(left, rowTop, strip.pixelWidth(), cell.height()), scale);
}

std::shared_ptr<const LinePicture> PlaceholderPictures::picture(uint32_t imageId, const KittyGraphicsState& state)
{
    const auto stored = state.imagesById.find(imageId);
    if (stored == state.imagesById.end() || !stored->second.payload.bytes)
        return nullptr;
    const KittyGraphicsPayload& payload = stored->second.payload;
    Entry& entry = entries_[imageId];
    if (entry.picture && entry.bytes.lock() == payload.bytes)
        return entry.picture;
    if (payload.kind == KittyGraphicsPayload::Kind::rgba) {
        std::vector<uint8_t> copy(*payload.bytes);
        entry.picture = LinePicture::fromRgba(std::move(copy), payload.width, payload.height);
    } else {
        entry.picture = LinePicture::decode(*payload.bytes);
    }
    entry.bytes = payload.bytes;
    if (!entry.picture)
        entries_.erase(imageId);
    // Forget pictures whose images are gone.
    if (entries_.size() > 64)
        std::erase_if(entries_, [](const auto& item) { return item.second.bytes.expired(); });
    const auto found = entries_.find(imageId);
    return found == entries_.end() ? nullptr : found->second.picture;
}

void paintPlaceholder(QPainter& painter, const KittyPlaceholderCell& cell, const KittyGraphicsState& state,
                      bool alternateScreen, PlaceholderPictures& pictures, double rowTop, QSizeF cellSize, double scale)
{
    const KittyPlacementRecord* placement = nullptr;
    for (const auto& [key, record] : state.placementsByKey) {
        if (!record.isVirtual || record.isAlternateBuffer != alternateScreen || record.imageId != cell.imageId)
            continue;
        if (cell.placementId != 0 && cell.placementId != record.placementId)
            continue;
        if (record.cols < 1 || record.rows < 1 || cell.placeholderCol >= record.cols
            || cell.placeholderRow >= record.rows)
            continue;
        placement = &record;
        break;
    }
    if (!placement)
        return;
    const std::shared_ptr<const LinePicture> picture = pictures.picture(cell.imageId, state);
    if (!picture)
        return;
    const QRectF area(
        static_cast<double>(placement->pixelOffsetX) / scale + cellSize.width() * (cell.col - cell.placeholderCol),
        rowTop - cellSize.height() * cell.placeholderRow + static_cast<double>(placement->pixelOffsetY) / scale,
        cellSize.width() * static_cast<double>(placement->cols),
        cellSize.height() * static_cast<double>(placement->rows));
    if (area.isEmpty())
        return;
    const QRectF fitted = aspectFitRect(QSizeF(picture->size()), area);
    drawClipped(painter,
                *picture,
                fitted,
                QRectF(cellSize.width() * cell.col, rowTop, cellSize.width(), cellSize.height()),
                scale);
}

} // namespace LinePicturePainter
} // namespace corvel
