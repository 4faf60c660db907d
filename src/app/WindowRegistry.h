#pragma once

#include "core/WindowState.h"
#include "skin/SkinManifest.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <optional>
#include <vector>

class QWidget;

namespace velmora {

class DeviceWindowController;
class SettingsStore;
class SkinLoader;

// The open device windows: opens them, follows them as they move, resize, come
// to the front and close, finds the active and the frontmost one, hides and
// brings back the application's windows, and saves every window's frame into
// the settings (0.5 s after the last move or resize, at once at quit). At
// quit it saves the windows while they are all still open, then ends every
// session; windows that close because of the quit leave the saved list alone.
// Main thread.
class WindowRegistry final : public QObject {
    Q_OBJECT

public:
    // How long window moves and resizes must pause before the frames are saved.
    static constexpr int snapshotDelayMs = 500;

    WindowRegistry(SettingsStore& settings, SkinLoader& skins, QObject* parent = nullptr);
    ~WindowRegistry() override;

    // The open device windows in opening order.
    const std::vector<DeviceWindowController*>& controllers() const { return m_controllers; }

    // Opens a device window: lists it, announces it (windowOpened), shows it
    // and follows it.
    DeviceWindowController* open(const SkinManifest& skin,
                                 const std::optional<WindowState>& restoringState = std::nullopt,
                                 const std::optional<QString>& initialDirectory = std::nullopt);

    // The device window that is the active window, or none.
    DeviceWindowController* activeController() const;
    // The most recently active device window still shown, else the first one.
    DeviceWindowController* frontmostController() const;

    // Hides every window of the application when one of them is active, else
    // brings them back with the one that was active in front; with no device
    // window to bring back it asks for one (noWindowToShow).
    void toggleFrontmostWindow();
    // Shows again the windows that toggleFrontmostWindow() hid.
    void bringBackHidden();
    // A plain launch of a later instance: the windows come forward (those
    // toggleFrontmostWindow() hid too) with the frontmost device window in
    // front; with no window shown it asks for one (noWindowToShow).
    void reopen();

    // Saves every window frame 0.5 s from now; each call starts the wait again.
    void snapshotSoon();
    // Saves every window frame now (a window in mini mode saves its device
    // frame) and cancels a pending save.
    void snapshotNow();
    bool isSnapshotPending() const { return m_pendingSnapshot.isActive(); }
    // The saved state of a device window: its skin and its frame (the device
    // frame while in mini mode).
    static WindowState windowState(DeviceWindowController& controller);

    // Saves the windows, then ends every session of every window not yet torn
    // down. Runs once; later calls do nothing.
    void terminate();
    bool isTerminating() const { return m_terminating; }

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // A window was made and listed, before it shows.
    void windowOpened(DeviceWindowController* controller);
    // A window left the list; its controller goes once the close is done.
    void windowClosed(DeviceWindowController* controller);
    // Nothing to bring back: no device window is open, or (reopen) no window
    // of the application is shown.
    void noWindowToShow();
    // After the window frames were written to the settings.
    void windowStatesSaved();

private:
    void observe(DeviceWindowController* controller);
    void windowWillClose(QWidget* window);
    void rememberActivation(QWidget* window);

    SettingsStore& m_settings;
    SkinLoader& m_skins;
    std::vector<DeviceWindowController*> m_controllers;
    QTimer m_pendingSnapshot;
    // The windows observed for moves, resizes, activation and closing.
    QHash<QWidget*, QMetaObject::Connection> m_observers;
    // Device windows, most recently active first.
    QList<QPointer<QWidget>> m_activationOrder;
    // Windows hidden by toggleFrontmostWindow(), with the one that was active.
    QList<QPointer<QWidget>> m_hiddenWindows;
    QPointer<QWidget> m_hiddenActiveWindow;
    bool m_terminating = false;
};

} // namespace velmora
