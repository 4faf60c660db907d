// The GPU renderer on a real X server with OpenGL (Mesa's llvmpipe under the
// test script's Xvfb): set-up, its errors, and the same scenes drawn by the
// CPU renderer and by the GPU. Backgrounds, box and block glyphs,
// decorations and the cursor must match exactly; text is rasterised by
// another road (glyph bitmaps in an atlas instead of the painter's glyph
// cache) and must match within the tolerance stated below. Runs only where
// VELMORA_TEST_DISPLAY names a display.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "GlTestSupport.h"
#include "corvel/images/ImageStrip.h"
#include "corvel/qt/CaretView.h"
#include "corvel/terminal/SelectionService.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/qt/gl/GpuError.h"
#include "corvel/qt/gl/GpuTerminalRenderer.h"
#include "corvel/qt/gl/GpuTerminalSurface.h"
#include "corvel/qt/gl/PictureTextures.h"

namespace corvel {
namespace {

// How far two pictures of a scene are apart.
struct Difference {
    // Pixels whose largest channel difference exceeds the threshold.
    int pixelsOver = 0;
    int largest = 0;
    double mean = 0;
};

Difference compare(const QImage& a, const QImage& b, int threshold)
{
    Difference d;
    long long total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int diff = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                       std::abs(qBlue(p) - qBlue(q))});
            d.largest = std::max(d.largest, diff);
            total += diff;
            if (diff > threshold) ++d.pixelsOver;
        }
    d.mean = double(total) / std::max(1, a.width() * a.height());
    return d;
}

class GpuRenderingTest : public ::testing::Test {
protected:
    static constexpr int cw = 9;
    static constexpr int ch = 17;
    static constexpr int cols = 40;
    static constexpr int rows = 12;

    void SetUp() override
    {
        if (!test::haveTestDisplay()) GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";
        view = std::make_unique<TerminalView>(nullptr, test::glTestFont(14));
        view->resize(view->scrollerWidth() + cw * cols, ch * rows);
        view->setNativeBackgroundColor(QColor(20, 22, 30));
        view->setNativeForegroundColor(QColor(220, 220, 210));
        view->setCaretColor(QColor(250, 160, 40));
        view->setCaretViewTracksFocus(false);
        view->getTerminal().options.cursorStyle = CursorStyle::steadyBlock;
        view->show();
        flush();
    }

    void TearDown() override { view.reset(); }

