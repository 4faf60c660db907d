#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QRectF>

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

// The radius actually used at each of four corners: the wanted one, at most
// half the shorter of the corner's two edges and never below 0.
std::vector<double> usedRadii(const std::vector<QPointF>& corners, const std::vector<double>& radii);

// A closed outline through the corners. With exactly four corners each
// corner is rounded by a circular arc tangent to its two edges (radii as
// usedRadii(), four zeros when radii does not have four entries); with three
// or more than four corners a plain polygon; with fewer than three an empty
// path.
QPainterPath roundedQuadPath(const std::vector<QPointF>& corners, const std::vector<double>& radii);

} // namespace ViewportShape
} // namespace velmora
