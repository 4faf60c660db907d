#pragma once

#include <QPointF>
#include <QSizeF>

namespace velmora {

// The curvature of a CRT screen as a bump distortion of the screen's own
// picture. Inside `radius` around `centre` the picture bulges: a negative
// scale magnifies it towards the centre and squeezes it towards the edges of
// `bounds` (a positive one does the opposite), most at the centre and fading
// out towards the radius. The edges of `bounds` stay where they are, so no
// part of the picture is pushed out of sight and none is made up: the first
// and last columns and rows of a terminal stay readable. Straight rows and
// columns bend towards the edges, like lines on a curved tube.
struct BumpDistortion {
    // How strongly a bump of scale s bends the picture: the centre is
    // magnified by 1 / (1 - strength·|s|). At 1, the strongest curvature the
    // settings offer (scale -0.25) magnifies the centre by a third, and the
    // rows and columns squeezed towards the edges stay readable.
    static constexpr double strength = 1.0;

    QPointF centre;
    double radius = 0;
    double scale = 0;
    QSizeF bounds; // the picture: (0, 0) to (width, height)

    bool isActive() const;
    // The point of the undistorted picture that shows at the given point.
    QPointF sourcePoint(const QPointF& point) const;

    bool operator==(const BumpDistortion&) const = default;
};

} // namespace velmora