    void flush()
    {
        view->updateDisplay(false);
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

    QImage cpuImage()
    {
        flush();
        return view->grab(QRect(0, 0, cw * cols, ch * rows)).toImage().convertToFormat(QImage::Format_RGB32);
    }

    QImage gpuImage()
    {
        flush();
        GpuTerminalSurface* surface = view->gpuSurface();
        if (!surface) return {};
        return surface->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    }

    // The scene drawn by the CPU, then by the GPU.
    std::pair<QImage, QImage> render(const std::string& scene)
    {
        view->feed(scene);
        const QImage cpu = cpuImage();
        view->setUseGpu(true);
        const QImage gpu = gpuImage();
        view->setUseGpu(false);
        return {cpu, gpu};
    }

    // Every pixel the same; with a tolerance, pixels may differ by that many
    // levels (antialiased edges, blended in 8 bits by the CPU and in floats
    // by the GPU).
    void expectExact(const std::string& scene, const char* name, int tolerance = 0)
    {
        const auto [cpu, gpu] = render(scene);
        ASSERT_EQ(cpu.size(), gpu.size()) << name;
        const Difference d = compare(cpu, gpu, tolerance);
        if (d.pixelsOver) {
            cpu.save(QDir::temp().filePath(QStringLiteral("gpu-scene-%1-cpu.png").arg(QLatin1String(name))));
            gpu.save(QDir::temp().filePath(QStringLiteral("gpu-scene-%1-gpu.png").arg(QLatin1String(name))));
        }
        EXPECT_EQ(d.pixelsOver, 0) << name << ": largest difference " << d.largest;
    }

    std::unique_ptr<TerminalView> view;
};

TEST_F(GpuRenderingTest, SetUpSucceedsAndDrawsFrames)
{
    ASSERT_NO_THROW(view->setUseGpu(true));
    ASSERT_TRUE(view->useGpu());
    EXPECT_FALSE(view->caretView()->isVisible());
    view->feed("hello");
    const QImage frame = gpuImage();
    ASSERT_TRUE(view->gpuSurface()->renderer());
    EXPECT_FALSE(view->gpuSurface()->setupError());
    EXPECT_GT(view->gpuSurface()->framesDrawn(), 0);
    EXPECT_EQ(frame.size(), QSize(cw * cols, ch * rows));
    view->setUseGpu(false);
    EXPECT_FALSE(view->gpuSurface());
    EXPECT_TRUE(view->caretView()->isVisible());
}

TEST_F(GpuRenderingTest, AMissingShaderStageIsNamedAndNothingIsInstalled)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QDir source(QStringLiteral(VELMORA_SOURCE_DIR "/src/corvel/qt/gl/shaders"));
    for (const char* name : ShaderLibrary::requiredFunctions) {
        if (std::string(name) == "terminal_color_fragment") continue;
        const QString file = QString::fromLatin1(name) + QStringLiteral(".glsl");
        ASSERT_TRUE(QFile::copy(source.filePath(file), QDir(folder.path()).filePath(file)));
    }
    try {
        view->setUseGpu(true, {folder.path()});
        FAIL() << "set-up succeeded without a stage";
    } catch (const GpuError& error) {
        EXPECT_EQ(error.kind(), GpuError::Kind::shaderFunctionMissing);
        EXPECT_STREQ(error.what(),
                     "OpenGL library missing required function: terminal_text_vertex, terminal_cell_text_vertex, "
                     "terminal_text_fragment, terminal_text_fragment_gray, terminal_color_vertex, "
                     "terminal_cell_color_vertex, terminal_color_fragment");
    }
    EXPECT_FALSE(view->useGpu());
    EXPECT_TRUE(view->caretView()->isVisible());

