#include "skinbuilder/CanvasScrollView.h"

#include "skinbuilder/CanvasView.h"
#include "skinbuilder/SkinBuilderModel.h"

#include <QNativeGestureEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace velmora {

CanvasScrollView::CanvasScrollView(SkinBuilderModel& model, QWidget* parent)
    : QScrollArea(parent), m_model(model), m_canvas(new CanvasView(model)), m_room(new QWidget)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setAlignment(Qt::AlignCenter);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor::fromRgbF(0.12f, 0.12f, 0.14f));
    setPalette(colours);
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    viewport()->setPalette(colours);
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->setAutoFillBackground(true);
    // Slim scrollers that sit quietly on the dark surface.
    const QString scrollers = QStringLiteral(
        "QScrollBar { background: transparent; border: none; margin: 0; }"
        "QScrollBar:vertical { width: 10px; }"
        "QScrollBar:horizontal { height: 10px; }"
        "QScrollBar::handle { background: rgba(255, 255, 255, 56); border-radius: 3px; margin: 2px; }"
        "QScrollBar::handle:hover { background: rgba(255, 255, 255, 96); }"
        "QScrollBar::handle:vertical { min-height: 32px; }"
        "QScrollBar::handle:horizontal { min-width: 32px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; background: none; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }");
    verticalScrollBar()->setStyleSheet(scrollers);
    horizontalScrollBar()->setStyleSheet(scrollers);
    // The canvas sits in a little more room, which scrolls with it.
    m_canvas->setParent(m_room);
    m_canvas->move(contentInset, contentInset);
    fitRoom();
    setWidget(m_room);
    connect(&model, &SkinBuilderModel::changed, this, &CanvasScrollView::modelChanged);
    if (model.hasImage()) {
        m_fittedLoad = model.pictureLoads();
        fitPicture();
    }
}

qreal CanvasScrollView::magnification() const { return m_canvas->magnification(); }

void CanvasScrollView::setMagnification(qreal magnification, std::optional<QPointF> anchor)
{
    if (!std::isfinite(magnification))
        return;
    magnification = std::clamp(magnification, minMagnification, maxMagnification);
    const qreal old = m_canvas->magnification();
    if (magnification == old)
        return;
    const QPointF at = anchor.value_or(QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
    // The picture point under the anchor stays there.
    const QPointF under = m_canvas->imagePoint(m_canvas->mapFrom(viewport(), at));
    m_canvas->setMagnification(magnification);
    fitRoom();
    scrollTo(under, at);
}

void CanvasScrollView::centrePicture()
{
    m_centrePending = !isVisible();
    scrollTo(m_canvas->pictureRect().center(), QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

qreal CanvasScrollView::fittingMagnification() const
{
    const QSizeF picture = m_canvas->pictureRect().size();
    const QSizeF room = QSizeF(viewport()->size()) - QSizeF(2 * contentInset, 2 * contentInset);
    if (picture.isEmpty() || room.isEmpty())
        return 1;
    const qreal fit = std::min({qreal(1), room.width() / picture.width(), room.height() / picture.height()});
    return std::clamp(fit, minMagnification, maxMagnification);
}

void CanvasScrollView::fitPicture()
{
    m_fitPending = !isVisible();
    if (m_fitPending)
        return;
    setMagnification(fittingMagnification());
    centrePicture();
}

void CanvasScrollView::placePending()
{
    if (!isVisible())
        return;
    if (m_fitPending)
        fitPicture();
    else if (m_centrePending)
        centrePicture();
}

void CanvasScrollView::scrollTo(const QPointF& imagePoint, const QPointF& viewportPoint)
{
    const QPointF inRoom = m_canvas->widgetPoint(imagePoint) + QPointF(m_canvas->pos());
    horizontalScrollBar()->setValue(int(std::lround(inRoom.x() - viewportPoint.x())));
    verticalScrollBar()->setValue(int(std::lround(inRoom.y() - viewportPoint.y())));
}

void CanvasScrollView::fitRoom() { m_room->resize(m_canvas->size() + QSize(2 * contentInset, 2 * contentInset)); }

void CanvasScrollView::modelChanged()
{
    const QSize before = m_canvas->size();
    m_canvas->syncWithModel();
    fitRoom();
    if (m_model.hasImage() && m_model.pictureLoads() != m_fittedLoad) {
        // A new picture is shown whole.
        m_fittedLoad = m_model.pictureLoads();
        fitPicture();
    } else if (m_canvas->size() != before) {
        // A picture of another size (a trim, an undo of it) is shown from
        // its middle, at the zoom the user chose.
        centrePicture();
    }
}

void CanvasScrollView::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    placePending();
}

void CanvasScrollView::showEvent(QShowEvent* event)
{
    QScrollArea::showEvent(event);
    placePending();
}

bool CanvasScrollView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            setMagnification(magnification() * (1 + gesture->value()), gesture->position());
            return true;
        }
    }
    // Ctrl with the wheel zooms; the plain wheel scrolls.
    if (event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const qreal steps = wheel->angleDelta().y() / 120.0;
            setMagnification(magnification() * std::pow(1.1, steps), wheel->position());
            return true;
        }
    }
    return QScrollArea::viewportEvent(event);
}

} // namespace velmora
