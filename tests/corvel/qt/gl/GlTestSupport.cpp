#include "GlTestSupport.h"

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>

namespace corvel::test {

namespace {

// A widget application: on the X display of VELMORA_TEST_DISPLAY when one is
// given (so that OpenGL can run), else on the offscreen platform; DejaVu
// Sans Mono registered for the tests that measure it.
class GlApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (haveTestDisplay()) {
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            setenv("DISPLAY", std::getenv("VELMORA_TEST_DISPLAY"), 1);
        } else if (!std::getenv("QT_QPA_PLATFORM")) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        if (!QCoreApplication::instance()) app_ = new QApplication(argc_, argv_);
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"));
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"));
    }

private:
    int argc_ = 1;
    char name_[24] = "corvel-qt-gl-tests";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new GlApplicationEnvironment);

}  // namespace

QFont glTestFont(int pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(pixelSize);
    return font;
}

bool haveTestDisplay()
{
    const char* display = std::getenv("VELMORA_TEST_DISPLAY");
    return display && *display;
}

std::shared_ptr<GpuTexture> FakeDevice::makeTexture(GpuTextureFormat format, int width, int height)
{
    if (width > maxTextureSize || height > maxTextureSize) return nullptr;
    ++texturesMade;
    auto texture = std::make_shared<Texture>(format, width, height);
    texture->pixels.assign(static_cast<size_t>(width) * height * bytesPerPixel(format), 0);
    return texture;
}

void FakeDevice::replaceRegion(GpuTexture& texture, int x, int y, int width, int height, const uint8_t* data,
                               int bytesPerRow)
{
    auto& t = static_cast<Texture&>(texture);
    const int bpp = bytesPerPixel(t.format());
    for (int r = 0; r < height; ++r)
        std::memcpy(t.pixels.data() + (static_cast<size_t>(y + r) * t.width() + x) * bpp,
                    data + static_cast<size_t>(r) * bytesPerRow, static_cast<size_t>(width) * bpp);
    uploads.push_back({QRect(x, y, width, height), bytesPerRow});
}

std::shared_ptr<GpuBuffer> FakeDevice::makeBuffer(size_t length)
{
    ++buffersMade;
    auto buffer = std::make_shared<Buffer>(length);
    buffer->bytes.assign(length, 0);
    return buffer;
}

void FakeDevice::writeBuffer(GpuBuffer& buffer, size_t offset, const void* data, size_t length)
{
    auto& b = static_cast<Buffer&>(buffer);
    std::memcpy(b.bytes.data() + offset, data, length);
}

}  // namespace corvel::test
