#include "corvel/parser/ByteScan.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace corvel {
namespace {

using Scan = const uint8_t* (*)(const uint8_t*, const uint8_t*);

struct ScanCase {
    const char* name;
    Scan scan;
    bool (*stops)(uint8_t);
};

bool stopsText(uint8_t b) { return b < 0x20 || b == 0x7F; }
bool stopsAscii(uint8_t b) { return b < 0x20 || b >= 0x7F; }

class ByteScanTest : public testing::TestWithParam<ScanCase> {};

// Runs of every length and alignment, with one stopping byte at every
// position (or none), must stop exactly where a plain loop stops.
TEST_P(ByteScanTest, StopsAtTheFirstStoppingByte)
{
    const ScanCase& c = GetParam();
    std::mt19937 rng(42);
    const std::vector<uint8_t> stoppers = {0x00, 0x0A, 0x1B, 0x1F, 0x7F, 0x80, 0x9C, 0xC3, 0xFF};
    const std::vector<uint8_t> fillers = {0x20, 'a', '~', 0x80, 0xA0, 0xE2, 0xFF, 0x7E};
    std::uniform_int_distribution<size_t> fill(0, fillers.size() - 1);
    std::vector<uint8_t> buffer(80);
    for (size_t offset = 0; offset < 8; ++offset) {
        for (size_t length = 0; length + offset <= buffer.size(); ++length) {
            for (size_t stopAt = 0; stopAt <= length; ++stopAt) {
                for (uint8_t stopper : stoppers) {
                    for (auto& b : buffer)
                        b = fillers[fill(rng)];
                    if (stopAt < length)
                        buffer[offset + stopAt] = stopper;
                    const uint8_t* begin = buffer.data() + offset;
                    const uint8_t* end = begin + length;
                    const uint8_t* expected = begin;
                    while (expected < end && !c.stops(*expected))
                        ++expected;
                    ASSERT_EQ(c.scan(begin, end) - begin, expected - begin)
                        << "offset " << offset << " length " << length << " stop " << stopAt;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllScanners, ByteScanTest,
                         testing::Values(ScanCase{"Text", ByteScan::findTextEnd, stopsText},
                                         ScanCase{"TextWordwise", ByteScan::findTextEndWordwise, stopsText},
                                         ScanCase{"Ascii", ByteScan::findAsciiEnd, stopsAscii},
                                         ScanCase{"AsciiWordwise", ByteScan::findAsciiEndWordwise, stopsAscii}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace corvel
