#include "screen/ComposedScreenEffect.h"

#include <QPaintEngine>
#include <QPainter>
#include <QWidget>

#include <utility>

namespace velmora {

ComposedScreenEffect::ComposedScreenEffect(QWidget* widget, Drawer drawer)
    : QGraphicsEffect(widget), m_widget(widget), m_drawer(std::move(drawer))
{
}

void ComposedScreenEffect::draw(QPainter* painter)
{
    // Qt clips the painting to the area it repaints, in device pixels.
    const QPaintEngine* engine = painter->paintEngine();
    const QRegion clip = engine ? engine->systemClip() : QRegion();
    QRegion area = m_widget->rect();
    if (!clip.isEmpty()) {
        bool invertible = false;
        const QTransform toWidget = painter->deviceTransform().inverted(&invertible);
        if (invertible) {
            // Whole points around every device pixel of the clip.
            QRegion logical;
            for (const QRect& rect : clip)
                logical += toWidget.mapRect(QRectF(rect)).toAlignedRect();
            area &= logical;
        }
    }
    if (m_drawer && !area.isEmpty())
        m_drawer(*painter, area);
}

} // namespace velmora
