#include "screen/ScreenEffects.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

constexpr double glowShare = 0.6;
constexpr double glowRadius = 10;
constexpr double curvatureShare = -0.5;
constexpr double gradeAlpha = 0.15;

// A strength from the settings file: not a number counts as nothing.
double strength(double value) { return std::isfinite(value) ? std::max(0.0, value) : 0.0; }

ScreenEffects::Scanlines scanlineStyle(const QString& style)
{
    if (style == QLatin1String("heavy"))
        return ScreenEffects::Scanlines::Heavy;
    if (style == QLatin1String("shadowmask"))
        return ScreenEffects::Scanlines::Shadowmask;
    if (style == QLatin1String("rolling"))
        return ScreenEffects::Scanlines::Rolling;
    return ScreenEffects::Scanlines::Standard;
}

// The grade's colour at alpha 0.15: transparent black for a name outside
// the table, invalid for "none". Names match exactly.
QColor gradeColour(const QString& grade)
{
    if (grade == QLatin1String("none"))
        return QColor();
    QColor colour(0, 0, 0);
    if (grade == QLatin1String("amber"))
        colour = QColor::fromRgbF(1.0f, 0.6f, 0.1f);
    else if (grade == QLatin1String("green"))
        colour = QColor::fromRgbF(0.0f, 1.0f, 0.3f);
    else if (grade == QLatin1String("blue"))
        colour = QColor::fromRgbF(0.3f, 0.5f, 1.0f);
    else if (grade == QLatin1String("cool"))
        colour = QColor::fromRgbF(0.4f, 0.6f, 0.8f);
    colour.setAlphaF(float(gradeAlpha));
    return colour;
}

} // namespace

ScreenEffects ScreenEffects::from(const SkinEffectsSettings& settings, const QColor& foreground)
{
    ScreenEffects effects;
    if (settings.scanlines) {
        effects.scanlines = scanlineStyle(settings.scanlineStyle);
        effects.scanlineIntensity = strength(settings.scanlineIntensity);
    }
    if (settings.glow) {
        effects.glow.opacity = double(float(glowShare * strength(settings.glowIntensity)));
        effects.glow.radius = glowRadius;
        effects.glow.colour = foreground.isValid() ? foreground.toRgb() : QColor(Qt::white);
    }
    if (settings.curvature && std::isfinite(settings.curvatureAmount)) {
        effects.curvatureScale = curvatureShare * settings.curvatureAmount;
        effects.vignetteAmount = std::clamp(settings.curvatureAmount, 0.0, 1.0);
    }
    effects.grade = gradeColour(settings.colorGrade);
    return effects;
}

bool ScreenEffects::any() const
{
    return scanlines != Scanlines::Off || curvatureScale != 0 || vignetteAmount > 0 || glow.isActive()
        || grade.isValid();
}

} // namespace velmora
