#pragma once

#include "screen/ScreenCompositor.h"
#include "screen/ScreenEffects.h"
#include "screen/ScreenPicture.h"

#include <QMarginsF>
#include <QPainterPath>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace velmora {

class Panel;

// The widget over a device's screen area. It holds the panel of each screen
// slot (the device window fills only slot 0, with its terminal panel) and
// shows the active panel's root widget on the screen's quadrilateral.
//
// Geometry comes from configureViewport(): the host frame (the bounding box
// of the screen's corners in the parent's coordinates), the undistorted
// inner size, the four corners relative to the host frame and the corner
// radii. The panel's root widget always keeps the inner size, centred in the
// container, and lays out and paints as a plain rectangle. It lies on a stage
// widget that covers the container and the inner rectangle:
// - when the corners are the inner rectangle's own and no effect is on, the
//   widget is shown as it is, clipped to the rounded outline, and takes its
//   clicks itself;
// - otherwise the screen is drawn through a ScreenCompositor: the widgets'
//   picture (twice as fine when the screen is bent, so bent text stays crisp)
//   is kept from paint to paint, each repaint draws into it only the part
//   repainted, and only the pixels that really changed are composed again.
//   A change of the picture lands wider once bent and glowing: terminal
//   views say which areas they are about to repaint, so the container asks
//   for the whole area where they show in the same pass; any other change
//   reaching further is repainted in a second pass, which finds nothing new
//   and ends there. The container takes the widget's mouse events and hands
//   each to the child under the inverse-mapped point.
// Either way a press outside the outline is not taken: it goes on to the
// parent, where the frame around the screen handles it. No corners (mini
// mode) mean the panel simply fills the container.
class ScreenContainer final : public QWidget {
    Q_OBJECT

public:
    explicit ScreenContainer(QWidget* parent = nullptr);
    ~ScreenContainer() override;

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

    // The effects drawn over and bending the screen (none in mini mode).
    void setScreenEffects(const ScreenEffects& effects);
    const ScreenEffects& screenEffects() const { return m_effects; }
    // Moves the rolling scanlines (points, 0 … 4): the screen is composed
    // again from the picture it has, which is not redrawn.
    void setRollingOffset(double points);
    // The compositor's backend; by default the best one here.
    void setCompositorBackend(std::optional<ScreenCompositor::Backend> backend);

    // Stores the panel under the slot (replacing an earlier one), places its
    // root widget, shows it when the slot is the active one and then gives
    // its keyboard view the focus.
    void registerPanel(Panel* panel, int slot);

    // The corners of the inner rectangle centred in the container.
    std::vector<QPointF> defaultQuadInBounds() const;

    // Places one panel root widget.
    void applyGeometry(QWidget* view);
    // Clips an undistorted root widget to the rounded outline.
    void applyMask(QWidget* view);

    // The inner rectangle in the container's coordinates.
    QRectF innerRect() const;
    // The widget that holds the panels' root widgets.
    QWidget* stage() const { return m_stage; }

