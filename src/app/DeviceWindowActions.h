#pragma once

#include "app/CommandPaletteController.h"
#include "corvel/qt/TerminalView.h"
#include "skin/SkinManifest.h"

#include <QString>

#include <vector>

namespace velmora {

class DeviceWindowController;
class SettingsStore;
class SkinLoader;
class WindowRegistry;

// What the menus, the tray, the command palette, the settings and later
// instances ask of the device windows. The menu actions work on the active
// device window (the registry's) and do nothing without one; the palette's
// anchored actions work on the window the palette was opened over; the folder
// actions and skin choices fall back to opening a window. Main thread.
class DeviceWindowActions final {
public:
    DeviceWindowActions(WindowRegistry& windows, SettingsStore& settings, SkinLoader& skins);

    // ---- the active device window ----
    void deviceBigger() const;
    void deviceSmaller() const;
    void fontBigger() const;
    void fontSmaller() const;
    void toggleMiniMode() const;
    // A new session; false when no device window is active.
    bool newSession() const;
    void closeSession() const;
    void cycleSessionNext() const;
    // Erases the active session's screen and homes its cursor inside the
    // terminal only (ESC [ 2 J, ESC [ H); the shell is not told.
    void clearActiveTerminal() const;
    // The next skin of the skin list, wrapping around.
    void cycleSkin() const;
    void copy() const;
    void paste() const;
    void selectAll() const;
    // The find bar of the active session.
    void find(corvel::TerminalView::FindCommand command) const;

    // ---- any device window ----
    // A window of the default skin whose first session starts in the folder.
    void openWindow(const QString& directory) const;
    // A session in the folder, in the frontmost window brought forward, else
    // in a new window.
    void openTab(const QString& directory) const;
    // The skin in the active window, else the frontmost one, else a new one.
    void useSkin(const SkinManifest& skin) const;
    // A window with the skin in the folder. Returns the error text, empty on
    // success.
    QString openPreview(const QString& skinFolder) const;

    // What the command palette acts on for a device window: that window,
    // whichever window is active when an entry runs.
    PaletteAnchor paletteAnchor(DeviceWindowController* controller) const;

    // The loader's skins, or the built-in handheld and walkie while it has none.
    std::vector<SkinManifest> skins() const;
    // The skin named by the settings' default skin, else the built-in handheld.
    SkinManifest defaultSkin() const;

private:
    DeviceWindowController* target() const;

    WindowRegistry& m_windows;
    SettingsStore& m_settings;
    SkinLoader& m_skins;
};

} // namespace velmora
