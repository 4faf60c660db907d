#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

#include <map>
#include <vector>

namespace velmora {

class Panel;

// The widget over a device's screen area. It holds the panel of each screen
// slot (the device window fills only slot 0, with its terminal panel), places
// the shown panel's root widget on the screen's inner rectangle, centred in
// the container, and clips it to the screen's rounded outline, so clicks
// outside the outline fall through to the frame around it.
//
// Geometry comes from configureViewport(): the host frame (the bounding box
// of the screen's corners in the parent's coordinates), the undistorted
// inner size, the four corners relative to the host frame and the corner
// radii. Four corners mean device mode: the panel is clipped to the rounded
// outline. No corners (a plain rectangle, as in mini mode) mean the panel
// simply fills the container.
//
// The screen is drawn as a rectangle: corners pulled off the rectangle are
// kept in quadTargets() for the drawing of distorted screens, which the
// container does not do yet.
class ScreenContainer final : public QWidget {
    Q_OBJECT

public:
    explicit ScreenContainer(QWidget* parent = nullptr);

    const std::map<int, Panel*>& panels() const { return m_panels; }
    int activeIndex() const { return m_activeIndex; }
    QSizeF innerSize() const { return m_innerSize; }
    const std::vector<QPointF>& quadTargets() const { return m_quadTargets; }
    bool hasDistortion() const { return m_hasDistortion; }
    const std::vector<double>& cornerRadii() const { return m_cornerRadii; }
    double viewportCornerRadius() const { return m_viewportCornerRadius; }

    // A host frame that is not finite or has no positive size is ignored and
    // leaves the previous geometry. The container covers the host frame
    // rounded outwards to whole pixels, so the screen always reaches under
    // the frame's edge.
    void configureViewport(const QRectF& hostFrame, const QSizeF& innerSize, const std::vector<QPointF>& quadCorners,
                           double cornerRadius, const std::vector<double>& cornerRadii);

    // Stores the panel under the slot (replacing an earlier one), places its
    // root widget, shows it when the slot is the active one and then gives
    // its keyboard view the focus.
    void registerPanel(Panel* panel, int slot);

    // The corners of the inner rectangle centred in the container.
    std::vector<QPointF> defaultQuadInBounds() const;

    // Places one panel root widget; with corners, clips it to the rounded
    // outline of the inner rectangle.
    void applyGeometry(QWidget* view);
    void applyMask(QWidget* view);

    // The inner rectangle in the container's coordinates.
    QRectF innerRect() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::map<int, Panel*> m_panels;
    int m_activeIndex = 0;
    QSizeF m_innerSize;
    std::vector<QPointF> m_quadTargets;
    bool m_hasDistortion = false;
    std::vector<double> m_cornerRadii;
    double m_viewportCornerRadius = 0;
};

} // namespace velmora
