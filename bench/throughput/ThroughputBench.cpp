// Feeds each generated stream, in 16 KiB chunks, through a Corvel terminal
// and through libvterm's screen layer, reporting bytes per second for both.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <span>

extern "C" {
#include <vterm.h>
}

#include "Streams.h"
#include "corvel/terminal/Terminal.h"

namespace {

constexpr int cols = 80;
constexpr int rows = 24;
constexpr size_t chunkSize = 16384;

class DiscardingHost : public corvel::TerminalDelegate {
public:
    void send(corvel::Terminal&, std::span<const uint8_t>) override {}
};

template <typename Feed> void feedInChunks(const std::string& bytes, Feed&& feed)
{
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    for (size_t at = 0; at < bytes.size(); at += chunkSize)
        feed(data + at, std::min(chunkSize, bytes.size() - at));
}

void corvelStream(benchmark::State& state, const throughput::Stream* stream)
{
    DiscardingHost host;
    corvel::TerminalOptions options;
    options.cols = cols;
    options.rows = rows;
    corvel::Terminal terminal(&host, options);
    for (auto _ : state) {
        feedInChunks(stream->bytes, [&](const uint8_t* data, size_t n) { terminal.parser().parse({data, n}); });
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream->bytes.size()));
}

void discardOutput(const char*, size_t, void*) {}

void libvtermStream(benchmark::State& state, const throughput::Stream* stream)
{
    VTerm* vt = vterm_new(rows, cols);
    vterm_set_utf8(vt, 1);
    vterm_output_set_callback(vt, discardOutput, nullptr);
    VTermScreen* screen = vterm_obtain_screen(vt);
    vterm_screen_enable_altscreen(screen, 1);
    vterm_screen_reset(screen, 1);
    for (auto _ : state) {
        feedInChunks(stream->bytes, [&](const uint8_t* data, size_t n) {
            vterm_input_write(vt, reinterpret_cast<const char*>(data), n);
        });
        vterm_screen_flush_damage(screen);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream->bytes.size()));
    vterm_free(vt);
}

int registerAll()
{
    for (const auto& stream : throughput::streams()) {
        benchmark::RegisterBenchmark((std::string("corvel/") + stream.name).c_str(), corvelStream, &stream)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("libvterm/") + stream.name).c_str(), libvtermStream, &stream)
            ->Unit(benchmark::kMillisecond);
    }
    return 0;
}

const int registered = registerAll();

} // namespace

BENCHMARK_MAIN();
