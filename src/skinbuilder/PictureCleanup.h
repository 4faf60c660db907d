#pragma once

#include "skinbuilder/BezierNode.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSizeF>

#include <optional>
#include <vector>

// The pixel work behind the builder's clean-up tools, on the picture's own
// pixels (rows top first). The fills are 4-connected (left, right, above,
// below), keep one visited flag per pixel set when a pixel is first pushed,
// work through an explicit list of pending pixels (no recursion), and clear
// the joining pixels to fully transparent in place; what they clear does not
// depend on the order pixels are taken in.
namespace velmora::PictureCleanup {

// Clears the 4-connected area around seed of pixels that are not fully
// transparent and whose red, green and blue each differ from the seed's by at
// most tolerance (negative counts as 0). The picture must be
// Format_RGBA8888 (straight alpha) and the seed a pixel of it. Returns how
// many pixels were cleared.
qsizetype magicWand(QImage& rgba, QPoint seed, int tolerance);

// Clears the background reached from the picture's border: a pixel is
// background when its alpha is 9 or less, or when its red, green and blue
// each lie within tolerance of one of seven reference colours sampled before
// anything changes (the four corners, then the three pixels next to the
// top-left corner, clamped to the picture). The picture must be
// Format_RGBA8888_Premultiplied; values are compared premultiplied. Returns
// how many pixels were cleared.
qsizetype removeBackground(QImage& premultiplied, double tolerance);

// The smallest box holding every pixel whose alpha is above 10, read from the
// alpha channel whatever the picture's format; none when that box is a single
// column or row wide, or there is no such pixel.
std::optional<QRect> opaqueBounds(const QImage& image);

// bounds grown by margin pixels on every side, kept within size.
QRect withMargin(const QRect& bounds, const QSize& size, int margin);

// The picture with the polygon's outside (keepInside) or inside cleared,
// antialiased. Nodes are in picture points; the picture's pixel size and
// device pixel ratio stay. A null image when the point size is empty or the
// picture cannot be converted.
QImage applyPolygonMask(const QImage& image, const QSizeF& pointSize, const std::vector<BezierNode>& nodes,
                        bool keepInside);

} // namespace velmora::PictureCleanup
