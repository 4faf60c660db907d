#include "corvel/images/KittyPlacementDisplay.h"

#include "corvel/images/KittyImageCrop.h"
#include "corvel/images/KittyPlacementContext.h"
#include "corvel/images/KittyPlacementRemoval.h"
#include "corvel/images/KittyRelativePlacements.h"
#include "corvel/images/PngDecoder.h"
#include "corvel/images/SaturatingMath.h"
#include "corvel/model/Buffer.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace corvel {
namespace {

ImageSizeRequest cellsOrAuto(int64_t cells)
{
    return cells >= 1 ? ImageSizeRequest::cells(clampToInt(cells)) : ImageSizeRequest::automatic();
}

// Clears the terminal's placement context on every way out.
class ContextScope {
public:
    ContextScope(KittyPlacementHost& host, KittyPlacementContext& context) : host_(host)
    {
        host_.setPlacementContext(&context);
    }
    ~ContextScope() { host_.setPlacementContext(nullptr); }
    ContextScope(const ContextScope&) = delete;
    ContextScope& operator=(const ContextScope&) = delete;

private:
    KittyPlacementHost& host_;
};

} // namespace

std::optional<std::string> KittyPlacementDisplay::displayKittyImage(const KittyGraphicsPayload& payload,
                                                                    const KittyGraphicsControl& control,
                                                                    std::optional<uint32_t> imageId,
                                                                    std::optional<uint32_t> imageNumber)
{
    if (control.unicodePlaceholder == 1)
        return placeVirtual(control, imageId);
    return placeOrdinary(payload, control, imageId, imageNumber);
}

uint32_t KittyPlacementDisplay::assignPlacementId()
{
    uint32_t& next = host_.kittyState().nextPlacementId;
    const uint32_t id = next <= 1 ? 1 : next;
    next = next == 0 ? 2 : next + 1;
    return id;
}

KittyPlacementDisplay::PixelOffset KittyPlacementDisplay::clampedPixelOffset(const KittyGraphicsControl& control)
{
    PixelOffset offset{std::max<int64_t>(control.pixelOffsetX, 0), std::max<int64_t>(control.pixelOffsetY, 0)};
    if (offset.x == 0 && offset.y == 0)
        return offset;
    if (std::optional<PixelSize> cell = host_.cellSizeInPixels()) {
        offset.x = std::min<int64_t>(offset.x, std::max(cell->width - 1, 0));
        offset.y = std::min<int64_t>(offset.y, std::max(cell->height - 1, 0));
    }
    return offset;
}

std::optional<std::string> KittyPlacementDisplay::placeVirtual(const KittyGraphicsControl& control,
                                                               std::optional<uint32_t> imageId)
{
    if (control.parentImageId || control.parentPlacementId)
        return "EINVAL: virtual placement cannot refer to parent";
    if (!imageId)
        return std::nullopt;
    const uint32_t placementId = control.placementId ? *control.placementId : assignPlacementId();
    KittyPlacementRemoval(host_).removeKittyPlacement(*imageId, placementId);

    Buffer& screen = host_.activeScreen();
    const PixelOffset offset = clampedPixelOffset(control);
    KittyPlacementRecord record;
    record.imageId = *imageId;
    record.placementId = placementId;
    record.pixelOffsetX = offset.x;
    record.pixelOffsetY = offset.y;
    record.col = screen.x();
    record.row = static_cast<int64_t>(screen.y()) + screen.yBase();
    record.cols = std::max<int64_t>(control.columns, 0);
    record.rows = std::max<int64_t>(control.rows, 0);
    record.zIndex = control.zIndex;
    record.isVirtual = true;
    record.isAlternateBuffer = host_.isAlternateScreenActive();
    host_.kittyState().placementsByKey[{*imageId, placementId}] = record;
    return std::nullopt;
}

