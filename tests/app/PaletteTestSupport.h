#pragma once

#include "skin/SkinManifest.h"

#include <QString>

namespace velmora::test {

// A loadable skin under another display name.
inline SkinManifest skinNamed(const QString& name)
{
    SkinManifest skin = SkinManifest::walkie();
    skin.name = name;
    return skin;
}

} // namespace velmora::test
