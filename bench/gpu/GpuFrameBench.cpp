// Cost of building the GPU renderer's draw data, offscreen and without a GPU
// (textures and buffers kept in memory): a full screen of changed text, one
// changed row with the other rows' buffers kept, and the same change gathered
// into one aggregated frame.

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontDatabase>

#include "corvel/qt/TerminalView.h"
#include "corvel/qt/gl/FrameDrawData.h"
#include "corvel/qt/gl/GlyphStore.h"

namespace {

using namespace corvel;

constexpr int benchCols = 200;
constexpr int benchRows = 60;

// Textures and buffers in memory, as a driver would keep them before upload.
class MemoryDevice : public GpuDevice {
public:
    struct Texture : GpuTexture {
        using GpuTexture::GpuTexture;
        std::vector<uint8_t> pixels;
    };
    struct Buffer : GpuBuffer {
        using GpuBuffer::GpuBuffer;
        std::vector<uint8_t> bytes;
    };

    std::shared_ptr<GpuTexture> makeTexture(GpuTextureFormat format, int width, int height) override
    {
        auto texture = std::make_shared<Texture>(format, width, height);
        texture->pixels.resize(size_t(width) * size_t(height) * size_t(bytesPerPixel(format)));
        return texture;
    }
    void replaceRegion(GpuTexture& texture, int x, int y, int width, int height, const uint8_t* data,
                       int bytesPerRow) override
    {
        auto& t = static_cast<Texture&>(texture);
        const size_t bpp = size_t(bytesPerPixel(t.format()));
        for (int r = 0; r < height; ++r)
            std::memcpy(t.pixels.data() + (size_t(y + r) * size_t(t.width()) + size_t(x)) * bpp,
                        data + size_t(r) * size_t(bytesPerRow), size_t(width) * bpp);
    }
    std::shared_ptr<GpuBuffer> makeBuffer(size_t length) override
    {
        auto buffer = std::make_shared<Buffer>(length);
        buffer->bytes.resize(length);
        return buffer;
    }
    void writeBuffer(GpuBuffer& buffer, size_t offset, const void* data, size_t length) override
    {
        std::memcpy(static_cast<Buffer&>(buffer).bytes.data() + offset, data, length);
    }
};

struct Fixture {
    Fixture()
    {
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setPixelSize(14);
        view = std::make_unique<TerminalView>(nullptr, font);
        const QSizeF cell = view->cellDimension();
        size = QSizeF(cell.width() * benchCols, cell.height() * benchRows);
        view->resize(view->scrollerWidth() + int(size.width()), int(size.height()));
        view->show();
        QCoreApplication::processEvents();
        glyphs = GlyphStore::create(device);
        builder = std::make_unique<FrameDrawBuilder>(device, *glyphs);
    }

    DrawData frame(GpuBufferingMode mode)
    {
        view->updateDisplay(false);
        return builder->build(*view, size, 1, mode, true);
    }

    MemoryDevice device;
    std::unique_ptr<TerminalView> view;
    std::unique_ptr<GlyphStore> glyphs;
    std::unique_ptr<FrameDrawBuilder> builder;
    QSizeF size;
};

// One screen of text in 16 foreground and 8 background colours, some bold.
std::string colouredScreen(int seed)
{
    std::string text = "\x1b[H";
    for (int row = 0; row < benchRows; ++row) {
        for (int col = 0; col < benchCols; col += 10) {
            const int n = seed + row * 7 + col;
            text += "\x1b[" + std::to_string(30 + n % 8) + ";" + std::to_string(40 + (n / 8) % 8) +
                    (n % 3 == 0 ? ";1m" : "m");
            text += "abcdefghij";
        }
        text += "\x1b[0m";
        if (row + 1 < benchRows) text += "\r\n";
    }
    return text;
}

void BM_GpuFullScreenBuild(benchmark::State& state)
{
    Fixture f;
    int seed = 0;
    for (auto _ : state) {
        f.view->feed(colouredScreen(seed++));
        benchmark::DoNotOptimize(f.frame(GpuBufferingMode::perRowPersistent));
    }
    state.counters["frames_per_second"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["rows_built"] = f.builder->rowsBuilt();
    state.counters["rows"] = f.view->getTerminal().rows;
}
BENCHMARK(BM_GpuFullScreenBuild)->Unit(benchmark::kMillisecond);

void oneDirtyRow(benchmark::State& state, GpuBufferingMode mode)
{
    Fixture f;
    f.view->feed(colouredScreen(0));
    f.frame(mode);
    int n = 0;
    for (auto _ : state) {
        f.view->feed("\x1b[30;1H\x1b[33mprogress " + std::to_string(n++) + "%\x1b[0m");
        benchmark::DoNotOptimize(f.frame(mode));
    }
    state.counters["rows_built"] = f.builder->rowsBuilt();
}

void BM_GpuOneDirtyRowPerRow(benchmark::State& state) { oneDirtyRow(state, GpuBufferingMode::perRowPersistent); }
BENCHMARK(BM_GpuOneDirtyRowPerRow)->Unit(benchmark::kMicrosecond);

void BM_GpuOneDirtyRowAggregated(benchmark::State& state) { oneDirtyRow(state, GpuBufferingMode::perFrameAggregated); }
BENCHMARK(BM_GpuOneDirtyRowAggregated)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"));
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
