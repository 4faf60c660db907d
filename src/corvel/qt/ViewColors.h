#pragma once

#include <QColor>

#include "corvel/base/Color.h"

namespace corvel {

// Conversions between the engine's 16-bit colours and platform colours, and
// the two colour operations cell drawing needs.

// 16-bit channels divided by 65535, alpha 1.
QColor toQColor(const Color& color);

// Each channel times 65535, truncated; an invalid colour gives the default
// foreground.
Color toTerminalColor(const QColor& color);

// 1 minus each channel, same alpha; an invalid colour comes back unchanged.
QColor inverseColor(const QColor& color);

// The channel-wise midpoint of color and towards, with color's alpha; an
// invalid colour on either side gives color unchanged.
QColor dimmedColor(const QColor& color, const QColor& towards);

} // namespace corvel
