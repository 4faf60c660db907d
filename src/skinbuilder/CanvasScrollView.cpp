#include "skinbuilder/CanvasScrollView.h"

#include "skinbuilder/CanvasView.h"
#include "skinbuilder/SkinBuilderModel.h"

#include <QNativeGestureEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace velmora {

CanvasScrollView::CanvasScrollView(SkinBuilderModel& model, QWidget* parent)
    : QScrollArea(parent), m_canvas(new CanvasView(model))
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
    setViewportMargins(contentInset, contentInset, contentInset, contentInset);
    setWidget(m_canvas);
    connect(&model, &SkinBuilderModel::changed, this, &CanvasScrollView::modelChanged);
    centrePicture();
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
    // The canvas point under the anchor, in unscaled points.
    const QPointF under = m_canvas->mapFrom(viewport(), at) / old;
    m_canvas->setMagnification(magnification);
    const QPointF now = under * magnification;
    horizontalScrollBar()->setValue(int(std::lround(now.x() - at.x())));
    verticalScrollBar()->setValue(int(std::lround(now.y() - at.y())));
}

void CanvasScrollView::centrePicture()
{
    const QPointF centre = m_canvas->widgetPoint(m_canvas->pictureRect().center());
    horizontalScrollBar()->setValue(int(std::lround(centre.x() - viewport()->width() / 2.0)));
    verticalScrollBar()->setValue(int(std::lround(centre.y() - viewport()->height() / 2.0)));
}

void CanvasScrollView::modelChanged()
{
    const QSize before = m_canvas->size();
    m_canvas->syncWithModel();
    // A picture of another size (a new one, a trim, an undo of it) is shown
    // from its middle.
    if (m_canvas->size() != before)
        centrePicture();
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
