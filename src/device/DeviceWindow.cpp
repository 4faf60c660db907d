#include "device/DeviceWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QResizeEvent>

#include <xcb/xcb.h>

#include <cstdlib>
#include <string>

namespace velmora {

namespace {

bool x11CompositorRunning(xcb_connection_t* connection)
{
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int screens = xcb_setup_roots_length(setup);
    for (int screen = 0; screen < screens; ++screen) {
        const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, uint16_t(name.size()), name.c_str()), nullptr);
        if (!atom)
            continue;
        const xcb_atom_t selection = atom->atom;
        std::free(atom);
        if (selection == XCB_ATOM_NONE)
            continue; // nobody ever claimed it
        xcb_get_selection_owner_reply_t* owner
            = xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
        const bool owned = owner && owner->owner != XCB_NONE;
        std::free(owner);
        if (owned)
            return true;
    }
    return false;
}

} // namespace

DeviceWindow::DeviceWindow(const QRect& contentRect) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
{
    m_translucent = compositingAvailable();
    if (m_translucent)
        setAttribute(Qt::WA_TranslucentBackground);
    else
        fillWith(Qt::black); // where the shape's edge meets a soft frame edge, blend it into black
    setMouseTracking(true);
    setGeometry(contentRect);
}

bool DeviceWindow::compositingAvailable()
{
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland")))
        return true;
    if (platform != QLatin1String("xcb"))
        return false;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return false;
    return x11CompositorRunning(x11->connection());
}

void DeviceWindow::fillWith(const QColor& colour)
{
    QPalette filled = palette();
    filled.setColor(QPalette::Window, colour);
    setPalette(filled);
    setAutoFillBackground(true);
}

void DeviceWindow::setDeviceMode(bool deviceMode, const QColor& background)
{
    if (deviceMode == m_deviceMode)
        return;
    m_deviceMode = deviceMode;
    const bool shown = isVisible();
    const QRect frame = geometry();
    if (deviceMode) {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        if (m_translucent)
            setAutoFillBackground(false);
        else
            fillWith(Qt::black);
    } else {
        clearMask();
        setWindowFlags(Qt::Window);
        fillWith(background.isValid() ? background : QColor(Qt::black));
    }
    // New flags make a new native window, hidden.
    setGeometry(frame);
    if (shown)
        show();
}

void DeviceWindow::setShape(const QRegion& region)
{
    if (region.isEmpty())
        clearMask();
    else
        setMask(region);
}

void DeviceWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    emit didResize();
}

void DeviceWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit willClose();
}

} // namespace velmora
