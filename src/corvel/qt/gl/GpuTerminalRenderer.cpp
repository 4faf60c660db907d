#include "corvel/qt/gl/GpuTerminalRenderer.h"

#include <QDir>
#include <QFile>

#include "corvel/base/ProfileSpan.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/qt/gl/GpuError.h"

// The built-in shader stages live in a resource of this static library.
static void initShaderResources() { Q_INIT_RESOURCE(shaders); }

namespace corvel {

namespace {

// The spans of a frame under CORVEL_PROFILE=1.
constexpr const char* profileCategory = "OpenGLProfile";

struct ProgramStages {
    const char* vertex;
    const char* fragment;
    // Source factor of the colour: one for premultiplied output.
    bool premultiplied;
};

// In the order of GpuTerminalRenderer::Program.
constexpr std::array<ProgramStages, 6> programStages = {{
    {"terminal_text_vertex", "terminal_text_fragment", true},
    {"terminal_text_vertex", "terminal_text_fragment_gray", true},
    {"terminal_color_vertex", "terminal_color_fragment", false},
    {"terminal_cell_text_vertex", "terminal_text_fragment", true},
    {"terminal_cell_text_vertex", "terminal_text_fragment_gray", true},
    {"terminal_cell_color_vertex", "terminal_color_fragment", false},
}};

} // namespace

const char* const ShaderLibrary::vertexPrelude = R"(#version 330 core
uniform vec2 viewport;
out vec2 vTexCoord;
out vec4 vColor;

vec4 clipPosition(vec2 point)
{
    return vec4(2.0 * point / viewport - 1.0, 0.0, 1.0);
}

const vec2 quadCorners[6] = vec2[6](vec2(0, 0), vec2(1, 0), vec2(0, 1), vec2(1, 0), vec2(1, 1), vec2(0, 1));

vec2 quadCorner()
{
    return quadCorners[gl_VertexID % 6];
}
)";

const char* const ShaderLibrary::fragmentPrelude = R"(#version 330 core
in vec2 vTexCoord;
in vec4 vColor;
uniform sampler2D atlas;
out vec4 fragColor;
)";

std::vector<std::pair<std::string, QByteArray>> ShaderLibrary::load(const QStringList& folders)
{
    initShaderResources();
    QStringList candidates = folders;
    candidates.append(QString::fromLatin1(builtInFolder));
    for (const QString& folder : candidates) {
        std::vector<std::pair<std::string, QByteArray>> stages;
        bool missing = false;
        for (const char* name : requiredFunctions) {
            QFile file(QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".glsl")));
            if (file.open(QIODevice::ReadOnly))
                stages.emplace_back(name, file.readAll());
            else
                missing = true;
        }
        if (stages.empty())
            continue;
        if (missing) {
            std::string names;
            for (const char* name : requiredFunctions)
                names += (names.empty() ? "" : ", ") + std::string(name);
            throw GpuError(GpuError::Kind::shaderFunctionMissing, names);
        }
        return stages;
    }
    throw GpuError(GpuError::Kind::shaderSourceMissing, "corvel/qt/gl/shaders");
}

