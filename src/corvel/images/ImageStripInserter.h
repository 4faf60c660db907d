#pragma once

#include "corvel/images/ImageSizeRequest.h"
#include "corvel/images/KittyPlacementHost.h"

#include <memory>

namespace corvel {

// The measures a host draws with, in points (1 without a high-density
// display): its cell, its view and its backing scale.
struct ImageStripGeometry {
    double cellWidth = 0;
    double cellHeight = 0;
    double viewWidth = 0;
    double viewHeight = 0;
    double scale = 1;

    // A host whose view is exactly the screen's cells.
    static ImageStripGeometry forScreen(double cellWidth, double cellHeight, int cols, int rows)
    {
        return {cellWidth, cellHeight, cellWidth * cols, cellHeight * rows, 1};
    }
};

// A picture a host has decoded: its size in pixels and the host's own handle
// on its pixels, which the strips carry back to it.
struct StripPicture {
    int width = 0;
    int height = 0;
    std::shared_ptr<const void> pixels;
};

// What a host does when the terminal hands it a picture: sizes it from the
// requests, cuts it into one ImageStrip per text row, attaches each strip to
// the line under the cursor with a line feed after it, records a Kitty
// placement that carries both ids, and puts the cursor after the picture.
// Sizes are clamped to the screen's width and to its lines, scroll-back
// included, so hostile requests cost no more than a screenful of strips.
class ImageStripInserter {
public:
    ImageStripInserter(KittyPlacementHost& host, ImageStripGeometry geometry);

    // Raw pixels: the size requests of the current Kitty placement, else the
    // picture's own size, narrowed to the view when it is wider.
    void insertBitmap(const StripPicture& picture);

    // A picture with explicit size requests (encoded images).
    void insertImage(const StripPicture& picture, ImageSizeRequest width, ImageSizeRequest height,
                     bool preserveAspectRatio);

private:
    double target(ImageSizeRequest request, double cell, double view, double natural) const;

    KittyPlacementHost& host_;
    ImageStripGeometry geometry_;
};

} // namespace corvel
