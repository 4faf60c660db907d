#include "corvel/qt/ClickCounter.h"

#include <cmath>

namespace corvel {

int ClickCounter::press(Qt::MouseButton button, QPointF position, qint64 timeMs, int intervalMs, int distance)
{
    const bool continues = count_ > 0 && button == button_ && timeMs >= time_ && timeMs - time_ <= intervalMs
        && std::abs(position.x() - position_.x()) <= distance && std::abs(position.y() - position_.y()) <= distance;
    count_ = continues ? count_ + 1 : 1;
    button_ = button;
    position_ = position;
    time_ = timeMs;
    return count_;
}

} // namespace corvel
