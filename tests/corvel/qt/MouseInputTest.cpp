// The pointer in the view: mouse reports by mode and encoding, selection
// gestures, the wheel and the click counter.

#include <string>

#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include "ViewFixture.h"
#include "corvel/qt/ClickCounter.h"
#include "corvel/qt/ScrollWheelAccumulator.h"
#include "corvel/terminal/SelectionService.h"

namespace corvel::test {
namespace {

enum class Gesture { press, release, drag, move };

class MouseInput : public ViewFixture {
protected:
    // The centre of a cell, in view coordinates.
    QPointF at(int col, int row) const { return QPointF((col + 0.5) * cellWidth, (row + 0.5) * cellHeight); }

    void send(QEvent::Type type, QPointF position, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier, ulong timestamp = 0)
    {
        QMouseEvent event(type, position, view->mapToGlobal(position), button, buttons, modifiers);
        event.setTimestamp(timestamp);
        QCoreApplication::sendEvent(view.get(), &event);
    }
    void press(QPointF p, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
               ulong time = 0)
    {
        send(QEvent::MouseButtonPress, p, button, button, modifiers, time);
    }
    void release(QPointF p, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                 ulong time = 0)
    {
        send(QEvent::MouseButtonRelease, p, button, Qt::NoButton, modifiers, time);
    }
    void drag(QPointF p, Qt::MouseButtons buttons = Qt::LeftButton, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        send(QEvent::MouseMove, p, Qt::NoButton, buttons, modifiers);
    }
    void click(QPointF p, int times = 1, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        for (int i = 0; i < times; ++i) {
            press(p, Qt::LeftButton, modifiers, clock_ += 10);
            release(p, Qt::LeftButton, modifiers, clock_ += 10);
        }
        clock_ += 10'000; // the next click starts a new count
    }
    void wheel(QPoint angle, QPoint pixels = QPoint())
    {
        QWheelEvent event(at(3, 3),
                          view->mapToGlobal(at(3, 3)),
                          pixels,
                          angle,
                          Qt::NoButton,
                          Qt::NoModifier,
                          Qt::NoScrollPhase,
                          false);
        QCoreApplication::sendEvent(view.get(), &event);
    }
    std::string selected() { return view->getSelection().value_or("<none>"); }

