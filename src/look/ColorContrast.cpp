#include "look/ColorContrast.h"

#include <algorithm>
#include <cmath>

namespace velmora::ColorContrast {
namespace {

double linear(double component)
{
    return component <= 0.03928 ? component / 12.92 : std::pow((component + 0.055) / 1.055, 2.4);
}

} // namespace

double luminance(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double ratio(const QColor& a, const QColor& b)
{
    const double x = luminance(a);
    const double y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

QColor readableOn(const QColor& color, const QColor& background, double minimumRatio)
{
    if (ratio(color, background) >= minimumRatio)
        return color;
    const bool darken = luminance(background) > 0.4;
    QColor candidate = color.toHsl();
    for (int step = 0; step < 40 && ratio(candidate, background) < minimumRatio; ++step) {
        const float lightness = candidate.lightnessF();
        const float next = darken ? std::max(0.0f, lightness - 0.025f) : std::min(1.0f, lightness + 0.025f);
        candidate.setHslF(candidate.hslHueF(), candidate.hslSaturationF(), next, candidate.alphaF());
    }
    return candidate.toRgb();
}

QColor textOn(const QColor& fill)
{
    return ratio(Qt::black, fill) >= ratio(Qt::white, fill) ? QColor(Qt::black) : QColor(Qt::white);
}

} // namespace velmora::ColorContrast
