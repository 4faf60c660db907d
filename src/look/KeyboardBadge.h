#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

// The small round keyboard mark of a skin that maps keys, shown on the skin
// cards of the picker and of the settings window's gallery.
namespace velmora::KeyboardBadge {

// Side of the round badge, in logical pixels.
constexpr qreal diameter = 19;

// "Keyboard-reactive: 3 keys mapped" (one key is "1 keys mapped" too).
QString toolTip(qsizetype keyCount);

// The keyboard symbol in the skin's foreground colour on a dark disc filling
// the rectangle.
void paint(QPainter& painter, const QRectF& rect, const QColor& symbolColor);

} // namespace velmora::KeyboardBadge
