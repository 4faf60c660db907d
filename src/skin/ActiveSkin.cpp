#include "skin/ActiveSkin.h"

#include "core/SettingsStore.h"
#include "skin/SkinLoader.h"

namespace velmora::ActiveSkin {
namespace {

DeviceSkinSource& source()
{
    static DeviceSkinSource installed;
    return installed;
}

} // namespace

void setDeviceSkinSource(DeviceSkinSource deviceSkinSource) { source() = std::move(deviceSkinSource); }

QString name()
{
    const std::optional<QString> deviceSkin = source() ? source()() : std::nullopt;
    return choose(deviceSkin, SettingsStore::shared().data().defaultSkin, SkinLoader::shared().skins());
}

QString choose(const std::optional<QString>& deviceSkin, const QString& defaultSkin,
               const std::vector<SkinManifest>& loadedSkins)
{
    if (deviceSkin)
        return *deviceSkin;
    const std::vector<SkinManifest>& skins = SkinManifest::orBuiltInPair(loadedSkins);
    for (const SkinManifest& skin : skins) {
        if (skin.name == defaultSkin)
            return defaultSkin;
    }
    return skins.front().name;
}

} // namespace velmora::ActiveSkin
