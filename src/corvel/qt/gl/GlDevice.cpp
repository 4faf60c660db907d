#include "corvel/qt/gl/GlDevice.h"

namespace corvel {

namespace {

class GlTexture : public GpuTexture {
public:
    GlTexture(QOpenGLFunctions_3_3_Core& gl, GLuint name, GpuTextureFormat format, int width, int height)
        : GpuTexture(format, width, height), gl_(gl), name_(name)
    {
    }
    ~GlTexture() override { gl_.glDeleteTextures(1, &name_); }
    GLuint name() const { return name_; }

private:
    QOpenGLFunctions_3_3_Core& gl_;
    GLuint name_;
};

class GlBuffer : public GpuBuffer {
public:
    GlBuffer(QOpenGLFunctions_3_3_Core& gl, GLuint name, size_t length) : GpuBuffer(length), gl_(gl), name_(name) {}
    ~GlBuffer() override { gl_.glDeleteBuffers(1, &name_); }
    GLuint name() const { return name_; }

private:
    QOpenGLFunctions_3_3_Core& gl_;
    GLuint name_;
};

struct PixelLayout {
    GLint internalFormat;
    GLenum format;
};

PixelLayout layoutOf(GpuTextureFormat format)
{
    switch (format) {
    case GpuTextureFormat::r8: return {GL_R8, GL_RED};
    case GpuTextureFormat::bgra8: return {GL_RGBA8, GL_BGRA};
    case GpuTextureFormat::rgba8: return {GL_RGBA8, GL_RGBA};
    }
    return {GL_RGBA8, GL_RGBA};
}

} // namespace

GLuint GlDevice::name(const GpuTexture& texture) { return static_cast<const GlTexture&>(texture).name(); }
GLuint GlDevice::name(const GpuBuffer& buffer) { return static_cast<const GlBuffer&>(buffer).name(); }

bool GlDevice::takeErrors()
{
    // Each read reports and clears one recorded error; a context records at
    // most one of each kind (a lost one may keep answering: hence the bound).
    bool recorded = false;
    for (int i = 0; i < 16 && gl_.glGetError() != GL_NO_ERROR; ++i)
        recorded = true;
    return recorded;
}

std::shared_ptr<GpuTexture> GlDevice::makeTexture(GpuTextureFormat format, int width, int height)
{
    takeErrors();
    GLint maxSize = 0;
    gl_.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width <= 0 || height <= 0 || width > maxSize || height > maxSize)
        return nullptr;
    GLuint name = 0;
    gl_.glGenTextures(1, &name);
    if (name == 0)
        return nullptr;
    const PixelLayout layout = layoutOf(format);
    gl_.glBindTexture(GL_TEXTURE_2D, name);
    gl_.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl_.glTexImage2D(
        GL_TEXTURE_2D, 0, layout.internalFormat, width, height, 0, layout.format, GL_UNSIGNED_BYTE, nullptr);
    if (takeErrors()) {
        gl_.glDeleteTextures(1, &name);
        return nullptr;
    }
    return std::make_shared<GlTexture>(gl_, name, format, width, height);
}

void GlDevice::replaceRegion(GpuTexture& texture, int x, int y, int width, int height, const uint8_t* data,
                             int bytesPerRow)
{
    const int bpp = bytesPerPixel(texture.format());
    gl_.glBindTexture(GL_TEXTURE_2D, name(texture));
    gl_.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl_.glPixelStorei(GL_UNPACK_ROW_LENGTH, bytesPerRow / bpp);
    gl_.glTexSubImage2D(
        GL_TEXTURE_2D, 0, x, y, width, height, layoutOf(texture.format()).format, GL_UNSIGNED_BYTE, data);
    gl_.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

std::shared_ptr<GpuBuffer> GlDevice::makeBuffer(size_t length)
{
    if (length == 0)
        return nullptr;
    takeErrors();
    GLuint name = 0;
    gl_.glGenBuffers(1, &name);
    if (name == 0)
        return nullptr;
    gl_.glBindBuffer(GL_ARRAY_BUFFER, name);
    gl_.glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(length), nullptr, GL_DYNAMIC_DRAW);
    if (takeErrors()) {
        gl_.glDeleteBuffers(1, &name);
        return nullptr;
    }
    return std::make_shared<GlBuffer>(gl_, name, length);
}

void GlDevice::writeBuffer(GpuBuffer& buffer, size_t offset, const void* data, size_t length)
{
    gl_.glBindBuffer(GL_ARRAY_BUFFER, name(buffer));
    gl_.glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(length), data);
}

} // namespace corvel
