#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QSize>

#include <cstdint>
#include <vector>

class QWidget;

namespace velmora {

// The undistorted picture of a screen's widgets that the compositor bends:
// kept from one paint to the next, so a repaint draws only the part of the
// widgets that was repainted and tells which pixels really changed.
class ScreenPicture {
public:
    // A picture of the screen's size (points) at the given pixels per point,
    // transparent. Nothing happens when both are as they were; returns true
    // when the picture was made anew.
    bool reset(const QSize& screenSize, double density);

    const QImage& image() const { return m_image; }
    QSize screenSize() const { return m_screenSize; }
    double density() const { return m_density; }

    // Draws the region of the widget (its coordinates, which are the
    // screen's) with its children into the picture, in place of what was
    // there, and returns the part of the screen (points, grown to whole
    // points) whose pixels differ from before: empty when none do. The
    // widget paints as it would on the screen, at the picture's density.
    // Where `opaque` says the widgets paint every pixel, the old pixels are
    // not cleared first.
    QRect update(QWidget* widget, const QRegion& region, const QRegion& opaque = QRegion());

    // The part of the screen (points) where two pictures of one size differ,
    // looked for inside `within` (pixels); for tests and the update above.
    static QRect changedPixels(const QImage& before, const QImage& after, const QRect& within);

private:
    QImage m_image;
    QImage m_before; // the pixels the last update replaced
    QSize m_screenSize;
    double m_density = 0;
};

} // namespace velmora
