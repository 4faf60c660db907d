#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

class QPainter;

// Soft shadows and glows drawn with a painter: the shape's coverage blurred
// and filled with one colour.
namespace velmora::SoftShadow {

// The picture blurred in place by a radius in pixels (three box passes, close
// to a Gaussian); a radius below one pixel leaves it as it is.
void blur(QImage& image, qreal radius);

// Paints the blurred silhouette of the shape, moved by offset, in the colour.
void paint(QPainter& painter, const QPainterPath& shape, const QColor& color, qreal blurRadius, QPointF offset);

// The same for the opaque parts of a picture drawn into target.
void paint(QPainter& painter, const QImage& picture, const QRectF& target, const QColor& color, qreal blurRadius,
           QPointF offset);

} // namespace velmora::SoftShadow
