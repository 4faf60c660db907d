// The switch to drawing through the GPU.

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLVersionFunctionsFactory>

#include "corvel/qt/CaretView.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/qt/gl/GpuError.h"
#include "corvel/qt/gl/GpuTerminalRenderer.h"
#include "corvel/qt/gl/GpuTerminalSurface.h"

namespace corvel {

namespace {

// Sets the renderer up once in a private context, so that a failure is
// known before anything is installed; throws its GpuError.
void checkGpuSetup(const QStringList& shaderFolders)
{
    QOpenGLContext context;
    context.setFormat(GpuTerminalSurface::requestedFormat());
    if (!context.create())
        throw GpuError(GpuError::Kind::deviceUnavailable);
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        throw GpuError(GpuError::Kind::deviceUnavailable);
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(&context);
    if (!gl || !gl->initializeOpenGLFunctions()) {
        context.doneCurrent();
        throw GpuError(GpuError::Kind::deviceUnavailable);
    }
    try {
        GpuTerminalRenderer renderer(*gl, shaderFolders);
    } catch (...) {
        context.doneCurrent();
        throw;
    }
    context.doneCurrent();
}

} // namespace

void TerminalView::setUseGpu(bool value, const QStringList& shaderFolders)
{
    if (value == useGpu())
        return;
    if (value) {
        checkGpuSetup(shaderFolders);
        gpuSurface_ = new GpuTerminalSurface(this, shaderFolders);
        // A failure in the surface's own context (seen only once it is
        // shown) goes back to the CPU renderer.
        connect(gpuSurface_, &GpuTerminalSurface::setupFailed, this, [this] {
            QMetaObject::invokeMethod(
                this, [this] { setUseGpu(false); }, Qt::QueuedConnection);
        });
        placeGpuSurface();
        // Below every other child: the caret, the find bar, the progress
        // strip, the link preview and any overlay stay on top of the text.
        gpuSurface_->lower();
        if (caretView_) {
            caretView_->disableAnimations();
            caretView_->hide();
        }
        gpuSurface_->show();
        gpuDirtyRange_.reset();
        invalidateAll();
        return;
    }
    delete gpuSurface_;
    gpuSurface_ = nullptr;
    gpuDirtyRange_.reset();
    if (caretView_)
        caretView_->updateCursorStyle();
    updateCursorPosition();
    invalidateAll();
}

void TerminalView::placeGpuSurface()
{
    if (gpuSurface_)
        gpuSurface_->setGeometry(textAreaRect());
}

std::optional<std::pair<int, int>> TerminalView::takeGpuDirtyRange()
{
    return std::exchange(gpuDirtyRange_, std::nullopt);
}

void TerminalView::queueGpuDisplay()
{
    if (gpuSurface_)
        gpuSurface_->update();
}

} // namespace corvel
