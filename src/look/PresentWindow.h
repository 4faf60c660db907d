#pragma once

class QWidget;

namespace velmora {

// Shows a window the user asked for: restored when minimised, shown, raised
// above the others and made the active window.
void presentWindow(QWidget* window);

} // namespace velmora
