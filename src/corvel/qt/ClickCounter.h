#pragma once

#include <QPointF>
#include <Qt>

namespace corvel {

// Counts the presses of one button that follow each other quickly and close
// together (Qt reports double clicks but no triple clicks): 1 for a single
// click, 2 for a double click, 3 for a triple click and so on.
class ClickCounter {
public:
    // The count of a press at a time in milliseconds. A press of another
    // button, later than intervalMs after the last one or farther than
    // distance pixels from it (in x or y) starts again at 1.
    int press(Qt::MouseButton button, QPointF position, qint64 timeMs, int intervalMs, int distance);
    void reset() { count_ = 0; }

private:
    Qt::MouseButton button_ = Qt::NoButton;
    QPointF position_;
    qint64 time_ = 0;
    int count_ = 0;
};

} // namespace corvel
