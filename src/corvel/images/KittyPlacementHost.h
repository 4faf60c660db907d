#pragma once

#include "corvel/images/ImageSizeRequest.h"
#include "corvel/images/KittyGraphicsState.h"
#include "corvel/images/PngDecoder.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace corvel {

class Buffer;
struct KittyPlacementContext;

// What placing, moving and removing pictures needs of the terminal: its two
// screens, the cursor operations, the changed-row range, the host that draws
// pictures, and an index of the lines that hold pictures.
class KittyPlacementHost {
public:
    virtual ~KittyPlacementHost() = default;

    virtual KittyGraphicsState& kittyState() = 0;

    virtual Buffer& activeScreen() = 0;
    virtual Buffer& normalScreen() = 0;
    virtual Buffer& alternateScreen() = 0;
    bool isAlternateScreenActive() { return &activeScreen() == &alternateScreen(); }
    virtual int screenCols() const = 0;
    virtual int screenRows() const = 0;

    // Clamps the cursor to the screen (column at most cols - 1).
    virtual void restrictCursor() = 0;
    // Moves the cursor down one row, scrolling at the bottom margin.
    virtual void index() = 0;
    // A plain line feed: down one row, scrolling at the bottom margin.
    virtual void lineFeed() = 0;
    // Widens the range of rows to redraw by one screen row.
    virtual void markRowChanged(int row) = 0;
    virtual void markScreenChanged() = 0;

    // The ring indices, ascending, of the lines of a screen that hold images.
    virtual std::vector<int> linesWithImages(Buffer& screen) = 0;
    // Frees the stored images that neither a line nor a record uses.
    virtual void cleanupUnusedImages() = 0;

    // The host that draws: its cell size in device pixels when it knows it,
    // and whether there is a host at all.
    virtual std::optional<PixelSize> cellSizeInPixels() = 0;
    virtual bool hasImageHost() = 0;
    virtual KittyPlacementContext* placementContext() = 0;
    virtual void setPlacementContext(KittyPlacementContext* context) = 0;
    // Straight RGBA pixels, rows top to bottom.
    virtual void showBitmap(std::vector<uint8_t>&& rgba, int width, int height) = 0;
    // Encoded (PNG) data with its size requests.
    virtual void showEncoded(std::span<const uint8_t> data, ImageSizeRequest width, ImageSizeRequest height,
                             bool preserveAspectRatio)
        = 0;
};

} // namespace corvel
