#pragma once

#include <QPainterPath>
#include <QPointF>

#include <vector>

namespace velmora {

// Adds to the path a corner at `corner` rounded with `radius`: the arc that
// touches the line from the path's current point to `corner` and the line
// from `corner` to `next`, preceded by the straight part of the first line.
// The path ends where the arc meets the second line, not at `next`. A radius
// that is not positive, a corner that coincides with either neighbour, a
// straight or folded-back corner, or coordinates that are not finite give a
// sharp corner (a line to `corner`) instead, so the path never holds NaN.
void addArcToPoint(QPainterPath& path, const QPointF& corner, const QPointF& next, qreal radius);

// The outline of a screen area: four corners (top-left, top-right,
// bottom-right, bottom-left for the builder; any cycle works), each rounded
// with its own radius, limited to half the shorter of its two sides; a
// radius that is not a number counts as 0. Fewer than three corners give an
// empty path; any other count, or four corners without exactly four radii,
// give the plain closed polygon.
QPainterPath roundedQuadPath(const std::vector<QPointF>& corners, const std::vector<qreal>& radii);

} // namespace velmora
