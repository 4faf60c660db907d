#include <algorithm>
#include <cmath>

#include "corvel/base/Color.h"

namespace corvel {

namespace {

// One colour in CIELAB (D65 white point), used to interpolate palettes.
struct LabColor {
    double l = 0;
    double a = 0;
    double b = 0;

    static LabColor fromColor(const Color& color)
    {
        auto linear = [](uint16_t channel) {
            const double s = std::min(std::round(channel / 65535.0 * 255.0), 255.0) / 255.0;
            return s > 0.04045 ? std::pow((s + 0.055) / 1.055, 2.4) : s / 12.92;
        };
        const double r = linear(color.red);
        const double g = linear(color.green);
        const double bl = linear(color.blue);

        const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * bl) / 0.95047;
        const double y = 0.2126729 * r + 0.7151522 * g + 0.072175 * bl;
        const double z = (0.0193339 * r + 0.119192 * g + 0.9503041 * bl) / 1.08883;

        auto f = [](double t) { return t > 0.008856 ? std::pow(t, 1.0 / 3.0) : 7.787 * t + 16.0 / 116.0; };
        const double fx = f(x);
        const double fy = f(y);
        const double fz = f(z);
        return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
    }

    Color toColor() const
    {
        const double fy = (l + 16.0) / 116.0;
        const double fx = a / 500.0 + fy;
        const double fz = fy - b / 200.0;

        auto finv = [](double v) {
            const double cube = v * v * v;
            return cube > 0.008856 ? cube : (v - 16.0 / 116.0) / 7.787;
        };
        const double x = 0.95047 * finv(fx);
        const double y = finv(fy);
        const double z = 1.08883 * finv(fz);

        const double r = 3.2404542 * x - 1.5371385 * y - 0.4985314 * z;
        const double g = -0.969266 * x + 1.8760108 * y + 0.041556 * z;
        const double bl = 0.0556434 * x - 0.2040259 * y + 1.0572252 * z;

        auto encode = [](double v) -> unsigned {
            v = v > 0.0031308 ? 1.055 * std::pow(v, 1.0 / 2.4) - 0.055 : 12.92 * v;
            if (!(v < 1.0))
                return 255;
            return static_cast<unsigned>(std::max(v, 0.0) * 255.0 + 0.5);
        };
        return Color::fromRgb8(encode(r), encode(g), encode(bl));
    }

    static LabColor lerp(const LabColor& p, const LabColor& q, double t)
    {
        return {p.l + t * (q.l - p.l), p.a + t * (q.a - p.a), p.b + t * (q.b - p.b)};
    }
};

} // namespace

std::vector<Color> Color::generateXtermPalette(std::span<const Color> initialColors)
{
    static constexpr unsigned levels[6] = {0, 95, 135, 175, 215, 255};
    std::vector<Color> palette(initialColors.begin(), initialColors.end());
    palette.reserve(initialColors.size() + 240);
    for (int i = 0; i < 216; ++i) {
        palette.push_back(fromRgb8(levels[(i / 36) % 6], levels[(i / 6) % 6], levels[i % 6]));
    }
    for (unsigned j = 0; j < 24; ++j) {
        const auto grey = static_cast<uint16_t>((8 + 10 * j) * 257);
        palette.emplace_back(grey, grey, grey);
    }
    return palette;
}

std::vector<Color> Color::generateBase16LabPalette(std::span<const Color> initialColors,
                                                   std::optional<Color> backgroundColor,
                                                   std::optional<Color> foregroundColor)
{
    if (initialColors.size() < 8)
        return generateXtermPalette(initialColors);

    LabColor base[8];
    for (int i = 0; i < 8; ++i)
        base[i] = LabColor::fromColor(initialColors[i]);
    const LabColor bg = LabColor::fromColor(backgroundColor.value_or(initialColors[0]));
    const LabColor fg = LabColor::fromColor(foregroundColor.value_or(initialColors[7]));

    std::vector<Color> palette(initialColors.begin(), initialColors.end());
    palette.reserve(initialColors.size() + 240);
    for (int r = 0; r < 6; ++r) {
        const double tr = r / 5.0;
        const LabColor c0 = LabColor::lerp(bg, base[1], tr);
        const LabColor c1 = LabColor::lerp(base[2], base[3], tr);
        const LabColor c2 = LabColor::lerp(base[4], base[5], tr);
        const LabColor c3 = LabColor::lerp(base[6], fg, tr);
        for (int g = 0; g < 6; ++g) {
            const double tg = g / 5.0;
            const LabColor low = LabColor::lerp(c0, c1, tg);
            const LabColor high = LabColor::lerp(c2, c3, tg);
            for (int b = 0; b < 6; ++b) {
                palette.push_back(LabColor::lerp(low, high, b / 5.0).toColor());
            }
        }
    }
    for (int i = 1; i <= 24; ++i) {
        palette.push_back(LabColor::lerp(bg, fg, i / 25.0).toColor());
    }
    return palette;
}

} // namespace corvel
