#pragma once

#include "skin/ScreenWarp.h"

#include <QGraphicsEffect>
#include <QImage>
#include <QRect>

namespace velmora {

// Draws the screen part of a widget, with all its children, onto the
// screen's quadrilateral instead of its own rectangle. The widgets keep laying
// out and painting as plain rectangles; every time one of them repaints, the
// effect takes the fresh picture and warps it (ScreenWarp), so typing and
// scrolling show at once. Coordinates are the widget's own; the widget must
// cover the whole quadrilateral, as Qt draws an effect only inside its
// widget.
//
// Qt repaints only the area that changed, and for a child that is its own
// undistorted rectangle, while the warp may move its pixels anywhere on the
// screen. A repaint that does not reach over the whole screen therefore shows
// the last warped picture and asks for a repaint of the whole screen, which
// follows at once and draws the fresh picture. A repaint whose picture of the
// widget is the same as the last one (something above the screen changed)
// draws the last warped picture again.
class ScreenWarpEffect final : public QGraphicsEffect {
    Q_OBJECT

public:
    // The effect of the given widget, which owns it.
    explicit ScreenWarpEffect(QWidget* widget);

    // The screen's rectangle within the widget, where it goes (corners in
    // the widget's coordinates), the outline's corner radii and the
    // curvature. Redraws when anything changed.
    void setShape(const QRect& screenRect, const std::vector<QPointF>& corners, const std::vector<double>& radii,
                  const BumpDistortion& bump);
    void setGlow(const ScreenGlow& glow);

    // The area the effect draws, in the widget's coordinates.
    QRect outputRect() const { return m_outputRect; }
    const ScreenWarp& warp() const { return m_warp; }

    QRectF boundingRectFor(const QRectF& sourceRect) const override;

protected:
    void draw(QPainter* painter) override;

private:
    bool coversScreen(QPainter* painter) const;
    // True when both pictures hold the same pixels.
    static bool sameContent(const QImage& a, const QImage& b);

    QWidget* m_widget;
    bool m_wholeRepaintAsked = false;
    QRect m_screenRect;
    std::vector<QPointF> m_corners;
    std::vector<double> m_radii;
    BumpDistortion m_bump;
    ScreenGlow m_glow;
    QRect m_outputRect;
    ScreenWarp m_warp;
    bool m_hasOutput = false;
    // The widget's picture that the output was warped from.
    QImage m_lastSource;
};

} // namespace velmora
