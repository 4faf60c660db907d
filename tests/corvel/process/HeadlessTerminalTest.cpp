#include "corvel/process/HeadlessTerminal.h"

#include "ProcessTestSupport.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <algorithm>

using namespace corvel;
using namespace corvel::testing;

namespace {

TerminalOptions sized(int cols, int rows)
{
    TerminalOptions options;
    options.cols = cols;
    options.rows = rows;
    return options;
}

// Prints "reply:" and what the terminal answered to query, ESC shown as "E".
std::string askTerminal(const std::string& query)
{
    return "stty raw -echo min 0 time 50; printf 'ab'; printf '" + query
        + "'; reply=$(dd bs=256 count=1 2>/dev/null); "
          "printf '\\r\\nreply:%s\\r\\n' \"$(printf '%s' \"$reply\" | tr '\\033' E)\"";
}

class HeadlessTerminalTest : public ::testing::Test {
protected:
    RunLoopExecutor loop;
    std::optional<std::optional<std::int32_t>> ended;
    std::unique_ptr<HeadlessTerminal> headless;

    void create(const TerminalOptions& options)
    {
        headless = std::make_unique<HeadlessTerminal>(loop, options, [this](auto code) { ended = code; });
    }

    void runShell(const std::string& script)
    {
        headless->process().startProcess("/bin/sh", {"-c", script});
        ASSERT_GT(headless->process().shellPid(), 0);
    }

    bool runUntilEnd()
    {
        return loop.runUntil([&] { return ended.has_value(); }, 20s);
    }
};

TEST_F(HeadlessTerminalTest, ScriptOutputLandsOnTheScreenAndTheExitCodeReachesOnEnd)
{
    create(sized(40, 10));
    runShell("printf 'hello\\n  world   \\n'; printf '\\033[31mred\\033[0m'; exit 3");
    ASSERT_TRUE(runUntilEnd());
    EXPECT_EQ(*ended, std::optional<std::int32_t>(3));
    EXPECT_EQ(headless->screenText(), "hello\n  world\nred\n");
}

// The pixel size is the grid of the reported 10 by 20 pixel cells, on the
// pseudo-terminal the child reads it from.
TEST_F(HeadlessTerminalTest, ChildSeesTheTerminalSize)
{
    create(sized(100, 30));
    const winsize size = headless->getWindowSize();
    EXPECT_EQ(size.ws_row, 30);
    EXPECT_EQ(size.ws_col, 100);
    EXPECT_EQ(size.ws_xpixel, 1000);
    EXPECT_EQ(size.ws_ypixel, 600);

    runShell("stty size; read line");
    ASSERT_TRUE(loop.runUntil([&] { return headless->screenText() == "30 100\n"; }, 20s));
    winsize onPty{};
    ASSERT_EQ(::ioctl(headless->process().childfd(), TIOCGWINSZ, &onPty), 0);
    EXPECT_EQ(onPty.ws_xpixel, 1000);
    EXPECT_EQ(onPty.ws_ypixel, 600);
    headless->send("\r");
    ASSERT_TRUE(runUntilEnd());
}

TEST_F(HeadlessTerminalTest, TerminalRepliesReachTheChildWithoutHostCode)
{
    struct Query {
        const char* query; // as printf writes it
        const char* reply; // ESC shown as "E"
    };
    const std::vector<Query> queries{
        {"\\033[c", "E[?65;4;1;2;6;21;22;17;28c"}, // primary device attributes
        {"\\033[6n", "E[1;3R"}, // cursor position, after "ab"
        {"\\033[?u", "E[?0u"}, // keyboard enhancement flags
    };
    for (const Query& q : queries) {
        ended.reset();
        create(sized(40, 10));
        runShell(askTerminal(q.query));
        ASSERT_TRUE(runUntilEnd()) << q.query;
        EXPECT_EQ(headless->screenText(), std::string("ab\nreply:") + q.reply + "\n") << q.query;
    }
}

TEST_F(HeadlessTerminalTest, ReportedDirectoryAndImagesAreKept)
{
    create(sized(40, 10));
    runShell("printf '\\033]7;file://host/tmp/work\\033\\\\'; "
             "printf '\\033Pq#1;2;100;0;0#1~~~\\033\\\\'");
    ASSERT_TRUE(runUntilEnd());
    EXPECT_EQ(headless->dir, std::optional<std::string>("file://host/tmp/work"));
    const auto pictures = headless->pictures();
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0]->width, 3);
    EXPECT_EQ(pictures[0]->height, 6);
    EXPECT_EQ(pictures[0]->bytes.size(), 3u * 6u * 4u);
}

