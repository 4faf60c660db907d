#include <sys/ioctl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "ViewFixture.h"
#include "corvel/process/PseudoTerminalHelpers.h"
#include "corvel/qt/LocalProcessTerminalView.h"

namespace corvel {
namespace {

using test::waitFor;

// A host that records the view's reports, and what the child's terminal
// says its size is at the moment each new size is reported.
struct ProcessHost : LocalProcessTerminalViewDelegate {
    std::vector<std::pair<int, int>> sizes;
    std::vector<std::pair<int, int>> ptySizesWhenTold;
    std::vector<std::string> titles;
    std::vector<std::optional<std::string>> directories;
    std::optional<std::optional<int32_t>> exit;

    void sizeChanged(LocalProcessTerminalView& source, int newCols, int newRows) override
    {
        sizes.emplace_back(newCols, newRows);
        winsize size{};
        ioctl(source.process().childfd(), TIOCGWINSZ, &size);
        ptySizesWhenTold.emplace_back(size.ws_col, size.ws_row);
    }
    void setTerminalTitle(LocalProcessTerminalView&, const std::string& title) override { titles.push_back(title); }
    void hostCurrentDirectoryUpdate(LocalProcessTerminalView&, const std::optional<std::string>& directory) override
    {
        directories.push_back(directory);
    }
    void processTerminated(LocalProcessTerminalView&, std::optional<int32_t> exitCode) override { exit = exitCode; }
};

class LocalProcessView : public ::testing::Test {
protected:
    static constexpr int cellWidth = 9;
    static constexpr int cellHeight = 17;

    void SetUp() override
    {
        view = std::make_unique<LocalProcessTerminalView>();
        view->setTerminalFont(test::testFont(14));
        view->setProcessDelegate(&host);
        resizeGrid(80, 24);
        view->show();
        QCoreApplication::processEvents();
    }

    void TearDown() override
    {
        view->setProcessDelegate(nullptr);
        view->terminate();
        view.reset();
    }

    void resizeGrid(int cols, int rows) { view->resize(view->scrollerWidth() + cellWidth * cols, cellHeight * rows); }

    // A short script may have ended (and running() turned false) by the
    // time startProcess returns: what must hold is that a new child started.
    void start(const std::string& script)
    {
        const pid_t previous = view->process().shellPid();
        view->startProcess("/bin/sh", {"-c", script});
        ASSERT_EQ(view->process().startError(), 0);
        ASSERT_NE(view->process().shellPid(), previous);
    }

    std::string screenText()
    {
        const std::vector<uint8_t> data = view->getTerminal().getBufferAsData(Terminal::BufferKind::active);
        return std::string(data.begin(), data.end());
    }

    bool waitForText(const std::string& text, int timeoutMs = 5000)
    {
        return waitFor([&] { return screenText().find(text) != std::string::npos; }, timeoutMs);
    }

