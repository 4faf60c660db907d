#include "screen/GlScreenCompositor.h"

#include "corvel/qt/gl/GpuTerminalSurface.h"
#include "screen/CpuScreenCompositor.h"
#include "skin/ViewportShape.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLShaderProgram>
#include <QOpenGLVersionFunctionsFactory>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>

// The compositor's shader stages live in a resource of this static library.
static void initShaderResources() { Q_INIT_RESOURCE(screen_shaders); }

namespace velmora {

namespace {

// The text of one shader stage from the resources; empty when it is missing.
QByteArray shaderSource(const QString& name)
{
    initShaderResources();
    QFile file(QStringLiteral(":/velmora/screen/shaders/") + name + QStringLiteral(".glsl"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The blur's reach either side, in glow texels, at most (its weights are a
// uniform array of 2 × 16 + 1).
constexpr int maxGlowRadius = 16;
// The output is split into square blocks of this many pixels to find the
// part a change of the picture reaches.
constexpr int blockPixels = 8;

int devicePixels(double logical, double ratio) { return std::max(1, int(std::lround(logical * ratio))); }

double ratioOf(const ScreenCompositor::Geometry& geometry)
{
    const double ratio = geometry.devicePixelRatio;
    return std::isfinite(ratio) && ratio > 0 ? ratio : 1.0;
}

// A strength of an effect: not a number counts as nothing.
double strength(double value) { return std::isfinite(value) ? std::max(0.0, value) : 0.0; }

// A context made current for a while, then the one that was current before.
class MadeCurrent {
public:
    MadeCurrent(QOpenGLContext& context, QSurface& surface)
        : m_context(context),
          m_previous(QOpenGLContext::currentContext()),
          m_previousSurface(m_previous ? m_previous->surface() : nullptr)
    {
        m_current = m_previous == &context || context.makeCurrent(&surface);
    }
    ~MadeCurrent()
    {
        if (m_previous == &m_context)
            return;
        if (m_previous && m_previousSurface)
            m_previous->makeCurrent(m_previousSurface);
        else
            m_context.doneCurrent();
    }
    MadeCurrent(const MadeCurrent&) = delete;
    MadeCurrent& operator=(const MadeCurrent&) = delete;
    bool isCurrent() const { return m_current; }

private:
    QOpenGLContext& m_context;
    QOpenGLContext* m_previous;
    QSurface* m_previousSurface;
    bool m_current = false;
};

} // namespace

// The context and every object made in it.
struct GlScreenCompositor::Gpu {
    // A texture with a framebuffer that draws into it.
    struct Target {
        GLuint texture = 0;
        GLuint framebuffer = 0;
        QSize size;
    };

    std::unique_ptr<QOpenGLContext> context;
    std::unique_ptr<QOffscreenSurface> surface;
    QOpenGLFunctions_3_3_Core* gl = nullptr;
    bool software = false;
    std::unique_ptr<QOpenGLShaderProgram> lightProgram;
    std::unique_ptr<QOpenGLShaderProgram> blurProgram;
    std::unique_ptr<QOpenGLShaderProgram> screenProgram;
    GLuint vertexArray = 0;
    GLint maxSize = 0;

    GLuint picture = 0;
    QSize pictureSize;
    GLuint coverage = 0;
    Target output;
    Target light; // the picture's brightness per glow texel
    Target rows; // blurred along rows
    Target glow; // blurred along rows and columns

    ~Gpu()
    {
        // A set-up that failed early may have a context and no surface yet.
        if (!context || !surface)
            return;
        const MadeCurrent current(*context, *surface);
        if (current.isCurrent() && gl) {
            releaseTextures();
            if (vertexArray)
                gl->glDeleteVertexArrays(1, &vertexArray);
            lightProgram.reset();
            blurProgram.reset();
            screenProgram.reset();
        }
    }

    // Reads and clears every error the context recorded; true when there was
    // one (a lost context may keep answering: hence the bound).
    bool takeErrors()
    {
        bool recorded = false;
        for (int i = 0; i < 16 && gl->glGetError() != GL_NO_ERROR; ++i)
            recorded = true;
        return recorded;
    }

    GLuint makeTexture(GLint format, const QSize& size, GLenum filter)
    {
        GLuint name = 0;
        gl->glGenTextures(1, &name);
        gl->glBindTexture(GL_TEXTURE_2D, name);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(filter));
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(filter));
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        const bool single = format == GL_R8 || format == GL_R16F;
        gl->glTexImage2D(GL_TEXTURE_2D,
                         0,
                         format,
                         size.width(),
                         size.height(),
                         0,
                         single ? GL_RED : GL_BGRA,
                         single ? GL_UNSIGNED_BYTE : GL_UNSIGNED_INT_8_8_8_8_REV,
                         nullptr);
        return name;
    }

    // False when the framebuffer cannot be drawn into.
    bool makeTarget(Target& target, GLint format, const QSize& size, GLenum filter)
    {
        target.size = size;
        target.texture = makeTexture(format, size, filter);
        gl->glGenFramebuffers(1, &target.framebuffer);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
        gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.texture, 0);
        const bool complete = gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return complete;
    }

