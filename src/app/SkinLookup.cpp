#include "app/SkinLookup.h"

#include "skin/SkinLoader.h"

#include <algorithm>

namespace velmora::SkinLookup {
namespace {

template <typename Match>
std::vector<SkinManifest>::const_iterator find(const std::vector<SkinManifest>& skins, Match match)
{
    return std::find_if(skins.begin(), skins.end(), match);
}

} // namespace

std::vector<SkinManifest> skinList(const SkinLoader& loader) { return SkinManifest::orBuiltInPair(loader.skins()); }

SkinManifest skinNamedOrHandheld(const QString& name, const std::vector<SkinManifest>& skins)
{
    const auto found = find(skins, [&](const SkinManifest& skin) { return skin.name == name; });
    return found != skins.end() ? *found : SkinManifest::handheld();
}

std::optional<SkinManifest> savedSkin(const WindowState& state, const std::vector<SkinManifest>& skins)
{
    auto found = skins.end();
    if (!state.id.isEmpty())
        found = find(skins, [&](const SkinManifest& skin) { return skin.id == state.id; });
    if (found == skins.end())
        found = find(skins, [&](const SkinManifest& skin) { return skin.name == state.skinName; });
    return found != skins.end() ? std::optional(*found) : std::nullopt;
}

std::optional<SkinManifest> nextSkin(const SkinManifest& current, const std::vector<SkinManifest>& skins)
{
    if (skins.size() < 2)
        return std::nullopt;
    auto found = find(skins, [&](const SkinManifest& skin) { return skin.id == current.id; });
    if (found == skins.end())
        found = find(skins, [&](const SkinManifest& skin) { return skin.name == current.name; });
    const std::size_t position = found == skins.end() ? 0 : std::size_t(found - skins.begin());
    return skins[(position + 1) % skins.size()];
}

} // namespace velmora::SkinLookup
