#include "app/WindowRegistry.h"

#include "core/SettingsStore.h"
#include "device/DeviceWindowController.h"
#include "look/PresentWindow.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace velmora {

WindowRegistry::WindowRegistry(SettingsStore& settings, SkinLoader& skins, QObject* parent)
    : QObject(parent), m_settings(settings), m_skins(skins)
{
    m_pendingSnapshot.setSingleShot(true);
    m_pendingSnapshot.setTimerType(Qt::PreciseTimer);
    m_pendingSnapshot.setInterval(snapshotDelayMs);
    connect(&m_pendingSnapshot, &QTimer::timeout, this, &WindowRegistry::snapshotNow);
}

WindowRegistry::~WindowRegistry()
{
    for (auto it = m_observers.begin(); it != m_observers.end(); ++it)
        disconnect(it.value());
    m_observers.clear();
    for (DeviceWindowController* controller : m_controllers) {
        if (QWidget* window = controller->window())
            window->removeEventFilter(this);
        delete controller;
    }
    m_controllers.clear();
}

DeviceWindowController* WindowRegistry::open(const SkinManifest& skin, const std::optional<WindowState>& restoringState,
                                             const std::optional<QString>& initialDirectory)
{
    auto* controller = new DeviceWindowController(skin, m_settings, m_skins, restoringState, initialDirectory, this);
    m_controllers.push_back(controller);
    emit windowOpened(controller);
    controller->showWindow();
    if (controller->window()) {
        observe(controller);
        rememberActivation(controller->window());
    }
    return controller;
}

void WindowRegistry::observe(DeviceWindowController* controller)
{
    DeviceWindow* window = controller->window();
    // Moves, resizes and activation arrive through eventFilter().
    window->installEventFilter(this);
    m_observers.insert(window,
                       connect(window, &DeviceWindow::willClose, this, [this, window] { windowWillClose(window); }));
}

bool WindowRegistry::eventFilter(QObject* watched, QEvent* event)
{
    // Only widgets are watched, but other objects' events may pass here.
    QWidget* const widget = watched->isWidgetType() ? static_cast<QWidget*>(watched) : nullptr;
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
        if (widget && !m_terminating && m_observers.contains(widget))
            snapshotSoon();
        break;
    case QEvent::WindowActivate:
        if (widget && m_observers.contains(widget))
            rememberActivation(widget);
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

void WindowRegistry::windowWillClose(QWidget* window)
{
    // A quit has saved the windows already: they stay in the list and in the
    // settings, so that the next launch reopens them.
    if (m_terminating)
        return;
    std::vector<DeviceWindowController*> closing;
    std::erase_if(m_controllers, [&](DeviceWindowController* controller) {
        if (controller->window() != window)
            return false;
        closing.push_back(controller);
        return true;
    });
    snapshotSoon();
    if (const auto observer = m_observers.find(window); observer != m_observers.end()) {
        disconnect(observer.value());
        m_observers.erase(observer);
    }
    window->removeEventFilter(this);
    m_activationOrder.removeAll(window);
    // The close is still being delivered to the window the controller owns.
    for (DeviceWindowController* controller : closing) {
        emit windowClosed(controller);
        controller->deleteLater();
    }
}

void WindowRegistry::rememberActivation(QWidget* window)
{
    m_activationOrder.removeAll(window);
    m_activationOrder.prepend(window);
}

DeviceWindowController* WindowRegistry::activeController() const
{
    QWidget* key = QApplication::activeWindow();
    if (!key)
        return nullptr;
    for (DeviceWindowController* controller : m_controllers) {
        if (controller->window() == key)
            return controller;
    }
    return nullptr;
}

DeviceWindowController* WindowRegistry::frontmostController() const
{
    for (const QPointer<QWidget>& window : m_activationOrder) {
        if (!window || !window->isVisible())
            continue;
        for (DeviceWindowController* controller : m_controllers) {
            if (controller->window() == window)
                return controller;
        }
    }
    return m_controllers.empty() ? nullptr : m_controllers.front();
}

void WindowRegistry::toggleFrontmostWindow()
{
    if (QGuiApplication::applicationState() == Qt::ApplicationActive) {
        QWidget* key = QApplication::activeWindow();
        const bool firstVisible
            = !m_controllers.empty() && m_controllers.front()->window() && m_controllers.front()->window()->isVisible();
        if ((key && key->isVisible()) || (!key && firstVisible)) {
            // Hide the application: every window it shows, to come back together.
            m_hiddenActiveWindow = key;
            m_hiddenWindows.clear();
            for (QWidget* window : QApplication::topLevelWidgets()) {
                // Menus and tool tips close by themselves. (Qt::Popup shares
                // its bit with Qt::Window: the type is compared, not a mask.)
                const Qt::WindowType type = window->windowType();
                if (window->isVisible() && window->isWindow() && type != Qt::Popup && type != Qt::ToolTip) {
                    m_hiddenWindows.append(window);
                    window->hide();
                }
            }
            return;
        }
    }
    bringBackHidden();
    QWidget* key = m_hiddenActiveWindow ? m_hiddenActiveWindow.data() : QApplication::activeWindow();
    m_hiddenActiveWindow.clear();
    if (key) {
        presentWindow(key);
        return;
    }
    if (!m_controllers.empty()) {
        if (QWidget* first = m_controllers.front()->window())
            presentWindow(first);
        return;
    }
    emit noWindowToShow();
}

void WindowRegistry::bringBackHidden()
{
    for (const QPointer<QWidget>& window : std::as_const(m_hiddenWindows)) {
        if (window)
            window->show();
    }
    m_hiddenWindows.clear();
}

void WindowRegistry::reopen()
{
    bringBackHidden();
    QList<QWidget*> shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = window->windowType();
        if (window->isVisible() && type != Qt::Popup && type != Qt::ToolTip)
            shown.append(window);
    }
    if (shown.isEmpty()) {
        emit noWindowToShow();
        return;
    }
    DeviceWindowController* front = frontmostController();
    QWidget* key = front && front->window() && front->window()->isVisible() ? front->window() : shown.front();
    for (QWidget* window : std::as_const(shown)) {
        if (window != key) {
            if (window->isMinimized())
                window->showNormal();
            window->raise();
        }
    }
    presentWindow(key);
}

WindowState WindowRegistry::windowState(DeviceWindowController& controller)
{
    const QRect frame
        = controller.isDeviceMode() ? controller.window()->geometry() : controller.deviceFrameBeforeMini();
    WindowState state;
    state.id = controller.skin().id;
    state.skinName = controller.skin().name;
    state.x = frame.x();
    state.y = frame.y();
    state.width = frame.width();
    state.height = frame.height();
    return state;
}

void WindowRegistry::snapshotSoon() { m_pendingSnapshot.start(); }

void WindowRegistry::snapshotNow()
{
    m_pendingSnapshot.stop();
    QList<WindowState> states;
    for (DeviceWindowController* controller : m_controllers) {
        if (controller->window())
            states.append(windowState(*controller));
    }
    m_settings.data().lastWindows = states;
    m_settings.save();
    emit windowStatesSaved();
}

void WindowRegistry::terminate()
{
    if (m_terminating)
        return;
    m_terminating = true;
    snapshotNow();
    for (DeviceWindowController* controller : m_controllers) {
        if (controller->didTeardown())
            continue;
        controller->setDidTeardown(true);
        controller->terminalPanel().manager().terminateAll();
    }
}

} // namespace velmora
