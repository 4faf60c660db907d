#pragma once

#include "skin/SkinManifest.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

// Which skin the settings window edits: the skin of the device window the
// user is working in (the key one, else the first opened), else the default
// skin when a skin of that name is loaded, else the first skin.
namespace velmora::ActiveSkin {

// The skin name of the key device window, else of the first one; none while
// no device window is open.
using DeviceSkinSource = std::function<std::optional<QString>()>;

// The rule itself: the device window's skin when there is one, else
// defaultSkin when a skin of the list (the loaded skins, or the built-in
// pair when none are loaded) has that name, else the list's first name.
QString choose(const std::optional<QString>& deviceSkin, const QString& defaultSkin,
               const std::vector<SkinManifest>& loadedSkins);

} // namespace velmora::ActiveSkin
