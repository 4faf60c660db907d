#pragma once

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QColor>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QRectF>
#include <QThread>

namespace corvel::test {

// DejaVu Sans Mono at the given pixel size (the font the tests measure).
QFont testFont(int pixelSize = 14);

// True when the channels of a and b differ by at most tolerance (0..255).
inline QColor inverseOf(const QColor& c) { return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()); }

inline bool near(const QColor& a, const QColor& b, int tolerance = 2)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

// Number of pixels of image inside rect (image pixels) near colour.
int countNear(const QImage& image, const QRect& rect, const QColor& color, int tolerance = 2);

// The device pixels of rect that hold colour, as strings of '#' and '.',
// one per row, for readable mask comparisons.
std::vector<std::string> mask(const QImage& image, const QRect& rect, const QColor& color, int tolerance = 8);

// Runs the event loop until predicate holds or timeoutMs pass.
inline bool waitFor(const std::function<bool()>& predicate, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!predicate()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// Qt fixes the pixel density when the application starts, so a test at a
// density of 2 runs itself again in a child process whose screen has it.
// True in that child, where the test goes on; in the parent it runs the
// child, expects it to pass and returns false.
bool atDoubleDensity();

// The same for tests that need an X server (the primary selection): true in
// a child process on an X server of the test's own (the shared one that
// VELMORA_TEST_DISPLAY names when none starts), where the test goes on; in
// the parent it runs that child and returns false. Without
// VELMORA_TEST_DISPLAY, which says X servers are at hand, it skips the test.
bool onTestDisplay();

} // namespace corvel::test
