#pragma once

#include <QImage>

// Velmora's logo, drawn in code: a small handheld terminal with a green
// prompt on its screen. The light variant (a dark device) is for light
// backgrounds; the dark variant (an ivory device) stands out on dark ones.
namespace BrandArt {

enum class Variant { light, dark };

// The logo on a transparent square of side pixels.
QImage drawMark(int side, Variant variant);

} // namespace BrandArt
