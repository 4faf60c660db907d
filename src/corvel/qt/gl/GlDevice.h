#pragma once

#include <QOpenGLFunctions_3_3_Core>

#include "corvel/qt/gl/GpuDevice.h"

namespace corvel {

// Textures and vertex buffers of the current OpenGL 3.3 core context. The
// objects it makes delete their GL names when released, so they must be
// released while that context is current.
class GlDevice : public GpuDevice {
public:
    explicit GlDevice(QOpenGLFunctions_3_3_Core& gl) : gl_(gl) {}

    std::shared_ptr<GpuTexture> makeTexture(GpuTextureFormat format, int width, int height) override;
    void replaceRegion(GpuTexture& texture, int x, int y, int width, int height, const uint8_t* data,
                       int bytesPerRow) override;
    std::shared_ptr<GpuBuffer> makeBuffer(size_t length) override;
    void writeBuffer(GpuBuffer& buffer, size_t offset, const void* data, size_t length) override;

    static GLuint name(const GpuTexture& texture);
    static GLuint name(const GpuBuffer& buffer);

    // Reads and clears every error the context recorded; true when there
    // was one. Making an object takes the errors first, which belong to
    // earlier calls, then judges the object by the errors its own calls left.
    bool takeErrors();

private:
    QOpenGLFunctions_3_3_Core& gl_;
};

} // namespace corvel