    void releaseTarget(Target& target)
    {
        if (target.framebuffer)
            gl->glDeleteFramebuffers(1, &target.framebuffer);
        if (target.texture)
            gl->glDeleteTextures(1, &target.texture);
        target = Target{};
    }

    void releaseTextures()
    {
        if (picture)
            gl->glDeleteTextures(1, &picture);
        if (coverage)
            gl->glDeleteTextures(1, &coverage);
        picture = coverage = 0;
        pictureSize = QSize();
        releaseTarget(output);
        releaseTarget(light);
        releaseTarget(rows);
        releaseTarget(glow);
    }

    // The program of the one-triangle vertex stage and the named fragment
    // stage.
    std::unique_ptr<QOpenGLShaderProgram> makeProgram(const QString& fragmentName, bool broken, QString* failure)
    {
        const QString vertexName = QStringLiteral("screen_vertex");
        const QByteArray vertex = shaderSource(vertexName);
        QByteArray fragment = shaderSource(fragmentName);
        for (const auto& [name, text] : {std::pair(vertexName, vertex), std::pair(fragmentName, fragment)}) {
            if (text.isEmpty()) {
                *failure = QStringLiteral("its shader %1 is missing").arg(name);
                return nullptr;
            }
        }
        if (broken)
            fragment += "\nthis does not compile\n";
        auto program = std::make_unique<QOpenGLShaderProgram>();
        if (!program->addShaderFromSourceCode(QOpenGLShader::Vertex, vertex)
            || !program->addShaderFromSourceCode(QOpenGLShader::Fragment, fragment) || !program->link()) {
            *failure = QStringLiteral("its shaders do not compile: ") + program->log().trimmed();
            return nullptr;
        }
        return program;
    }

    // The first draw after a state change: full-target viewport, the given
    // part scissored.
    void target(const Target& target, const QRect& part)
    {
        gl->glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
        gl->glViewport(0, 0, target.size.width(), target.size.height());
        gl->glEnable(GL_SCISSOR_TEST);
        gl->glScissor(part.x(), part.y(), part.width(), part.height());
    }

    void bindTexture(int unit, GLuint name)
    {
        gl->glActiveTexture(GLenum(GL_TEXTURE0 + unit));
        gl->glBindTexture(GL_TEXTURE_2D, name);
    }
};

std::unique_ptr<GlScreenCompositor> GlScreenCompositor::create(QString* failure)
{
    QString reason;
    auto fail = [&](const QString& why) -> std::unique_ptr<GlScreenCompositor> {
        if (failure)
            *failure = why;
        return nullptr;
    };
    const QByteArray fault = qgetenv("VELMORA_COMPOSITOR_FAULT");
    // Contexts and offscreen surfaces belong to a GUI application's own
    // thread.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())
        || QThread::currentThread() != QCoreApplication::instance()->thread())
        return fail(QStringLiteral("there is no graphical application on this thread"));
    if (!mayTry())
        return fail(QStringLiteral("the offscreen platform draws without OpenGL unless VELMORA_COMPOSITOR=gl"));

    auto gpu = std::make_unique<Gpu>();
    gpu->context = std::make_unique<QOpenGLContext>();
    // The terminal's GPU renderer asks for the same: 3.3 core, no depth or
    // stencil.
    gpu->context->setFormat(corvel::GpuTerminalSurface::requestedFormat());
    if (fault == "context" || !gpu->context->create())
        return fail(QStringLiteral("no OpenGL context can be made here"));
    const QSurfaceFormat made = gpu->context->format();
    if (std::make_pair(made.majorVersion(), made.minorVersion()) < std::make_pair(3, 3))
        return fail(QStringLiteral("the OpenGL here is older than 3.3"));
    gpu->surface = std::make_unique<QOffscreenSurface>();
    gpu->surface->setFormat(made);
    gpu->surface->create();
    if (!gpu->surface->isValid())
        return fail(QStringLiteral("no offscreen surface can be made for OpenGL"));

