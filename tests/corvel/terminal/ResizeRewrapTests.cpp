#include <gtest/gtest.h>

#include <string>

#include "TerminalTestSupport.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {
namespace {

using test::RecordingDelegate;
using test::sized;

class ResizeRewrap : public ::testing::Test {
protected:
    RecordingDelegate delegate;
    Terminal terminal{&delegate, sized(60, 10, 1000)};

    // Everything on the normal screen as selected text: wrapped rows joined.
    std::string allText()
    {
        Buffer& normal = terminal.normalBuffer();
        std::string out;
        for (const Line& line : terminal.getSelectedLines({0, 0}, {0, normal.lines().count() - 1}, normal))
            for (const LineFragment& fragment : line.fragments)
                out += fragment.text.value_or("");
        return out;
    }

    void printSample()
    {
        for (int i = 0; i < 25; ++i) {
            std::string line = "line " + std::to_string(i) + ":";
            for (int j = 0; j < i * 7 % 150; ++j)
                line += static_cast<char>('a' + (i + j) % 26);
            terminal.feed(line + "\r\n");
        }
    }
};

TEST_F(ResizeRewrap, SelectedTextOfTheScrollbackSurvivesEveryWidth)
{
    printSample();
    const std::string before = allText();
    ASSERT_NE(before.find("line 24:"), std::string::npos);
    for (int cols : {37, 90, 23, 133, 2, 60}) {
        terminal.resize(cols, 10);
        EXPECT_EQ(allText(), before) << "at " << cols << " columns";
        EXPECT_EQ(terminal.buffer().lines()[0].count(), cols);
    }
}

TEST_F(ResizeRewrap, TheNormalScreenIsRewrappedWhileTheAlternateOneIsShown)
{
    printSample();
    const std::string before = allText();
    terminal.feed("\x1b[?1049h");
    ASSERT_TRUE(terminal.isCurrentBufferAlternate());
    terminal.resize(31, 10);
    terminal.resize(75, 10);
    terminal.feed("\x1b[?1049l");
    EXPECT_EQ(allText(), before);
}

TEST_F(ResizeRewrap, TheCursorKeepsWritingWhereItWas)
{
    printSample();
    terminal.feed("prompt$ ");
    terminal.resize(40, 10);
    terminal.feed("typed");
    const Buffer& screen = terminal.buffer();
    EXPECT_EQ(terminal.lineText(screen.y()), "prompt$ typed");
    EXPECT_NE(terminal.lineText(screen.y() - 1), "") << "the last line of output stays just above";
}

} // namespace
} // namespace corvel
