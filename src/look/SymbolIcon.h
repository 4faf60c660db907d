#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

namespace velmora {

// The application's small line pictures, named like the symbols the design
// asks for ("terminal.fill", "gear", "checkmark.circle.fill", ...), drawn as
// vector paths so they stay sharp at every size and take any colour. Names
// without a picture give a small dot, never nothing.
class SymbolIcon {
public:
    // The filled outline of the picture in a 24 × 24 box.
    static QPainterPath path(const QString& name);

    // Whether the name has a picture of its own.
    static bool has(const QString& name);

    // Fills the picture, scaled to fit and centred in the rectangle.
    static void paint(QPainter& painter, const QRectF& rect, const QString& name, const QColor& color);

    // The picture on a transparent square pixmap of side logical pixels.
    static QPixmap pixmap(const QString& name, const QColor& color, int side, qreal devicePixelRatio = 1);
};

} // namespace velmora