    const MadeCurrent current(*gpu->context, *gpu->surface);
    if (!current.isCurrent())
        return fail(QStringLiteral("its OpenGL context cannot be made current"));
    gpu->gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(gpu->context.get());
    if (!gpu->gl || !gpu->gl->initializeOpenGLFunctions())
        return fail(QStringLiteral("the OpenGL 3.3 functions are missing"));
    // Errors recorded before belong to others.
    gpu->takeErrors();
    const QByteArray renderer = QByteArray(reinterpret_cast<const char*>(gpu->gl->glGetString(GL_RENDERER))).toLower();
    gpu->software = renderer.contains("llvmpipe") || renderer.contains("softpipe") || renderer.contains("swrast")
        || renderer.contains("software");

    const bool brokenShaders = fault == "shaders";
    gpu->lightProgram = gpu->makeProgram(QStringLiteral("screen_light_fragment"), brokenShaders, &reason);
    if (gpu->lightProgram)
        gpu->blurProgram = gpu->makeProgram(QStringLiteral("screen_blur_fragment"), false, &reason);
    if (gpu->blurProgram)
        gpu->screenProgram = gpu->makeProgram(QStringLiteral("screen_compose_fragment"), false, &reason);
    if (!gpu->screenProgram)
        return fail(reason);

    gpu->gl->glGenVertexArrays(1, &gpu->vertexArray);
    gpu->gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &gpu->maxSize);
    // A small target shows whether framebuffers work at all.
    Gpu::Target probe;
    const bool drawable
        = gpu->makeTarget(probe, GL_RGBA8, fault == "framebuffer" ? QSize(0, 0) : QSize(4, 4), GL_NEAREST);
    gpu->releaseTarget(probe);
    if (!drawable)
        return fail(QStringLiteral("it cannot draw into an OpenGL framebuffer"));
    if (gpu->takeErrors())
        return fail(QStringLiteral("OpenGL reported an error while setting up"));
    return std::unique_ptr<GlScreenCompositor>(new GlScreenCompositor(std::move(gpu)));
}

bool GlScreenCompositor::mayTry()
{
    return QGuiApplication::platformName() != QLatin1String("offscreen") || qgetenv("VELMORA_COMPOSITOR") == "gl";
}

void GlScreenCompositor::reportCpuFallback(const QString& reason)
{
    static bool reported = false;
    if (reported)
        return;
    reported = true;
    std::fprintf(
        stderr, "Velmora: the screen effects are drawn on the CPU, as %s.\n", reason.toLocal8Bit().constData());
}

GlScreenCompositor::GlScreenCompositor(std::unique_ptr<Gpu> gpu) : m_gpu(std::move(gpu)) { prepareGeometry(); }

GlScreenCompositor::~GlScreenCompositor() = default;

bool GlScreenCompositor::rendersInSoftware() const { return m_gpu->software; }

ScreenCompositor::Backend GlScreenCompositor::backend() const
{
    return m_fallback ? m_fallback->backend() : Backend::OpenGl;
}

void GlScreenCompositor::setGeometry(const Geometry& geometry)
{
    if (m_fallback)
        m_fallback->setGeometry(geometry);
    if (geometry == m_geometry && !m_output.isNull())
        return;
    m_geometry = geometry;
    if (m_fallback)
        return;
    prepareGeometry();
    m_texturesStale = true;
    m_wholeStale = true;
}

void GlScreenCompositor::setEffects(const ScreenEffects& effects)
{
    if (m_fallback)
        m_fallback->setEffects(effects);
    if (effects == m_effects)
        return;
    const bool glowMoved = effects.glow.radius != m_effects.glow.radius;
    const bool bumpMoved = effects.curvatureScale != m_effects.curvatureScale;
    m_effects = effects;
    if (m_fallback)
        return;
    if (glowMoved || bumpMoved)
        prepareReach();
    if (glowMoved)
        m_texturesStale = true;
    m_wholeStale = true;
}

