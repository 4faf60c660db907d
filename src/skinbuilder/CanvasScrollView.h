#pragma once

#include <QPointF>
#include <QScrollArea>

#include <optional>

namespace velmora {

class CanvasView;
class SkinBuilderModel;

// Hosts the editing canvas in a zoomable, scrollable area with 40 points of
// room around it (which scrolls with it). Ctrl with the wheel, or a pinch,
// zooms about the pointer between 0.1 and 20 times; the canvas follows every
// change of the model. A newly loaded picture is shown whole: zoomed out
// until it fits the visible area (never zoomed in past its own size) and
// centred.
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
    // The magnification that shows the whole picture in the visible area
    // with the room around it, at most 1.
    qreal fittingMagnification() const;
    // Zooms to fittingMagnification() and centres the picture.
    void fitPicture();

protected:
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void modelChanged();
    void fitRoom();
    // Carries out a fit or a centring that waited for the view to be shown.
    void placePending();
    // Scrolls so that the picture point shows at the viewport point.
    void scrollTo(const QPointF& imagePoint, const QPointF& viewportPoint);

    SkinBuilderModel& m_model;
    CanvasView* m_canvas;
    QWidget* m_room; // the canvas with the inset around it
    // The picture is centred, or fitted, once the view has its size.
    bool m_centrePending = true;
    bool m_fitPending = false;
    int m_fittedLoad = 0; // the model's picture load last fitted
};

} // namespace velmora
