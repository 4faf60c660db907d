#pragma once

#include <QPointF>
#include <QScrollArea>

#include <optional>

namespace velmora {

class CanvasView;
class SkinBuilderModel;

// Hosts the editing canvas in a zoomable, scrollable area with 40 points of
// room around it (which scrolls with it). Ctrl with the wheel, or a pinch, zooms about the pointer
// between 0.1 and 20 times; the canvas follows every change of the model.
class CanvasScrollView final : public QScrollArea {
    Q_OBJECT

public:
    static constexpr qreal minMagnification = 0.1;
    static constexpr qreal maxMagnification = 20;
    static constexpr int contentInset = 40;

    explicit CanvasScrollView(SkinBuilderModel& model, QWidget* parent = nullptr);

    CanvasView* canvas() const { return m_canvas; }

    qreal magnification() const;
    // Zooms, keeping the canvas point under `anchor` (viewport coordinates,
    // the viewport's centre by default) in place.
    void setMagnification(qreal magnification, std::optional<QPointF> anchor = std::nullopt);
    // Scrolls so the picture sits in the middle of the visible area.
    void centrePicture();

protected:
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void modelChanged();
    void fitRoom();
    // Scrolls so that the picture point shows at the viewport point.
    void scrollTo(const QPointF& imagePoint, const QPointF& viewportPoint);

    CanvasView* m_canvas;
    QWidget* m_room; // the canvas with the inset around it
    // The picture is centred once the view has its size.
    bool m_centrePending = true;
};

} // namespace velmora
