#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include <QImage>
#include <QRectF>

class QPainter;

namespace corvel {

class ImageStrip;
class KittyGraphicsState;
struct KittyPlaceholderCell;

// The pixels of one picture a program showed, shared by every strip of it
// that lines hold and by every placement that shows it. The picture keeps
// its own pixels; each size it is drawn at is scaled from them, and the
// copies of the sizes drawn last are kept, within a bound.
class LinePicture {
public:
    // Pictures are at most this many pixels on a side, as the decoders allow.
    static constexpr int maximumSide = 10'000;
    // Scaled copies kept: at most this many sizes, and at most this many
    // device pixels together. A size larger than that (a picture asked to be
    // drawn far larger than the view) is scaled as it is drawn.
    static constexpr int maximumScaledCopies = 4;
    static constexpr qint64 maximumScaledPixels = qint64{8192} * 8192;

    explicit LinePicture(QImage image);

    // Straight (not premultiplied) RGBA bytes, rows top to bottom, taken
    // over without a copy; none when the bytes do not make the picture.
    static std::shared_ptr<const LinePicture> fromRgba(std::vector<uint8_t>&& bytes, int width, int height);
    // An encoded picture: PNG through the engine's decoder, other formats
    // through Qt's readers; none when it does not decode or is too large.
    static std::shared_ptr<const LinePicture> decode(std::span<const uint8_t> data);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    QSize size() const { return image_.size(); }
    const QImage& image() const { return image_; }
    // The picture scaled from its own pixels to a size in device pixels.
    QImage scaledTo(QSize size) const;
    // The pixels drawn at a size in device pixels: the picture scaled to it,
    // or the picture itself when that size is too large to keep a copy of
    // (it is then scaled as it is drawn).
    QImage pixelsFor(QSize size) const;
    // The sizes of the scaled copies kept, the one drawn last first.
    std::vector<QSize> keptSizes() const;

private:
    struct ScaledCopy {
        QSize size;
        QImage image;
    };

    QImage image_;
    mutable std::vector<ScaledCopy> scaled_;
};

// Draws the pictures of a row: strips attached to lines (Sixel, Kitty and
// inline images) and the cells of Kitty Unicode placeholders. Coordinates
// are the view's logical pixels; `scale` is the backing scale.
namespace LinePicturePainter {

// The largest rectangle of the picture's aspect ratio centred in the box
// (the box itself when either has no area).
QRectF aspectFitRect(QSizeF picture, const QRectF& box);

// One strip on the row whose top edge is rowTop, clipped to the row and the
// strip's columns. A Kitty offset moves the whole picture right and down
// within its first cell.
void paintStrip(QPainter& painter, const ImageStrip& strip, double rowTop, QSizeF cell, double scale);

// Pictures of placeholder cells, looked up in a Kitty image store: kept while
// the stored image stays the same.
class PlaceholderPictures {
public:
    std::shared_ptr<const LinePicture> picture(uint32_t imageId, const KittyGraphicsState& state);

private:
    struct Entry {
        std::weak_ptr<const std::vector<uint8_t>> bytes;
        std::shared_ptr<const LinePicture> picture;
    };
    std::unordered_map<uint32_t, Entry> entries_;
};

// One placeholder cell on the row whose top edge is rowTop: its piece of the
// picture of the first virtual placement of the active screen that fits it.
void paintPlaceholder(QPainter& painter, const KittyPlaceholderCell& cell, const KittyGraphicsState& state,
                      bool alternateScreen, PlaceholderPictures& pictures, double rowTop, QSizeF cellSize,
                      double scale);

} // namespace LinePicturePainter
} // namespace corvel
