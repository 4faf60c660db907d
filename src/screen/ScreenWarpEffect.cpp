#include "screen/ScreenWarpEffect.h"

#include "skin/ViewportShape.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <cstring>

namespace velmora {

ScreenWarpEffect::ScreenWarpEffect(QWidget* widget) : QGraphicsEffect(widget), m_widget(widget) {}

void ScreenWarpEffect::setShape(const QRect& screenRect, const std::vector<QPointF>& corners,
                                const std::vector<double>& radii, const BumpDistortion& bump)
{
    if (screenRect == m_screenRect && corners == m_corners && radii == m_radii && bump == m_bump)
        return;
    m_screenRect = screenRect;
    m_corners = corners;
    m_radii = radii;
    m_bump = bump;
    m_outputRect = ViewportShape::boundingBox(corners).toAlignedRect();
    m_hasOutput = false;
    updateBoundingRect();
    update();
}

void ScreenWarpEffect::setGlow(const ScreenGlow& glow)
{
    if (glow == m_glow)
        return;
    m_glow = glow;
    m_hasOutput = false;
    update();
}

QRectF ScreenWarpEffect::boundingRectFor(const QRectF& sourceRect) const
{
    // Any change of the widget can move pixels anywhere on the screen. Qt
    // asks with the widget's rectangle in its own or its parent's
    // coordinates.
    return m_outputRect.isEmpty() ? sourceRect : QRectF(m_outputRect).translated(sourceRect.topLeft());
}

bool ScreenWarpEffect::coversScreen(QPainter* painter) const
{
    const QPaintEngine* engine = painter->paintEngine();
    const QRegion clip = engine ? engine->systemClip() : QRegion();
    if (clip.isEmpty())
        return true; // drawn whole, as into a picture
    const QRect visible = (m_widget->visibleRegion() & m_outputRect).boundingRect();
    if (visible.isEmpty())
        return true;
    // Device pixels; a pixel of rounding either way does not count.
    const QRect needed = painter->deviceTransform().mapRect(QRectF(visible)).toAlignedRect();
    return clip.boundingRect().adjusted(-1, -1, 1, 1).contains(needed.adjusted(1, 1, -1, -1));
}

void ScreenWarpEffect::draw(QPainter* painter)
{
    if (m_hasOutput && !m_wholeRepaintAsked && !coversScreen(painter)) {
        painter->drawImage(m_outputRect.topLeft(), m_warp.output());
        m_wholeRepaintAsked = true;
        QMetaObject::invokeMethod(m_widget, qOverload<>(&QWidget::update), Qt::QueuedConnection);
        return;
    }
    m_wholeRepaintAsked = false;
    const QPixmap picture = sourcePixmap(Qt::LogicalCoordinates, nullptr, QGraphicsEffect::NoPad);
    if (picture.isNull() || m_outputRect.isEmpty())
        return;
    const double dpr = picture.devicePixelRatio();
    ScreenWarp::Geometry geometry;
    geometry.sourceRect = m_screenRect;
    geometry.corners = m_corners;
    geometry.radii = m_radii;
    geometry.outputRect = m_outputRect;
    geometry.devicePixelRatio = dpr;
    geometry.bump = m_bump;
    const QImage source = picture.toImage();
    // The painter works in the widget's own coordinates.
    if (m_hasOutput && m_warp.geometry() == geometry && sameContent(source, m_lastSource)) {
        // Only something over the screen changed (the rolling scanlines of
        // the effects above it, say): the warped picture stands.
        painter->drawImage(m_outputRect.topLeft(), m_warp.output());
        return;
    }
    m_warp.setGeometry(geometry);
    painter->drawImage(m_outputRect.topLeft(), m_warp.render(source, m_glow));
    m_lastSource = source;
    m_hasOutput = true;
}

bool ScreenWarpEffect::sameContent(const QImage& a, const QImage& b)
{
    if (a.isNull() || a.size() != b.size() || a.format() != b.format() || a.bytesPerLine() != b.bytesPerLine()
        || a.devicePixelRatio() != b.devicePixelRatio())
        return false;
    return a.constBits() == b.constBits()
        || std::memcmp(a.constBits(), b.constBits(), std::size_t(a.sizeInBytes())) == 0;
}

} // namespace velmora
