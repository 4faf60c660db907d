// Recordings of real programs (see fixtures/): the colours and styles of the
// final screen match what a tmux pane of the same size shows for the same
// bytes. Each .attrs file lists, per row, runs of cells that hold a character
// other than a space, or a space with a background or reverse video, as
// "first-last:foreground,background,styles".
//
// Deliberate difference: in htop.attrs the header and key-bar rows keep their
// background up to the last column, where the program erased the rest of the
// row (EL) in that background; tmux paints those cells too but leaves erased
// cells at the end of a row out of its capture.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "TerminalTestSupport.h"

namespace corvel::test {
namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string colorName(Attribute::Color color)
{
    using Kind = Attribute::Color::Kind;
    switch (color.kind()) {
    case Kind::ansi256: return "p" + std::to_string(color.code());
    case Kind::trueColor: {
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%02x%02x%02x", color.red(), color.green(), color.blue());
        return hex;
    }
    case Kind::defaultColor: return "d";
    case Kind::defaultInvertedColor: return "D";
    }
    return "?";
}

std::string styleNames(const Attribute& attribute)
{
    const uint8_t bits = attribute.style().rawValue();
    // Letters in alphabetical order, as the expected files write them.
    std::string out;
    const std::pair<char, uint8_t> letters[]
        = {{'b', 1}, {'f', 32}, {'h', 16}, {'i', 64}, {'k', 4}, {'r', 8}, {'s', 128}, {'u', 2}};
    for (const auto& [letter, bit] : letters)
        if (bits & bit)
            out += letter;
    return out.empty() ? "-" : out;
}

std::string attributeRuns(Terminal& t)
{
    std::string out;
    Buffer& b = t.buffer();
    for (int row = 0; row < t.rows; ++row) {
        const BufferLine& line = b.lines()[b.yBase() + row];
        struct Run {
            int first;
            int last;
            std::string look;
        };
        std::vector<Run> runs;
        for (int col = 0; col < t.cols; ++col) {
            const CharData& cell = line[col];
            if (cell.width == 0)
                continue;
            const Attribute& a = cell.attribute;
            const bool blank = cell.code == 0 || cell.code == ' ';
            const bool reverse = (a.style().rawValue() & 8) != 0;
            if (blank && a.bg() == Attribute::Color::defaultColor && !reverse)
                continue;
            const std::string look = colorName(a.fg()) + "," + colorName(a.bg()) + "," + styleNames(a);
            if (!runs.empty() && runs.back().last == col - 1 && runs.back().look == look)
                runs.back().last = col;
            else
                runs.push_back({col, col, look});
            if (cell.width == 2)
                ++col;
        }
        for (size_t i = 0; i < runs.size(); ++i) {
            if (i)
                out += ' ';
            out += std::to_string(runs[i].first) + "-" + std::to_string(runs[i].last) + ":" + runs[i].look;
        }
        out += '\n';
    }
    return out;
}

class RecordedSession : public ::testing::TestWithParam<const char*> {};

TEST_P(RecordedSession, ColoursAndStylesMatchThePeer)
{
    const std::string base = std::string(VELMORA_SOURCE_DIR) + "/tests/corvel/terminal/fixtures/" + GetParam();
    const std::string recording = readFile(base + ".bin");
    ASSERT_FALSE(recording.empty()) << base;
    RecordingDelegate host;
    Terminal t(&host, sized(80, 24));
    testing::internal::CaptureStderr();
    t.feed(recording);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(attributeRuns(t), readFile(base + ".attrs"));
}

INSTANTIATE_TEST_SUITE_P(Programs, RecordedSession, ::testing::Values("vim", "less", "htop", "lscolor", "tput"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
} // namespace corvel::test
