#pragma once

#include <QImage>

// The frame pictures of the built-in skins, drawn in code so that they are
// rebuilt identically from source. Each picture covers the skin's design
// area at twice its size; outside the device's body it is transparent, and
// its screen area is open (transparent at the centre) so the terminal behind
// it shows through.
namespace SkinArt {

// "Handheld v1": 398 × 555 design units, screen at (58, 82, 282, 172),
// four round buttons of the skin's sizes in an evenly spaced row centred on
// the body.
QImage drawHandheld();

// "Walkie MK-1": 421 × 661 design units, screen at (68, 213, 285, 147),
// buttons MENU, SCAN, MON and ENT.
QImage drawWalkie();

} // namespace SkinArt
