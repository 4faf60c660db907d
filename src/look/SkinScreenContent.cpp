#include "look/SkinScreenContent.h"

#include "look/Drawing.h"
#include "look/SoftShadow.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace velmora {
namespace {

QFont monospaced(qreal size, bool bold)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(std::max(1, int(std::lround(size))));
    font.setBold(bold);
    return font;
}

} // namespace

SkinScreenContent::Metrics SkinScreenContent::metrics(QSizeF size, const SkinManifest& skin)
{
    const qreal width = size.width();
    const qreal height = size.height();
    const qreal viewportHeight = std::max<qreal>(skin.viewportRect.height(), 1);
    Metrics m;
    m.cornerRadius = std::max<qreal>(skin.viewportCornerRadius * (height / viewportHeight), 2);
    m.fontSize = std::max(height * 0.17, 4.5);
    m.rowSpacing = std::max<qreal>(height * 0.06, 1);
    m.insetX = width * 0.1;
    m.insetY = height * 0.12;
    m.outputBar = QSizeF(width * 0.42, std::max<qreal>(m.fontSize * 0.6, 1));
    m.outputBarRadius = std::max(m.fontSize * 0.3, 0.5);
    m.cursor = QSizeF(m.fontSize * 0.55, m.fontSize);
    m.promptGap = m.fontSize * 0.3;
    m.glowRadius = std::max<qreal>(height * 0.14, 2);
    return m;
}

void SkinScreenContent::paint(QPainter& painter, const QRectF& rect, const SkinManifest& skin)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    const Metrics m = metrics(rect.size(), skin);
    const QColor foreground = skin.palette.foreground;
    const QColor cursor = skin.palette.cursor.value_or(foreground);
    const QPainterPath shape = Drawing::roundedRect(rect, m.cornerRadius);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    SoftShadow::paint(painter, shape, Drawing::withAlpha(foreground, 0.45f), m.glowRadius, QPointF());
    painter.fillPath(shape, skin.palette.background);
    painter.setClipPath(shape);

    // Texts shrink, down to 0.4 of their size, to stay on one line.
    const qreal room = rect.width() - 2 * m.insetX;
    const QString promptMark = QStringLiteral("❯ ");
    const QString product = QStringLiteral("velmora");
    const qreal fullWidth = QFontMetricsF(monospaced(m.fontSize, true)).horizontalAdvance(promptMark)
        + QFontMetricsF(monospaced(m.fontSize, false)).horizontalAdvance(product);
    const qreal shrink = fullWidth > room && fullWidth > 0 ? std::max(0.4, room / fullWidth) : 1.0;
    const qreal fontSize = m.fontSize * shrink;
    const QFont bold = monospaced(fontSize, true);
    const QFont regular = monospaced(fontSize, false);
    const qreal lineHeight = std::max(QFontMetricsF(bold).height(), m.fontSize);

    qreal x = rect.left() + m.insetX;
    qreal y = rect.top() + m.insetY;
    painter.setPen(foreground);
    painter.setFont(bold);
    painter.drawText(QRectF(x, y, room, lineHeight), Qt::AlignLeft | Qt::AlignVCenter, promptMark);
    const qreal markWidth = QFontMetricsF(bold).horizontalAdvance(promptMark);
    painter.setFont(regular);
    painter.drawText(QRectF(x + markWidth, y, std::max<qreal>(0, room - markWidth), lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     product);
    y += lineHeight + m.rowSpacing;

    painter.setPen(Qt::NoPen);
    painter.setBrush(Drawing::withAlpha(foreground, 0.5f));
    painter.drawPath(Drawing::roundedRect(QRectF(QPointF(x, y), m.outputBar), m.outputBarRadius));
    y += m.outputBar.height() + m.rowSpacing;

    painter.setPen(foreground);
    painter.setFont(bold);
    const QString mark = QStringLiteral("❯");
    const qreal markAdvance = QFontMetricsF(bold).horizontalAdvance(mark);
    painter.drawText(QRectF(x, y, markAdvance + 1, lineHeight), Qt::AlignLeft | Qt::AlignVCenter, mark);
    painter.setPen(Qt::NoPen);
    painter.setBrush(cursor);
    const QRectF block(
        x + markAdvance + m.promptGap, y + (lineHeight - m.cursor.height()) / 2, m.cursor.width(), m.cursor.height());
    painter.drawPath(Drawing::roundedRect(block, 0.5));

    painter.setClipping(false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Drawing::withAlpha(foreground, 0.15f), 0.5));
    painter.drawPath(
        Drawing::roundedRect(rect.adjusted(0.25, 0.25, -0.25, -0.25), std::max<qreal>(0, m.cornerRadius - 0.25)));
    painter.restore();
}

} // namespace velmora