void GlScreenCompositor::setRollingOffset(double points)
{
    if (m_fallback)
        m_fallback->setRollingOffset(points);
    if (!std::isfinite(points) || points == m_rollingOffset)
        return;
    m_rollingOffset = points;
    if (m_effects.scanlines == ScreenEffects::Scanlines::Rolling)
        m_scanlinesMoved = true;
}

const QImage& GlScreenCompositor::output() const { return m_fallback ? m_fallback->output() : m_output; }

void GlScreenCompositor::prepareGeometry()
{
    const Geometry& g = m_geometry;
    const double ratio = ratioOf(g);
    const QSize pixels(devicePixels(g.outputRect.width(), ratio), devicePixels(g.outputRect.height(), ratio));
    m_output = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_output.setDevicePixelRatio(ratio);
    m_output.fill(Qt::transparent);

    // The outline's coverage with smooth edges, drawn once per geometry.
    m_coverage = outlineCoverage(g, pixels, ratio);

    // The map from output pixels to the flat screen: output pixel to logical
    // output point, then the inverse of the screen's projective map.
    const double w = g.screenSize.width();
    const double h = g.screenSize.height();
    m_mapValid = w > 0 && h > 0 && g.corners.size() == 4
        && ViewportShape::inverseQuadMap(ViewportShape::boundingBox(g.corners).center(), w, h, g.corners).has_value();
    bool invertible = false;
    (void)ViewportShape::quadTransform(w, h, g.corners).inverted(&invertible);
    m_mapValid = m_mapValid && invertible;
    const QTransform toFlat = outputToFlat();
    // QTransform maps row vectors; the shader's matrix maps columns.
    const double matrix[9] = {toFlat.m11(),
                              toFlat.m21(),
                              toFlat.m31(),
                              toFlat.m12(),
                              toFlat.m22(),
                              toFlat.m32(),
                              toFlat.m13(),
                              toFlat.m23(),
                              toFlat.m33()};
    // Scaled so that its largest entry is about 1, where float keeps the most.
    double largest = 0;
    for (double value : matrix)
        largest = std::max(largest, std::abs(value));
    for (int i = 0; i < 9; ++i)
        m_toFlat[i] = float(largest > 0 ? matrix[i] / largest : 0);

    prepareReach();
}

void GlScreenCompositor::prepareReach()
{
    const Geometry& g = m_geometry;

    // The glow's grid: the picture's brightness averaged over squares of
    // CpuScreenCompositor::glowCell points, blurred by a Gaussian made
    // narrower by what the squares and the filtered lookup add, so that the
    // whole spread is the asked one (as the CPU does it).
    const double sigma = m_effects.glow.radius / 2;
    const double cell = CpuScreenCompositor::glowCell;
    m_glowTexelPoints = cell;
    const double sigmaTexels = std::sqrt(std::max(sigma * sigma - cell * cell / 4, sigma * sigma / 4)) / cell;
    m_glowRadius = std::clamp(int(std::ceil(3 * sigmaTexels)), 1, maxGlowRadius);
    m_glowWeights.assign(std::size_t(2 * m_glowRadius + 1), 0.0f);
    double total = 0;
    for (int d = -m_glowRadius; d <= m_glowRadius; ++d) {
        const double weight = sigmaTexels > 0 ? std::exp(-0.5 * d * d / (sigmaTexels * sigmaTexels)) : (d == 0);
        m_glowWeights[std::size_t(d + m_glowRadius)] = float(weight);
        total += weight;
    }
    for (float& weight : m_glowWeights)
        weight = float(weight / total);

    // What each block of output pixels shows of the screen, once bent.
    const QSize pixels = m_output.size();
    m_blockColumns = (pixels.width() + blockPixels - 1) / blockPixels;
    const int blockRows = (pixels.height() + blockPixels - 1) / blockPixels;
    m_blockReach.assign(std::size_t(m_blockColumns) * std::size_t(blockRows), QRectF());
    m_screenOutput = QRect();
    if (!m_mapValid)
        return;
    const double w = g.screenSize.width();
    const double h = g.screenSize.height();
    const BumpDistortion bump = bumpFor(g.screenSize, m_effects.curvatureScale);
    const QTransform toFlat = outputToFlat();
    QRect screenPixels;
    const std::size_t blocks = m_blockReach.size();
    std::vector<double> minX(blocks, INFINITY), minY(blocks, INFINITY), maxX(blocks, -INFINITY),
        maxY(blocks, -INFINITY);
    for (int y = 0; y < pixels.height(); ++y) {
        const uchar* cover = m_coverage.constScanLine(y);
        for (int x = 0; x < pixels.width(); ++x) {
            if (!cover[x])
                continue;
            qreal fx = 0;
            qreal fy = 0;
            toFlat.map(x + 0.5, y + 0.5, &fx, &fy);
            if (!std::isfinite(fx) || !std::isfinite(fy))
                continue;
            // Lookups beyond the screen's edge take the edge's pixels.
            const QPointF bent = bump.sourcePoint(QPointF(fx, fy));
            const QPointF shown(std::clamp(bent.x(), 0.0, w), std::clamp(bent.y(), 0.0, h));
            const std::size_t block
                = std::size_t(y / blockPixels) * std::size_t(m_blockColumns) + std::size_t(x / blockPixels);
            minX[block] = std::min(minX[block], shown.x());
            maxX[block] = std::max(maxX[block], shown.x());
            minY[block] = std::min(minY[block], shown.y());
            maxY[block] = std::max(maxY[block], shown.y());
            screenPixels |= QRect(x, y, 1, 1);
        }
    }
    for (std::size_t i = 0; i < blocks; ++i) {
        if (minX[i] <= maxX[i])
            m_blockReach[i] = QRectF(QPointF(minX[i], minY[i]), QPointF(maxX[i], maxY[i]));
    }
    m_screenOutput = logicalOf(screenPixels);
}

