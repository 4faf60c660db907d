// Streams of the commands built here with arbitrary parameters, mixed with
// text: whatever arrives, the cursor, the region, the margins and every line
// stay within the screen.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "TerminalTestSupport.h"
#include "corvel/base/RunLoopExecutor.h"

namespace corvel::test {
namespace {

class SoupHost : public RecordingDelegate {
public:
    std::optional<std::pair<int, int>> cellSizeInPixels(Terminal&) override { return std::make_pair(7, 15); }
};

std::string parameter(std::mt19937& random)
{
    switch (random() % 6) {
    case 0: return "";
    case 1: return "0";
    case 2: return std::to_string(random() % 4);
    case 3: return std::to_string(random() % 40);
    case 4: return std::to_string(random() % 200000);
    default: return "99999999999999999999";
    }
}

std::string sequence(std::mt19937& random)
{
    static const char* finals = "@ABCDEFGHIJKLMPSTXZ`abdefghlmnpqrstuvxyz{}~";
    static const char* intermediates[] = {"", "", "", "?", ">", "$", "'", " ", "*", "!", "\"", "#"};
    static const char* others[] = {
        "\x1b"
        "7",
        "\x1b"
        "8",
        "\x1b#8",
        "\x1b#6",
        "\x1b#3",
        "\x1b"
        "D",
        "\x1b"
        "M",
        "\x1b"
        "E",
        "\x1b"
        "c",
        "\x1b[?1049h",
        "\x1b[?1049l",
        "\x1b[?47h",
        "\x1b[?69h",
        "\x1b[?6h",
        "\x1b[?6l",
        "\x1b[?2026h",
        "\x1b[?2026l",
        "\x1b[?3h",
        "\x1b[?3l",
        "\x1b[4h",
        "\x1b[4l",
        "\x1b[?7l",
        "\x1b[?7h",
        "\x1b]8;;http://x\x1b\\",
        "\x1b]8;;\x1b\\",
        "\x1b]4;1;?\x07",
        "\x1b]10;?\x07",
        "\x1bP$qm\x1b\\",
        "\x1b]104\x07",
        "\x1b]11;#102030\x07",
        "\r\n",
        "\t",
        "\b",
        "wide\xe4\xb8\xad\xe6\x96\x87",
        "text ",
    };
    if (random() % 3 == 0)
        return others[random() % std::size(others)];
    std::string out = "\x1b[";
    const char* intermediate = intermediates[random() % std::size(intermediates)];
    const bool prefix = *intermediate == '?' || *intermediate == '>';
    if (prefix)
        out += intermediate;
    const int count = static_cast<int>(random() % 9);
    for (int i = 0; i < count; ++i) {
        if (i)
            out += random() % 5 == 0 ? ":" : ";";
        out += parameter(random);
    }
    if (!prefix)
        out += intermediate;
    out += finals[random() % std::strlen(finals)];
    return out;
}

void expectWithinScreen(Terminal& t, const std::string& recent)
{
    for (Buffer* screen : {&t.normalBuffer(), &t.altBuffer()}) {
        const Buffer& b = *screen;
        ASSERT_GE(b.x(), 0) << recent;
        ASSERT_LE(b.x(), t.cols) << recent;
        ASSERT_GE(b.y(), 0) << recent;
        ASSERT_LT(b.y(), t.rows) << recent;
        ASSERT_LE(b.scrollTop(), b.scrollBottom()) << recent;
        ASSERT_LT(b.scrollBottom(), t.rows) << recent;
        ASSERT_LE(b.marginLeft, b.marginRight) << recent;
        ASSERT_LT(b.marginRight, t.cols) << recent;
    }
    // Lines may keep cells past a narrower screen's edge, never fewer.
    Buffer& b = t.buffer();
    for (int row = 0; row < t.rows; ++row)
        ASSERT_GE(b.lines()[b.yBase() + row].count(), t.cols) << recent;
}

TEST(SequenceSoup, KeepsTheScreenConsistent)
{
    RunLoopExecutor executor(RunLoopExecutor::ClockMode::Manual);
    SoupHost host;
    Terminal t(&host, sized(13, 7, 20));
    t.setExecutor(&executor);
    std::mt19937 random(20261210);
    std::string recent;
    for (int round = 0; round < 4000; ++round) {
        const std::string next = sequence(random);
        recent = recent.size() > 200 ? next : recent + next;
        testing::internal::CaptureStderr();
        t.feed(next);
        testing::internal::GetCapturedStderr();
        if (round % 50 == 0)
            executor.advance(std::chrono::milliseconds(700));
        expectWithinScreen(t, recent);
        if (HasFatalFailure())
            return;
    }
}

} // namespace
} // namespace corvel::test
