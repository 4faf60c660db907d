#pragma once

#include "core/WindowState.h"
#include "skin/SkinManifest.h"

#include <QString>

#include <optional>
#include <vector>

namespace velmora {

class SkinLoader;

// How the application finds skins: in the loader's list, or in the built-in
// handheld and walkie skins while the loader has none. Lookups scan the list
// from its start and take the first match.
namespace SkinLookup {

// The loader's skins, or the built-in pair while it has none.
std::vector<SkinManifest> skinList(const SkinLoader& loader);

// The skin of that display name, else the built-in handheld.
SkinManifest skinNamedOrHandheld(const QString& name, const std::vector<SkinManifest>& skins);

// The skin a saved window shows: found by id when it has one, else by name.
std::optional<SkinManifest> savedSkin(const WindowState& state, const std::vector<SkinManifest>& skins);

// The skin after the current one (found by id, else by name, else taken to be
// the first), wrapping around; none with fewer than two skins.
std::optional<SkinManifest> nextSkin(const SkinManifest& current, const std::vector<SkinManifest>& skins);

} // namespace SkinLookup
} // namespace velmora
