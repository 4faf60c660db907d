#include "screen/ScreenCompositor.h"

#include "screen/CpuScreenCompositor.h"
#include "screen/GlScreenCompositor.h"
#include "skin/ViewportShape.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace velmora {

std::unique_ptr<ScreenCompositor> ScreenCompositor::create(std::optional<Backend> backend)
{
    // OpenGL unless the CPU is asked for, by the caller or by
    // VELMORA_COMPOSITOR=cpu; the CPU where no OpenGL can be made. Unless
    // OpenGL is asked for by name, a renderer that runs on the CPU itself
    // gives way to the CPU backend, which costs less there; that is learnt
    // once per run, so later windows do not set up a context to find out.
    const QByteArray choice = qgetenv("VELMORA_COMPOSITOR");
    const bool asked = backend ? *backend == Backend::OpenGl : choice == "gl";
    const bool openGl = backend ? *backend == Backend::OpenGl : choice != "cpu";
    static bool softwareOpenGl = false;
    if (openGl && (asked || !softwareOpenGl) && GlScreenCompositor::mayTry()) {
        QString failure;
        if (auto compositor = GlScreenCompositor::create(&failure)) {
            if (asked || !compositor->rendersInSoftware())
                return compositor;
            softwareOpenGl = true;
        } else {
            GlScreenCompositor::reportCpuFallback(failure);
        }
    }
    return std::make_unique<CpuScreenCompositor>();
}

QSize ScreenCompositor::sourcePixelSize() const
{
    const QSize& size = m_geometry.screenSize;
    if (size.isEmpty())
        return QSize();
    const double density = sourceDensity(m_geometry);
    return QSize(std::max(1, int(std::lround(size.width() * density))),
                 std::max(1, int(std::lround(size.height() * density))));
}

double ScreenCompositor::sourceDensity(const Geometry& geometry)
{
    const double dpr
        = std::isfinite(geometry.devicePixelRatio) && geometry.devicePixelRatio > 0 ? geometry.devicePixelRatio : 1.0;
    const double scale = std::isfinite(geometry.sourceScale) && geometry.sourceScale > 0 ? geometry.sourceScale : 1.0;
    return dpr * scale;
}

BumpDistortion ScreenCompositor::bumpFor(const QSize& screenSize, double curvatureScale)
{
    BumpDistortion bump;
    if (curvatureScale == 0 || screenSize.isEmpty())
        return bump;
    const double width = screenSize.width();
    const double height = screenSize.height();
    bump.centre = QPointF(width / 2, height / 2);
    bump.radius = 1.1 * std::max(width, height);
    bump.scale = curvatureScale;
    bump.bounds = QSizeF(width, height);
    return bump;
}

QImage ScreenCompositor::outlineCoverage(const Geometry& geometry, const QSize& pixels, double ratio)
{
    QImage coverage(pixels, QImage::Format_Alpha8);
    coverage.fill(0);
    QPainter painter(&coverage);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(ratio, ratio);
    painter.translate(-QPointF(geometry.outputRect.topLeft()));
    painter.fillPath(ViewportShape::roundedQuadPath(geometry.corners, geometry.radii), Qt::black);
    return coverage;
}

std::optional<QPointF> ScreenCompositor::screenPointAt(const QPointF& outputPoint) const
{
    const QSize& size = m_geometry.screenSize;
    if (size.isEmpty())
        return std::nullopt;
    const auto flat = ViewportShape::inverseQuadMap(outputPoint, size.width(), size.height(), m_geometry.corners);
    if (!flat)
        return std::nullopt;
    return bumpFor(size, m_effects.curvatureScale).sourcePoint(*flat);
}

} // namespace velmora