TEST_F(HeadlessTerminalTest, PicturesAreHeldOnceAndOnlyWhilePlaced)
{
    for (const std::string& leave : {std::string("\x1b"
                                                 "c"),
                                     std::string(40, '\n')}) {
        TerminalOptions options = sized(40, 10);
        options.scrollback = 5;
        create(options);
        auto feed = [&](const std::string& bytes) {
            headless->terminal().parser().parse({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
        };
        // Declaring 10000 x 10000 pixels costs nothing until they are painted.
        for (int i = 0; i < 3; ++i)
            feed("\x1bPq\"1;1;10000;10000#1;2;100;0;0#1~~~~\x1b\\\r\n");
        std::vector<std::weak_ptr<const HeadlessTerminal::Image>> held;
        for (const auto& picture : headless->pictures()) {
            EXPECT_EQ(picture->width, 4);
            EXPECT_EQ(picture->height, 6);
            EXPECT_EQ(picture->bytes.size(), 4u * 6u * 4u);
            held.push_back(picture);
        }
        ASSERT_EQ(held.size(), 3u);
        // Once no line shows them, nothing holds their pixels.
        feed(leave);
        EXPECT_TRUE(headless->pictures().empty());
        for (const auto& picture : held)
            EXPECT_TRUE(picture.expired());
    }
}

TEST_F(HeadlessTerminalTest, SentTextReachesTheChild)
{
    create(sized(40, 10));
    runShell("read line; echo \"got:$line\"");
    headless->send("typed\r");
    ASSERT_TRUE(runUntilEnd());
    EXPECT_EQ(headless->screenText(), "typed\ngot:typed\n");
}

TEST_F(HeadlessTerminalTest, EndlessOutputKeepsPendingBytesBounded)
{
    create(sized(20, 5));
    runShell("exec yes");
    std::size_t highest = 0;
    // Sampled after every task the loop runs, for a bounded while.
    loop.runUntil(
        [&] {
            highest = std::max(highest, headless->process().pendingBytes());
            return false;
        },
        1500ms);
    EXPECT_LE(highest, LocalProcess::maxPendingBytes + LocalProcess::readSize);
    // Where the last chunk ended decides whether the bottom row is empty yet.
    const auto rows = terminalLines(headless->screenText());
    EXPECT_GE(rows.size(), 4u);
    for (const std::string& row : rows)
        EXPECT_EQ(row, "y");
    headless->process().terminate();
}

TEST_F(HeadlessTerminalTest, RepliesToAChildThatDoesNotReadStopAtTheBound)
{
    create(sized(20, 5));
    // Device attribute queries as fast as the child can write them; it never
    // reads the answers. Raw mode matters: in canonical mode a line that never
    // ends lets the pseudo-terminal take input for ever and discard it, so the
    // answers would only pile up when the writer falls behind the parser.
    runShell("stty raw -echo; exec yes \"$(printf '\\033[c')\"");
    ::testing::internal::CaptureStderr();
    std::size_t highest = 0;
    auto sample = [&] {
        highest = std::max(highest, headless->process().unsentBytes());
        return false;
    };
    const bool filled = loop.runUntil(
        [&] {
            sample();
            return highest >= Terminal::maxUnsentReplyBytes;
        },
        120s);
    loop.runUntil(sample, 300ms);
    headless->process().terminate();
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(filled) << "the queue never filled: " << highest;
    EXPECT_LE(highest, Terminal::maxUnsentReplyBytes + 64);
    const std::string line = "replies are dropped";
    const size_t first = said.find(line);
    EXPECT_NE(first, std::string::npos) << said;
    EXPECT_EQ(said.find(line, first + 1), std::string::npos) << said;
}

TEST_F(HeadlessTerminalTest, ScrollbackCanBeRemoved)
{
    create(sized(40, 10));
    Terminal& terminal = headless->terminal();
    const auto feedLines = [&terminal](int from, int to) {
        for (int i = from; i <= to; ++i)
            terminal.feed(std::to_string(i) + "\r\n");
    };
    headless->changeScrollback(std::nullopt);
    EXPECT_EQ(terminal.options.scrollback, 0);
    feedLines(1, 30);
    // Nothing is kept above the screen, which shows the last lines.
    EXPECT_EQ(terminal.displayBuffer().yBase(), 0);
    EXPECT_EQ(headless->screenText(), "22\n23\n24\n25\n26\n27\n28\n29\n30\n");

    headless->changeScrollback(1000);
    EXPECT_EQ(terminal.options.scrollback, 1000);
    feedLines(31, 50);
    EXPECT_EQ(terminal.displayBuffer().yBase(), 20);
    EXPECT_EQ(headless->screenText(), "42\n43\n44\n45\n46\n47\n48\n49\n50\n");
}

TEST_F(HeadlessTerminalTest, DestroyingItWhileTheChildRunsLeavesNoZombie)
{
    create(sized(40, 10));
    runShell("echo up; read line");
    ASSERT_TRUE(loop.runUntil([&] { return headless->screenText() == "up\n"; }, 20s));
    const pid_t pid = headless->process().shellPid();
    headless.reset();
    EXPECT_TRUE(eventually([pid] { return !processExists(pid); }));
    loop.runFor(50ms);
    EXPECT_FALSE(ended.has_value());
}

TEST_F(HeadlessTerminalTest, TerminateEndsTheChildWithoutCallingOnEnd)
{
    create(sized(40, 10));
    runShell("echo up; while :; do sleep 1; done");
    ASSERT_TRUE(loop.runUntil([&] { return headless->screenText() == "up\n"; }, 20s));
    const pid_t pid = headless->process().shellPid();
    headless->process().terminate();
    EXPECT_TRUE(eventually([pid] { return !processExists(pid); }));
    loop.runFor(200ms);
    EXPECT_FALSE(ended.has_value());
}

} // namespace
