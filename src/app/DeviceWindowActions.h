#pragma once

#include "app/CommandPaletteController.h"
#include "skin/SkinManifest.h"

#include <functional>
#include <vector>

namespace velmora {

class DeviceWindowController;
class WindowRegistry;

// What the menus, the tray and the command palette hand down to a device
// window: each action works on the active device window (the registry's) and
// does nothing without one; the palette's anchored actions work on the window
// the palette was opened over. Main thread.
class DeviceWindowActions final {
public:
    // skins: the list to cycle through (the loader's, or the built-in pair).
    DeviceWindowActions(const WindowRegistry& windows, std::function<std::vector<SkinManifest>()> skins);

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

    // What the command palette acts on for a device window: that window,
    // whichever window is active when an entry runs.
    PaletteAnchor paletteAnchor(DeviceWindowController* controller) const;
    static PaletteAnchor paletteAnchor(DeviceWindowController* controller,
                                       std::function<std::vector<SkinManifest>()> skins);

private:
    DeviceWindowController* target() const;

    const WindowRegistry& m_windows;
    std::function<std::vector<SkinManifest>()> m_skins;
};

} // namespace velmora
