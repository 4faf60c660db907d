#include "look/SkinDevicePreview.h"

#include "look/Drawing.h"
#include "look/SkinPreviewImageCache.h"
#include "look/SkinScreenContent.h"
#include "look/SoftShadow.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace velmora {

SkinDevicePreview::SkinDevicePreview(SkinManifest skin, QWidget* parent) : QWidget(parent), m_skin(std::move(skin))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SkinDevicePreview::setSkin(SkinManifest skin)
{
    m_skin = std::move(skin);
    m_rendered = QPixmap();
    update();
}

QRectF SkinDevicePreview::frameRect(QSizeF offered, QSizeF frameSize)
{
    const qreal width = offered.width();
    const qreal height = offered.height();
    const qreal aspect = frameSize.width() / std::max<qreal>(frameSize.height(), 1);
    if (!(width > 0 && height > 0 && aspect > 0))
        return QRectF(QPointF(), offered);
    const QSizeF fitted = aspect > width / height ? QSizeF(width, width / aspect) : QSizeF(aspect * height, height);
    return QRectF(QPointF((width - fitted.width()) * 0.5, (height - fitted.height()) * 0.5), fitted);
}

QRectF SkinDevicePreview::screenRect(const QRectF& frame, QSizeF frameSize, const QRectF& viewportRect)
{
    const qreal sx = frame.width() / std::max<qreal>(frameSize.width(), 1);
    const qreal sy = frame.height() / std::max<qreal>(frameSize.height(), 1);
    return QRectF(frame.left() + sx * viewportRect.left(),
                  frame.top() + sy * viewportRect.top(),
                  sx * viewportRect.width(),
                  sy * viewportRect.height());
}

void SkinDevicePreview::paintEvent(QPaintEvent*)
{
    const qreal dpr = devicePixelRatioF();
    if (m_rendered.isNull() || m_rendered.size() != (QSizeF(size()) * dpr).toSize()) {
        m_rendered = QPixmap((QSizeF(size()) * dpr).toSize());
        m_rendered.setDevicePixelRatio(dpr);
        m_rendered.fill(Qt::transparent);
        QPainter painter(&m_rendered);
        draw(painter);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_rendered);
}

void SkinDevicePreview::draw(QPainter& painter) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = frameRect();
    const QColor shadow = QColor::fromRgbF(0, 0, 0, 0.28f);
    const QSizeF shown = frame.size() * painter.device()->devicePixelRatioF();
    const QImage picture = m_skin.frameImageName
        ? SkinPreviewImageCache::image(*m_skin.frameImageName,
                                       QSize(int(std::ceil(shown.width())), int(std::ceil(shown.height()))))
        : QImage();
    if (!picture.isNull()) {
        SoftShadow::paint(painter, picture, frame, shadow, 7, QPointF(0, 4));
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(frame, picture);
    } else {
        QPainterPath body;
        body.addRoundedRect(frame, 14, 14);
        SoftShadow::paint(painter, body, shadow, 7, QPointF(0, 4));
        QLinearGradient fill(frame.topLeft(), frame.bottomLeft());
        fill.setColorAt(0, QColor::fromRgbF(0.18f, 0.18f, 0.18f));
        fill.setColorAt(1, QColor::fromRgbF(0.11f, 0.11f, 0.11f));
        painter.fillPath(body, fill);
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.08f), 1));
        painter.setBrush(Qt::NoBrush);
        QPainterPath edge;
        edge.addRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 13.5, 13.5);
        painter.drawPath(edge);
    }
    SkinScreenContent::paint(painter, screenRect(), m_skin);
}

} // namespace velmora
