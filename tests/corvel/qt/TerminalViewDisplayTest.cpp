#include <chrono>
#include <functional>

#include <QElapsedTimer>
#include <QPaintEvent>
#include <QThread>

#include "ViewFixture.h"
#include "corvel/terminal/SelectionService.h"

namespace corvel {
namespace {

using test::countNear;
using test::ViewFixture;

// Collects the regions the view is asked to repaint.
class PaintRecorder : public QObject {
public:
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

class DisplayTest : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        view->installEventFilter(&recorder);
    }

    // The region repainted by the next display update.
    QRegion repaintedAfterUpdate()
    {
        QCoreApplication::processEvents();
        recorder.painted = QRegion();
        view->updateDisplay(false);
        QCoreApplication::processEvents();
        return recorder.painted;
    }

    void fillScrollback(int lines)
    {
        std::string text;
        for (int i = 0; i < lines; ++i)
            text += "line " + std::to_string(i) + "\r\n";
        view->feed(text);
        flush();
    }

    Buffer& screen() { return terminal().displayBuffer(); }

    PaintRecorder recorder;
};

TEST_F(DisplayTest, ThousandFeedsMakeOneDisplayUpdate)
{
    view->notifyUpdateChanges = true;
    for (int i = 0; i < 1000; ++i)
        view->feed("x");
    EXPECT_TRUE(view->pendingDisplay());
    ASSERT_TRUE(test::waitFor([&] { return !view->pendingDisplay(); }));
    test::waitFor([] { return false; }, 60); // a second update would have come by now
    EXPECT_EQ(host.ranges.size(), 1u);
}

TEST_F(DisplayTest, WaitIsNoneAfterAQuietWindowElseTheRestOfTheWindow)
{
    using std::chrono::milliseconds;
    using std::chrono::nanoseconds;
    const std::vector<std::pair<std::optional<nanoseconds>, milliseconds>> cases = {
        {std::nullopt, milliseconds(0)},
        {nanoseconds(16'670'000), milliseconds(0)},
        {milliseconds(500), milliseconds(0)},
        {nanoseconds(0), milliseconds(17)},
        {milliseconds(1), milliseconds(16)},
        {nanoseconds(16'000'000), milliseconds(1)},
        {nanoseconds(16'669'999), milliseconds(1)},
    };
    for (const auto& [since, wait] : cases)
        EXPECT_EQ(TerminalView::displayWait(since), wait) << (since ? since->count() : -1);
}

TEST_F(DisplayTest, AChangeAfterIdleIsDrawnOnTheNextTurnOfTheEventLoop)
{
    // A quiet window: no update for longer than the coalescing window.
    ASSERT_TRUE(test::waitFor([&] { return !view->pendingDisplay(); }));
    QThread::msleep(20);
    QCoreApplication::processEvents();
    recorder.painted = QRegion();
    view->feed("x");
    ASSERT_TRUE(view->pendingDisplay());
    // The update, then the paint it asks for, without waiting for a timer.
    for (int turn = 0; turn < 3 && recorder.painted.isEmpty(); ++turn)
        QCoreApplication::processEvents();
    EXPECT_FALSE(view->pendingDisplay());
    EXPECT_TRUE(recorder.painted.intersects(cell(0, 0)));
}

// Scheduled updates, timed as the host hears of them.
struct TimedHost : test::RecordingHost {
    QElapsedTimer clock;
    std::vector<qint64> updates;
    void rangeChanged(TerminalView& source, int startY, int endY) override
    {
        RecordingHost::rangeChanged(source, startY, endY);
        updates.push_back(clock.nsecsElapsed());
    }
};

TEST_F(DisplayTest, ABurstStillGetsAtMostOneUpdatePerWindow)
{
    TimedHost timed;
    view->setTerminalDelegate(&timed);
    view->notifyUpdateChanges = true;
    QCoreApplication::processEvents();
    timed.clock.start();
    // A child writing a little every half millisecond for 120 ms, and on a
    // loaded machine for as long as it takes the burst to span a few windows.
    QElapsedTimer deadline;
    deadline.start();
    while ((timed.clock.elapsed() < 120 || timed.updates.size() < 3) && deadline.elapsed() < 30'000) {
        view->feed("x");
        QCoreApplication::processEvents();
        QThread::usleep(500);
    }
    const qint64 burstEnd = timed.clock.nsecsElapsed();
    ASSERT_TRUE(test::waitFor([&] { return !view->pendingDisplay(); }, 30'000));
    view->setTerminalDelegate(&host);
    ASSERT_GE(timed.updates.size(), 3u);
    // Chunks that came within an update's window waited for its end.
    for (size_t i = 1; i < timed.updates.size(); ++i)
        EXPECT_GE(timed.updates[i] - timed.updates[i - 1], TerminalView::displayDelay.count()) << i;
    // One update at the start, at most one per window while the burst went
    // on, and the last chunks' own after it.
    EXPECT_LE(timed.updates.size(), static_cast<size_t>(burstEnd / TerminalView::displayDelay.count() + 2));
}

TEST_F(DisplayTest, AssistiveTechnologyHearsTheTextOfTheChangedRows)
{
    view->feed("first\r\nhello there\r\nthird");
    flush();
    const std::optional<TerminalView::AccessibleChange> second = view->accessibleChange(1, 1);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->text.trimmed(), QStringLiteral("hello there"));
    EXPECT_EQ(second->offset, 80);
    const std::optional<TerminalView::AccessibleChange> all = view->accessibleChange(0, 2);
    ASSERT_TRUE(all.has_value());
    EXPECT_TRUE(all->text.startsWith(QStringLiteral("first"))) << all->text.toStdString();
    EXPECT_TRUE(all->text.contains(QStringLiteral("third")));

    // Scrolled back, the rows are those shown: older lines, later offsets.
    fillScrollback(60);
    view->scrollTo(0, true);
    const std::optional<TerminalView::AccessibleChange> top = view->accessibleChange(0, 0);
    ASSERT_TRUE(top.has_value());
    EXPECT_EQ(top->text.trimmed(), QStringLiteral("first"));
    EXPECT_EQ(top->offset, 0);
}

TEST_F(DisplayTest, UpdateWithNothingChangedRepaintsNothing)
{
    flush();
    view->notifyUpdateChanges = true;
    EXPECT_TRUE(repaintedAfterUpdate().isEmpty());
    ASSERT_EQ(host.ranges.size(), 1u);
    EXPECT_EQ(host.ranges[0].first, host.ranges[0].second);
}

TEST_F(DisplayTest, ChangeOnTheLastRowRepaintsDownToTheBottomEdge)
{
    view->feed("\x1b[?25l\x1b[24;1H"); // keep the caret out of the repainted region
    view->resize(view->width(), view->height() + 10); // a strip below the last row
    flush();
    view->feed("x");
    const QRegion region = repaintedAfterUpdate();
    EXPECT_TRUE(region.contains(QRect(0, 23 * cellHeight, 80 * cellWidth, view->height() - 23 * cellHeight)));
    EXPECT_FALSE(region.intersects(cell(0, 0, 80)));
}

TEST_F(DisplayTest, ChangeOnTheFirstRowRepaintsOnlyItsBand)
{
    view->feed("\x1b[?25l");
    flush();
    view->feed("\x1b[1;1Hx");
    const QRegion region = repaintedAfterUpdate();
    EXPECT_TRUE(region.contains(cell(0, 0, 80)));
    EXPECT_FALSE(region.intersects(cell(0, 1, 80)));
    EXPECT_FALSE(region.intersects(cell(0, 23, 80)));
}

TEST_F(DisplayTest, ChangedRowStaysCorrectWhileScrolledBack)
{
    fillScrollback(60);
    view->feed("\x1b[?25l\x1b[1;1H");
    view->scrollTo(screen().yBase() - 5, false);
    flush();
    // Screen row 0 shows on view row 5 while scrolled back five lines.
    view->feed("\x1b[38;2;255;0;255m\xe2\x96\x88");
    const QRegion region = repaintedAfterUpdate();
    EXPECT_TRUE(region.contains(cell(0, 5)));
    const QImage image = grab();
    EXPECT_EQ(countNear(image, cell(0, 5), QColor(255, 0, 255), 0), cellWidth * cellHeight);
    EXPECT_EQ(countNear(image, cell(0, 0), QColor(255, 0, 255), 0), 0);
}

TEST_F(DisplayTest, ScrollingToAPosition)
{
    fillScrollback(200);
    const int maximum = screen().lines().count() - screen().rows();
    ASSERT_GT(maximum, 100);
    view->scrollToPosition(0.5);
    EXPECT_EQ(screen().yDisp(), maximum / 2);
    EXPECT_EQ(view->scroller()->value(), maximum / 2);
    ASSERT_FALSE(host.scrolls.empty());
    EXPECT_DOUBLE_EQ(host.scrolls.back(), view->scrollPosition());
    EXPECT_TRUE(view->scroller()->isEnabled());

    view->scrollUp(10000);
    EXPECT_EQ(screen().yDisp(), 0);
    EXPECT_EQ(view->scrollPosition(), 0);
    view->scrollDown(10000);
    EXPECT_EQ(screen().yDisp(), maximum);
    EXPECT_EQ(view->scrollPosition(), 1);
    view->pageUp();
    EXPECT_EQ(screen().yDisp(), maximum - 24);
    view->pageDown();
    EXPECT_EQ(screen().yDisp(), maximum);
}

TEST_F(DisplayTest, ScrolledBackViewShowsOlderLines)
{
    fillScrollback(100);
    view->scrollTo(0, false);
    const QImage scrolled = grab();
    view->scrollTo(screen().yBase(), false);
    const QImage live = grab();
    EXPECT_NE(scrolled.copy(cell(0, 0, 20)), live.copy(cell(0, 0, 20)));
}

TEST_F(DisplayTest, SendingScrollsBackToTheCaret)
{
    fillScrollback(100);
    view->scrollTo(0, false);
    view->send(std::string_view("ls"));
    EXPECT_EQ(host.sent, "ls");
    EXPECT_EQ(screen().yDisp(), screen().yBase());
}

TEST_F(DisplayTest, PageKeysGoToTheProgramOnTheAlternateScreen)
{
    fillScrollback(100);
    view->feed("\x1b[?1049h");
    flush();
    EXPECT_FALSE(view->canScroll());
    EXPECT_EQ(view->scrollThumbsize(), 0);
    EXPECT_EQ(view->scrollPosition(), 0);
    EXPECT_FALSE(view->scroller()->isEnabled());
    view->pageUp();
    view->pageDown();
    EXPECT_EQ(host.sent, "\x1b[5~\x1b[6~");
}

TEST_F(DisplayTest, CursorKeysFollowTheCursorKeyMode)
{
    view->sendKeyUp();
    view->sendKeyLeft();
    terminal().setApplicationCursor(true);
    view->sendKeyUp();
    view->sendKeyRight();
    EXPECT_EQ(host.sent, "\x1b[A\x1b[D\x1bOA\x1bOC");
}

struct ReportCase {
    const char* name;
    WindowManipulationCommand::Kind kind;
    bool eightBit;
    std::optional<std::string> expected;
};

TEST_F(DisplayTest, WindowReports)
{
    using K = WindowManipulationCommand::Kind;
    const std::vector<ReportCase> cases = {
        {"text area, 7-bit", K::reportTextAreaPixelDimension, false, "\x1b[4;408;720t"},
        {"text area, 8-bit",
         K::reportTextAreaPixelDimension,
         true,
         "\x9b"
         "4;408;720t"},
        {"cell size, 7-bit", K::reportCellSizeInPixels, false, "\x1b[6;17;9t"},
        {"cell size, 8-bit",
         K::reportCellSizeInPixels,
         true,
         "\x9b"
         "6;17;9t"},
        {"others answer nothing", K::reportTextAreaCharacters, false, std::nullopt},
    };
    for (const ReportCase& c : cases) {
        terminal().feed(c.eightBit ? "\x1b G" : "\x1b F");
        const auto answer = view->windowCommand(terminal(), {c.kind, 0, 0});
        if (!c.expected) {
            EXPECT_FALSE(answer) << c.name;
            continue;
        }
        ASSERT_TRUE(answer) << c.name;
        EXPECT_EQ(std::string(answer->begin(), answer->end()), *c.expected) << c.name;
    }
    const auto cellSize = view->cellSizeInPixels(terminal());
    ASSERT_TRUE(cellSize);
    EXPECT_EQ(*cellSize, std::make_pair(9, 17));
}

// At a density of 2 the cell of DejaVu Sans Mono 14 (an advance of 8.43
// pixels) is 8.5 points wide: the reports count it in device pixels, not
// as a rounded point size doubled nor as points.
TEST(WindowReportsAtDoubleDensity, AFractionalCellIsCountedInDevicePixels)
{
    if (!test::atDoubleDensity())
        return;
    test::RecordingHost host;
    TerminalView view(nullptr, test::testFont(14));
    view.setTerminalDelegate(&host);
    view.resize(view.scrollerWidth() + 400, 300);
    view.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(view.backingScale(), 2.0);
    ASSERT_EQ(view.cellDimension(), QSizeF(8.5, 17));
    Terminal& terminal = view.getTerminal();
    ASSERT_EQ(terminal.cols, 47); // 400 / 8.5
    ASSERT_EQ(terminal.rows, 17); // 300 / 17

    EXPECT_EQ(view.cellSizeInPixels(terminal), std::make_pair(17, 34));
    struct Case {
        const char* request;
        const char* reply;
    };
    const std::vector<Case> cases = {
        {"\x1b[16t", "\x1b[6;34;17t"},
        {"\x1b[14t", "\x1b[4;578;799t"},
        // The terminal's own answer, from the cell size the view gives it.
        {"\x1b[14;2t", "\x1b[4;578;799t"},
    };
    for (const Case& c : cases) {
        host.sent.clear();
        view.feed(c.request);
        EXPECT_EQ(host.sent, c.reply) << c.request + 1;
    }
    view.setTerminalDelegate(nullptr);
}

TEST_F(DisplayTest, SynchronizedOutputHidesTextUntilItEnds)
{
    const QColor magenta(255, 0, 255);
    view->feed("\x1b[38;2;255;0;255m\xe2\x96\x88\r\n");
    view->feed("\x1b[?2026h");
    ASSERT_NE(&terminal().displayBuffer(), &terminal().buffer()) << "a frame is held";
    view->feed("\xe2\x96\x88\xe2\x96\x88\xe2\x96\x88");
    const QImage during = grab();
    EXPECT_EQ(countNear(during, cell(0, 0), magenta, 0), cellWidth * cellHeight);
    EXPECT_EQ(countNear(during, cell(1, 1, 2), magenta, 0), 0);

    view->feed("\x1b[?2026l");
    EXPECT_EQ(&terminal().displayBuffer(), &terminal().buffer()) << "the frame is gone";
    const QImage after = grab();
    EXPECT_EQ(countNear(after, cell(1, 1, 2), magenta, 0), 2 * cellWidth * cellHeight);
}

TEST_F(DisplayTest, FeedingDropsTheSelectionOnlyWhenMouseReportingIsAllowed)
{
    view->selection().setSelection({0, 0}, {3, 0});
    view->allowMouseReporting = false;
    view->feed("x");
    EXPECT_TRUE(view->selection().active());
    view->allowMouseReporting = true;
    view->feed("x");
    EXPECT_FALSE(view->selection().active());
}

// ---- caret ------------------------------------------------------------------

class CaretTest : public ViewFixture {
protected:
    CaretView& caret() { return *view->caretView(); }
};

TEST_F(CaretTest, FollowsTheCursor)
{
    view->feed("abc");
    flush();
    EXPECT_EQ(caret().cellFrame(), QRectF(27, 0, 9, 17));
    view->feed("\x1b[5;10H");
    flush();
    EXPECT_EQ(caret().cellFrame(), QRectF(81, 68, 9, 17));
    EXPECT_TRUE(caret().isVisible());
}

TEST_F(CaretTest, HiddenCursorAndScrolledBackCursorHideTheCaret)
{
    view->feed("\x1b[?25l");
    flush();
    EXPECT_FALSE(caret().isVisible());
    view->feed("\x1b[?25h");
    flush();
    EXPECT_TRUE(caret().isVisible());

    std::string lines;
    for (int i = 0; i < 60; ++i)
        lines += "x\r\n";
    view->feed(lines);
    flush();
    view->scrollTo(0, false);
    EXPECT_FALSE(caret().isVisible());
}

TEST_F(CaretTest, BlinkingFollowsTheStyle)
{
    view->cursorStyleChanged(terminal(), CursorStyle::blinkBar);
    EXPECT_TRUE(caret().isBlinking());
    view->cursorStyleChanged(terminal(), CursorStyle::steadyBar);
    EXPECT_FALSE(caret().isBlinking());
    EXPECT_EQ(caret().opacity(), 1.0);
    EXPECT_EQ(caret().style(), CursorStyle::steadyBar);
}

// The blink fades out with an ease-in curve over 0.7 s and back over as long,
// and again.
TEST_F(CaretTest, TheBlinkFadesOutEasingInAndBackAgain)
{
    const int fade = CaretView::fadeMilliseconds;
    EXPECT_EQ(CaretView::blinkOpacity(0), 1.0);
    EXPECT_EQ(CaretView::blinkOpacity(fade), 0.0);
    EXPECT_EQ(CaretView::blinkOpacity(2 * fade), 1.0);
    for (int ms = 0; ms <= fade; ms += 5) {
        SCOPED_TRACE(ms);
        EXPECT_LE(CaretView::blinkOpacity(ms + 5), CaretView::blinkOpacity(ms));
        // Back in along the same curve, and the same in every blink.
        EXPECT_EQ(CaretView::blinkOpacity(2 * fade - ms), CaretView::blinkOpacity(ms));
        EXPECT_EQ(CaretView::blinkOpacity(3 * 2 * fade + ms), CaretView::blinkOpacity(ms));
    }
    // Easing in: slow at first, so more than half is left halfway.
    EXPECT_GT(CaretView::blinkOpacity(fade / 2), 0.5);
    EXPECT_LT(CaretView::blinkOpacity(fade / 4) - CaretView::blinkOpacity(fade / 2),
              CaretView::blinkOpacity(fade / 2) - CaretView::blinkOpacity(3 * fade / 4));
}

// A blinking caret in a shown window: the opacity it paints with, sampled
// every couple of milliseconds over a whole blink, and the area repainted.
struct BlinkWatch {
    double lowest = 1;
    double last = 1;
    int changes = 0;
    QRegion painted;
};

BlinkWatch watchBlink(TerminalView& view, int milliseconds)
{
    PaintRecorder recorder;
    view.installEventFilter(&recorder);
    CaretView& caret = *view.caretView();
    BlinkWatch watch;
    watch.last = caret.opacity();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        QThread::msleep(1);
        if (caret.opacity() != watch.last) {
            ++watch.changes;
            watch.last = caret.opacity();
            watch.lowest = std::min(watch.lowest, watch.last);
        }
    }
    QCoreApplication::processEvents();
    view.removeEventFilter(&recorder);
    watch.painted = recorder.painted;
    return watch;
}

TEST_F(CaretTest, TheBlinkRepaintsTheCaretsCellAtTheFadesOwnPace)
{
    view->feed("\x1b[5;10H");
    flush();
    view->cursorStyleChanged(terminal(), CursorStyle::blinkBlock);
    flush();
    const int blink = 2 * CaretView::fadeMilliseconds;
    const BlinkWatch watch = watchBlink(*view, blink + 100);
    // It fades out all the way and comes back.
    EXPECT_EQ(watch.lowest, 0.0);
    EXPECT_GT(watch.changes, 10);
    // At most one frame every frameMilliseconds (and one for the frame the
    // sampling starts in), not one for every refresh of the display.
    EXPECT_LE(watch.changes, (blink + 100) / CaretView::frameMilliseconds + 1);
    // Only the caret's cell is repainted.
    EXPECT_FALSE(watch.painted.isEmpty());
    EXPECT_TRUE((watch.painted - caret().geometry()).isEmpty())
        << watch.painted.boundingRect().x() << "," << watch.painted.boundingRect().y() << " "
        << watch.painted.boundingRect().width() << "x" << watch.painted.boundingRect().height();
}

TEST_F(CaretTest, ACaretThatCannotBeSeenDrawsNoBlink)
{
    const struct {
        const char* name;
        std::function<void(QWidget&)> conceal;
    } ways[] = {
        {"hidden", [](QWidget& window) { window.hide(); }},
        {"minimized", [](QWidget& window) { window.showMinimized(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        view->showNormal();
        view->cursorStyleChanged(terminal(), CursorStyle::steadyBlock);
        view->cursorStyleChanged(terminal(), CursorStyle::blinkBlock);
        flush();
        way.conceal(*view);
        QCoreApplication::processEvents();
        const BlinkWatch unseen = watchBlink(*view, CaretView::fadeMilliseconds);
        EXPECT_EQ(unseen.changes, 0);
        EXPECT_TRUE(unseen.painted.isEmpty());
        // Shown again and focused, it blinks on.
        view->showNormal();
        // Hiding takes the focus, which stops the blink by itself; the
        // focus coming back starts it again.
        if (!caret().isBlinking())
            view->cursorStyleChanged(terminal(), CursorStyle::blinkBlock);
        flush();
        const BlinkWatch seen = watchBlink(*view, CaretView::fadeMilliseconds);
        EXPECT_GT(seen.changes, 0);
    }
}

struct CaretShapeCase {
    CursorStyle style;
    bool focused;
    int expectedPixels;
};

TEST_F(CaretTest, ShapesInEveryStyle)
{
    const QColor magenta(255, 0, 255);
    view->setCaretColor(magenta);
    view->feed("\x1b[3;3H");
    const int w = cellWidth, h = cellHeight;
    const std::vector<CaretShapeCase> cases = {
        {CursorStyle::steadyBlock, true, w * h},
        {CursorStyle::steadyUnderline, true, 2 * w},
        {CursorStyle::steadyBar, true, 2 * h},
    };
    for (const CaretShapeCase& c : cases) {
        view->setViewHasFocus(c.focused);
        view->cursorStyleChanged(terminal(), c.style);
        EXPECT_EQ(countNear(grab(), cell(2, 2), magenta, 0), c.expectedPixels) << cursorStyleName(c.style);
    }
    // Unfocused, every style is the same hollow outline.
    view->setViewHasFocus(false);
    for (CursorStyle style : {CursorStyle::steadyBlock, CursorStyle::steadyBar}) {
        view->cursorStyleChanged(terminal(), style);
        const QImage image = grab();
        const QRect r = cell(2, 2);
        EXPECT_TRUE(test::near(image.pixelColor(r.topLeft()), magenta, 0)) << cursorStyleName(style);
        EXPECT_TRUE(test::near(image.pixelColor(r.bottomRight()), magenta, 0)) << cursorStyleName(style);
        EXPECT_FALSE(test::near(image.pixelColor(r.center()), magenta, 60)) << cursorStyleName(style);
    }
}

TEST_F(CaretTest, BlockCaretRedrawsTheCharacterInTheCaretTextColour)
{
    view->setCaretColor(QColor(255, 0, 255));
    view->setCaretTextColor(QColor(0, 255, 0));
    view->setViewHasFocus(true);
    view->cursorStyleChanged(terminal(), CursorStyle::steadyBlock);
    view->feed("M\x1b[1;1H");
    const QImage image = grab();
    EXPECT_GT(countNear(image, cell(0, 0), QColor(0, 255, 0), 60), 10);
    EXPECT_GT(countNear(image, cell(0, 0), QColor(255, 0, 255), 0), cellWidth * cellHeight / 3);
}

} // namespace
} // namespace corvel
