// The progress strip (OSC 9;4) and the debug overlay.

#include <string>

#include <QLabel>

#include "ViewFixture.h"
#include "corvel/qt/TerminalDebugView.h"
#include "corvel/qt/TerminalProgressBarView.h"

namespace corvel::test {
namespace {

using State = ProgressReport::State;

class Progress : public ViewFixture {
protected:
    TerminalProgressBarView* strip() { return view->progressBarView(); }
    // Lets a running length animation finish, however late a loaded machine
    // gets to its last step.
    bool settle()
    {
        return waitFor(
            [&] { return strip()->barRect().width() == strip()->width() * strip()->progress().value_or(0) / 100.0; },
            30'000);
    }
};

struct ReportStep {
    const char* osc; // the OSC 9;4 parameters after "9;4;"
    bool shown;
    State state;
    std::optional<int> percent;
    std::optional<int> remembered;
};

TEST_F(Progress, ReportsFollowTheStateTable)
{
    const QColor accent = view->palette().color(QPalette::Active, QPalette::Highlight);
    const ReportStep steps[] = {
        {"1;50", true, State::set, 50, 50},
        {"2", true, State::error, 50, 50}, // error keeps the last value
        {"3;80", true, State::indeterminate, std::nullopt, 50}, // unknown, the value ignored
        {"4", true, State::pause, 50, 50},
        {"0", false, State::remove, std::nullopt, std::nullopt},
        {"4", true, State::pause, 100, 100}, // nothing remembered: full
        {"0", false, State::remove, std::nullopt, std::nullopt},
        {"2", true, State::error, std::nullopt, std::nullopt}, // unknown and not remembered
        {"1", true, State::set, 0, 0}, // no percentage: empty
    };
    for (const ReportStep& step : steps) {
        view->feed(std::string("\x1b]9;4;") + step.osc + "\x07");
        SCOPED_TRACE(step.osc);
        EXPECT_EQ(strip()->isVisible(), step.shown);
        EXPECT_EQ(strip()->state(), step.state);
        EXPECT_EQ(strip()->progress() ? std::optional<int>(*strip()->progress()) : std::nullopt, step.percent);
        EXPECT_EQ(view->lastProgressValue() ? std::optional<int>(*view->lastProgressValue()) : std::nullopt,
                  step.remembered);
        EXPECT_EQ(view->progressReportTimer().isActive(), step.shown);
    }
    view->feed("\x1b]9;4;4\x07");
    EXPECT_EQ(strip()->barColor(), QColor(255, 149, 0));
    view->feed("\x1b]9;4;2\x07");
    EXPECT_EQ(strip()->barColor(), QColor(255, 59, 48));
    view->feed("\x1b]9;4;1;10\x07");
    EXPECT_EQ(strip()->barColor(), accent);
}

TEST_F(Progress, TheBarCoversItsShareOfTheTopEdge)
{
    view->feed("\x1b]9;4;1;50\x07");
    ASSERT_TRUE(settle());
    EXPECT_EQ(strip()->geometry(), QRect(0, 0, view->width(), 2));
    EXPECT_DOUBLE_EQ(strip()->barRect().width(), view->width() / 2.0);
    // A resize keeps the strip on the top edge at the new width, without animating.
    view->resize(view->width() + 90, view->height());
    EXPECT_EQ(strip()->geometry(), QRect(0, 0, view->width(), 2));
    EXPECT_DOUBLE_EQ(strip()->barRect().width(), view->width() / 2.0);
}

TEST_F(Progress, UnknownProgressSlidesAQuarterBar)
{
    view->feed("\x1b]9;4;3\x07");
    EXPECT_TRUE(strip()->isSliding());
    EXPECT_DOUBLE_EQ(strip()->barRect().width(), view->width() * 0.25);
    const double left = strip()->barRect().left();
    EXPECT_TRUE(waitFor([&] { return strip()->barRect().left() != left; }, 20'000));
    view->feed("\x1b]9;4;1;20\x07");
    EXPECT_FALSE(strip()->isSliding());
}

TEST_F(Progress, TheStripHidesAfterSilence)
{
    EXPECT_EQ(view->progressReportTimer().interval(), TerminalView::progressReportTimeoutMilliseconds);
    EXPECT_EQ(TerminalView::progressReportTimeoutMilliseconds, 15'000);
    view->progressReportTimer().setInterval(30);
    view->feed("\x1b]9;4;1;40\x07");
    ASSERT_TRUE(strip()->isVisible());
    EXPECT_TRUE(waitFor([&] { return !strip()->isVisible(); }, 20'000));
    EXPECT_EQ(view->lastProgressValue(), std::nullopt);
}

TEST_F(Progress, TheStripTakesNoClicks) { EXPECT_TRUE(strip()->testAttribute(Qt::WA_TransparentForMouseEvents)); }

class DebugOverlay : public ViewFixture {};

TEST_F(DebugOverlay, ShowsTheRingAndTheCursor)
{
    EXPECT_EQ(view->debug, nullptr);
    auto* overlay = new TerminalDebugView(QRect(0, 0, 600, 400), *view);
    EXPECT_EQ(view->debug, overlay);
    EXPECT_EQ(overlay->statusLine()->text(), QStringLiteral("WAITING"));
    view->feed("hello\r\nworld");
    flush();
    const Buffer& screen = terminal().buffer();
    EXPECT_EQ(overlay->statusLine()->text().toStdString(),
              "x: 5 y: 1 yDisp: 0 yBase: 0 clc: " + std::to_string(terminal().buffer().lines().slotCount())
                  + " startIndex: 0");
    EXPECT_EQ(screen.x(), 5);
    const QString first = overlay->dumpLine(0);
    EXPECT_TRUE(first.startsWith(QStringLiteral("[000:000]DBhello"))) << first.toStdString();
    EXPECT_TRUE(first.contains(QStringLiteral("[000]DBhello"))) << first.toStdString();
    EXPECT_TRUE(overlay->dumpLine(300).contains(QStringLiteral("<empty>")));
    delete overlay;
    EXPECT_EQ(view->debug, nullptr);
}

} // namespace
} // namespace corvel::test
