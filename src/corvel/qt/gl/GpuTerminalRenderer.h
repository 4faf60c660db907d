#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QOpenGLFunctions_3_3_Core>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include "corvel/qt/gl/BufferPool.h"
#include "corvel/qt/gl/FrameDrawData.h"
#include "corvel/qt/gl/GlDevice.h"
#include "corvel/qt/gl/GlyphStore.h"

namespace corvel {

class TerminalView;

// The seven shader stages, by function name, read from a folder that holds
// one GLSL file per stage ("NAME.glsl"). The renderer looks in the folders
// it is given, in order, and takes the first that holds any stage; the
// library built into the program comes last. Each stage is compiled after the
// prelude of its kind (vertexPrelude or fragmentPrelude), so it starts with
// its own declarations, without a version line.
struct ShaderLibrary {
    static constexpr std::array<const char*, 7> requiredFunctions = {"terminal_text_vertex",
                                                                     "terminal_cell_text_vertex",
                                                                     "terminal_text_fragment",
                                                                     "terminal_text_fragment_gray",
                                                                     "terminal_color_vertex",
                                                                     "terminal_cell_color_vertex",
                                                                     "terminal_color_fragment"};
    static constexpr const char* builtInFolder = ":/corvel/gl/shaders";

    // What every vertex stage shares: the GLSL version, the viewport uniform
    // (in view pixels), the outputs vTexCoord and vColor, clipPosition() of a
    // point in view pixels, and quadCorner(), the corner of an instanced
    // quad's six vertices: (left, bottom), (right, bottom), (left, top),
    // (right, bottom), (right, top), (left, top).
    static const char* const vertexPrelude;

    // What every fragment stage shares: the GLSL version, the inputs vTexCoord
    // and vColor, the sampler atlas (texture unit 0) and the output fragColor.
    static const char* const fragmentPrelude;

    // The stages' sources by name; throws GpuError when no folder holds a
    // stage, or the one found lacks one of the seven.
    static std::vector<std::pair<std::string, QByteArray>> load(const QStringList& folders);
};

// Draws the terminal view's screen through OpenGL 3.3 core: six programs
// over the seven stages (textured and solid vertices, textured and solid
// instanced cells, with coverage or colour textures), one sampler, a grey
// (R8) and a colour (BGRA) glyph atlas, per-row vertex buffers kept with the
// row cache and pooled per-frame buffers. Made and used with its context
// current; set-up failures throw GpuError and leave nothing behind.
class GpuTerminalRenderer {
public:
    enum Program { textProgram, textGrayProgram, colorProgram, cellTextProgram, cellTextGrayProgram, cellColorProgram };

    // shaderFolders: searched before the built-in library.
    explicit GpuTerminalRenderer(QOpenGLFunctions_3_3_Core& gl, const QStringList& shaderFolders = {});
    ~GpuTerminalRenderer();
    GpuTerminalRenderer(const GpuTerminalRenderer&) = delete;
    GpuTerminalRenderer& operator=(const GpuTerminalRenderer&) = delete;

    // Draws one frame into the bound framebuffer of framebufferSize pixels:
    // the view's text area of viewSize logical pixels at scale.
    void drawFrame(TerminalView& view, QSizeF viewSize, double scale, QSize framebufferSize, bool cursorBlinkOn);

    GlyphStore& glyphs() { return *glyphs_; }
    FrameDrawBuilder& frameBuilder() { return *frames_; }
    BufferPool& bufferPool() { return *pool_; }

private:
    void releaseObjects();
    void useProgram(Program program, QSize viewport);
    void bindTexture(const std::shared_ptr<GpuTexture>& texture);
    // Vertex attributes of a record kind read from the bound buffer.
    void vertexLayout(Program program);
    void drawCells(Program program, const GpuBuffer& buffer, int count, QSize viewport);
    void drawVertices(const GpuBuffer& buffer, int count);
    void drawImages(const std::vector<ImageDrawBuffer>& images, QSize viewport);
    void drawAggregated(const RowDrawData& frame, QSize viewport);
    void drawImageBatch(const std::vector<ImageDraw>& draws, QSize viewport);

    QOpenGLFunctions_3_3_Core& gl_;
    std::unique_ptr<GlDevice> device_;
    std::unique_ptr<GlyphStore> glyphs_;
    std::unique_ptr<BufferPool> pool_;
    std::unique_ptr<FrameDrawBuilder> frames_;
    std::array<GLuint, 6> programs_{};
    std::array<GLint, 6> viewportUniforms_{};
    GLuint sampler_ = 0;
    GLuint vertexArray_ = 0;
};

} // namespace corvel