    // True while the active panel is drawn through the compositor.
    bool isWarping() const { return m_warping; }
    // The compositor while the panel is drawn through it.
    const ScreenCompositor* compositor() const { return m_warping ? m_compositor.get() : nullptr; }
    // The picture's pixels per device pixel: 2 while the screen is bent.
    double sourceScale() const;
    // How often the screen was composed from a changed picture or moved
    // scanlines, and the last part of the screen (points) found changed.
    int compositions() const { return m_compositions; }
    QRect lastChange() const { return m_lastChange; }
    // The screen's rounded outline in the container's coordinates: the
    // quadrilateral with its corners rounded.
    QPainterPath outline() const;
    // The point of the active panel's root widget shown at a point of the
    // container: none outside the screen's rounded outline, or when the
    // quadrilateral is degenerate.
    std::optional<QPointF> panelPointAt(const QPointF& containerPoint) const;
    // How far from each edge of the active panel's root widget its content
    // must keep for every square corner of it to show inside the rounded
    // outline, however the screen is shaped and bent: at each corner of the
    // root, the distance along both axes at which the diagonal from that
    // corner crosses the outline; each side takes the larger of its two
    // corners'. Zero without corners (mini mode) or without a panel.
    QMarginsF cornerClearance() const;

signals:
    // The clearance, after every change of the geometry or the effects.
    void cornerClearanceChanged(const QMarginsF& clearance);

public:
protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* activeRoot() const;
    void applyGeometryToRoots();
    // Says what clearance the active panel's content needs from the corners.
    void tellPanelsTheirClearance();
    void layoutStage();
    // The corners relative to a point of the container.
    std::vector<QPointF> cornersRelativeTo(const QPointF& origin) const;
    QPointF originOf(const QWidget* view) const;
    BumpDistortion bumpFor(const QSize& size) const;
    // The four corner radii of the outline.
    std::vector<double> outlineRadii() const;
    // The corners are the inner rectangle's own.
    bool isFlat() const;
    bool needsWarp(const QWidget* view) const;
    void installWarp(QWidget* view);
    void removeWarp(QWidget* view);
    void adopt(QWidget* widget);
    void release(QWidget* widget);
    // A part of the active root (its coordinates) that is about to change:
    // drawn into the picture at the next paint, together with where it shows.
    void announce(const QRect& rootRect);
    // The part of the root whose changes are all announced: the terminal
    // views with their carets, less their other children.
    QRegion announcedArea(QWidget* root) const;
    // The part of the root that its widgets paint whole.
    QRegion opaqueArea(QWidget* root) const;
    // Both worked out again only after widgets came, went or moved.
    struct Areas {
        QRegion unannounced;
        QRegion opaque;
    };
    const Areas& areas(QWidget* root);
    void drawScreen(QPainter& painter, const QRegion& area);
    void repaintLater(const QRegion& area);
    std::optional<QPointF> panelPoint(const QPointF& containerPoint, bool insideOnly) const;
    void forwardMouse(QMouseEvent* event);
    void setHoverTarget(QWidget* target, const QPointF& local, const QPointF& global);

    QWidget* m_stage = nullptr;
    std::map<int, Panel*> m_panels;
    // Each slot's root widget, followed on its own: a panel may go before
    // the widgets it made, and these are what the container works with.
    std::map<int, QPointer<QWidget>> m_roots;
    int m_activeIndex = 0;
    QSizeF m_innerSize;
    QRectF m_hostFrame;
    std::vector<QPointF> m_quadTargets;
    bool m_hasDistortion = false;
    std::vector<double> m_cornerRadii;
    double m_viewportCornerRadius = 0;
    ScreenEffects m_effects;
    double m_rollingOffset = 0;
    bool m_warping = false;
    std::optional<ScreenCompositor::Backend> m_backend;
    std::unique_ptr<ScreenCompositor> m_compositor;
    ScreenPicture m_picture;
    // The picture must be drawn whole and composed whole at the next paint.
    bool m_pictureStale = true;
    bool m_outputStale = true;
    QRegion m_announced; // root coordinates
    std::optional<Areas> m_areas;
    // Rolling scanlines repaint the whole screen many times a second. Those
    // passes draw widgets that do not announce their changes only when one
    // of them got an event that may change its look, and at least every
    // rollingSweepPasses passes; what a pass left out is drawn by a later one.
    bool m_rollingPass = false;
    bool m_unannouncedActive = true;
    int m_passesSinceSweep = 0;
    QRegion m_leftOut; // root coordinates
    QTimer m_sweepTimer;
    bool m_repaintQueued = false;
    QRegion m_queuedRepaint; // stage coordinates
    int m_compositions = 0;
    QRect m_lastChange;
    // The child that took the last press, while buttons are down, and the
    // child under the pointer.
    QPointer<QWidget> m_mouseGrab;
    QPointer<QWidget> m_hoverTarget;
};

} // namespace velmora