QTransform GlScreenCompositor::outputToFlat() const
{
    const Geometry& g = m_geometry;
    const double ratio = ratioOf(g);
    const QTransform forward = ViewportShape::quadTransform(g.screenSize.width(), g.screenSize.height(), g.corners);
    const QTransform toOutput = QTransform::fromScale(1 / ratio, 1 / ratio)
        * QTransform::fromTranslate(g.outputRect.left(), g.outputRect.top());
    return toOutput * forward.inverted();
}

QRect GlScreenCompositor::logicalOf(const QRect& devicePixels) const
{
    if (devicePixels.isEmpty())
        return QRect();
    const double ratio = ratioOf(m_geometry);
    const QPoint origin = m_geometry.outputRect.topLeft();
    return QRect(QPoint(int(std::floor(devicePixels.left() / ratio)), int(std::floor(devicePixels.top() / ratio))),
                 QPoint(int(std::ceil((devicePixels.right() + 1) / ratio)) - 1,
                        int(std::ceil((devicePixels.bottom() + 1) / ratio)) - 1))
        .translated(origin)
        .intersected(m_geometry.outputRect);
}

QRect GlScreenCompositor::outputRectFor(const QRect& screenRect) const
{
    if (m_fallback)
        return m_fallback->outputRectFor(screenRect);
    if (screenRect.isEmpty() || m_blockReach.empty())
        return QRect();
    // What a changed picture pixel reaches: its filtered neighbours, and the
    // glow's blur around it.
    double reach = 1 / sourceDensity(m_geometry) + 0.01;
    if (m_effects.glow.isActive())
        reach += (m_glowRadius + 2) * m_glowTexelPoints;
    const QRectF wanted = QRectF(screenRect).adjusted(-reach, -reach, reach, reach);
    QRect pixels;
    for (std::size_t i = 0; i < m_blockReach.size(); ++i) {
        const QRectF& shows = m_blockReach[i];
        if (shows.isNull())
            continue;
        // Closed rectangles: a block that shows a single point still counts.
        if (shows.left() <= wanted.right() && shows.right() >= wanted.left() && shows.top() <= wanted.bottom()
            && shows.bottom() >= wanted.top()) {
            const int x = int(i % std::size_t(m_blockColumns)) * blockPixels;
            const int y = int(i / std::size_t(m_blockColumns)) * blockPixels;
            pixels |= QRect(x, y, blockPixels, blockPixels);
        }
    }
    return logicalOf(pixels.intersected(m_output.rect()));
}

QRect GlScreenCompositor::devicePixelsOf(const QRect& logical) const
{
    const double ratio = ratioOf(m_geometry);
    const QRect relative = logical.translated(-m_geometry.outputRect.topLeft());
    const int left = int(std::floor(relative.left() * ratio));
    const int top = int(std::floor(relative.top() * ratio));
    const int right = int(std::ceil((relative.right() + 1) * ratio));
    const int bottom = int(std::ceil((relative.bottom() + 1) * ratio));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(m_output.rect());
}

