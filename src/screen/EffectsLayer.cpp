#include "screen/EffectsLayer.h"

#include "screen/ScreenContainer.h"
#include "skin/ViewportShape.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

struct RowGeometry {
    int gap;
    int line;
    double factor;
};

RowGeometry rowGeometry(const QString& style)
{
    if (style == QLatin1String("heavy"))
        return {2, 2, 1.3};
    if (style == QLatin1String("rolling"))
        return {3, 1, 1.0};
    return {2, 2, 1.0};
}

QColor withAlpha(QColor colour, double alpha)
{
    colour.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return colour;
}

} // namespace

EffectsLayer::EffectsLayer(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    m_rollingTimer.setInterval(rollingIntervalMs);
    m_rollingTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_rollingTimer, &QTimer::timeout, this, &EffectsLayer::rollingTick);
}

EffectsLayer::~EffectsLayer() = default;

void EffectsLayer::setScreen(ScreenContainer* screen)
{
    m_screen = screen;
    handToScreen();
}

bool EffectsLayer::anyEffect(const SkinEffectsSettings& effects)
{
    return effects.scanlines || effects.glow || effects.curvature || effects.colorGrade != QLatin1String("none");
}

void EffectsLayer::configure(const SkinEffectsSettings& effects, const QColor& foreground)
{
    m_effects = effects;
    m_glowColor = foreground;
    m_screenEffects = ScreenEffects::from(effects, foreground);
    updateRolling();
    handToScreen();
}

void EffectsLayer::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    handToScreen();
}

void EffectsLayer::handToScreen()
{
    if (!m_screen)
        return;
    m_screen->setScreenEffects(isHidden() ? ScreenEffects() : m_screenEffects);
    m_screen->setRollingOffset(m_rollingOffset);
}

QColor EffectsLayer::gradeColor(const QString& grade)
{
    SkinEffectsSettings settings;
    settings.colorGrade = grade;
    return ScreenEffects::from(settings, QColor()).grade;
}

QImage EffectsLayer::scanlinePattern(const QSizeF& size, int scale, const QString& style, double intensity)
{
    const int s = std::max(1, scale);
    const int width = std::max(1, int(std::max(0.0, size.width())) * s);
    const int height = std::max(1, int(std::max(0.0, size.height())) * s);
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const double strength = std::isfinite(intensity) ? std::max(0.0, intensity) : 0.0;
    QPainter painter(&image);
    // Rows are counted from the bottom edge, y up.
    const auto row = [&](int fromBottom, int rowHeight, const QColor& colour) {
        painter.fillRect(QRect(0, height - fromBottom - rowHeight, width, rowHeight), colour);
    };
    if (style == QLatin1String("shadowmask")) {
        const QColor stripes[] = {
            QColor::fromRgbF(1.0f, 0.2f, 0.2f), QColor::fromRgbF(0.2f, 1.0f, 0.2f), QColor::fromRgbF(0.2f, 0.2f, 1.0f)};
        int i = 0;
        for (int x = 0; x < width; x += s, ++i)
            painter.fillRect(QRect(x, 0, s, height), withAlpha(stripes[i % 3], 0.2 * strength));
        for (int y = 0; y < height; y += 3 * s)
            row(y, s, withAlpha(Qt::black, 0.6 * strength));
        return image;
    }
    const RowGeometry g = rowGeometry(style);
    const QColor colour = withAlpha(Qt::black, g.factor * 0.55 * strength);
    for (int k = 0; k == 0 || k * (g.gap + g.line) * s < height; ++k)
        row(k * (g.gap + g.line) * s + g.gap * s, g.line * s, colour);
    return image;
}

void EffectsLayer::setScreenGeometry(const QRectF& screenRect, const std::vector<QPointF>& corners, double,
                                     const std::vector<double>&)
{
    if (corners.size() != 4 || !(screenRect.width() > 0) || !(screenRect.height() > 0))
        return;
    setGeometry(ViewportShape::boundingBox(corners).toAlignedRect());
}

void EffectsLayer::updateRolling()
{
    const bool rolling = m_screenEffects.scanlines == ScreenEffects::Scanlines::Rolling;
    if (rolling && isVisible())
        m_rollingTimer.start();
    else
        m_rollingTimer.stop();
}

void EffectsLayer::rollingTick()
{
    m_rollingOffset += rollingStep;
    if (m_rollingOffset > rollingPeriod)
        m_rollingOffset -= rollingPeriod;
    if (m_screen && !isHidden())
        m_screen->setRollingOffset(m_rollingOffset);
}

void EffectsLayer::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_rollingTimer.stop();
}

void EffectsLayer::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateRolling();
}

} // namespace velmora
