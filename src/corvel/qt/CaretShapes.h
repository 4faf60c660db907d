#pragma once

#include <vector>

#include <QRectF>

#include "corvel/terminal/CursorStyle.h"

namespace corvel {

// The filled rectangles of the caret on its cell, in logical pixels: the
// whole cell for a block, a 2-pixel line at the bottom or the left edge for
// an underline or a bar, and a hollow box along the cell's inside edges
// while the view lacks focus (whatever the style). Every edge lies on a
// device pixel at the given backing scale.
std::vector<QRectF> caretShapes(CursorStyle style, bool focused, const QRectF& cell, double scale);

bool isBlockCaret(CursorStyle style);
bool isBlinkingCaret(CursorStyle style);

} // namespace corvel
