#pragma once

#include "core/SkinEffectsSettings.h"
#include "skin/BumpDistortion.h"

#include <QColor>

namespace velmora {

// The phosphor glow of a screen: a soft halo, in one colour, around whatever
// is bright on the screen, laid over it in the Screen blend.
struct ScreenGlow {
    double opacity = 0; // 0 is off
    double radius = 10; // logical pixels
    QColor colour;

    bool isActive() const { return opacity > 0 && radius > 0; }
    bool operator==(const ScreenGlow&) const = default;
};

// The cathode-ray look of one device's screen, in the numbers the compositor
// draws with. Built from a skin's effects settings and its palette's
// foreground (the glow's colour) by from(); every device window and the skin
// builder's preview go through it, so both show one look.
struct ScreenEffects {
    enum class Scanlines { Off, Standard, Heavy, Shadowmask, Rolling };

    Scanlines scanlines = Scanlines::Off;
    double scanlineIntensity = 0.3;
    // The curvature: the bump distortion's scale (-0.5 × amount, 0 flat) and
    // the vignette's darkness at the screen's edge (the amount, 0 off).
    double curvatureScale = 0;
    double vignetteAmount = 0;
    // Off when its opacity is 0.
    ScreenGlow glow;
    // Invalid for "none"; otherwise the grade's colour with alpha 0.15
    // (transparent black for a name outside the table).
    QColor grade;

    static ScreenEffects from(const SkinEffectsSettings& settings, const QColor& foreground);

    // True when anything is drawn over or bends the screen's picture.
    bool any() const;

    bool operator==(const ScreenEffects&) const = default;
};

} // namespace velmora