GpuTerminalRenderer::GpuTerminalRenderer(QOpenGLFunctions_3_3_Core& gl, const QStringList& shaderFolders) : gl_(gl)
{
    try {
        device_ = std::make_unique<GlDevice>(gl_);
        glyphs_ = GlyphStore::create(*device_);
        if (!glyphs_)
            throw GpuError(GpuError::Kind::atlasUnavailable);
        pool_ = std::make_unique<BufferPool>(*device_);
        frames_ = std::make_unique<FrameDrawBuilder>(*device_, *glyphs_);

        const auto stages = ShaderLibrary::load(shaderFolders);
        std::map<std::string, GLuint> shaders;
        const auto release = [&] {
            for (auto& [name, shader] : shaders)
                gl_.glDeleteShader(shader);
        };
        for (const auto& [name, source] : stages) {
            const bool vertex = name.find("_vertex") != std::string::npos;
            const GLuint shader = gl_.glCreateShader(vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
            shaders[name] = shader;
            const std::array<const char*, 2> texts
                = {vertex ? ShaderLibrary::vertexPrelude : ShaderLibrary::fragmentPrelude, source.constData()};
            const std::array<GLint, 2> lengths = {-1, static_cast<GLint>(source.size())};
            gl_.glShaderSource(shader, 2, texts.data(), lengths.data());
            gl_.glCompileShader(shader);
            GLint ok = GL_FALSE;
            gl_.glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
            if (ok != GL_TRUE) {
                char log[1024] = {};
                gl_.glGetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
                release();
                throw GpuError(GpuError::Kind::shaderCompilationFailed, name + ": " + log);
            }
        }
        for (size_t i = 0; i < programStages.size(); ++i) {
            const GLuint program = gl_.glCreateProgram();
            programs_[i] = program;
            gl_.glAttachShader(program, shaders[programStages[i].vertex]);
            gl_.glAttachShader(program, shaders[programStages[i].fragment]);
            gl_.glLinkProgram(program);
            GLint ok = GL_FALSE;
            gl_.glGetProgramiv(program, GL_LINK_STATUS, &ok);
            if (ok != GL_TRUE) {
                release();
                throw GpuError(GpuError::Kind::pipelineCreationFailed, "text/color/cell");
            }
            viewportUniforms_[i] = gl_.glGetUniformLocation(program, "viewport");
            gl_.glUseProgram(program);
            if (const GLint atlas = gl_.glGetUniformLocation(program, "atlas"); atlas >= 0)
                gl_.glUniform1i(atlas, 0);
        }
        release();
        gl_.glUseProgram(0);

        device_->takeErrors();
        gl_.glGenSamplers(1, &sampler_);
        gl_.glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        gl_.glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        gl_.glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        gl_.glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        if (sampler_ == 0 || device_->takeErrors())
            throw GpuError(GpuError::Kind::samplerUnavailable);
        gl_.glGenVertexArrays(1, &vertexArray_);
        if (vertexArray_ == 0 || device_->takeErrors())
            throw GpuError(GpuError::Kind::pipelineCreationFailed, "text/color/cell");
    } catch (...) {
        releaseObjects();
        throw;
    }
}

GpuTerminalRenderer::~GpuTerminalRenderer() { releaseObjects(); }

void GpuTerminalRenderer::releaseObjects()
{
    frames_.reset();
    pool_.reset();
    glyphs_.reset();
    for (GLuint& program : programs_) {
        if (program)
            gl_.glDeleteProgram(program);
        program = 0;
    }
    if (sampler_)
        gl_.glDeleteSamplers(1, &sampler_);
    if (vertexArray_)
        gl_.glDeleteVertexArrays(1, &vertexArray_);
    sampler_ = vertexArray_ = 0;
}

void GpuTerminalRenderer::useProgram(Program program, QSize viewport)
{
    gl_.glUseProgram(programs_[program]);
    gl_.glUniform2f(viewportUniforms_[program], float(viewport.width()), float(viewport.height()));
    const bool premultiplied = programStages[program].premultiplied;
    gl_.glBlendFuncSeparate(
        premultiplied ? GL_ONE : GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    gl_.glBindSampler(0, sampler_);
}

void GpuTerminalRenderer::bindTexture(const std::shared_ptr<GpuTexture>& texture)
{
    gl_.glActiveTexture(GL_TEXTURE0);
    gl_.glBindTexture(GL_TEXTURE_2D, texture ? GlDevice::name(*texture) : 0);
}

void GpuTerminalRenderer::vertexLayout(Program program)
{
    const auto attribute = [this](GLuint index, GLint components, GLsizei stride, size_t offset, bool perInstance) {
        gl_.glEnableVertexAttribArray(index);
        gl_.glVertexAttribPointer(index, components, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offset));
        gl_.glVertexAttribDivisor(index, perInstance ? 1 : 0);
    };
    for (GLuint i = 0; i < 5; ++i)
        gl_.glDisableVertexAttribArray(i);
    switch (program) {
    case textProgram:
    case textGrayProgram:
        attribute(0, 2, sizeof(GlyphVertex), offsetof(GlyphVertex, position), false);
        attribute(1, 2, sizeof(GlyphVertex), offsetof(GlyphVertex, texCoord), false);
        attribute(2, 4, sizeof(GlyphVertex), offsetof(GlyphVertex, color), false);
        break;
    case colorProgram:
        attribute(0, 2, sizeof(ColorVertex), offsetof(ColorVertex, position), false);
        attribute(2, 4, sizeof(ColorVertex), offsetof(ColorVertex, color), false);
        break;
    case cellTextProgram:
    case cellTextGrayProgram:
        attribute(0, 2, sizeof(TextCell), offsetof(TextCell, position), true);
        attribute(1, 2, sizeof(TextCell), offsetof(TextCell, size), true);
        attribute(2, 2, sizeof(TextCell), offsetof(TextCell, texOrigin), true);
        attribute(3, 2, sizeof(TextCell), offsetof(TextCell, texSize), true);
        attribute(4, 4, sizeof(TextCell), offsetof(TextCell, color), true);
        break;
    case cellColorProgram:
        attribute(0, 2, sizeof(ColorCell), offsetof(ColorCell, position), true);
        attribute(1, 2, sizeof(ColorCell), offsetof(ColorCell, size), true);
        attribute(4, 4, sizeof(ColorCell), offsetof(ColorCell, color), true);
        break;
    }
}

void GpuTerminalRenderer::drawCells(Program program, const GpuBuffer& buffer, int count, QSize)
{
    gl_.glBindBuffer(GL_ARRAY_BUFFER, GlDevice::name(buffer));
    vertexLayout(program);
    gl_.glDrawArraysInstanced(GL_TRIANGLES, 0, 6, count);
}

void GpuTerminalRenderer::drawVertices(const GpuBuffer& buffer, int count)
{
    gl_.glBindBuffer(GL_ARRAY_BUFFER, GlDevice::name(buffer));
    vertexLayout(textProgram);
    gl_.glDrawArrays(GL_TRIANGLES, 0, count);
}

void GpuTerminalRenderer::drawImages(const std::vector<ImageDrawBuffer>& images, QSize)
{
    for (const ImageDrawBuffer& image : images) {
        bindTexture(image.texture);
        drawVertices(*image.buffer, image.vertexCount);
    }
}

void GpuTerminalRenderer::drawImageBatch(const std::vector<ImageDraw>& draws, QSize viewport)
{
    if (draws.empty())
        return;
    useProgram(textProgram, viewport);
    for (const ImageDraw& draw : draws) {
        const std::shared_ptr<GpuBuffer> buffer = pool_->makeBuffer(std::span<const GlyphVertex>(draw.vertices));
        if (!buffer || !draw.texture)
            continue;
        bindTexture(draw.texture);
        drawVertices(*buffer, static_cast<int>(draw.vertices.size()));
    }
}

void GpuTerminalRenderer::drawAggregated(const RowDrawData& frame, QSize viewport)
{
    const auto cells = [&](Program program, const auto& records, const std::shared_ptr<GpuTexture>& texture) {
        if (records.empty())
            return;
        const std::shared_ptr<GpuBuffer> buffer = pool_->makeBuffer(std::span(records));
        if (!buffer)
            return;
        useProgram(program, viewport);
        if (texture)
            bindTexture(texture);
        drawCells(program, *buffer, static_cast<int>(records.size()), viewport);
    };
    cells(cellColorProgram, frame.backgroundCells, nullptr);
    drawImageBatch(frame.underImageDraws, viewport);
    cells(cellTextGrayProgram, frame.glyphCellsGray, glyphs_->grayscaleAtlas().texture());
    cells(cellTextProgram, frame.glyphCellsColor, glyphs_->colorAtlas().texture());
    cells(cellColorProgram, frame.decorationCells, nullptr);
    drawImageBatch(frame.placeholderImageDraws, viewport);
    drawImageBatch(frame.overImageDraws, viewport);
    drawImageBatch(frame.otherImageDraws, viewport);
}

void GpuTerminalRenderer::drawFrame(TerminalView& view, QSizeF viewSize, double scale, QSize framebufferSize,
                                    bool cursorBlinkOn)
{
    const Profile::Span frame(profileCategory, "OpenGL.Draw");
    pool_->beginFrame();
    const DrawData data = [&] {
        const Profile::Span build(profileCategory, "OpenGL.BuildDrawData");
        return frames_->build(view, viewSize, scale, view.gpuBufferingMode, cursorBlinkOn);
    }();

    const Profile::Span encode(profileCategory, "OpenGL.Encode");
    const QColor background = view.nativeBackgroundColor().toRgb();
    gl_.glViewport(0, 0, framebufferSize.width(), framebufferSize.height());
    gl_.glDisable(GL_DEPTH_TEST);
    gl_.glDisable(GL_SCISSOR_TEST);
    gl_.glDisable(GL_CULL_FACE);
    gl_.glClearColor(background.redF(), background.greenF(), background.blueF(), background.alphaF());
    gl_.glClear(GL_COLOR_BUFFER_BIT);
    gl_.glEnable(GL_BLEND);
    gl_.glBlendEquation(GL_FUNC_ADD);
    gl_.glBindVertexArray(vertexArray_);
    const QSize viewport = framebufferSize;

    if (data.frame) {
        drawAggregated(*data.frame, viewport);
    } else {
        // One pass per kind over every row: set the program (and texture)
        // once, then one draw per row that has records of that kind.
        const auto pass = [&](Program program, auto buffer, auto count, const std::shared_ptr<GpuTexture>& texture) {
            bool started = false;
            for (const RowDrawBuffers& row : data.rows) {
                if (!(row.*buffer) || row.*count == 0)
                    continue;
                if (!started) {
                    useProgram(program, viewport);
                    if (texture)
                        bindTexture(texture);
                    started = true;
                }
                drawCells(program, *(row.*buffer), row.*count, viewport);
            }
        };
        const auto images = [&](auto list) {
            bool started = false;
            for (const RowDrawBuffers& row : data.rows) {
                if ((row.*list).empty())
                    continue;
                if (!started)
                    useProgram(textProgram, viewport);
                started = true;
                drawImages(row.*list, viewport);
            }
        };
        pass(cellColorProgram, &RowDrawBuffers::backgroundBuffer, &RowDrawBuffers::backgroundCount, nullptr);
        images(&RowDrawBuffers::underImageBuffers);
        pass(cellTextGrayProgram,
             &RowDrawBuffers::glyphGrayBuffer,
             &RowDrawBuffers::glyphGrayCount,
             glyphs_->grayscaleAtlas().texture());
        pass(cellTextProgram,
             &RowDrawBuffers::glyphColorBuffer,
             &RowDrawBuffers::glyphColorCount,
             glyphs_->colorAtlas().texture());
        pass(cellColorProgram, &RowDrawBuffers::decorationBuffer, &RowDrawBuffers::decorationCount, nullptr);
        images(&RowDrawBuffers::placeholderImageBuffers);
        images(&RowDrawBuffers::overImageBuffers);
        images(&RowDrawBuffers::otherImageBuffers);
    }

    // The cursor on top: its shapes, then the character under a block.
    const CursorDrawData& cursor = data.cursor;
    if (const auto buffer = pool_->makeBuffer(std::span(cursor.colorVertices))) {
        useProgram(colorProgram, viewport);
        gl_.glBindBuffer(GL_ARRAY_BUFFER, GlDevice::name(*buffer));
        vertexLayout(colorProgram);
        gl_.glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(cursor.colorVertices.size()));
    }
    if (const auto buffer = pool_->makeBuffer(std::span(cursor.glyphVerticesGray))) {
        useProgram(textGrayProgram, viewport);
        bindTexture(glyphs_->grayscaleAtlas().texture());
        drawVertices(*buffer, static_cast<int>(cursor.glyphVerticesGray.size()));
    }
    if (const auto buffer = pool_->makeBuffer(std::span(cursor.glyphVerticesColor))) {
        useProgram(textProgram, viewport);
        bindTexture(glyphs_->colorAtlas().texture());
        drawVertices(*buffer, static_cast<int>(cursor.glyphVerticesColor.size()));
    }
    for (GLuint i = 0; i < 5; ++i) {
        gl_.glVertexAttribDivisor(i, 0);
        gl_.glDisableVertexAttribArray(i);
    }
    gl_.glBindVertexArray(0);
    gl_.glBindSampler(0, 0);
    gl_.glUseProgram(0);
}

} // namespace corvel
