#include "skin/SkinManifest.h"

#include "core/AppPaths.h"

#include <QDir>
#include <QFileInfo>

namespace velmora {

namespace {

SkinManifest makeHandheld()
{
    SkinManifest skin;
    skin.id = QStringLiteral("handheld");
    skin.name = QStringLiteral("Handheld v1");
    skin.frameSize = QSizeF(398, 555);
    skin.viewportRect = QRectF(58, 82, 282, 172);
    skin.buttons = {
        {QRectF(72, 340, 65, 65), QString(), std::nullopt},
        {QRectF(148, 340, 65, 65), QString(), std::nullopt},
        {QRectF(222, 340, 60, 60), QString(), std::nullopt},
        {QRectF(305, 335, 70, 70), QString(), std::nullopt},
    };
    skin.palette.foreground = QColor::fromRgbF(0.0f, 1.0f, 0.25f);
    skin.palette.background = QColor::fromRgbF(0.02f, 0.02f, 0.02f);
    skin.frameImageName = QStringLiteral("handheld/frame@2x.png");
    skin.viewportCornerRadius = 8;
    skin.isBundled = true;
    return skin;
}

SkinManifest makeWalkie()
{
    SkinManifest skin;
    skin.id = QStringLiteral("walkie");
    skin.name = QStringLiteral("Walkie MK-1");
    skin.frameSize = QSizeF(421, 661);
    skin.viewportRect = QRectF(68, 213, 285, 147);
    skin.buttons = {
        {QRectF(52, 375, 72, 48), QStringLiteral("MENU"), std::nullopt},
        {QRectF(132, 375, 80, 48), QStringLiteral("SCAN"), std::nullopt},
        {QRectF(214, 375, 70, 48), QStringLiteral("MON"), std::nullopt},
        {QRectF(293, 375, 72, 48), QStringLiteral("ENT"), std::nullopt},
    };
    skin.palette.foreground = QColor::fromRgbF(1.0f, 0.55f, 0.0f);
    skin.palette.background = QColor::fromRgbF(0.05f, 0.03f, 0.0f);
    skin.frameImageName = QStringLiteral("walkie/Walkie_alpha.png");
    skin.viewportCornerRadius = 6;
    skin.isBundled = true;
    return skin;
}

} // namespace

const SkinManifest& SkinManifest::handheld()
{
    static const SkinManifest skin = makeHandheld();
    return skin;
}

const SkinManifest& SkinManifest::walkie()
{
    static const SkinManifest skin = makeWalkie();
    return skin;
}

const std::vector<SkinManifest>& SkinManifest::programmaticSkins()
{
    static const std::vector<SkinManifest> skins{handheld()};
    return skins;
}

const std::vector<SkinManifest>& SkinManifest::builtInPair()
{
    static const std::vector<SkinManifest> skins{handheld(), walkie()};
    return skins;
}

const std::vector<SkinManifest>& SkinManifest::orBuiltInPair(const std::vector<SkinManifest>& loaded)
{
    return loaded.empty() ? builtInPair() : loaded;
}

std::optional<QString> SkinManifest::userFolderURL() const
{
    if (isBundled)
        return std::nullopt;
    const QString folder = QDir(AppPaths::skinsDir()).filePath(id);
    if (!QFileInfo::exists(QDir(folder).filePath(QStringLiteral("skin.json"))))
        return std::nullopt;
    return folder;
}

} // namespace velmora
