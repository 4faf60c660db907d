#include "look/KeyboardBadge.h"

#include "look/SymbolIcon.h"

#include <QPainter>

namespace velmora::KeyboardBadge {

QString toolTip(qsizetype keyCount) { return QStringLiteral("Keyboard-reactive: %1 keys mapped").arg(keyCount); }

void paint(QPainter& painter, const QRectF& rect, const QColor& symbolColor)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.55f));
    painter.drawEllipse(rect);
    painter.restore();
    SymbolIcon::paint(painter, rect.adjusted(4, 4, -4, -4), QStringLiteral("keyboard.fill"), symbolColor);
}

} // namespace velmora::KeyboardBadge
