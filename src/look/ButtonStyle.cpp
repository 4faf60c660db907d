#include "look/ButtonStyle.h"

#include "look/ColorContrast.h"

namespace velmora::ButtonStyle {
namespace {

QString css(const QColor& color) { return color.name(QColor::HexArgb); }

QColor withAlpha(QColor color, float alpha)
{
    color.setAlphaF(alpha);
    return color;
}

QString shape(Size size)
{
    return size == Size::Small
        ? QStringLiteral("border-radius: 5px; padding: 2px 9px; min-height: 16px; font-size: 11px;")
        : QStringLiteral("border-radius: 6px; padding: 5px 14px; min-height: 18px;");
}

} // namespace

QString prominent(const QColor& fill, Size size)
{
    const QColor text = ColorContrast::textOn(fill);
    return QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %1; %7 }"
                          "QPushButton:hover { background: %3; border-color: %3; }"
                          "QPushButton:pressed { background: %4; border-color: %4; }"
                          "QPushButton:disabled { background: %5; border-color: transparent; color: %6; }")
        .arg(css(fill),
             css(text),
             css(fill.lighter(110)),
             css(fill.darker(112)),
             css(withAlpha(fill, 0.35f)),
             css(withAlpha(text, 0.55f)),
             shape(size));
}

QString bordered(const QPalette& palette, Size size)
{
    const QColor text = palette.color(QPalette::ButtonText);
    const QColor base = palette.color(QPalette::Base);
    return QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3; %6 }"
                          "QPushButton:hover { background: %4; }"
                          "QPushButton:pressed { background: %5; }"
                          "QPushButton:disabled { color: %7; border-color: %8; }")
        .arg(css(base),
             css(text),
             css(withAlpha(text, 0.22f)),
             css(base.darker(104)),
             css(base.darker(110)),
             shape(size),
             css(withAlpha(text, 0.38f)),
             css(withAlpha(text, 0.12f)));
}

QString tinted(const QPalette& palette, const QColor& tint)
{
    const QColor base = palette.color(QPalette::Base);
    QColor fill = base;
    const float mix = 0.16f;
    fill.setRgbF(base.redF() + (tint.redF() - base.redF()) * mix,
                 base.greenF() + (tint.greenF() - base.greenF()) * mix,
                 base.blueF() + (tint.blueF() - base.blueF()) * mix);
    const QColor text = ColorContrast::readableOn(tint, fill, 4.5);
    return QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3; %6 }"
                          "QPushButton:hover { background: %4; }"
                          "QPushButton:pressed { background: %5; }"
                          "QPushButton:disabled { background: %7; color: %8; border-color: %9; }")
        .arg(css(fill),
             css(text),
             css(tint),
             css(fill.darker(104)),
             css(fill.darker(110)),
             shape(Size::Regular),
             css(base),
             css(withAlpha(palette.color(QPalette::ButtonText), 0.38f)),
             css(withAlpha(tint, 0.35f)));
}

QString link(const QColor& color)
{
    return QStringLiteral("QPushButton { color: %1; border: none; padding: 0; background: transparent; }"
                          "QPushButton:hover { text-decoration: underline; }")
        .arg(css(color));
}

} // namespace velmora::ButtonStyle
