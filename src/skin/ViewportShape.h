#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>

#include <optional>
#include <vector>

namespace velmora {

// Stateless geometry of a skin's screen area: a rectangle whose four corners
// may each be pulled by an offset, with a rounding radius per corner. Lists of
// four corners, offsets or radii run (min x, min y), (max x, min y),
// (max x, max y), (min x, max y): top-left, top-right, bottom-right,
// bottom-left in Qt's y-down coordinates, the same order as the skin's lists.
namespace ViewportShape {

// The rectangle's four corners in corner order; when offsets has exactly four
// entries each corner moves by the offset at its position, otherwise the bare
// corners.
std::vector<QPointF> corners(const QRectF& rect, const std::vector<QPointF>& offsets = {});

// The smallest rectangle holding every point; the null rectangle for none.
QRectF boundingBox(const std::vector<QPointF>& corners);

// The projective map of the rectangle (0, 0, width, height) onto four target
// corners: (0, 0) lands on the first corner, (width, 0) on the second,
// (width, height) on the third and (0, height) on the fourth. The identity
// when there are not four corners, a side is not positive or the target is
// degenerate (three corners on a line, or a corner on another's place).
QTransform quadTransform(double sourceWidth, double sourceHeight, const std::vector<QPointF>& targetCorners);

// The point of the source rectangle that quadTransform() maps onto the given
// point: none when there are not four corners, the target is degenerate or
// the point lies on the map's horizon. Not clamped to the rectangle: callers
// test it.
std::optional<QPointF> inverseQuadMap(const QPointF& point, double sourceWidth, double sourceHeight,
                                      const std::vector<QPointF>& targetCorners);

// True when quadTransform() is the identity within a hundredth of a pixel:
// the corners are the source rectangle's own.
bool isIdentityMap(double sourceWidth, double sourceHeight, const std::vector<QPointF>& targetCorners);

// The radius actually used at each of four corners: the wanted one, at most
// half the shorter of the corner's two edges, never below 0, and 0 for a
// radius that is not a number. Four zeros unless there are four corners and
// four radii.
std::vector<double> usedRadii(const std::vector<QPointF>& corners, const std::vector<double>& radii);

// Adds to the path a corner at `corner` rounded with `radius`: the arc that
// touches the line from the path's current point to `corner` and the line
// from `corner` to `next`, preceded by the straight part of the first line.
// The path ends where the arc meets the second line, not at `next`. A radius
// that is not positive, a corner that coincides with either neighbour, a
// straight or folded-back corner, or coordinates that are not finite give a
// sharp corner (a line to `corner`) instead, so the path never holds NaN.
void addArcToPoint(QPainterPath& path, const QPointF& corner, const QPointF& next, double radius);

// A closed outline through the corners. With exactly four corners and four
// radii each corner is rounded by a circular arc tangent to its two edges
// (radii as usedRadii()), starting on the edge from the first corner towards
// the last; four corners without four radii, three corners or more than four
// give the plain polygon; fewer than three an empty path.
QPainterPath roundedQuadPath(const std::vector<QPointF>& corners, const std::vector<double>& radii);

} // namespace ViewportShape
} // namespace velmora
