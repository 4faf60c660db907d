#pragma once

#include "core/WindowState.h"
#include "skin/SkinManifest.h"

#include <QList>
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

namespace velmora {
class SettingsStore;
}

// Repairs what an interrupted or older run left in the settings (start-up
// step 5, after the skins are loaded): a leftover temporary settings file,
// saved windows whose skin is gone or whose frame is unusable, palette
// overrides naming no palette, and a default skin that no longer exists. The
// settings are saved only when a repair changed them. Main thread.
namespace velmora::DirtyStartSweep {

// The visible frames (screen minus panels) of the attached screens, in the
// same top-left coordinates as saved window frames.
struct Screens {
    std::optional<QRectF> main;
    QList<QRectF> all;

    static Screens current();
};

// Removes the settings file's leftover temporary file, the first repair
// start-up runs.
void cleanStaleTempFiles();

// Removes "<settings file>.tmp" when it exists.
void cleanStaleTempFiles(const QString& settingsFile);

// The saved windows after repair, or nothing when none needed one. A window
// whose skin is gone (looked up by id, then by name) or whose size is not
// positive is dropped; one whose aspect is more than 25 % off its skin's
// frame takes the frame's size, centred on the main screen; one that is no
// longer on any screen is centred on the main screen with its size kept; one
// that fits no screen is shrunk to fit the main screen whole, at its skin's
// aspect, and centred there.
std::optional<QList<WindowState>> repairedWindowStates(const QList<WindowState>& states,
                                                       const std::vector<SkinManifest>& skins, const Screens& screens);

// True when the frame, shrunk by 20 points on every side, meets a visible
// frame.
bool isOnScreen(const WindowState& state, const QList<QRectF>& visibleFrames);
// True when the frame's size fits within a visible frame.
bool fitsOnAScreen(const WindowState& state, const QList<QRectF>& visibleFrames);

void repairWindowState(SettingsStore& store, const std::vector<SkinManifest>& skins, const Screens& screens);
int prunePaletteOverrides(SettingsStore& store);
void repairDefaultSkin(SettingsStore& store, const std::vector<SkinManifest>& skins);

} // namespace velmora::DirtyStartSweep