    ulong clock_ = 1'000;
};

// ---- reports -------------------------------------------------------------------------

struct ReportCase {
    const char* name;
    const char* modes; // sequences that set the mouse mode and encoding
    Gesture gesture;
    Qt::MouseButton button;
    Qt::KeyboardModifiers modifiers;
    const char* report;
};

class MouseReports : public MouseInput, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(MouseReports, FollowTheModeAndEncoding)
{
    const ReportCase& c = GetParam();
    view->feed(c.modes);
    const QPointF p = at(2, 1);
    switch (c.gesture) {
    case Gesture::press: press(p, c.button, c.modifiers); break;
    case Gesture::release: release(p, c.button, c.modifiers); break;
    case Gesture::drag: drag(p, c.button, c.modifiers); break;
    case Gesture::move: drag(p, Qt::NoButton, c.modifiers); break;
    }
    EXPECT_EQ(host.sent, c.report);
}

const Qt::KeyboardModifiers none = Qt::NoModifier;
const Qt::KeyboardModifiers shiftControl = Qt::ShiftModifier | Qt::ControlModifier;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Modes, MouseReports,
    ::testing::Values(
        ReportCase{"OffSendsNothing", "", Gesture::press, Qt::LeftButton, none, ""},
        ReportCase{"X10PressHasNoModifiers", "\x1b[?9h", Gesture::press, Qt::LeftButton, shiftControl, "\x1b[M #\""},
        ReportCase{"X10ReleaseIsNotReported", "\x1b[?9h", Gesture::release, Qt::LeftButton, none, ""},
        ReportCase{"Vt200PressWithModifiers", "\x1b[?1000h", Gesture::press, Qt::LeftButton, shiftControl,
                   "\x1b[M4#\""},
        ReportCase{"Vt200AltIsMeta", "\x1b[?1000h\x1b[?1006h", Gesture::press, Qt::LeftButton, Qt::AltModifier,
                   "\x1b[<8;3;2M"},
        ReportCase{"Vt200SgrRelease", "\x1b[?1000h\x1b[?1006h", Gesture::release, Qt::LeftButton, none,
                   "\x1b[<0;3;2m"},
        ReportCase{"Vt200DragIsIgnored", "\x1b[?1000h\x1b[?1006h", Gesture::drag, Qt::LeftButton, none, ""},
        ReportCase{"MiddleButton", "\x1b[?1000h\x1b[?1006h", Gesture::press, Qt::MiddleButton, none, "\x1b[<1;3;2M"},
        ReportCase{"RightButton", "\x1b[?1000h\x1b[?1006h", Gesture::press, Qt::RightButton, none, "\x1b[<2;3;2M"},
        ReportCase{"ButtonTrackingDrag", "\x1b[?1002h\x1b[?1006h", Gesture::drag, Qt::LeftButton, Qt::ShiftModifier,
                   "\x1b[<36;3;2M"},
        ReportCase{"ButtonTrackingMoveIsNotReported", "\x1b[?1002h\x1b[?1006h", Gesture::move, Qt::NoButton, none, ""},
        ReportCase{"AnyEventMove", "\x1b[?1003h\x1b[?1006h", Gesture::move, Qt::NoButton, Qt::AltModifier,
                   "\x1b[<43;3;2M"},
        ReportCase{"AnyEventMoveInX10Encoding", "\x1b[?1003h", Gesture::move, Qt::NoButton, none, "\x1b[MC#\""},
        ReportCase{"Utf8Encoding", "\x1b[?1000h\x1b[?1005h", Gesture::press, Qt::LeftButton, none, "\x1b[M #\""},
        ReportCase{"UrxvtEncoding", "\x1b[?1000h\x1b[?1015h", Gesture::press, Qt::LeftButton, Qt::ControlModifier,
                   "\x1b[48;3;2M"},
        ReportCase{"SgrPixelsFromTheTopLeft", "\x1b[?1000h\x1b[?1016h", Gesture::press, Qt::LeftButton, none,
                   "\x1b[<0;22;25M"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(MouseInput, NoReportsWhileTheHostDisallowsThem)
{
    view->allowMouseReporting = false;
    view->feed("hello world\x1b[?1003h\x1b[?1006h");
    press(at(1, 0));
    drag(at(8, 0));
    release(at(8, 0));
    EXPECT_EQ(host.sent, "");
    EXPECT_EQ(selected(), "ello wo");
}

TEST_F(MouseInput, AMoveWithinOneCellIsReportedOnce)
{
    view->feed("\x1b[?1003h\x1b[?1006h");
    drag(at(2, 1), Qt::NoButton);
    drag(at(2, 1) + QPointF(2, 2), Qt::NoButton);
    drag(at(3, 1), Qt::NoButton);
    EXPECT_EQ(host.sent, "\x1b[<35;3;2M\x1b[<35;4;2M");
}

TEST_F(MouseInput, MotionReportsCarryTheScreenRowWhileScrolledBack)
{
    for (int i = 0; i < 60; ++i)
        view->feed("line\r\n");
    view->feed("\x1b[?1003h\x1b[?1006h");
    view->scrollUp(10);
    press(at(2, 5));
    drag(at(3, 5), Qt::NoButton);
    EXPECT_EQ(host.sent, "\x1b[<0;3;6M\x1b[<35;4;6M");
}

TEST_F(MouseInput, ALinkClickSendsNoReleaseReport)
{
    view->feed("\x1b]8;;https://example.com/\x1b\\link\x1b]8;;\x1b\\ text\x1b[?1000h\x1b[?1006h");
    view->setLinkHighlightMode(LinkHighlightMode::always);
    press(at(1, 0));
    release(at(1, 0));
    EXPECT_EQ(host.sent, "\x1b[<0;2;1M");
}

// ---- selection gestures --------------------------------------------------------------------

TEST_F(MouseInput, DragSelectsFromThePressToThePointer)
{
    view->feed("hello world");
    press(at(1, 0));
    drag(at(3, 0));
    drag(at(7, 0));
    release(at(7, 0));
    EXPECT_EQ(selected(), "ello w");
}

TEST_F(MouseInput, DoubleClickSelectsAWordAndDragExtendsByWords)
{
    view->feed("alpha beta gamma");
    press(at(7, 0), Qt::LeftButton, none, 100);
    release(at(7, 0), Qt::LeftButton, none, 110);
    press(at(7, 0), Qt::LeftButton, none, 120);
    EXPECT_EQ(selected(), "beta");
    drag(at(12, 0));
    release(at(12, 0), Qt::LeftButton, none, 130);
    EXPECT_EQ(selected(), "beta gamma");
}

TEST_F(MouseInput, TripleClickSelectsTheRowWithItsLastColumn)
{
    std::string row(80, 'x');
    row.back() = 'Z';
    view->feed(row);
    click(at(4, 0), 3);
    EXPECT_EQ(selected(), row);
}

TEST_F(MouseInput, ShiftClickExtendsAndAPlainClickClears)
{
    view->feed("0123456789");
    press(at(2, 0));
    drag(at(5, 0));
    release(at(5, 0));
    click(at(8, 0), 1, Qt::ShiftModifier);
    EXPECT_EQ(selected(), "234567");
    click(at(8, 0));
    EXPECT_FALSE(view->selectionActive());
    EXPECT_EQ(view->getSelection(), std::nullopt);
    EXPECT_EQ(view->selection().start(), Position(2, 0));
}

TEST_F(MouseInput, DraggingAboveTheViewReachesLinesOutOfSight)
{
    for (int i = 0; i < 40; ++i)
        view->feed("row " + std::to_string(i) + "\r\n");
    const int top = terminal().displayBuffer().yDisp();
    ASSERT_GT(top, 3);
    press(at(0, 1));
    drag(QPointF(0, -2.5 * cellHeight));
    EXPECT_EQ(terminal().displayBuffer().yDisp(), top); // no scrolling
    EXPECT_EQ(view->selection().end().row, top - 3);
}

TEST_F(MouseInput, SelectingSetsThePrimarySelectionAndAMiddleClickPastesIt)
{
    if (!onTestDisplay())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    ASSERT_TRUE(clipboard->supportsSelection());
    view->feed("copy me");
    click(at(1, 0), 2);
    EXPECT_EQ(clipboard->text(QClipboard::Selection), QStringLiteral("copy"));
    host.sent.clear();
    press(at(10, 2), Qt::MiddleButton);
    release(at(10, 2), Qt::MiddleButton);
    EXPECT_EQ(host.sent, "copy");
}

// ---- the wheel ------------------------------------------------------------------------------

TEST_F(MouseInput, WheelStepsFollowTheTable)
{
    struct Case {
        int units;
        int rows;
        int lines;
    };
    for (const Case c : {Case{0, 24, 1},
                         Case{1, 24, 1},
                         Case{2, 24, 3},
                         Case{4, 24, 3},
                         Case{5, 24, 3},
                         Case{6, 24, 10},
                         Case{7, 24, 10},
                         Case{9, 24, 10},
                         Case{12, 24, 24},
                         Case{12, 10, 20},
                         Case{-12, 40, 40}})
        EXPECT_EQ(ScrollWheelAccumulator::step(c.units, c.rows), c.lines) << c.units << " units, " << c.rows << " rows";
}

TEST_F(MouseInput, WheelFractionsAddUp)
{
    ScrollWheelAccumulator wheel;
    EXPECT_EQ(wheel.accumulate(QPoint(0, 60), QPoint(), 17), 0);
    EXPECT_EQ(wheel.accumulate(QPoint(0, 60), QPoint(), 17), 1);
    EXPECT_EQ(wheel.accumulate(QPoint(0, 480), QPoint(), 17), 4);
    EXPECT_EQ(wheel.accumulate(QPoint(0, 60), QPoint(), 17), 0);
    // Turning back drops the half notch left over.
    EXPECT_EQ(wheel.accumulate(QPoint(0, -60), QPoint(), 17), 0);
    EXPECT_EQ(wheel.accumulate(QPoint(0, -60), QPoint(), 17), -1);
    // Pixels count a unit per cell height, and win over the angle.
    EXPECT_EQ(wheel.accumulate(QPoint(0, 120), QPoint(0, 20), 10), 2);
}

TEST_F(MouseInput, TheWheelScrollsTheViewAndIsNeverReported)
{
    for (int i = 0; i < 100; ++i)
        view->feed("line\r\n");
    view->feed("\x1b[?1000h\x1b[?1006h");
    const int bottom = terminal().displayBuffer().yDisp();
    wheel(QPoint(0, 120));
    EXPECT_EQ(terminal().displayBuffer().yDisp(), bottom - 1);
    wheel(QPoint(0, 4 * 120));
    EXPECT_EQ(terminal().displayBuffer().yDisp(), bottom - 4);
    wheel(QPoint(0, -7 * 120));
    EXPECT_EQ(terminal().displayBuffer().yDisp(), bottom);
    wheel(QPoint(0, 12 * 120));
    wheel(QPoint(0, 12 * 120));
    wheel(QPoint(0, 12 * 120));
    wheel(QPoint(0, 12 * 120));
    EXPECT_EQ(terminal().displayBuffer().yDisp(), 0); // stays at the top
    EXPECT_EQ(host.sent, "");
}

// ---- counting clicks -------------------------------------------------------------------------

TEST(ClickCounter, CountsQuickNearbyPressesOfOneButton)
{
    struct Press {
        Qt::MouseButton button;
        QPointF position;
        qint64 time;
        int count;
    };
    ClickCounter counter;
    const Press presses[] = {
        {Qt::LeftButton, {10, 10}, 1000, 1},
        {Qt::LeftButton, {11, 10}, 1200, 2},
        {Qt::LeftButton, {12, 11}, 1400, 3},
        {Qt::LeftButton, {12, 11}, 1600, 4},
        {Qt::LeftButton, {12, 11}, 2200, 1}, // too late
        {Qt::LeftButton, {40, 11}, 2300, 1}, // too far
        {Qt::RightButton, {40, 11}, 2400, 1}, // another button
        {Qt::RightButton, {40, 11}, 2500, 2},
    };
    for (const Press& p : presses)
        EXPECT_EQ(counter.press(p.button, p.position, p.time, 400, 5), p.count) << p.time;
}

} // namespace
} // namespace corvel::test
