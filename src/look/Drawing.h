#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPalette>
#include <QRectF>
#include <QWidget>

// Small painting helpers the application's own windows share.
namespace velmora::Drawing {

inline QColor withAlpha(QColor color, float alpha)
{
    color.setAlphaF(alpha);
    return color;
}

inline QPainterPath roundedRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// The colour a label's text (or any widget's foreground) is drawn in.
inline void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

} // namespace velmora::Drawing
