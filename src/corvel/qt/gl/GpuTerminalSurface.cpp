#include "corvel/qt/gl/GpuTerminalSurface.h"

#include <QOpenGLContext>
#include <QOpenGLVersionFunctionsFactory>

#include "corvel/qt/CaretShapes.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/qt/gl/GpuTerminalRenderer.h"

namespace corvel {

QSurfaceFormat GpuTerminalSurface::requestedFormat()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    return format;
}

GpuTerminalSurface::GpuTerminalSurface(TerminalView* view, QStringList shaderFolders)
    : QOpenGLWidget(view), view_(view), shaderFolders_(std::move(shaderFolders))
{
    setFormat(requestedFormat());
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    blinkTimer_.setInterval(blinkMilliseconds);
    connect(&blinkTimer_, &QTimer::timeout, this, [this] {
        blinkOn_ = !blinkOn_;
        update();
    });
}

GpuTerminalSurface::~GpuTerminalSurface()
{
    disconnect(contextEnds_);
    releaseRenderer();
}

void GpuTerminalSurface::releaseRenderer()
{
    if (!renderer_)
        return;
    // GL objects go with the context that made them.
    makeCurrent();
    renderer_.reset();
    doneCurrent();
}

void GpuTerminalSurface::initializeGL()
{
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context());
    try {
        if (!gl || !gl->initializeOpenGLFunctions())
            throw GpuError(GpuError::Kind::deviceUnavailable);
        renderer_ = std::make_unique<GpuTerminalRenderer>(*gl, shaderFolders_);
        // Pictures on lines are the view's own: it hands over their pixels.
        renderer_->frameBuilder().pictures().setPicturePixels(TerminalView::linePicturePixels());
    } catch (const GpuError& error) {
        setupError_ = error;
        emit setupFailed();
        return;
    }
    disconnect(contextEnds_);
    contextEnds_ = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] { releaseRenderer(); });
}

void GpuTerminalSurface::updateCursorBlinkTimer(bool shouldBlink)
{
    if (shouldBlink && !blinkTimer_.isActive()) {
        blinkOn_ = true;
        blinkTimer_.start();
    } else if (!shouldBlink && blinkTimer_.isActive()) {
        blinkTimer_.stop();
        blinkOn_ = true;
    }
}

void GpuTerminalSurface::paintGL()
{
    if (!renderer_ || !view_)
        return;
    Terminal& terminal = view_->getTerminal();
    updateCursorBlinkTimer(isBlinkingCaret(terminal.options.cursorStyle) && !terminal.modes().cursorHidden);
    const double scale = devicePixelRatioF();
    const QSize pixels(static_cast<int>(std::lround(width() * scale)), static_cast<int>(std::lround(height() * scale)));
    renderer_->drawFrame(*view_, QSizeF(size()), scale, pixels, blinkOn_);
    ++framesDrawn_;
}

} // namespace corvel
