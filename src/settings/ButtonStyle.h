#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

// Style sheets for the buttons of the application's own windows (welcome,
// About tab), so they share one look: rounded, evenly padded, one height.
namespace velmora::ButtonStyle {

// A filled button in the given colour with a legible title; paler when
// disabled.
QString prominent(const QColor& fill);

// A plain button with a thin border in the window's colours.
QString bordered(const QPalette& palette);

// A button that reads as a link: coloured text, underlined on hover.
QString link(const QColor& color);

} // namespace velmora::ButtonStyle
