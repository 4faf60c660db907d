#include "screen/EffectsLayer.h"

#include "skin/ViewportShape.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <utility>

namespace velmora {

namespace {

// The vignette is clear up to this fraction of the way from the centre to
// the screen's edges, then darkens to curvatureAmount.
constexpr double vignetteStart = 0.55;
constexpr double gradeAlpha = 0.15;
constexpr double glowShare = 0.6;
constexpr double curvatureShare = -0.5;

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

bool EffectsLayer::anyEffect(const SkinEffectsSettings& effects)
{
    return effects.scanlines || effects.glow || effects.curvature || effects.colorGrade != QLatin1String("none");
}

void EffectsLayer::configure(const SkinEffectsSettings& effects, const QColor& foreground)
{
    m_effects = effects;
    m_glowColor = foreground;
    rebuild();
}

double EffectsLayer::curvatureScale() const
{
    return m_effects.curvature ? curvatureShare * m_effects.curvatureAmount : 0.0;
}

double EffectsLayer::glowOpacity() const
{
    return m_effects.glow ? std::clamp(m_effects.glowIntensity * glowShare, 0.0, 1.0) : 0.0;
}

QColor EffectsLayer::gradeColor(const QString& grade)
{
    if (grade == QLatin1String("none"))
        return QColor();
    QColor colour(0, 0, 0);
    if (grade == QLatin1String("amber"))
        colour = QColor::fromRgbF(1.0f, 0.6f, 0.1f);
    else if (grade == QLatin1String("green"))
        colour = QColor::fromRgbF(0.0f, 1.0f, 0.3f);
    else if (grade == QLatin1String("blue"))
        colour = QColor::fromRgbF(0.3f, 0.5f, 1.0f);
    else if (grade == QLatin1String("cool"))
        colour = QColor::fromRgbF(0.4f, 0.6f, 0.8f);
    return withAlpha(colour, gradeAlpha);
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

void EffectsLayer::setScreenGeometry(const QRectF& screenRect, const std::vector<QPointF>& corners, double cornerRadius,
                                     const std::vector<double>& cornerRadii)
{
    if (corners.size() != 4 || !(screenRect.width() > 0) || !(screenRect.height() > 0))
        return;
    const QRect area = ViewportShape::boundingBox(corners).toAlignedRect();
    std::vector<QPointF> local;
    for (const QPointF& corner : corners)
        local.push_back(corner - QPointF(area.topLeft()));
    std::vector<double> radii = cornerRadii.size() == 4 ? cornerRadii : std::vector<double>(4, cornerRadius);
    // The same screen again keeps the pictures drawn for it.
    if (area == geometry() && screenRect.size() == m_screenSize && local == m_corners && radii == m_radii)
        return;
    m_screenSize = screenRect.size();
    m_corners = std::move(local);
    m_radii = std::move(radii);
    m_quad = ViewportShape::quadTransform(m_screenSize.width(), m_screenSize.height(), m_corners);
    m_plain = ViewportShape::isIdentityMap(m_screenSize.width(),
                                           m_screenSize.height(),
                                           {m_corners[0] - m_corners[0],
                                            m_corners[1] - m_corners[0],
                                            m_corners[2] - m_corners[0],
                                            m_corners[3] - m_corners[0]});
    m_outline = ViewportShape::roundedQuadPath(m_corners, m_radii);
    m_staticValid = false;
    m_rollingPattern = QImage();
    setGeometry(area);
    update();
}

int EffectsLayer::backingScale() const { return std::max(1, int(devicePixelRatioF())); }

void EffectsLayer::rebuild()
{
    m_staticValid = false;
    m_rollingPattern = QImage();
    updateRolling();
    update();
}

void EffectsLayer::updateRolling()
{
    const bool rolling = m_effects.scanlines && m_effects.scanlineStyle == QLatin1String("rolling");
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
    update();
}

void EffectsLayer::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_staticValid = false;
    m_rollingPattern = QImage();
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

void EffectsLayer::renderStatic()
{
    m_staticValid = true;
    const double dpr = devicePixelRatioF();
    m_static = QImage(QSize(std::max(1, int(std::ceil(width() * dpr))), std::max(1, int(std::ceil(height() * dpr)))),
                      QImage::Format_ARGB32_Premultiplied);
    m_static.setDevicePixelRatio(dpr);
    m_static.fill(Qt::transparent);
    if (m_corners.size() != 4 || m_screenSize.isEmpty())
        return;
    const QRectF screen(QPointF(0, 0), m_screenSize);
    {
        QPainter painter(&m_static);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, !m_plain);
        painter.setRenderHint(QPainter::Antialiasing, !m_plain);
        painter.setTransform(m_quad, true);
        if (m_effects.scanlines && m_effects.scanlineStyle != QLatin1String("rolling")) {
            const QImage pattern
                = scanlinePattern(m_screenSize, backingScale(), m_effects.scanlineStyle, m_effects.scanlineIntensity);
            painter.drawImage(QRectF(QPointF(0, 0), QSizeF(pattern.size()) / backingScale()), pattern);
        }
        if (m_effects.curvature) {
            // An ellipse through the middles of the four edges.
            const QPointF centre = screen.center();
            QRadialGradient gradient(centre, screen.width() / 2);
            gradient.setColorAt(vignetteStart, Qt::transparent);
            gradient.setColorAt(1.0, withAlpha(Qt::black, m_effects.curvatureAmount));
            painter.save();
            painter.translate(centre);
            painter.scale(1, screen.height() / screen.width());
            painter.translate(-centre);
            painter.fillRect(QRectF(screen.x(),
                                    centre.y() - (centre.y() - screen.y()) * screen.width() / screen.height(),
                                    screen.width(),
                                    screen.width()),
                             gradient);
            painter.restore();
        }
        // Only the rounded screen keeps the picture, with smooth edges.
        painter.resetTransform();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        QImage coverage(m_static.size(), QImage::Format_ARGB32_Premultiplied);
        coverage.setDevicePixelRatio(dpr);
        coverage.fill(Qt::transparent);
        {
            QPainter mask(&coverage);
            mask.setRenderHint(QPainter::Antialiasing);
            mask.fillPath(m_outline, Qt::black);
        }
        painter.drawImage(QPointF(0, 0), coverage);
    }
}

void EffectsLayer::paintRollingScanlines(QPainter& painter)
{
    const int scale = backingScale();
    if (m_rollingPattern.isNull()) {
        // One period more than the screen, so that a shift up to a period
        // still covers it; periodic from the bottom edge.
        const QSizeF taller(m_screenSize.width(), m_screenSize.height() + rollingPeriod);
        m_rollingPattern = scanlinePattern(taller, scale, m_effects.scanlineStyle, m_effects.scanlineIntensity);
        m_rollingPattern.setDevicePixelRatio(scale);
    }
    // The rows move up as the offset grows.
    const QPointF shift(0, -(rollingPeriod - m_rollingOffset));
    if (m_plain) {
        painter.save();
        painter.setClipPath(m_outline);
        painter.translate(m_corners[0]);
        painter.setClipRect(QRectF(QPointF(0, 0), m_screenSize), Qt::IntersectClip);
        painter.drawImage(shift + QPointF(0, std::fmod(m_screenSize.height(), 1.0)), m_rollingPattern);
        painter.restore();
        return;
    }
    const double dpr = devicePixelRatioF();
    const QSize framePixels(std::max(1, int(std::lround(m_screenSize.width() * dpr))),
                            std::max(1, int(std::lround(m_screenSize.height() * dpr))));
    if (m_rollingFrame.size() != framePixels) {
        m_rollingFrame = QImage(framePixels, QImage::Format_ARGB32_Premultiplied);
        m_rollingFrame.setDevicePixelRatio(dpr);
    }
    m_rollingFrame.fill(Qt::transparent);
    {
        QPainter frame(&m_rollingFrame);
        frame.setRenderHint(QPainter::SmoothPixmapTransform);
        frame.drawImage(shift, m_rollingPattern);
    }
    ScreenWarp::Geometry geometry;
    geometry.sourceRect = QRect(QPoint(0, 0), (QSizeF(framePixels) / dpr).toSize());
    geometry.corners = m_corners;
    geometry.radii = m_radii;
    geometry.outputRect = rect();
    geometry.devicePixelRatio = dpr;
    m_rollingWarp.setGeometry(geometry);
    painter.drawImage(QPointF(0, 0), m_rollingWarp.render(m_rollingFrame));
}

void EffectsLayer::paintEvent(QPaintEvent*)
{
    if (m_corners.size() != 4)
        return;
    if (!m_staticValid)
        renderStatic();
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), m_static);
    if (m_effects.scanlines && m_effects.scanlineStyle == QLatin1String("rolling"))
        paintRollingScanlines(painter);
    const QColor grade = gradeColor(m_effects.colorGrade);
    if (grade.isValid()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setCompositionMode(QPainter::CompositionMode_SoftLight);
        painter.fillPath(m_outline, grade);
    }
}

} // namespace velmora
