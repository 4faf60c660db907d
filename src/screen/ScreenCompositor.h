#pragma once

#include "screen/ScreenEffects.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>

#include <memory>
#include <optional>
#include <vector>

namespace velmora {

// Composes a device's screen: the terminal's undistorted picture bent onto
// the screen's rounded quadrilateral (the projective map of its rectangle
// onto the four corners, then the curvature's bump), with the glow, the
// scanlines, the vignette and the colour grade laid over it, in one place.
// Device windows and the skin builder's preview both draw through it.
//
// Two backends give the same picture: one on the CPU and one that runs the
// whole composition as a single OpenGL 3.3 pass where a context can be made.
// Either keeps what it worked out per geometry and per effects, and composes
// again only the part of the output that a change of the picture reaches.
class ScreenCompositor {
public:
    enum class Backend { Cpu, OpenGl };

    struct Geometry {
        QSize screenSize; // the undistorted screen, logical
        std::vector<QPointF> corners; // where its four corners land, output coordinates
        std::vector<double> radii; // the outline's rounded corners, one per corner
        QRect outputRect; // the logical area drawn, output coordinates
        double devicePixelRatio = 1; // the output's
        // The picture's pixels per output device pixel: above 1 the terminal
        // is drawn finer than the screen before it is bent, so warped text
        // stays crisp.
        double sourceScale = 1;

        bool operator==(const Geometry&) const = default;
    };

    virtual ~ScreenCompositor() = default;

    // The given backend, or the best one here when none is given: OpenGL
    // where a context can be made and VELMORA_COMPOSITOR is not "cpu", else
    // the CPU. Asking for OpenGL where none can be made gives the CPU one.
    static std::unique_ptr<ScreenCompositor> create(std::optional<Backend> backend = std::nullopt);

    virtual Backend backend() const = 0;

    // Changing either one composes the whole output at the next compose().
    virtual void setGeometry(const Geometry& geometry) = 0;
    virtual void setEffects(const ScreenEffects& effects) = 0;
    // The rolling scanlines' offset in points (0 … 4); only the scanlines
    // move.
    virtual void setRollingOffset(double points) = 0;

    const Geometry& geometry() const { return m_geometry; }
    const ScreenEffects& effects() const { return m_effects; }
    double rollingOffset() const { return m_rollingOffset; }

    // The size in pixels compose() expects of the picture: the screen at
    // devicePixelRatio × sourceScale.
    QSize sourcePixelSize() const;

    // Composes from the screen's picture (sourcePixelSize(), any format;
    // the same picture object may be passed each time, changed in place).
    // `changed` is the part of the picture, in logical screen coordinates,
    // that differs from the last call: empty when nothing changed. Returns
    // the part of the output (logical, output coordinates) whose pixels
    // changed.
    virtual QRect compose(const QImage& source, const QRect& changed) = 0;

    // The composed screen: outputRect's size at devicePixelRatio,
    // premultiplied, transparent outside the rounded outline.
    virtual const QImage& output() const = 0;

    // The part of the output (logical, output coordinates) that shows the
    // given part of the screen (logical screen coordinates): where a change
    // of it lands once bent and glowing.
    virtual QRect outputRectFor(const QRect& screenRect) const = 0;

    // The point of the undistorted screen shown at an output point: none
    // off the map. Not clamped to the screen.
    std::optional<QPointF> screenPointAt(const QPointF& outputPoint) const;

    // The picture's pixels per point: devicePixelRatio × sourceScale, each
    // taken as 1 when it is not a positive number.
    static double sourceDensity(const Geometry& geometry);
    // The curvature of a screen of the given size: the bump centred on it,
    // reaching 1.1 × its longer side, of the given scale (none at 0).
    static BumpDistortion bumpFor(const QSize& screenSize, double curvatureScale);

protected:
    // The rounded outline's coverage with smooth edges, one byte a pixel:
    // the output of the given size in pixels at the given ratio.
    static QImage outlineCoverage(const Geometry& geometry, const QSize& pixels, double ratio);

    Geometry m_geometry;
    ScreenEffects m_effects;
    double m_rollingOffset = 0;
};

} // namespace velmora
