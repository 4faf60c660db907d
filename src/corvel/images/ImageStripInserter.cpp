#include "corvel/images/ImageStripInserter.h"

#include "corvel/images/ImageStrip.h"
#include "corvel/images/KittyPlacementContext.h"
#include "corvel/images/SaturatingMath.h"
#include "corvel/model/Buffer.h"

#include <algorithm>
#include <cmath>

namespace corvel {

ImageStripInserter::ImageStripInserter(KittyPlacementHost& host, ImageStripGeometry geometry)
    : host_(host), geometry_(geometry)
{
    if (!(geometry_.scale > 0) || !std::isfinite(geometry_.scale))
        geometry_.scale = 1;
}

void ImageStripInserter::insertBitmap(const StripPicture& picture)
{
    if (const KittyPlacementContext* context = host_.placementContext()) {
        insertImage(picture, context->widthRequest, context->heightRequest, context->preserveAspectRatio);
        return;
    }
    const ImageSizeRequest width
        = geometry_.viewWidth < picture.width ? ImageSizeRequest::percent(100) : ImageSizeRequest::automatic();
    insertImage(picture, width, ImageSizeRequest::automatic(), true);
}

double ImageStripInserter::target(ImageSizeRequest request, double cell, double view, double natural) const
{
    switch (request.kind) {
    case ImageSizeRequest::Kind::cells: return request.value * cell;
    case ImageSizeRequest::Kind::pixels: return request.value;
    case ImageSizeRequest::Kind::percent: return request.value * 0.01 * view;
    case ImageSizeRequest::Kind::automatic: return natural / geometry_.scale;
    }
    return natural;
}

void ImageStripInserter::insertImage(const StripPicture& picture, ImageSizeRequest widthRequest,
                                     ImageSizeRequest heightRequest, bool preserveAspectRatio)
{
    const double cellWidth = geometry_.cellWidth;
    const double cellHeight = geometry_.cellHeight;
    if (picture.width < 1 || picture.height < 1 || !(cellWidth >= 1) || !(cellHeight >= 1))
        return;
    KittyPlacementContext* context = host_.placementContext();
    Buffer& screen = host_.activeScreen();

    const double pictureWidth = picture.width / geometry_.scale;
    const double pictureHeight = picture.height / geometry_.scale;
    double w = std::max(0.0, target(widthRequest, cellWidth, geometry_.viewWidth, picture.width));
    double h = std::max(0.0, target(heightRequest, cellHeight, geometry_.viewHeight, picture.height));
    const bool widthAuto = widthRequest.kind == ImageSizeRequest::Kind::automatic;
    const bool heightAuto = heightRequest.kind == ImageSizeRequest::Kind::automatic;
    bool letterboxed = false;
    if (preserveAspectRatio) {
        if (!widthAuto && heightAuto)
            h = w * pictureHeight / pictureWidth;
        else if (widthAuto && !heightAuto)
            w = h * pictureWidth / pictureHeight;
        else if (!widthAuto && !heightAuto)
            letterboxed = true;
    }

    // Never more columns than the screen has, never more rows than its lines
    // hold: rows beyond that would scroll out again at once.
    const int screenCols = host_.screenCols();
    const int maxRows = std::max(1, screen.lines().maxLength());
    const double fullCols = std::ceil(w / cellWidth);
    const double fullRows = std::ceil(h / cellHeight);
    const int cols = static_cast<int>(std::clamp(fullCols, 0.0, static_cast<double>(screenCols)));
    const int rows = static_cast<int>(std::clamp(fullRows, 0.0, static_cast<double>(maxRows)));
    const double drawnWidth = std::min(w, screenCols * cellWidth);

    const int x = screen.x();
    const int startRow = screen.y() + screen.yBase();

    if (context && context->imageId && context->placementId) {
        KittyPlacementRecord record;
        record.imageId = *context->imageId;
        record.placementId = *context->placementId;
        record.parentImageId = context->parentImageId;
        record.parentPlacementId = context->parentPlacementId;
        record.parentOffsetH = context->parentOffsetH;
        record.parentOffsetV = context->parentOffsetV;
        record.pixelOffsetX = context->pixelOffsetX;
        record.pixelOffsetY = context->pixelOffsetY;
        record.col = x;
        record.row = startRow;
        record.cols = cols;
        record.rows = rows;
        record.zIndex = context->zIndex;
        record.isAlternateBuffer = host_.isAlternateScreenActive();
        host_.kittyState().placementsByKey[{record.imageId, record.placementId}] = record;
    }

    const double contentWidth = letterboxed ? w : picture.width;
    const double contentHeight = letterboxed ? h : picture.height;
    const double sliceHeight = h > 0 ? contentHeight / h * cellHeight : 0;
    bool scrolled = false;
    for (int row = 0; row < rows; ++row) {
        auto strip = std::make_shared<ImageStrip>(static_cast<int>(drawnWidth), static_cast<int>(cellHeight), x);
        strip->picture = picture.pixels;
        strip->contentWidth = contentWidth;
        strip->contentHeight = contentHeight;
        strip->letterboxed = letterboxed;
        strip->sourceTop = row * sliceHeight;
        strip->sourceHeight = sliceHeight;
        strip->sourceWidth = w > 0 ? contentWidth * drawnWidth / w : 0;
        if (context) {
            strip->kittyIsKitty = true;
            strip->kittyImageId = context->imageId;
            strip->kittyImageNumber = context->imageNumber;
            strip->kittyPlacementId = context->placementId;
            strip->kittyZIndex = context->zIndex;
            strip->kittyPixelOffsetX = context->pixelOffsetX;
            strip->kittyPixelOffsetY = context->pixelOffsetY;
            strip->kittyCol = x;
            strip->kittyRow = startRow;
            strip->kittyCols = cols;
            strip->kittyRows = rows;
        }
        Buffer& active = host_.activeScreen();
        active.attachImage(std::move(strip), active.y() + active.yBase());
        host_.markRowChanged(active.y());

        const int yBaseBefore = active.yBase();
        const BufferLine* firstBefore = active.lines().get(0).get();
        host_.lineFeed();
        if (active.yBase() != yBaseBefore || active.lines().get(0).get() != firstBefore)
            scrolled = true;
        active.setX(x);
    }
    if (scrolled)
        host_.markScreenChanged();

    if (context && context->cursorPolicy == 0 && !context->isRelative) {
        Buffer& active = host_.activeScreen();
        const int64_t col = saturatingAdd(x, std::max(cols, 1));
        const int64_t row = saturatingSub(saturatingAdd(startRow, std::max(rows, 1)), active.yBase());
        if (col >= 0)
            active.setX(clampToInt(col));
        if (row >= 0)
            active.setY(clampToInt(row));
        host_.restrictCursor();
    }
}

} // namespace corvel
