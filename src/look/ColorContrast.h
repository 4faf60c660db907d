#pragma once

#include <QColor>

// Keeps coloured text legible whatever the window's colours: a skin's bright
// green accent is fine on a dark window but unreadable on a light one.
namespace velmora::ColorContrast {

// WCAG relative luminance, 0 (black) to 1 (white).
double luminance(const QColor& color);

// WCAG contrast ratio of two colours, 1 to 21.
double ratio(const QColor& a, const QColor& b);

// The colour itself when it stands out from the background by at least the
// given ratio; otherwise the same hue made darker (on a light background) or
// lighter (on a dark one) until it does.
QColor readableOn(const QColor& color, const QColor& background, double minimumRatio = 3.0);

// Black or white, whichever reads better on a fill of this colour.
QColor textOn(const QColor& fill);

} // namespace velmora::ColorContrast
