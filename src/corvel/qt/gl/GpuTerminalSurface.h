#pragma once

#include <memory>
#include <optional>

#include <QOpenGLWidget>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include "corvel/qt/gl/GpuError.h"

namespace corvel {

class GpuTerminalRenderer;
class TerminalView;

// The OpenGL surface over the terminal view's text area while the view draws
// through the GPU: it owns the renderer, made in its context, and draws a
// frame whenever the view asks for one. A blinking cursor blinks through a
// timer of 0.7 s that flips its phase and asks for a frame; the timer runs
// only while the cursor's style blinks and the cursor is shown, and stopping
// it leaves the cursor visible.
class GpuTerminalSurface : public QOpenGLWidget {
    Q_OBJECT
public:
    static constexpr int blinkMilliseconds = 700;

    GpuTerminalSurface(TerminalView* view, QStringList shaderFolders);
    ~GpuTerminalSurface() override;

    // The renderer, once the context exists and set-up succeeded.
    GpuTerminalRenderer* renderer() const { return renderer_.get(); }
    // Why set-up failed in this surface's context, if it did.
    const std::optional<GpuError>& setupError() const { return setupError_; }
    bool cursorBlinkOn() const { return blinkOn_; }
    bool isBlinking() const { return blinkTimer_.isActive(); }
    int framesDrawn() const { return framesDrawn_; }

    // The request format: OpenGL 3.3 core.
    static QSurfaceFormat requestedFormat();

signals:
    // Set-up failed when the context was first made (the view goes back to
    // drawing on the CPU).
    void setupFailed();

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    void updateCursorBlinkTimer(bool shouldBlink);
    void releaseRenderer();

    QPointer<TerminalView> view_;
    QStringList shaderFolders_;
    std::unique_ptr<GpuTerminalRenderer> renderer_;
    std::optional<GpuError> setupError_;
    // Releases the renderer when the context goes; cut before the base class
    // destroys the context, when this object is no longer a surface.
    QMetaObject::Connection contextEnds_;
    QTimer blinkTimer_;
    bool blinkOn_ = true;
    int framesDrawn_ = 0;
};

} // namespace corvel