    // A stage that does not compile says why.
    QFile broken(QDir(folder.path()).filePath(QStringLiteral("terminal_color_fragment.glsl")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("#version 330 core\nvoid main() { nonsense; }\n");
    broken.close();
    try {
        view->setUseGpu(true, {folder.path()});
        FAIL() << "set-up succeeded with a broken stage";
    } catch (const GpuError& error) {
        EXPECT_EQ(error.kind(), GpuError::Kind::shaderCompilationFailed);
        EXPECT_EQ(std::string(error.what()).rfind("Failed to compile OpenGL shader source: terminal_color_fragment", 0), 0u);
    }
}

TEST_F(GpuRenderingTest, SgrBackgroundGridMatchesExactly)
{
    std::string scene = "\x1b[?25l";
    for (int c = 0; c < 16; ++c) scene += "\x1b[48;5;" + std::to_string(c) + "m  ";
    scene += "\x1b[0m\r\n";
    for (int c = 16; c < 256; c += 7) scene += "\x1b[48;5;" + std::to_string(c) + "m ";
    scene += "\x1b[0m\r\n\x1b[48;2;10;200;90m truecolour to the edge\x1b[K\x1b[0m\r\n\x1b[7m inverse \x1b[0m";
    expectExact(scene, "backgrounds");
}

TEST_F(GpuRenderingTest, BoxAndBlockGlyphsMatchExactly)
{
    std::string scene = "\x1b[?25l\x1b[33m";
    for (char32_t c = 0x2500; c <= 0x259F; ++c) {
        scene += QString::fromUcs4(&c, 1).toStdString();
        if ((c - 0x2500) % 40 == 39) scene += "\r\n";
    }
    scene += "\r\n\x1b[44;31m\xe2\x96\x91\xe2\x96\x92\xe2\x96\x93\xe2\x96\x88\x1b[0m";
    // Antialiased pixels (diagonals, arcs, shades) within one level.
    expectExact(scene, "custom", 1);
    view->setAntiAliasCustomBlockGlyphs(true);
    expectExact("", "custom-antialiased", 1);
}

TEST_F(GpuRenderingTest, UnderlineStylesMatchExactly)
{
    // Underlined spaces: the decorations alone.
    std::string scene = "\x1b[?25l";
    for (const char* style : {"4", "4:2", "4:3", "4:4", "4:5", "9", "4;58;2;255;0;0"})
        scene += std::string("\x1b[") + style + "m     \x1b[0m ";
    expectExact(scene, "underlines");
}

TEST_F(GpuRenderingTest, DoubleSizeLinesMatchExactlyWithoutText)
{
    const std::string scene =
        "\x1b[?25l\x1b#6\x1b[41m  \x1b[0m\xe2\x94\x80\xe2\x94\xbc\xe2\x96\x84\x1b[4m   \x1b[0m\r\n"
        "\x1b#3\x1b[42m  \x1b[0m\xe2\x94\x82\xe2\x94\x8c\xe2\x96\x80\r\n"
        "\x1b#4\x1b[42m  \x1b[0m\xe2\x94\x82\xe2\x94\x8c\xe2\x96\x80";
    expectExact(scene, "double");
}

TEST_F(GpuRenderingTest, CursorStylesMatchExactly)
{
    view->feed("\x1b[3;5H");
    for (const CursorStyle style : {CursorStyle::steadyBlock, CursorStyle::steadyUnderline, CursorStyle::steadyBar}) {
        view->getTerminal().options.cursorStyle = style;
        view->caretView()->setStyle(style);
        expectExact("", "cursor");
    }
    // Without focus, a hollow box.
    view->setCaretViewTracksFocus(true);
    view->setViewHasFocus(false);
    expectExact("", "cursor-unfocused");
}

TEST_F(GpuRenderingTest, SelectionMatchesExactly)
{
    view->setSelectedTextBackgroundColor(QColor(60, 90, 160));
    view->feed("\x1b[?25l\r\n\x1b[41m          \x1b[0m          \r\n          ");
    view->selection().setSelection(Position{3, 1}, Position{14, 2});
    expectExact("", "selection");
}

// Text: at most 1.5% of the pixels may differ by more than 64 levels, and
// the mean difference stays below 3 levels.
TEST_F(GpuRenderingTest, TextMatchesWithinTheTolerance)
{
    const std::string scene =
        "\x1b[?25lplain text, \x1b[1mbold\x1b[0m, \x1b[3mitalic\x1b[0m, \x1b[31mred\x1b[0m\r\n"
        "\x1b[44;97m on blue \x1b[0m \x1b[4msingle\x1b[0m \x1b[4:3mcurly\x1b[0m \x1b[9mstruck\x1b[0m\r\n"
        "wide \xe4\xb8\xad\xe6\x96\x87 emoji \xf0\x9f\x98\x80 e\xcc\x81 \xe2\x94\x80\xe2\x94\x80 ok\r\n"
        "\x1b#6double width\r\n\x1b#3double\r\n\x1b#4double\r\n"
        "\x1b[?25h";
    view->setSelectedTextBackgroundColor(QColor(60, 90, 160));
    const auto [cpu, gpu] = render(scene);
    ASSERT_EQ(cpu.size(), gpu.size());
    const Difference d = compare(cpu, gpu, 64);
    if (d.pixelsOver > 0) {
        cpu.save(QDir::temp().filePath(QStringLiteral("gpu-scene-text-cpu.png")));
        gpu.save(QDir::temp().filePath(QStringLiteral("gpu-scene-text-gpu.png")));
    }
    EXPECT_LE(d.pixelsOver, cpu.width() * cpu.height() * 15 / 1000) << "largest " << d.largest << " mean " << d.mean;
    EXPECT_LT(d.mean, 3.0);
}

// Pictures: the CPU renderer's pictures are not compared here; the GPU's
// are checked against the pictures' own pixels at the centres of their
// cells, and against the text for their depth.
TEST_F(GpuRenderingTest, PicturesShowTheirPixelsAtTheirDepth)
{
    // A Kitty picture of two by two cells through placeholder cells: red,
    // green, blue and half-transparent white quarters.
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 2 * ch; ++y)
        for (int x = 0; x < 2 * cw; ++x) {
            const bool right = x >= cw, bottom = y >= ch;
            if (!bottom) pixels.insert(pixels.end(), {uint8_t(right ? 0 : 255), uint8_t(right ? 255 : 0), 0, 255});
            else if (!right) pixels.insert(pixels.end(), {0, 0, 255, 255});
            else pixels.insert(pixels.end(), {255, 255, 255, 128});
        }
    const QByteArray data(reinterpret_cast<const char*>(pixels.data()), qsizetype(pixels.size()));
    const auto mark = [](char32_t c) { return QString::fromUcs4(&c, 1).toStdString(); };
    const std::string cell = mark(0x10EEEE);
    const std::string zero = mark(0x0305), one = mark(0x030D);
    view->feed("\x1b[?25l\x1b_Ga=T,i=7,U=1,c=2,r=2,q=2,f=32,s=18,v=34;" + data.toBase64().toStdString() + "\x1b\\");
    view->feed("\x1b[38;5;7m" + cell + zero + zero + cell + zero + one + "\r\n" + cell + one + zero + cell + one + one +
               "\x1b[0m\r\n\x1b[32m\xe2\x96\x88\xe2\x96\x88\x1b[0m  \x1b[32m\xe2\x96\x88\xe2\x96\x88\x1b[0m");

    view->setUseGpu(true);
    flush();
    // Strips attached to row 2: one below the green block glyphs on
    // columns 0-1 (z-index -1) and one above those on columns 4-5.
    QImage yellow(2 * cw, ch, QImage::Format_ARGB32_Premultiplied);
    yellow.fill(QColor(250, 240, 0));
    auto picture = std::make_shared<const QImage>(yellow);
    const auto strip = [&](int col, int64_t z) {
        auto out = std::make_shared<ImageStrip>(2 * cw, ch, col);
        out->picture = picture;
        out->contentWidth = out->sourceWidth = 2 * cw;
        out->contentHeight = out->sourceHeight = ch;
        out->kittyIsKitty = true;
        out->kittyZIndex = z;
        return out;
    };
    Buffer& buffer = view->getTerminal().displayBuffer();
    buffer.lines()[buffer.yDisp() + 2].attach(strip(0, -1));
    buffer.lines()[buffer.yDisp() + 2].attach(strip(4, 0));
    GpuTerminalSurface* surface = view->gpuSurface();
    ASSERT_TRUE(surface && surface->renderer());
    surface->renderer()->frameBuilder().pictures().setPicturePixels(
        [](const void* p) { return *static_cast<const QImage*>(p); });
    view->getTerminal().updateFullScreen();
    const QImage gpu = gpuImage();
    view->setUseGpu(false);
    ASSERT_FALSE(gpu.isNull());

    const auto near = [](QRgb pixel, QColor expected) {
        return std::abs(qRed(pixel) - expected.red()) <= 2 && std::abs(qGreen(pixel) - expected.green()) <= 2 &&
               std::abs(qBlue(pixel) - expected.blue()) <= 2;
    };
    const QColor background(20, 22, 30);
    // Half-transparent white over the background, blended premultiplied.
    const QColor blended(128 + background.red() * 127 / 255, 128 + background.green() * 127 / 255,
                         128 + background.blue() * 127 / 255);
    struct Probe {
        int x, y;
        QColor expected;
    };
    for (const Probe& p : {Probe{cw / 2, ch / 2, QColor(255, 0, 0)}, Probe{cw + cw / 2, ch / 2, QColor(0, 255, 0)},
                           Probe{cw / 2, ch + ch / 2, QColor(0, 0, 255)}, Probe{cw + cw / 2, ch + ch / 2, blended},
                           // Beside the picture: the background.
                           Probe{2 * cw + cw / 2, ch / 2, background},
                           // Above the green blocks on columns 4-5: the picture.
                           Probe{4 * cw + cw / 2, 2 * ch + ch / 2, QColor(250, 240, 0)},
                           // Between them, neither picture.
                           Probe{2 * cw + cw / 2, 2 * ch + ch / 2, background}})
        EXPECT_TRUE(near(gpu.pixel(p.x, p.y), p.expected))
            << p.x << "," << p.y << ": " << std::hex << gpu.pixel(p.x, p.y);
    // Below the green blocks on columns 0-1: the blocks' colour, not the
    // picture's.
    const QRgb block = gpu.pixel(cw / 2, 2 * ch + ch / 2);
    EXPECT_LT(qRed(block), 100) << std::hex << block;
    EXPECT_GT(qGreen(block), 100) << std::hex << block;
}

}  // namespace
}  // namespace corvel
