#pragma once

#include "skinbuilder/SkinBuilderTypes.h"

#include <QBrush>
#include <QPainterPath>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <array>
#include <optional>

namespace velmora {

class SkinBuilderModel;
struct BezierNode;

// The builder's work surface: the picture over a checkerboard with a margin
// of 400 points on every side, and on top of it the screen area (possibly a
// free quadrilateral with rounded corners), the buttons and drawer of a
// reopened skin, and the pen polygon being placed. Mouse and key input draw,
// move, resize and distort the screen area, click with the magic wand and
// place, curve, close or drop pen polygons.
//
// The widget is the picture's point size plus the margins, times the
// magnification m that its scroll view sets. Drawing happens in picture
// points (origin at the picture's top-left corner); every overlay's line
// width, dash, handle and text size is divided by m so it keeps its size on
// screen at any zoom. Main thread only.
class CanvasView final : public QWidget {
    Q_OBJECT

public:
    enum class DragMode { draw, moveViewport, resizeViewport, distortCorner };

    static constexpr qreal margin = 400;
    static constexpr qreal cornerGrabDistance = 12; // on screen
    static constexpr qreal cornerHandleSize = 10; // on screen

    explicit CanvasView(SkinBuilderModel& model, QWidget* parent = nullptr);

    SkinBuilderModel& model() const { return m_model; }

    qreal magnification() const { return m_magnification; }
    // Scales the widget; the scroll view keeps it within its limits.
    void setMagnification(qreal magnification);

    // Follows a model change: resizes to a picture of another size, then
    // redraws.
    void syncWithModel();
    // The widget size for the model's picture at the current magnification.
    QSize wantedSize() const;

    // Between widget coordinates and picture points.
    QPointF imagePoint(const QPointF& widgetPoint) const;
    QPointF widgetPoint(const QPointF& imagePoint) const;
    // The picture's rectangle in picture points; 400 × 400 without one.
    QRectF pictureRect() const;

    // The corners of the screen area, top-left first, each moved by its
    // offset when there are four offsets; none without a screen area.
    std::optional<std::array<QPointF, 4>> resolvedViewportCorners() const;
    // The screen area's rounded outline; empty without a screen area.
    QPainterPath resolvedViewportPath() const;
    // The first resolved corner of baseRect (top-left first) within
    // threshold of point, or -1.
    int hitHandleAtCurrentCorner(const QPointF& point, const QRectF& baseRect, qreal threshold) const;
    // Closes the pen polygon with a pen tool; drops it with any other.
    void commitActivePen();
    QColor activeToolColor() const;

    // The gesture in progress, for the builder's tests.
    std::optional<QPointF> dragStart() const { return m_dragStart; }
    DragMode dragMode() const { return m_dragMode; }
    int resizeCorner() const { return m_resizeCorner; }
    std::optional<QRectF> currentDragRect() const { return m_currentDragRect; }
    std::optional<QPointF> penHoverPoint() const { return m_penHoverPoint; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void press(const QPointF& point, int clickCount, Qt::KeyboardModifiers modifiers);
    void drag(const QPointF& point);
    void release();
    void hover(const std::optional<QPointF>& point);

    void drawCheckerboard(QPainter& painter, const QRectF& rect);
    void drawPicture(QPainter& painter, const QRectF& rect, const QRect& exposed);
    void drawViewport(QPainter& painter, const QRectF& viewport);
    void drawButton(QPainter& painter, const ButtonDef& button, std::size_t index);
    void drawDrawerEdge(QPainter& painter, DrawerEdge edge);
    void drawDrawerViewport(QPainter& painter, const QRectF& rect);
    void drawDrawerMask(QPainter& painter, const std::vector<BezierNode>& nodes, bool inProgress);
    void drawPenHover(QPainter& painter);
    void drawRubberBand(QPainter& painter);

    // A pen N screen pixels wide, with dashes of the given screen lengths.
    QPen overlayPen(const QColor& color, qreal width, qreal dash = 0) const;
    // A dot of the given screen diameter.
    QRectF dot(const QPointF& centre, qreal diameter) const;

    SkinBuilderModel& m_model;
    qreal m_magnification = 1;
    std::optional<QPointF> m_dragStart;
    DragMode m_dragMode = DragMode::draw;
    int m_resizeCorner = 3;
    std::optional<QRectF> m_currentDragRect;
    std::optional<QPointF> m_penHoverPoint;

    QBrush m_checkerboard;
    QPixmap m_picture; // the model's picture, converted once per replacement
    qint64 m_pictureKey = 0;
};

} // namespace velmora
