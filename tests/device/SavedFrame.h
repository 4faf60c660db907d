#pragma once

#include <QString>

#include "core/WindowState.h"

namespace velmora::test {

// The handheld's window as the settings keep it: its skin and a frame.
inline WindowState savedFrame(double x, double y, double width, double height)
{
    WindowState s;
    s.id = QStringLiteral("handheld");
    s.x = x;
    s.y = y;
    s.width = width;
    s.height = height;
    return s;
}

} // namespace velmora::test
