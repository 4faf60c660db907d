// Output a hostile program can write, fed through a 300x100 terminal: the
// time per batch should stay near that of ordinary output of the same size.

#include <benchmark/benchmark.h>

#include <span>
#include <string>

#include "corvel/terminal/Terminal.h"

namespace {

class DiscardingHost : public corvel::TerminalDelegate {
public:
    void send(corvel::Terminal&, std::span<const uint8_t>) override {}
};

void feedRepeatedly(benchmark::State& state, const std::string& bytes)
{
    DiscardingHost host;
    corvel::TerminalOptions options;
    options.cols = 300;
    options.rows = 100;
    corvel::Terminal terminal(&host, options);
    const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    for (auto _ : state) {
        terminal.parser().parse(data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

std::string repeated(const std::string& piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// 1,000 full-screen rectangle copies, one row down, against 1,000 fills.
void BM_FullScreenCopies(benchmark::State& state)
{
    feedRepeatedly(state, repeated("\x1b[1;1;99;300;1;2;1;1$v", 1000));
}
void BM_FullScreenFills(benchmark::State& state) { feedRepeatedly(state, repeated("\x1b[65;1;1;100;300$x", 1000)); }

// 20,000 combining marks on one letter: all but the first few are dropped.
void BM_CombiningMarkChain(benchmark::State& state)
{
    feedRepeatedly(state, "a" + repeated("\xcc\x81", 20000) + "\r\n");
}

// A Sixel picture declaring 10000x10000 and painting one repeat of 1,000,000.
void BM_SixelRepeat(benchmark::State& state) { feedRepeatedly(state, "\x1bPq\"1;1;10000;10000#1!1000000~\x1b\\"); }

BENCHMARK(BM_FullScreenCopies)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullScreenFills)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CombiningMarkChain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SixelRepeat)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
