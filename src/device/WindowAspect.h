#pragma once

#include <QSize>
#include <QSizeF>

#include <utility>

// The arithmetic of a window that keeps a fixed aspect ratio: whether a size
// has it, which size answers a resize that broke it, and the ratio as an X11
// size hint carries it.
namespace velmora::WindowAspect {

// True when the size has the ratio, give or take the pixel that rounding
// either side costs. Any size has an empty ratio.
bool holds(const QSize& size, const QSizeF& ratio);

// The size at the ratio that answers a resize from `from` to `to`: the side
// that changed by the larger part of its length keeps its new length and the
// other follows (the width leads on a tie or without a former size). A
// result larger than a non-empty limit is shrunk to fit it. Never below one
// pixel a side.
QSize settle(const QSize& from, const QSize& to, const QSizeF& ratio, const QSize& limit);

// The ratio as the whole numbers of a size hint's aspect fields (numerator,
// denominator), reduced; (0, 0) for an empty ratio.
std::pair<int, int> hintFraction(const QSizeF& ratio);

} // namespace velmora::WindowAspect
