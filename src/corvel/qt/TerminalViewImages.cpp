// Pictures programs show (Sixel, Kitty graphics, inline images): placed as
// strips on the lines at the cursor, drawn with their rows.

#include <algorithm>

#include <QPainter>

#include "corvel/images/ImageStrip.h"
#include "corvel/images/ImageStripInserter.h"
#include "corvel/qt/TerminalView.h"

namespace corvel {

ImageStripInserter TerminalView::stripInserter()
{
    ImageStripGeometry geometry;
    geometry.cellWidth = cellDimension_.width();
    geometry.cellHeight = cellDimension_.height();
    geometry.viewWidth = textAreaWidth();
    geometry.viewHeight = height();
    geometry.scale = backingScale();
    return ImageStripInserter(terminal_->kittyPlacementHost(), geometry);
}

void TerminalView::createImageFromBitmap(Terminal&, std::vector<uint8_t>&& bytes, int width, int height)
{
    std::shared_ptr<const LinePicture> picture = LinePicture::fromRgba(std::move(bytes), width, height);
    if (!picture)
        return;
    stripInserter().insertBitmap({width, height, std::move(picture)});
}

void TerminalView::createImage(Terminal&, std::span<const uint8_t> data, ImageSizeRequest width,
                               ImageSizeRequest height, bool preserveAspectRatio)
{
    std::shared_ptr<const LinePicture> picture = LinePicture::decode(data);
    if (!picture)
        return;
    const StripPicture strip{picture->width(), picture->height(), picture};
    stripInserter().insertImage(strip, width, height, preserveAspectRatio);
}

PicturePixels TerminalView::linePicturePixels()
{
    PicturePixels pixels;
    pixels.size = [](const void* picture) { return static_cast<const LinePicture*>(picture)->size(); };
    pixels.scaled
        = [](const void* picture, QSize size) { return static_cast<const LinePicture*>(picture)->pixelsFor(size); };
    return pixels;
}

void TerminalView::paintLinePictures(QPainter& painter, const ViewLineInfo& info, double rowTop, bool belowText)
{
    const double scale = backingScale();
    std::vector<const ImageStrip*> below;
    std::vector<const ImageStrip*> above;
    std::vector<const ImageStrip*> plain;
    if (info.images)
        for (const std::shared_ptr<TerminalImage>& image : *info.images)
            if (const auto* strip = dynamic_cast<const ImageStrip*>(image.get())) {
                if (!strip->kittyIsKitty)
                    plain.push_back(strip);
                else
                    (strip->kittyZIndex < 0 ? below : above).push_back(strip);
            }
    const auto byStacking = [](const ImageStrip* a, const ImageStrip* b) {
        if (a->kittyZIndex != b->kittyZIndex)
            return a->kittyZIndex < b->kittyZIndex;
        return a->kittyImageId.value_or(0) < b->kittyImageId.value_or(0);
    };
    const auto paint = [&](std::vector<const ImageStrip*>& strips, bool sort) {
        if (sort)
            std::stable_sort(strips.begin(), strips.end(), byStacking);
        for (const ImageStrip* strip : strips)
            LinePicturePainter::paintStrip(painter, *strip, rowTop, cellDimension_, scale);
    };
    if (belowText) {
        paint(below, true);
        return;
    }
    if (!info.placeholders.empty()) {
        const bool alternate = terminal_->isDisplayBufferAlternate();
        for (const KittyPlaceholderCell& cell : info.placeholders)
            LinePicturePainter::paintPlaceholder(painter,
                                                 cell,
                                                 terminal_->kittyGraphics(),
                                                 alternate,
                                                 placeholderPictures_,
                                                 rowTop,
                                                 cellDimension_,
                                                 scale);
    }
    paint(above, true);
    paint(plain, false);
}

} // namespace corvel
