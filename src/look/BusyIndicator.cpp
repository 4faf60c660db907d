#include "look/BusyIndicator.h"

#include <QPainter>

namespace velmora {
namespace {
constexpr int stepsPerTurn = 24;
}

BusyIndicator::BusyIndicator(int side, QWidget* parent) : QWidget(parent), m_side(side)
{
    setFixedSize(side, side);
    m_timer.setInterval(1000 / stepsPerTurn);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % stepsPerTurn;
        update();
    });
}

void BusyIndicator::paintFrame(QPainter& painter, const QRectF& rect, qreal phase, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal width = std::max<qreal>(1.5, rect.width() / 7);
    const QRectF ring = rect.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    QColor track = color;
    track.setAlphaF(0.18f);
    painter.setPen(QPen(track, width));
    painter.drawEllipse(ring);
    painter.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(ring, int(-phase * 360 * 16) + 90 * 16, 100 * 16);
    painter.restore();
}

void BusyIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintFrame(painter, QRectF(rect()), qreal(m_step) / stepsPerTurn, palette().color(QPalette::WindowText));
}

void BusyIndicator::showEvent(QShowEvent*) { m_timer.start(); }
void BusyIndicator::hideEvent(QHideEvent*) { m_timer.stop(); }

} // namespace velmora
