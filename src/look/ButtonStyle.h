#pragma once

#include <QColor>
#include <QPalette>
#include <QString>

// Style sheets for the buttons of the application's own windows (welcome,
// About tab, skin builder), so they share one look: rounded, evenly padded, one height.
namespace velmora::ButtonStyle {

// Regular buttons carry a window's main actions; small ones sit in toolbars,
// headers and cards.
enum class Size { Regular, Small };

// A filled button in the given colour with a legible title; paler when
// disabled.
QString prominent(const QColor& fill, Size size = Size::Regular);

// A plain button with a thin border in the window's colours; greyed out
// when disabled.
QString bordered(const QPalette& palette, Size size = Size::Regular);

// The bordered button tinted with a colour, for a mode that is on (the tool
// in use).
QString tinted(const QPalette& palette, const QColor& tint);

// A button that reads as a link: coloured text, underlined on hover.
QString link(const QColor& color);

} // namespace velmora::ButtonStyle