void GlScreenCompositor::fallBack(const QString& reason)
{
    reportCpuFallback(reason);
    m_fallback = ScreenCompositor::create(Backend::Cpu);
    m_fallback->setGeometry(m_geometry);
    m_fallback->setEffects(m_effects);
    m_fallback->setRollingOffset(m_rollingOffset);
    const MadeCurrent current(*m_gpu->context, *m_gpu->surface);
    if (current.isCurrent())
        m_gpu->releaseTextures();
    m_output = QImage();
    m_coverage = QImage();
    m_blockReach.clear();
}

bool GlScreenCompositor::prepareTextures()
{
    Gpu& gpu = *m_gpu;
    gpu.releaseTextures();
    gpu.takeErrors();
    const QSize outputSize = m_output.size();
    const QSize pictureSize = sourcePixelSize().expandedTo(QSize(1, 1));
    const QSize glowSize(std::max(1, int(std::ceil(m_geometry.screenSize.width() / m_glowTexelPoints))),
                         std::max(1, int(std::ceil(m_geometry.screenSize.height() / m_glowTexelPoints))));
    for (const QSize& size : {outputSize, pictureSize, glowSize}) {
        if (size.width() > gpu.maxSize || size.height() > gpu.maxSize)
            return false;
    }
    gpu.picture = gpu.makeTexture(GL_RGBA8, pictureSize, GL_LINEAR);
    gpu.pictureSize = pictureSize;
    gpu.coverage = gpu.makeTexture(GL_R8, outputSize, GL_NEAREST);
    gpu.gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gpu.gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(m_coverage.bytesPerLine()));
    gpu.gl->glTexSubImage2D(GL_TEXTURE_2D,
                            0,
                            0,
                            0,
                            outputSize.width(),
                            outputSize.height(),
                            GL_RED,
                            GL_UNSIGNED_BYTE,
                            m_coverage.constBits());
    gpu.gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gpu.gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    const bool drawable = gpu.makeTarget(gpu.output, GL_RGBA8, outputSize, GL_NEAREST)
        && gpu.makeTarget(gpu.light, GL_R16F, glowSize, GL_NEAREST)
        && gpu.makeTarget(gpu.rows, GL_R16F, glowSize, GL_NEAREST)
        && gpu.makeTarget(gpu.glow, GL_R16F, glowSize, GL_LINEAR);
    return !gpu.takeErrors() && drawable;
}

QRect GlScreenCompositor::compose(const QImage& source, const QRect& changed)
{
    if (m_fallback)
        return m_fallback->compose(source, changed);
    Gpu& gpu = *m_gpu;
    const MadeCurrent current(*gpu.context, *gpu.surface);
    if (!current.isCurrent()) {
        fallBack(QStringLiteral("its OpenGL context can no longer be made current"));
        return m_fallback->compose(source, changed);
    }
    if (m_texturesStale) {
        if (!prepareTextures()) {
            fallBack(QStringLiteral("OpenGL cannot hold a screen of this size"));
            return m_fallback->compose(source, changed);
        }
        m_texturesStale = false;
        m_wholeStale = true;
    }

    const QRect screen(QPoint(0, 0), m_geometry.screenSize);
    QRect screenChanged;
    QRect outputChanged;
    if (m_wholeStale) {
        screenChanged = screen;
        outputChanged = m_geometry.outputRect;
    } else {
        screenChanged = changed.intersected(screen);
        outputChanged = outputRectFor(screenChanged);
        if (m_scanlinesMoved)
            outputChanged |= m_screenOutput;
    }
    m_wholeStale = false;
    m_scanlinesMoved = false;
    if (outputChanged.isEmpty() && screenChanged.isEmpty())
        return QRect();

    if (!screenChanged.isEmpty()) {
        const double ppp = sourceDensity(m_geometry);
        const QRect pixels
            = QRect(QPoint(int(std::floor(screenChanged.left() * ppp)), int(std::floor(screenChanged.top() * ppp))),
                    QPoint(int(std::ceil((screenChanged.right() + 1) * ppp)) - 1,
                           int(std::ceil((screenChanged.bottom() + 1) * ppp)) - 1))
                  .intersected(QRect(QPoint(0, 0), gpu.pictureSize));
        uploadPicture(source, pixels);
        if (m_effects.glow.isActive())
            updateGlow(screenChanged);
    }
    const QRect devicePixels = devicePixelsOf(outputChanged);
    if (!devicePixels.isEmpty()) {
        drawScreen(devicePixels);
        readBack(devicePixels);
    }
    gpu.gl->glDisable(GL_SCISSOR_TEST);
    gpu.gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (gpu.takeErrors()) {
        fallBack(QStringLiteral("OpenGL reported an error while drawing"));
        return m_fallback->compose(source, QRect());
    }
    return outputChanged;
}

