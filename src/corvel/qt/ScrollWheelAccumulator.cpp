#include "corvel/qt/ScrollWheelAccumulator.h"

#include <algorithm>
#include <cmath>

namespace corvel {

int ScrollWheelAccumulator::accumulate(QPoint angleDelta, QPoint pixelDelta, double cellHeight)
{
    double delta = 0;
    if (pixelDelta.y() != 0 && cellHeight > 0)
        delta = pixelDelta.y() / cellHeight;
    else
        delta = angleDelta.y() / 120.0;
    if (delta == 0)
        return 0;
    if ((delta > 0) != (remainder_ > 0))
        remainder_ = 0;
    remainder_ += delta;
    const double whole = std::trunc(remainder_);
    remainder_ -= whole;
    return static_cast<int>(whole);
}

int ScrollWheelAccumulator::step(int units, int rows)
{
    const int n = std::abs(units);
    if (n <= 1)
        return 1;
    if (n <= 5)
        return 3;
    if (n <= 9)
        return 10;
    return std::max(rows, 20);
}

} // namespace corvel
