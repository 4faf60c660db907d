#pragma once

#include "screen/ScreenCompositor.h"

#include <QRectF>
#include <QString>
#include <QTransform>

#include <memory>
#include <vector>

namespace velmora {

// The screen composed on OpenGL 3.3 in an offscreen context of its own, so
// that no window is needed: the caller keeps drawing output() with a painter.
//
// The terminal's picture is a texture; a compose uploads only the part that
// changed. The glow's blurred brightness is worked out at a reduced
// resolution by small separable passes, again only around what changed;
// then one fragment pass does the rest (the inverse projective map, the
// bump, filtered sampling of the picture, glow, scanlines, vignette, grade
// and the outline's smooth edge) over the part of the output the change
// reaches, and only that part is read back. Rolling scanlines are an offset
// of that pass: a tick runs it again without touching the picture.
//
// Where a geometry asks for more than the context can hold (textures larger
// than it allows, a framebuffer it refuses), the screen is drawn by the CPU
// backend instead, and backend() says so.
class GlScreenCompositor final : public ScreenCompositor {
public:
    // A compositor with its own context, or none when no OpenGL 3.3 core
    // context, shader or framebuffer can be made here; `failure` then says
    // why in plain words. VELMORA_COMPOSITOR_FAULT set to "context",
    // "shaders" or "framebuffer" makes that step fail, so that the way back
    // to the CPU can be tried where OpenGL works.
    static std::unique_ptr<GlScreenCompositor> create(QString* failure = nullptr);

    // False where trying OpenGL is not safe: Qt's offscreen platform makes
    // its contexts on the X display named by DISPLAY and ends the program
    // when that display has no GLX, so there OpenGL is tried only when
    // VELMORA_COMPOSITOR is "gl".
    static bool mayTry();

    // Says once per run, on standard error, that the screen is drawn on the
    // CPU and why.
    static void reportCpuFallback(const QString& reason);

    // True when the context's renderer runs on the CPU itself (llvmpipe and
    // its kind): there it costs more than the CPU backend.
    bool rendersInSoftware() const;

    ~GlScreenCompositor() override;
    GlScreenCompositor(const GlScreenCompositor&) = delete;
    GlScreenCompositor& operator=(const GlScreenCompositor&) = delete;

    Backend backend() const override;

    void setGeometry(const Geometry& geometry) override;
    void setEffects(const ScreenEffects& effects) override;
    void setRollingOffset(double points) override;

    QRect compose(const QImage& source, const QRect& changed) override;
    const QImage& output() const override;
    QRect outputRectFor(const QRect& screenRect) const override;

private:
    struct Gpu;

    explicit GlScreenCompositor(std::unique_ptr<Gpu> gpu);

    // Works out what depends on the geometry: the output image, the
    // outline's coverage and the map, then prepareReach().
    void prepareGeometry();
    // Works out what depends on the geometry and the bump and glow: the
    // glow's grid and what each block of output shows of the screen.
    void prepareReach();
    // Makes the textures and framebuffers the geometry and effects need; false
    // when the context refuses them.
    bool prepareTextures();
    // Hands the screen to the CPU backend for good.
    void fallBack(const QString& reason);

    void uploadPicture(const QImage& source, const QRect& pixels);
    void updateGlow(const QRect& screenRect);
    void drawScreen(const QRect& devicePixels);
    void readBack(const QRect& devicePixels);

    // Output pixel (x right, y down, centres at half pixels) to flat screen
    // point.
    QTransform outputToFlat() const;
    // Output pixels (relative to outputRect, at devicePixelRatio) of a
    // logical output rectangle, and the logical rectangle that holds them.
    QRect devicePixelsOf(const QRect& logical) const;
    QRect logicalOf(const QRect& devicePixels) const;

    std::unique_ptr<Gpu> m_gpu;
    std::unique_ptr<ScreenCompositor> m_fallback;

    bool m_texturesStale = true;
    bool m_wholeStale = true;
    bool m_scanlinesMoved = false;

    QImage m_output;
    QImage m_coverage;
    bool m_mapValid = false;
    // Output pixel (x right, y down, centres at half pixels) to flat screen
    // point, homogeneous, row-major.
    float m_toFlat[9] = {};
    // The reach of each block of output pixels: the bounding box of the bent
    // screen points its pixels show, in points; empty for a block that shows
    // nothing.
    std::vector<QRectF> m_blockReach;
    int m_blockColumns = 0;
    QRect m_screenOutput; // logical: every output pixel that shows the screen
    // The glow's grid: a texel's side in points, and the blur's radius in
    // texels.
    double m_glowTexelPoints = 1;
    int m_glowRadius = 0;
    std::vector<float> m_glowWeights;
};

} // namespace velmora
