#include "skin/ActiveSkin.h"

namespace velmora::ActiveSkin {

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