std::optional<std::string> KittyPlacementDisplay::placeOrdinary(const KittyGraphicsPayload& payload,
                                                                const KittyGraphicsControl& control,
                                                                std::optional<uint32_t> imageId,
                                                                std::optional<uint32_t> imageNumber)
{
    const int64_t c = control.columns;
    const int64_t r = control.rows;
    KittyPlacementContext context;
    context.imageId = imageId ? imageId : control.imageId;
    context.imageNumber = imageNumber ? imageNumber : control.imageNumber;
    context.placementId = control.placementId;
    context.parentImageId = control.parentImageId;
    context.parentPlacementId = control.parentPlacementId;
    context.parentOffsetH = control.offsetH;
    context.parentOffsetV = control.offsetV;
    context.zIndex = control.zIndex;
    context.widthRequest = cellsOrAuto(c);
    context.heightRequest = cellsOrAuto(r);
    context.preserveAspectRatio = !(c != 0 && r != 0);
    context.cursorPolicy = control.cursorPolicy;

    const KittyPlacementOrigin origin = KittyRelativePlacements(host_).resolveKittyPlacementOrigin(control);
    if (origin.errorMessage)
        return origin.errorMessage;
    context.isRelative = origin.isRelative;

    // Pixels to show: the payload as it is, or a crop of its pixels.
    std::optional<RgbaBitmap> cropped;
    const bool cropRequested
        = control.cropX != 0 || control.cropY != 0 || control.cropWidth != 0 || control.cropHeight != 0;
    if (cropRequested && payload.bytes) {
        std::span<const uint8_t> pixels;
        int width = payload.width;
        int height = payload.height;
        std::optional<RgbaBitmap> decoded;
        if (payload.kind == KittyGraphicsPayload::Kind::png) {
            decoded = PngDecoder::decodeToRgba(*payload.bytes);
            if (!decoded)
                return "ENOTSUP: cannot crop png";
            pixels = decoded->bytes;
            width = decoded->width;
            height = decoded->height;
        } else {
            pixels = *payload.bytes;
        }
        KittyImageCrop::Result result = KittyImageCrop::crop(
            pixels, width, height, control.cropX, control.cropY, control.cropWidth, control.cropHeight);
        if (std::holds_alternative<KittyImageCrop::Empty>(result))
            return "EINVAL: bad crop";
        if (auto* bitmap = std::get_if<RgbaBitmap>(&result))
            cropped = std::move(*bitmap);
        else if (decoded)
            cropped = std::move(decoded); // a PNG is shown as its pixels once decoded
    }

    const PixelOffset offset = clampedPixelOffset(control);
    context.pixelOffsetX = offset.x;
    context.pixelOffsetY = offset.y;
    ContextScope scope(host_, context);

    Buffer& screen = host_.activeScreen();
    const int savedX = screen.x();
    const int savedY = screen.y();
    if (context.imageId && control.placementId)
        KittyPlacementRemoval(host_).removeKittyPlacement(*context.imageId, *control.placementId);

    if (origin.row && origin.col) {
        const int64_t screenRow = saturatingSub(*origin.row, screen.yBase());
        if (screenRow < 0 || screenRow >= host_.screenRows())
            return "EINVAL: placement out of range";
        screen.setY(static_cast<int>(screenRow));
        screen.setX(static_cast<int>(std::clamp<int64_t>(*origin.col, 0, host_.screenCols() - 1)));
    }
    const int64_t top = static_cast<int64_t>(screen.y()) + screen.yBase();
    const int64_t left = screen.x();

    int pixelWidth = 0;
    int pixelHeight = 0;
    bool sizeKnown = false;
    if (cropped) {
        pixelWidth = cropped->width;
        pixelHeight = cropped->height;
        sizeKnown = true;
    } else if (payload.kind == KittyGraphicsPayload::Kind::rgba) {
        pixelWidth = payload.width;
        pixelHeight = payload.height;
        sizeKnown = true;
    } else if (payload.bytes) {
        if (std::optional<PixelSize> size = PngDecoder::pixelSize(*payload.bytes)) {
            pixelWidth = size->width;
            pixelHeight = size->height;
            sizeKnown = true;
        }
    }

    if (host_.hasImageHost()) {
        if (cropped) {
            const int width = cropped->width;
            const int height = cropped->height;
            host_.showBitmap(std::move(cropped->bytes), width, height);
        } else if (payload.kind == KittyGraphicsPayload::Kind::rgba && payload.bytes) {
            std::vector<uint8_t> copy = *payload.bytes;
            host_.showBitmap(std::move(copy), payload.width, payload.height);
        } else if (payload.bytes) {
            host_.showEncoded(*payload.bytes, context.widthRequest, context.heightRequest, context.preserveAspectRatio);
        }
    }

    Buffer& after = host_.activeScreen();
    if (context.isRelative || control.cursorPolicy == 1) {
        after.setX(savedX);
        after.setY(savedY);
        return std::nullopt;
    }

    int64_t cols = 0;
    int64_t rows = 0;
    const std::optional<PixelSize> cell = host_.cellSizeInPixels();
    const bool cellKnown = cell && cell->width >= 1 && cell->height >= 1;
    if (c >= 1 && r >= 1) {
        cols = c;
        rows = r;
    } else if (cellKnown) {
        if (!sizeKnown || pixelWidth < 1 || pixelHeight < 1)
            return std::nullopt;
        double targetWidth = c >= 1 ? static_cast<double>(c) * cell->width : pixelWidth;
        double targetHeight = r >= 1 ? static_cast<double>(r) * cell->height : pixelHeight;
        if (context.preserveAspectRatio) {
            if (c > 0 && r < 1)
                targetHeight = targetWidth * pixelHeight / pixelWidth;
            else if (c <= 0 && r > 0)
                targetWidth = targetHeight * pixelWidth / pixelHeight;
        }
        const double columnsNeeded = std::ceil((targetWidth + static_cast<double>(offset.x)) / cell->width);
        const double rowsNeeded = std::ceil((targetHeight + static_cast<double>(offset.y)) / cell->height);
        // Doubles from wire sizes may pass the integer range; the screen
        // clamps them anyway.
        constexpr double limit = 1e15;
        cols = std::max<int64_t>(1, static_cast<int64_t>(std::min(columnsNeeded, limit)));
        rows = std::max<int64_t>(1, static_cast<int64_t>(std::min(rowsNeeded, limit)));
    } else {
        return std::nullopt;
    }

    const int64_t screenCols = host_.screenCols();
    const int64_t screenRows = host_.screenRows();
    if (cellKnown) {
        const int64_t col = saturatingAdd(left, cols);
        const int64_t row = saturatingSub(saturatingAdd(top, rows), after.yBase());
        after.setX(static_cast<int>(std::clamp<int64_t>(col, 0, screenCols)));
        after.setY(static_cast<int>(std::clamp<int64_t>(row, 0, screenRows)));
    } else {
        after.setX(static_cast<int>(std::clamp<int64_t>(left, 0, screenCols)));
        after.setY(static_cast<int>(std::clamp<int64_t>(saturatingSub(top, after.yBase()), 0, screenRows)));
        // More line feeds than the screen has lines only scroll blank lines.
        const int64_t feeds = std::min<int64_t>(rows, std::max(after.lines().maxLength(), 1));
        for (int64_t i = 0; i < feeds; ++i)
            host_.index();
        after.setX(static_cast<int>(std::clamp<int64_t>(saturatingAdd(left, cols), 0, screenCols)));
    }
    host_.restrictCursor();
    return std::nullopt;
}

} // namespace corvel
