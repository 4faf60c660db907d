// Raw parse throughput with a handler that does nothing, reported as
// bytes_per_second (MB/s) for 64 KiB chunks of typical output.

#include "corvel/parser/EscapeSequenceParser.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace corvel;

class NullHandler : public ParserHandler {
public:
    void print(std::span<const uint8_t> text) override { benchmark::DoNotOptimize(text.data()); }
    void dispatchExecute(uint8_t) override {}
    bool dispatchEsc(const Intermediates&, uint8_t) override { return true; }
    bool dispatchCsi(uint8_t, const SequenceParams& pars, const Intermediates&) override
    {
        benchmark::DoNotOptimize(pars[0]);
        return true;
    }
    bool dispatchOsc(int64_t, std::span<const uint8_t>) override { return true; }
    bool dispatchApc(uint8_t, std::span<const uint8_t>) override { return true; }
    DcsHandler* dispatchDcs(uint8_t, const SequenceParams&, const Intermediates&) override { return nullptr; }
};

constexpr size_t kChunk = 64 * 1024;

// Lines of 79 printable characters, as from a build log or cat of a source file.
std::string plainAscii()
{
    std::string out;
    const std::string line = "    for (int index = 0; index < count; ++index) total += values[index] * weight;";
    while (out.size() < kChunk)
        out += line.substr(0, 79) + "\r\n";
    out.resize(kChunk);
    return out;
}

// Colourised output: a 256-colour or truecolour SGR before almost every word.
std::string sgrHeavy()
{
    std::string out;
    int n = 0;
    while (out.size() < kChunk) {
        out += "\x1B[38;5;" + std::to_string(n % 256) + "mword";
        out += "\x1B[1;38:2:" + std::to_string(n % 256) + ":128:64m ";
        out += "\x1B[0m";
        if (++n % 8 == 0)
            out += "\r\n";
    }
    out.resize(kChunk);
    return out;
}

// Mostly non-ASCII text: accented Latin, CJK and emoji.
std::string utf8Text()
{
    std::string out;
    const std::string line = "Grüße, 世界! naïve café \xF0\x9F\x98\x80 \xE2\x82\xAC 100 — done\r\n";
    while (out.size() < kChunk)
        out += line;
    out.resize(kChunk);
    return out;
}

void runParse(benchmark::State& state, const std::string& input)
{
    NullHandler handler;
    EscapeSequenceParser parser(handler);
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    for (auto _ : state)
        parser.parse(bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input.size()));
}

void BM_PlainAscii(benchmark::State& state) { runParse(state, plainAscii()); }
void BM_SgrHeavy(benchmark::State& state) { runParse(state, sgrHeavy()); }
void BM_Utf8Text(benchmark::State& state) { runParse(state, utf8Text()); }

BENCHMARK(BM_PlainAscii);
BENCHMARK(BM_SgrHeavy);
BENCHMARK(BM_Utf8Text);

} // namespace

BENCHMARK_MAIN();
