#include "device/DeviceWindow.h"

#include "device/DevicePlacement.h"
#include "device/WindowAspect.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>

#include <xcb/xcb.h>

#include <array>
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

// WM_SIZE_HINTS as ICCCM lays it out: 18 32-bit fields, the aspect pair
// after the flags, position, sizes and increments.
constexpr int sizeHintFields = 18;
constexpr uint32_t aspectFlag = 1u << 7; // PAspect
constexpr int minimumAspectField = 11;
// A window manager that refuses the settled size this many times in a row
// keeps its own.
constexpr int maximumSettleAttempts = 3;

xcb_connection_t* x11Connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
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
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(settleDelayMs);
    connect(&m_settleTimer, &QTimer::timeout, this, &DeviceWindow::settleAtAspect);
    place(contentRect);
}

void DeviceWindow::place(const QRect& frame)
{
    m_placedSize = frame.size();
    m_settledSize = frame.size();
    m_settleAttempts = 0;
    m_settleTimer.stop();
    setGeometry(frame);
}

void DeviceWindow::setContentAspectRatio(const QSizeF& ratio)
{
    m_contentAspectRatio = ratio;
    applyAspectHint();
}

void DeviceWindow::applyAspectHint()
{
    xcb_connection_t* connection = x11Connection();
    const xcb_window_t window = xcb_window_t(internalWinId());
    if (!connection || window == XCB_NONE)
        return;
    std::array<uint32_t, sizeHintFields> hints{};
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 0, sizeHintFields),
        nullptr);
    if (reply) {
        if (reply->format == 32) {
            const int fields = std::min(xcb_get_property_value_length(reply) / 4, sizeHintFields);
            const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply));
            std::copy(values, values + fields, hints.begin());
        }
        std::free(reply);
    }
    std::array<uint32_t, sizeHintFields> wanted = hints;
    const auto [numerator, denominator] = WindowAspect::hintFraction(m_deviceMode ? m_contentAspectRatio : QSizeF());
    if (numerator > 0 && denominator > 0) {
        wanted[0] |= aspectFlag;
        wanted[minimumAspectField] = uint32_t(numerator);
        wanted[minimumAspectField + 1] = uint32_t(denominator);
        wanted[minimumAspectField + 2] = uint32_t(numerator);
        wanted[minimumAspectField + 3] = uint32_t(denominator);
    } else {
        wanted[0] &= ~aspectFlag;
        std::fill(wanted.begin() + minimumAspectField, wanted.begin() + minimumAspectField + 4, 0u);
    }
    if (wanted == hints)
        return; // also ends the exchange with our own change's notification
    xcb_change_property(connection,
                        XCB_PROP_MODE_REPLACE,
                        window,
                        XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS,
                        32,
                        sizeHintFields,
                        wanted.data());
    xcb_flush(connection);
}

bool DeviceWindow::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    // Qt writes the size hints afresh whenever it moves or resizes the window,
    // without an aspect: the ratio goes back in each time.
    if (eventType == "xcb_generic_event_t") {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* property = static_cast<const xcb_property_notify_event_t*>(message);
            if (property->atom == XCB_ATOM_WM_NORMAL_HINTS && property->window == xcb_window_t(internalWinId()))
                applyAspectHint();
        }
    }
    return QWidget::nativeEvent(eventType, message, result);
}

void DeviceWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    applyAspectHint();
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
    // Painted here rather than set as the window's palette, which every
    // widget inside would inherit (the terminal's find bar among them).
    m_fill = colour;
    update();
}

void DeviceWindow::paintEvent(QPaintEvent* event)
{
    if (!m_fill.isValid())
        return;
    QPainter painter(this);
    painter.fillRect(event->rect(), m_fill);
}

void DeviceWindow::setDeviceMode(bool deviceMode, const QColor& background)
{
    if (deviceMode == m_deviceMode)
        return;
    m_deviceMode = deviceMode;
    const bool shown = isVisible();
    const bool active = isActiveWindow();
    const QRect frame = geometry();
    if (deviceMode) {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        fillWith(m_translucent ? QColor() : QColor(Qt::black));
    } else {
        clearMask();
        setWindowFlags(Qt::Window);
        fillWith(background.isValid() ? background : QColor(Qt::black));
    }
    // New flags make a new native window, hidden.
    setGeometry(frame);
    if (shown)
        show();
    // Hiding took the application's active window away, and the new native
    // window's focus does not give it back (the focus stays with the same
    // window as far as Qt can tell): without this, keys and menu actions
    // that act on the active window find none.
    if (shown && active) {
        activateWindow();
        QApplication::setActiveWindow(this);
    }
    applyAspectHint();
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
    const QSize size = event->size();
    const bool free = !m_deviceMode || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen));
    // A window manager that keeps the aspect itself may still make the window
    // larger than its screen: that size settles too.
    const bool settled = WindowAspect::holds(size, m_contentAspectRatio) && fitsAvailableArea(size);
    if (free || size == m_placedSize || settled) {
        m_settledSize = size;
        m_settleAttempts = 0;
        m_settleTimer.stop();
    } else if (m_settleAttempts < maximumSettleAttempts) {
        m_settleTimer.start();
    }
    emit didResize();
}

QRect DeviceWindow::availableArea() const
{
    const QScreen* shownOn = screen();
    return shownOn ? shownOn->availableGeometry() : QRect();
}

bool DeviceWindow::fitsAvailableArea(const QSize& size) const
{
    const QRect area = availableArea();
    return area.isEmpty() || (size.width() <= area.width() && size.height() <= area.height());
}

void DeviceWindow::settleAtAspect()
{
    const QSize now = size();
    if (!m_deviceMode || now == m_placedSize
        || (WindowAspect::holds(now, m_contentAspectRatio) && fitsAvailableArea(now)))
        return;
    const QRect area = availableArea();
    ++m_settleAttempts;
    const QSize settled = WindowAspect::settle(m_settledSize, now, m_contentAspectRatio, area.size());
    setGeometry(DevicePlacement::keptWithin(QRect(geometry().topLeft(), settled), area));
}

void DeviceWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit willClose();
}

} // namespace velmora
