#pragma once

#include "core/SkinEffectsSettings.h"
#include "skin/ScreenWarp.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTimer>
#include <QTransform>
#include <QWidget>

#include <vector>

namespace velmora {

// The cathode-ray look laid over a device's screen: scanlines in four styles
// (one of them rolling), a dark vignette towards the edges when the screen is
// curved, and a colour grade shown through the SoftLight blend. It draws no
// terminal content and takes no clicks. The curvature itself and the glow bend
// and light the terminal's own picture, so they live in the screen container
// (ScreenContainer::setScreenEffects); configure() only remembers them.
//
// The overlay is drawn on the screen's quadrilateral: its undistorted picture
// (the screen rectangle's size) goes through the same projective map as the
// terminal panel, clipped to the rounded outline. Scanlines and vignette are
// drawn once per size and configuration; a repaint only lays the cached
// picture down and the grade over it. Rolling scanlines move by 0.08 points
// every 1/60 s (a 4-point period, seamless) and repaint only the overlay: a
// tick shifts a pattern drawn once per size and, on a distorted screen,
// looks its pixels up through a map worked out once per geometry.
class EffectsLayer final : public QWidget {
    Q_OBJECT

public:
    // Rolling scanlines advance this far each tick, and wrap after a period.
    static constexpr double rollingStep = 0.08;
    static constexpr double rollingPeriod = 4;
    static constexpr int rollingIntervalMs = 16;

    explicit EffectsLayer(QWidget* parent = nullptr);
    ~EffectsLayer() override;

    // Takes the skin's effects and the palette's foreground (the glow's
    // colour), then redraws.
    void configure(const SkinEffectsSettings& effects, const QColor& foreground);

    // Places the overlay: the undistorted screen rectangle and where its four
    // corners land (both in the parent's coordinates), and the outline's corner
    // radii (four, or empty for the single radius).
    void setScreenGeometry(const QRectF& screenRect, const std::vector<QPointF>& corners, double cornerRadius,
                           const std::vector<double>& cornerRadii);

    // True when any effect is on: scanlines, glow, curvature or a grade other
    // than "none".
    static bool anyEffect(const SkinEffectsSettings& effects);

    const SkinEffectsSettings& effects() const { return m_effects; }
    QColor glowColor() const { return m_glowColor; }
    // The scale of the bump distortion that gives the curvature (0 when off),
    // and the glow's opacity (0 when off).
    double curvatureScale() const;
    double glowOpacity() const;

    bool isRolling() const { return m_rollingTimer.isActive(); }
    double rollingOffset() const { return m_rollingOffset; }
    // One step of the rolling motion (what the timer does).
    void rollingTick();

    // The grade's colour at alpha 0.15: transparent black for a name outside
    // the table, invalid for "none".
    static QColor gradeColor(const QString& grade);

    // The scanline pattern of a screen of the given size in points at a
    // whole backing scale: transparent with black rows (and, for
    // "shadowmask", coloured stripes), one period every 4 points. Row 0 is
    // the picture's top; the rows are counted from its bottom edge.
    static QImage scanlinePattern(const QSizeF& size, int scale, const QString& style, double intensity);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void rebuild();
    void updateRolling();
    int backingScale() const;
    // The screen's picture of vignette and (still) scanlines, on the quad.
    void renderStatic();
    void paintRollingScanlines(QPainter& painter);

    SkinEffectsSettings m_effects;
    QColor m_glowColor = QColor(255, 165, 0);
    QSizeF m_screenSize;
    std::vector<QPointF> m_corners; // in the overlay's coordinates
    std::vector<double> m_radii;
    QTransform m_quad; // the screen rectangle onto the corners
    bool m_plain = true; // the quad is a translation of the rectangle
    QPainterPath m_outline;
    QImage m_static; // vignette and still scanlines, on the quad
    bool m_staticValid = false;
    // Rolling: the pattern one period taller than the screen, the screen's
    // picture of it at the present offset, and the map onto the quad.
    QImage m_rollingPattern;
    QImage m_rollingFrame;
    ScreenWarp m_rollingWarp;
    QTimer m_rollingTimer;
    double m_rollingOffset = 0;
};

} // namespace velmora