void GlScreenCompositor::uploadPicture(const QImage& source, const QRect& pixels)
{
    const QRect part = pixels.intersected(source.rect());
    if (part.isEmpty())
        return;
    QImage converted;
    const QImage* from = &source;
    QPoint origin = part.topLeft();
    if (source.format() != QImage::Format_ARGB32_Premultiplied && source.format() != QImage::Format_RGB32) {
        converted = source.copy(part).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        from = &converted;
        origin = QPoint(0, 0);
    }
    Gpu& gpu = *m_gpu;
    gpu.gl->glBindTexture(GL_TEXTURE_2D, gpu.picture);
    gpu.gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(from->bytesPerLine() / 4));
    gpu.gl->glTexSubImage2D(GL_TEXTURE_2D,
                            0,
                            part.x(),
                            part.y(),
                            part.width(),
                            part.height(),
                            GL_BGRA,
                            GL_UNSIGNED_INT_8_8_8_8_REV,
                            from->constScanLine(origin.y()) + origin.x() * 4);
    gpu.gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void GlScreenCompositor::updateGlow(const QRect& screenRect)
{
    Gpu& gpu = *m_gpu;
    auto* gl = gpu.gl;
    const QRect grid(QPoint(0, 0), gpu.glow.size);
    const double t = m_glowTexelPoints;
    // The texels whose squares the change touches, and one more around them
    // for the filtered taps that reach over a square's edge.
    const QRect touched
        = QRect(QPoint(int(std::floor(screenRect.left() / t)) - 1, int(std::floor(screenRect.top() / t)) - 1),
                QPoint(int(std::ceil((screenRect.right() + 1) / t)), int(std::ceil((screenRect.bottom() + 1) / t))))
              .intersected(grid);
    const QRect alongRows = touched.adjusted(-m_glowRadius, 0, m_glowRadius, 0).intersected(grid);
    const QRect alongColumns = alongRows.adjusted(0, -m_glowRadius, 0, m_glowRadius).intersected(grid);
    const double ppp = sourceDensity(m_geometry);
    gl->glBindVertexArray(gpu.vertexArray);

    QOpenGLShaderProgram& light = *gpu.lightProgram;
    light.bind();
    gpu.bindTexture(0, gpu.picture);
    light.setUniformValue("picture", 0);
    light.setUniformValue("pictureSize", QSizeF(gpu.pictureSize));
    light.setUniformValue("pixelsPerPoint", QSizeF(ppp, ppp));
    light.setUniformValue("texelPoints", float(t));
    light.setUniformValue("taps", std::max(1, int(std::ceil(t * ppp / 2))));
    gpu.target(gpu.light, touched);
    gl->glDrawArrays(GL_TRIANGLES, 0, 3);

    QOpenGLShaderProgram& blur = *gpu.blurProgram;
    blur.bind();
    blur.setUniformValue("light", 0);
    blur.setUniformValue("radius", m_glowRadius);
    blur.setUniformValueArray("weights", m_glowWeights.data(), int(m_glowWeights.size()), 1);
    gpu.bindTexture(0, gpu.light.texture);
    const int direction = blur.uniformLocation("direction");
    gl->glUniform2i(direction, 1, 0);
    gpu.target(gpu.rows, alongRows);
    gl->glDrawArrays(GL_TRIANGLES, 0, 3);
    gpu.bindTexture(0, gpu.rows.texture);
    gl->glUniform2i(direction, 0, 1);
    gpu.target(gpu.glow, alongColumns);
    gl->glDrawArrays(GL_TRIANGLES, 0, 3);
}

