#pragma once

#include "core/WindowState.h"
#include "skin/SkinManifest.h"

#include <QPointF>
#include <QRect>
#include <QSizeF>

#include <optional>
#include <vector>

// Where a device window goes and how large it is: the arithmetic of a new
// window's frame and scale, of scaling a window about its centre, and of the
// plain window of mini mode. Scales are window pixels per design unit of the
// skin's frame; areas are the available areas of screens (screen minus
// panels), in the same top-left coordinates as window frames.
namespace velmora::DevicePlacement {

// The least scale the program gives a device window by itself.
inline constexpr double minimumScale = 0.2;
// A new window takes at most this part of its screen's area either way.
inline constexpr double launchFraction = 0.9;
// A saved frame counts as on a screen when, inset by this, it still meets a
// screen's available area.
inline constexpr double restoreInset = 20;
// The window in mini mode at first.
inline constexpr int miniWidth = 600;
inline constexpr int miniHeight = 420;

// Where a new window goes and at what scale.
struct Placement {
    QRect frame;
    double scale = 1;
};

// The scale at which a frame of the size fits in launchFraction of the area;
// 0 for a frame without a size.
double fitScale(const QSizeF& frameSize, const QRect& area);
// The largest scale at which a frame of the size fits one of the areas; 0
// without any.
double maximumScale(const QSizeF& frameSize, const std::vector<QRect>& areas);
// The scale, lowered where a frame of the size would not fit the area whole
// at it (an area without a size holds anything).
double scaleWithin(const QSizeF& frameSize, double scale, const QRect& area);

// The frame of the given size (rounded to whole pixels) whose centre is the
// point.
QRect centred(const QSizeF& size, const QPointF& centre);
// A frame of the size at the scale, centred on the point.
QRect scaledFrame(const QSizeF& frameSize, double scale, const QPointF& centre);
// The frame grown or shrunk by the factor about its centre.
QRect scaledAboutCentre(const QRect& frame, double factor);
// The mini window's first frame, centred on the device's frame.
QRect miniFrame(const QRect& deviceFrame);
// The frame moved as little as it takes to lie inside the area, shrunk first
// to the area's size where it is larger; a null area leaves it as it is.
QRect keptWithin(const QRect& frame, const QRect& area);

// The frame and scale of a new window: a saved frame that still lies on a
// screen and fits one is kept exactly; otherwise the skin at its launch scale
// (at most launchFraction of the main area, at least minimumScale where that
// still fits the area), centred on that area. mainArea is null when there is
// no screen.
Placement initialPlacement(const SkinManifest& skin, const std::optional<WindowState>& restoringState,
                           const QRect& mainArea, const std::vector<QRect>& screenAreas);

} // namespace velmora::DevicePlacement
