#pragma once

#include "core/SkinEffectsSettings.h"
#include "screen/ScreenEffects.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace velmora {

class ScreenContainer;

// The cathode-ray look of a device's screen as the device window configures
// it: scanlines in four styles (one of them rolling), a phosphor glow,
// curvature with a dark vignette towards the edges, and a colour grade. The
// overlay lies over the screen area but draws nothing itself: the screen
// container composes all of it with the terminal's picture in one place
// (ScreenCompositor). While the overlay is shown its effects are the
// screen's; hidden, the screen shows none. It takes no clicks.
//
// Rolling scanlines move by 0.08 points every 1/60 s (a 4-point period,
// seamless) while the overlay is shown: each tick hands the offset to the
// screen, which moves only the scanlines and redraws no picture.
class EffectsLayer final : public QWidget {
    Q_OBJECT

public:
    // Rolling scanlines advance this far each tick, and wrap after a period.
    static constexpr double rollingStep = 0.08;
    static constexpr double rollingPeriod = 4;
    static constexpr int rollingIntervalMs = 16;

    explicit EffectsLayer(QWidget* parent = nullptr);
    ~EffectsLayer() override;

    // The screen these effects are drawn on.
    void setScreen(ScreenContainer* screen);

    // Takes the skin's effects and the palette's foreground (the glow's
    // colour) and hands them to the screen while shown.
    void configure(const SkinEffectsSettings& effects, const QColor& foreground);

    // Places the overlay over the screen's quadrilateral: the bounding box of
    // its four corners (the parent's coordinates).
    void setScreenGeometry(const QRectF& screenRect, const std::vector<QPointF>& corners, double cornerRadius,
                           const std::vector<double>& cornerRadii);

    void setVisible(bool visible) override;

    // True when any effect is on: scanlines, glow, curvature or a grade other
    // than "none".
    static bool anyEffect(const SkinEffectsSettings& effects);

    const SkinEffectsSettings& effects() const { return m_effects; }
    // The effects in the numbers the compositor draws with.
    const ScreenEffects& screenEffects() const { return m_screenEffects; }
    QColor glowColor() const { return m_glowColor; }
    // The scale of the bump distortion that gives the curvature (0 when off),
    // and the glow's opacity (0 when off).
    double curvatureScale() const { return m_screenEffects.curvatureScale; }
    double glowOpacity() const { return m_screenEffects.glow.opacity; }

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
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void updateRolling();
    // Hands the effects to the screen: its own while shown, else none.
    void handToScreen();

    QPointer<ScreenContainer> m_screen;
    SkinEffectsSettings m_effects;
    ScreenEffects m_screenEffects;
    QColor m_glowColor = QColor(255, 165, 0);
    QTimer m_rollingTimer;
    double m_rollingOffset = 0;
};

} // namespace velmora