void GlScreenCompositor::drawScreen(const QRect& devicePixels)
{
    Gpu& gpu = *m_gpu;
    const Geometry& g = m_geometry;
    const ScreenEffects& e = m_effects;
    const double ratio = ratioOf(g);
    const double ppp = sourceDensity(g);
    const double w = g.screenSize.width();
    const double h = g.screenSize.height();

    QOpenGLShaderProgram& program = *gpu.screenProgram;
    program.bind();
    gpu.gl->glBindVertexArray(gpu.vertexArray);
    gpu.gl->glUniformMatrix3fv(program.uniformLocation("toFlat"), 1, GL_TRUE, m_toFlat);
    program.setUniformValue("mapValid", m_mapValid);
    program.setUniformValue("screenSize", QSizeF(w, h));
    const double scale = e.curvatureScale;
    program.setUniformValue("bump", QVector4D(float(w / 2), float(h / 2), float(1.1 * std::max(w, h)), float(scale)));
    program.setUniformValue("bumpStrength", float(BumpDistortion::strength));
    gpu.bindTexture(0, gpu.picture);
    program.setUniformValue("picture", 0);
    program.setUniformValue("pictureSize", QSizeF(gpu.pictureSize));
    program.setUniformValue("pixelsPerPoint", QSizeF(ppp, ppp));

    gpu.bindTexture(1, gpu.glow.texture);
    program.setUniformValue("glow", 1);
    program.setUniformValue("glowOpacity", e.glow.isActive() ? float(e.glow.opacity) : 0.0f);
    const QColor glowColour = e.glow.colour.isValid() ? e.glow.colour : QColor(Qt::white);
    program.setUniformValue("glowColour",
                            QVector3D(float(glowColour.redF()), float(glowColour.greenF()), float(glowColour.blueF())));
    program.setUniformValue("glowExtent", QSizeF(QSizeF(gpu.glow.size) * m_glowTexelPoints));

    using Scanlines = ScreenEffects::Scanlines;
    const double intensity = strength(e.scanlineIntensity);
    int style = 0;
    double period = 4;
    double darkFrom = 2;
    double alpha = std::min(0.55 * intensity, 1.0);
    double offset = 0;
    switch (e.scanlines) {
    case Scanlines::Off: break;
    case Scanlines::Standard: style = 1; break;
    case Scanlines::Heavy:
        style = 1;
        alpha = std::min(1.3 * 0.55 * intensity, 1.0);
        break;
    case Scanlines::Rolling:
        style = 1;
        darkFrom = 3;
        offset = m_rollingOffset;
        break;
    case Scanlines::Shadowmask:
        style = 2;
        alpha = std::min(0.6 * intensity, 1.0);
        break;
    }
    program.setUniformValue("scanStyle", style);
    program.setUniformValue("scanPeriod", float(period));
    program.setUniformValue("scanDarkFrom", float(darkFrom));
    program.setUniformValue("scanAlpha", float(std::max(alpha, 0.0)));
    program.setUniformValue("stripeAlpha", float(std::clamp(0.2 * intensity, 0.0, 1.0)));
    program.setUniformValue("scanOffset", float(offset));
    program.setUniformValue("scanPixels", float(std::max(1, int(ratio))));
    program.setUniformValue("vignette", float(std::min(strength(e.vignetteAmount), 1.0)));
    program.setUniformValue("gradeAlpha", e.grade.isValid() ? float(e.grade.alphaF()) : 0.0f);
    program.setUniformValue("grade", QVector3D(float(e.grade.redF()), float(e.grade.greenF()), float(e.grade.blueF())));
    gpu.bindTexture(2, gpu.coverage);
    program.setUniformValue("coverage", 2);

    gpu.target(gpu.output, devicePixels);
    gpu.gl->glDrawArrays(GL_TRIANGLES, 0, 3);
    gpu.gl->glActiveTexture(GL_TEXTURE0);
}

void GlScreenCompositor::readBack(const QRect& devicePixels)
{
    auto* gl = m_gpu->gl;
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, m_gpu->output.framebuffer);
    gl->glPixelStorei(GL_PACK_ROW_LENGTH, GLint(m_output.bytesPerLine() / 4));
    gl->glReadPixels(devicePixels.x(),
                     devicePixels.y(),
                     devicePixels.width(),
                     devicePixels.height(),
                     GL_BGRA,
                     GL_UNSIGNED_INT_8_8_8_8_REV,
                     m_output.scanLine(devicePixels.y()) + devicePixels.x() * 4);
    gl->glPixelStorei(GL_PACK_ROW_LENGTH, 0);
}

} // namespace velmora