    ProcessHost host;
    std::unique_ptr<LocalProcessTerminalView> view;
};

TEST_F(LocalProcessView, ChildSeesTheNewSizeBeforeTheHostIsTold)
{
    start("stty size; while read line; do stty size; done");
    ASSERT_TRUE(waitForText("24 80"));
    EXPECT_TRUE(host.sizes.empty());

    resizeGrid(100, 30);
    ASSERT_EQ(host.sizes, (std::vector<std::pair<int, int>>{{100, 30}}));
    EXPECT_EQ(host.ptySizesWhenTold, (std::vector<std::pair<int, int>>{{100, 30}}));

    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_TRUE(waitForText("30 100")) << screenText();
}

TEST_F(LocalProcessView, ResizesWithoutAChildAreNotReportedAndTheChildStartsWithTheCurrentGrid)
{
    resizeGrid(90, 20);
    EXPECT_TRUE(host.sizes.empty());
    start("stty size; cat");
    EXPECT_TRUE(waitForText("20 90")) << screenText();
}

TEST_F(LocalProcessView, ResizingByLessThanACellReportsNothing)
{
    start("cat");
    view->resize(view->width() + cellWidth / 2, view->height() + cellHeight / 2);
    EXPECT_TRUE(host.sizes.empty());
}

TEST_F(LocalProcessView, AFontChangeReportsTheSizeEvenWhenTheGridStays)
{
    start("cat");
    view->setTerminalFont(test::testFont(14));
    ASSERT_EQ(host.sizes.size(), 1u);
    EXPECT_EQ(host.sizes[0], (std::pair<int, int>(80, 24)));
}

TEST_F(LocalProcessView, WindowSizeHoldsTheGridAndTheFrameInPixels)
{
    const winsize size = view->getWindowSize();
    EXPECT_EQ(size.ws_col, 80);
    EXPECT_EQ(size.ws_row, 24);
    EXPECT_EQ(size.ws_xpixel, view->width());
    EXPECT_EQ(size.ws_ypixel, view->height());
}

TEST_F(LocalProcessView, StartingTwiceStartsOneChild)
{
    start("cat");
    const pid_t first = view->process().shellPid();
    view->startProcess("/bin/sh", {"-c", "cat"});
    EXPECT_EQ(view->process().shellPid(), first);
}

TEST_F(LocalProcessView, TypedKeysReachTheChild)
{
    start("cat");
    QTest::keyClicks(view.get(), "typed");
    QTest::keyClick(view.get(), Qt::Key_Return);
    // Echoed by the terminal, then written back by cat.
    EXPECT_TRUE(waitFor([&] {
        const std::string text = screenText();
        const size_t first = text.find("typed");
        return first != std::string::npos && text.find("typed", first + 5) != std::string::npos;
    })) << screenText();
}

TEST_F(LocalProcessView, TitleAndDirectoryReportsReachTheHost)
{
    start("printf '\\033]0;my title\\007\\033]7;file://localhost/tmp/place\\007'; cat");
    ASSERT_TRUE(waitFor([&] { return !host.titles.empty() && !host.directories.empty(); }));
    EXPECT_EQ(host.titles.back(), "my title");
    ASSERT_EQ(host.directories.size(), 1u);
    EXPECT_EQ(host.directories[0], std::optional<std::string>("file://localhost/tmp/place"));
}

TEST_F(LocalProcessView, ExitIsReportedAfterTheOutputAndLaterKeysAreDropped)
{
    start("echo last words; exit 3");
    ASSERT_TRUE(waitFor([&] { return host.exit.has_value(); }));
    EXPECT_EQ(*host.exit, std::optional<int32_t>(3));
    EXPECT_NE(screenText().find("last words"), std::string::npos);
    EXPECT_FALSE(view->process().running());

    QTest::keyClicks(view.get(), "after");
    QCoreApplication::processEvents();
    EXPECT_EQ(screenText().find("after"), std::string::npos);
}

TEST_F(LocalProcessView, AShellThatCannotRunSaysWhyOnTheScreen)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    const std::string plain = folder + "/plain";
    QFile file(QString::fromStdString(plain));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("echo hi\n");
    file.close();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/x/y", "corvel: cannot run /x/y: No such file or directory"},
        {folder, "corvel: cannot run " + folder + ": Is a directory"},
        {plain, "corvel: cannot run " + plain + ": Permission denied"},
    };
    for (const auto& [shell, message] : cases) {
        view->feed("\x1b[H\x1b[2J");
        view->startProcess(shell, {}, std::nullopt, PseudoTerminalHelpers::loginShellArgv0(shell));
        EXPECT_FALSE(view->process().running()) << shell;
        EXPECT_NE(view->process().startError(), 0) << shell;
        EXPECT_NE(screenText().find(message), std::string::npos) << screenText();
    }
    EXPECT_FALSE(host.exit.has_value());
    // The same view still starts a program that can run.
    start("echo started; cat");
    EXPECT_TRUE(waitForText("started"));
}

TEST_F(LocalProcessView, SameViewRunsAnotherChildAfterTheFirstEnds)
{
    start("exit 0");
    ASSERT_TRUE(waitFor([&] { return host.exit.has_value(); }));
    start("echo second child; cat");
    EXPECT_TRUE(waitForText("second child"));
}

} // namespace
} // namespace corvel
