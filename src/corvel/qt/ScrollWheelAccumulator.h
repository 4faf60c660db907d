#pragma once

#include <QPoint>

namespace corvel {

// Turns wheel events into whole scroll units: one notch of a wheel (120
// eighths of a degree) is one unit, and a touchpad's pixel deltas give one
// unit per cell height. Fractions add up across events, so that fine-grained
// wheels and touchpads scroll as far as a notched wheel; turning back drops
// what was left over from the other way.
class ScrollWheelAccumulator {
public:
    // The whole units of one event, positive towards older lines (the wheel
    // turned away from the user); pixel deltas win over angles when present.
    int accumulate(QPoint angleDelta, QPoint pixelDelta, double cellHeight);
    void reset() { remainder_ = 0; }

    // Lines to scroll for whole units arriving at once: 1 for 0 or 1, 3 for 2
    // to 5, 10 for 6 to 9, and for 10 or more the screen's rows, at least 20.
    static int step(int units, int rows);

private:
    double remainder_ = 0;
};

} // namespace corvel
