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

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLVersionFunctionsFactory>
#include <QProcess>
#include <QRegion>
#include <QRegularExpression>
#include <QScreen>
#include <QStyleHints>
#include <QTemporaryDir>

#include "GlTestSupport.h"
#include "corvel/images/ImageStrip.h"
#include "corvel/qt/CaretView.h"
#include "corvel/qt/LinePicture.h"
#include "corvel/qt/TerminalDebugView.h"
#include "corvel/qt/TerminalFindBarView.h"
#include "corvel/qt/TerminalProgressBarView.h"
#include "corvel/qt/TerminalView.h"
#include "corvel/qt/gl/GlDevice.h"
#include "corvel/qt/gl/GpuError.h"
#include "corvel/qt/gl/GpuTerminalRenderer.h"
#include "corvel/qt/gl/GpuTerminalSurface.h"
#include "corvel/qt/gl/PictureTextures.h"
#include "corvel/terminal/SelectionService.h"

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
            const int diff = std::max(
                {std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
            d.largest = std::max(d.largest, diff);
            total += diff;
            if (diff > threshold)
                ++d.pixelsOver;
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
        if (!test::haveTestDisplay())
            GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";
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
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
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
        if (!surface)
            return {};
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

// With CORVEL_PROFILE=1 every frame writes its spans to standard error; the
// variable is read once, so the frames are drawn by a child process.
TEST_F(GpuRenderingTest, FramesAreTimedUnderProfiling)
{
    const auto run = [](const char* profile) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("CORVEL_PROFILE"), QString::fromLatin1(profile));
        child.setProcessEnvironment(environment);
        child.start(QStringLiteral("/proc/self/exe"),
                    {QStringLiteral("--gtest_filter=GpuRenderingTest.SetUpSucceedsAndDrawsFrames")});
        EXPECT_TRUE(child.waitForFinished(60'000));
        EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
        return QString::fromUtf8(child.readAllStandardError());
    };
    const QString timed = run("1");
    for (const char* span : {"OpenGL.Draw", "OpenGL.BuildDrawData", "OpenGL.Encode"})
        EXPECT_TRUE(QRegularExpression(QStringLiteral("(^|\\n)OpenGLProfile %1 [0-9.]+ us\\n").arg(QLatin1String(span)))
                        .match(timed)
                        .hasMatch())
            << span << " in:\n"
            << timed.toStdString();
    EXPECT_FALSE(run("true").contains(QStringLiteral("OpenGLProfile")));
}

// An error left by an earlier call is not taken for the failure of a texture
// or buffer made after it.
TEST_F(GpuRenderingTest, MakingAnObjectJudgesItByItsOwnErrors)
{
    QOffscreenSurface surface;
    surface.setFormat(GpuTerminalSurface::requestedFormat());
    surface.create();
    QOpenGLContext context;
    context.setFormat(GpuTerminalSurface::requestedFormat());
    ASSERT_TRUE(context.create());
    ASSERT_TRUE(context.makeCurrent(&surface));
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(&context);
    ASSERT_TRUE(gl && gl->initializeOpenGLFunctions());
    {
        GlDevice device(*gl);
        gl->glEnable(0xFFFF); // not a capability: records GL_INVALID_ENUM
        EXPECT_TRUE(device.makeTexture(GpuTextureFormat::rgba8, 16, 16));
        gl->glEnable(0xFFFF);
        gl->glBindTexture(0xFFFF, 0); // and GL_INVALID_ENUM again
        EXPECT_TRUE(device.makeBuffer(64));
        EXPECT_EQ(gl->glGetError(), GLenum(GL_NO_ERROR));
    }
    context.doneCurrent();
}

TEST_F(GpuRenderingTest, AMissingShaderStageIsNamedAndNothingIsInstalled)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QDir source(QStringLiteral(VELMORA_SOURCE_DIR "/src/corvel/qt/gl/shaders"));
    for (const char* name : ShaderLibrary::requiredFunctions) {
        if (std::string(name) == "terminal_color_fragment")
            continue;
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
    broken.write("void main() { nonsense; }\n");
    broken.close();
    try {
        view->setUseGpu(true, {folder.path()});
        FAIL() << "set-up succeeded with a broken stage";
    } catch (const GpuError& error) {
        EXPECT_EQ(error.kind(), GpuError::Kind::shaderCompilationFailed);
        EXPECT_EQ(std::string(error.what()).rfind("Failed to compile OpenGL shader source: terminal_color_fragment", 0),
                  0u);
    }
}

TEST_F(GpuRenderingTest, SgrBackgroundGridMatchesExactly)
{
    std::string scene = "\x1b[?25l";
    for (int c = 0; c < 16; ++c)
        scene += "\x1b[48;5;" + std::to_string(c) + "m  ";
    scene += "\x1b[0m\r\n";
    for (int c = 16; c < 256; c += 7)
        scene += "\x1b[48;5;" + std::to_string(c) + "m ";
    scene += "\x1b[0m\r\n\x1b[48;2;10;200;90m truecolour to the edge\x1b[K\x1b[0m\r\n\x1b[7m inverse \x1b[0m";
    expectExact(scene, "backgrounds");
}

TEST_F(GpuRenderingTest, BoxAndBlockGlyphsMatchExactly)
{
    std::string scene = "\x1b[?25l\x1b[33m";
    for (char32_t c = 0x2500; c <= 0x259F; ++c) {
        scene += QString::fromUcs4(&c, 1).toStdString();
        if ((c - 0x2500) % 40 == 39)
            scene += "\r\n";
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
    const std::string scene
        = "\x1b[?25l\x1b#6\x1b[41m  \x1b[0m\xe2\x94\x80\xe2\x94\xbc\xe2\x96\x84\x1b[4m   \x1b[0m\r\n"
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
    const std::string scene
        = "\x1b[?25lplain text, \x1b[1mbold\x1b[0m, \x1b[3mitalic\x1b[0m, \x1b[31mred\x1b[0m\r\n"
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

// Pictures against their own pixels at the centres of their cells, and
// against the glyphs for their depth.
TEST_F(GpuRenderingTest, PicturesShowTheirPixelsAtTheirDepth)
{
    // A Kitty picture of two by two cells through placeholder cells: red,
    // green, blue and half-transparent white quarters.
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 2 * ch; ++y)
        for (int x = 0; x < 2 * cw; ++x) {
            const bool right = x >= cw, bottom = y >= ch;
            if (!bottom)
                pixels.insert(pixels.end(), {uint8_t(right ? 0 : 255), uint8_t(right ? 255 : 0), 0, 255});
            else if (!right)
                pixels.insert(pixels.end(), {0, 0, 255, 255});
            else
                pixels.insert(pixels.end(), {255, 255, 255, 128});
        }
    const QByteArray data(reinterpret_cast<const char*>(pixels.data()), qsizetype(pixels.size()));
    const auto mark = [](char32_t c) { return QString::fromUcs4(&c, 1).toStdString(); };
    const std::string cell = mark(0x10EEEE);
    const std::string zero = mark(0x0305), one = mark(0x030D);
    view->feed("\x1b[?25l\x1b_Ga=T,i=7,U=1,c=2,r=2,q=2,f=32,s=18,v=34;" + data.toBase64().toStdString() + "\x1b\\");
    view->feed("\x1b[38;5;7m" + cell + zero + zero + cell + zero + one + "\r\n" + cell + one + zero + cell + one + one
               + "\x1b[0m\r\n\x1b[32m\xe2\x96\x88\xe2\x96\x88\x1b[0m  \x1b[32m\xe2\x96\x88\xe2\x96\x88\x1b[0m");

    view->setUseGpu(true);
    flush();
    // Strips attached to row 2: one below the green block glyphs on
    // columns 0-1 (z-index -1) and one above those on columns 4-5.
    QImage yellow(2 * cw, ch, QImage::Format_ARGB32_Premultiplied);
    yellow.fill(QColor(250, 240, 0));
    auto picture = std::make_shared<const LinePicture>(yellow);
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
    view->getTerminal().updateFullScreen();
    const QImage gpu = gpuImage();
    view->setUseGpu(false);
    ASSERT_FALSE(gpu.isNull());

    const auto near = [](QRgb pixel, QColor expected) {
        return std::abs(qRed(pixel) - expected.red()) <= 2 && std::abs(qGreen(pixel) - expected.green()) <= 2
            && std::abs(qBlue(pixel) - expected.blue()) <= 2;
    };
    const QColor background(20, 22, 30);
    // Half-transparent white over the background, blended premultiplied.
    const QColor blended(
        128 + background.red() * 127 / 255, 128 + background.green() * 127 / 255, 128 + background.blue() * 127 / 255);
    struct Probe {
        int x, y;
        QColor expected;
    };
    for (const Probe& p : {Probe{cw / 2, ch / 2, QColor(255, 0, 0)},
                           Probe{cw + cw / 2, ch / 2, QColor(0, 255, 0)},
                           Probe{cw / 2, ch + ch / 2, QColor(0, 0, 255)},
                           Probe{cw + cw / 2, ch + ch / 2, blended},
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

// Straight RGBA pixels, top row first, of a picture whose quarters are
// red, green, blue and half-transparent white.
std::string quarterPixels(int width, int height)
{
    std::string out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            if (!bottom)
                out += {char(right ? 0 : 255), char(right ? 255 : 0), 0, char(255)};
            else if (!right)
                out += {0, 0, char(255), char(255)};
            else
                out += {char(255), char(255), char(255), char(128)};
        }
    return out;
}

// A Kitty picture of straight RGBA pixels shown at the cursor.
std::string kittyShow(const std::string& keys, int width, int height, const std::string& pixels)
{
    return "\x1b_Ga=T,q=2,f=32,s=" + std::to_string(width) + ",v=" + std::to_string(height) + keys + ";"
        + QByteArray::fromStdString(pixels).toBase64().toStdString() + "\x1b\\";
}

// Pictures programs place, drawn by both renderers from the view's own
// scaled pixels: Kitty pictures below block glyphs (negative z-index) and
// above them, one through placeholder cells, a Sixel picture, an inline
// picture stretched over cells it does not fit, and a picture on a
// double-width line. Half-transparent pixels are blended in 8 bits by the
// CPU and in floats by the GPU and may differ by one level.
TEST_F(GpuRenderingTest, PicturesMatchTheCpuRendering)
{
    std::string scene = "\x1b[?25l\x1b[32m";
    for (int i = 0; i < 8; ++i)
        scene += "\xe2\x96\x8c"; // left half blocks on columns 0-7
    scene += "\x1b[0m\x1b[1;1H" + kittyShow(",C=1,z=-1", 2 * cw, ch, quarterPixels(2 * cw, ch));
    scene += "\x1b[1;5H" + kittyShow(",C=1,z=3", 2 * cw, ch, quarterPixels(2 * cw, ch));
    // A Sixel picture of two colours, in rows 3-4.
    scene += "\x1b[3;1H\x1bPq\"1;1;30;24#1;2;90;20;10#2;2;10;30;90#1!15~#2!15~-#1!30~-#2!30~-#1!30~\x1b\\";
    // An inline picture of 5 × 3 pixels stretched over 4 × 2 cells.
    QImage small(5, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            small.setPixelColor(x, y, QColor(x * 60, y * 100, 200 - x * 40));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    small.save(&buffer, "PNG");
    scene += "\x1b[6;1H\x1b]1337;File=inline=1;width=4;height=2;preserveAspectRatio=0:" + png.toBase64().toStdString()
        + "\x07";
    // Through placeholder cells: a virtual placement of 2 × 2 cells.
    const auto mark = [](char32_t c) { return QString::fromUcs4(&c, 1).toStdString(); };
    const std::string cell = mark(0x10EEEE), zero = mark(0x0305), one = mark(0x030D);
    scene += "\x1b[6;10H" + kittyShow(",i=5,U=1,c=2,r=2", 2 * cw, 2 * ch, quarterPixels(2 * cw, 2 * ch));
    scene += "\x1b[6;10H\x1b[38;5;5m" + cell + zero + zero + cell + zero + one + "\x1b[7;10H" + cell + one + zero + cell
        + one + one + "\x1b[0m";
    // A double-width line with a picture of one colour on it.
    std::string teal;
    for (int i = 0; i < cw * ch; ++i)
        teal += "\x30\xa0\x50\xff";
    scene += "\x1b[10;1H\x1b#6" + kittyShow(",C=1", cw, ch, teal);
    expectExact(scene, "pictures", 1);
}

// What the X server shows of the view's window. Tests running beside this
// one show their windows on the same display, so the view's window is
// raised above them first, and callers retry a picture that another window
// may have covered.
QImage onScreen(TerminalView& view)
{
    view.window()->raise();
    QCoreApplication::processEvents();
    return view.screen()->grabWindow(view.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// The find bar, the progress strip, a hovered link's underline, the link
// preview and a debug overlay attached to the view show on screen over the
// GPU surface just as over the CPU drawing.
TEST_F(GpuRenderingTest, OverlaysShowOverTheGpuSurface)
{
    // The find field's caret stays put between pictures.
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    QGuiApplication::styleHints()->setCursorFlashTime(0);
    view->setLinkHighlightMode(LinkHighlightMode::hover);
    view->feed("\x1b[?25l\r\n\r\n\r\n\r\n\r\n\r\n see https://example.test/a/page here");
    view->progressReportTimer().setInterval(600'000);
    view->feed("\x1b]9;4;1;50\x07");
    view->performFindCommand(TerminalView::FindCommand::showFindInterface);
    auto* overlay = new TerminalDebugView(QRect(20, 150, 300, 40), *view, view.get());
    overlay->show();
    view->previewUrl(";https://example.test/preview");
    flush();
    // The strip grows to its share in an animation; the picture to compare
    // with is taken once it has ended and the screen holds still.
    auto* strip = view->progressBarView();
    ASSERT_TRUE(test::waitFor(
        [&] { return strip->barRect().width() == strip->width() * strip->progress().value_or(0) / 100.0; }, 30'000));
    QImage cpuPlain;
    ASSERT_TRUE(test::waitFor(
        [&] {
            flush();
            const QImage before = onScreen(*view);
            flush();
            cpuPlain = onScreen(*view);
            return !cpuPlain.isNull() && cpuPlain == before;
        },
        20'000));

    // Hovering the link changes only its underline's pixels, under the
    // link's 27 cells.
    view->updateHoverLink(Position{10, 6});
    ASSERT_TRUE(view->linkHighlightRange);
    const QRect linkCells(cw * 5, ch * 6, cw * 27, ch);
    QImage cpu;
    QRegion underline;
    const bool onlyUnderline = test::waitFor(
        [&] {
            flush();
            cpu = onScreen(*view);
            if (cpu.size() != cpuPlain.size())
                return false;
            underline = QRegion();
            for (int y = 0; y < cpu.height(); ++y)
                for (int x = 0; x < cpu.width(); ++x)
                    if (cpu.pixel(x, y) != cpuPlain.pixel(x, y))
                        underline += QRect(x, y, 1, 1);
            return !underline.isEmpty() && linkCells.contains(underline.boundingRect());
        },
        20'000);
    ASSERT_FALSE(underline.isEmpty());
    EXPECT_TRUE(onlyUnderline) << "changed pixels outside the link's cells";

    // The GPU draws the row first without the underline, then with it.
    view->updateHoverLink(Position{0, 0});
    ASSERT_FALSE(view->linkHighlightRange);
    view->setUseGpu(true);
    ASSERT_TRUE(test::waitFor([&] { return view->gpuSurface()->framesDrawn() > 0; }, 20'000));
    view->updateHoverLink(Position{10, 6});
    const std::vector<std::pair<const char*, QRect>> places = {
        {"find bar", view->findBar()->geometry()},
        {"progress strip", view->progressBarView()->geometry()},
        {"debug overlay", overlay->geometry()},
        {"link preview", view->urlPreview()->geometry()},
    };
    for (const auto& [name, place] : places)
        ASSERT_TRUE(place.isValid() && place.intersects(view->rect())) << name;
    // Where it shows, the window on screen is what the CPU drawing showed:
    // the overlays over the text, and the underline drawn by the GPU. The
    // find bar is translucent, and blended over the GPU's picture in floats
    // it may differ by a level or two.
    const auto sameIn = [&](const QImage& gpu, const QRegion& region) {
        for (const QRect& r : region)
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) {
                    const QRgb p = gpu.pixel(x, y), q = cpu.pixel(x, y);
                    if (std::abs(qRed(p) - qRed(q)) > 2 || std::abs(qGreen(p) - qGreen(q)) > 2
                        || std::abs(qBlue(p) - qBlue(q)) > 2)
                        return false;
                }
        return true;
    };
    QImage gpu;
    const bool shown = test::waitFor(
        [&] {
            gpu = onScreen(*view);
            if (gpu.size() != cpu.size() || !sameIn(gpu, underline))
                return false;
            for (const auto& [name, place] : places)
                if (!sameIn(gpu, QRegion(place.intersected(view->rect()))))
                    return false;
            return true;
        },
        20'000);
    ASSERT_GT(view->gpuSurface()->framesDrawn(), 0);
    if (!shown) {
        cpu.save(QDir::temp().filePath(QStringLiteral("gpu-overlays-cpu.png")));
        gpu.save(QDir::temp().filePath(QStringLiteral("gpu-overlays-gpu.png")));
    }
    EXPECT_TRUE(shown) << "the overlays or the underline differ on screen";
    view->setUseGpu(false);
    QGuiApplication::styleHints()->setCursorFlashTime(flashTime);
}

} // namespace
} // namespace corvel
