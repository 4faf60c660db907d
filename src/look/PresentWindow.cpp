#include "look/PresentWindow.h"

#include <QWidget>

namespace velmora {

void presentWindow(QWidget* window)
{
    if (!window)
        return;
    // Showing a minimised window leaves it minimised.
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace velmora
