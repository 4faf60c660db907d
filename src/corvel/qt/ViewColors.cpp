#include "corvel/qt/ViewColors.h"

namespace corvel {

QColor toQColor(const Color& color) { return QColor::fromRgba64(color.red, color.green, color.blue, 0xFFFF); }

Color toTerminalColor(const QColor& color)
{
    if (!color.isValid())
        return Color::defaultForeground;
    // QColor keeps 16 bits per channel: component × 65535 without rounding loss.
    const QRgba64 c = color.toRgb().rgba64();
    return Color(c.red(), c.green(), c.blue());
}

QColor inverseColor(const QColor& color)
{
    if (!color.isValid())
        return color;
    const QRgba64 c = color.toRgb().rgba64();
    return QColor::fromRgba64(0xFFFF - c.red(), 0xFFFF - c.green(), 0xFFFF - c.blue(), c.alpha());
}

QColor dimmedColor(const QColor& color, const QColor& towards)
{
    if (!color.isValid() || !towards.isValid())
        return color;
    const QColor a = color.toRgb();
    const QColor b = towards.toRgb();
    QColor out;
    out.setRgbF(
        0.5f * (a.redF() + b.redF()), 0.5f * (a.greenF() + b.greenF()), 0.5f * (a.blueF() + b.blueF()), a.alphaF());
    return out;
}

} // namespace corvel
