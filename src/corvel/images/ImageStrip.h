#pragma once

#include "corvel/images/KittyPlacementImage.h"

#include <memory>

namespace corvel {

// One text row's slice of a picture, attached to the line it covers. The
// engine decides the slices; a view turns each into pixels by cutting the
// rows sourceTop ... sourceTop + sourceHeight (and the columns 0 ...
// sourceWidth) out of the picture it was given, scaled to pixelWidth ×
// pixelHeight. With `letterboxed` the picture is first fitted, centred and
// with its aspect ratio kept, into a box of contentWidth × contentHeight,
// and the slice is cut from that box.
class ImageStrip : public KittyPlacementImage {
public:
    ImageStrip(int pixelWidth, int pixelHeight, int col) : width_(pixelWidth), height_(pixelHeight), col_(col) {}

    int pixelWidth() const override { return width_; }
    int pixelHeight() const override { return height_; }
    int col() const override { return col_; }
    void setCol(int col) override { col_ = col; }

    // The host's picture, shared by every strip of one insertion; the engine
    // never looks inside it.
    std::shared_ptr<const void> picture;
    double contentWidth = 0;
    double contentHeight = 0;
    bool letterboxed = false;
    double sourceTop = 0;
    double sourceHeight = 0;
    double sourceWidth = 0;

private:
    int width_;
    int height_;
    int col_;
};

} // namespace corvel
