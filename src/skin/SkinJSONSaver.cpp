#include "skin/SkinJSONSaver.h"

#include "core/SettingsData.h"
#include "skin/CuratedPalettes.h"
#include "skin/HexColor.h"
#include "skin/SkinLoader.h"
#include "skin/SkinManifest.h"
#include "skin/SkinManifestFile.h"

#include <QJsonArray>

namespace velmora {

namespace {

const SkinManifest* findSkin(const QString& name, const std::vector<SkinManifest>& loaded)
{
    const std::vector<SkinManifest>& candidates = loaded.empty() ? SkinManifest::programmaticSkins() : loaded;
    for (const SkinManifest& skin : candidates) {
        if (skin.name == name)
            return &skin;
    }
    return nullptr;
}

QJsonObject curatedPaletteObject(const CuratedPalette& palette)
{
    return QJsonObject{
        {QStringLiteral("foreground"), palette.foreground},
        {QStringLiteral("background"), palette.background},
        {QStringLiteral("cursor"), palette.cursor},
        {QStringLiteral("ansi"), QJsonArray::fromStringList(palette.ansi)},
    };
}

QJsonObject skinPaletteObject(const SkinManifest::TerminalPalette& palette)
{
    QJsonObject object{
        {QStringLiteral("foreground"), SkinJSONSaver::nsHex(palette.foreground)},
        {QStringLiteral("background"), SkinJSONSaver::nsHex(palette.background)},
    };
    if (palette.cursor)
        object.insert(QStringLiteral("cursor"), SkinJSONSaver::nsHex(*palette.cursor));
    if (palette.ansi) {
        QJsonArray ansi;
        for (const QColor& color : *palette.ansi)
            ansi.append(SkinJSONSaver::nsHex(color));
        object.insert(QStringLiteral("ansi"), ansi);
    }
    return object;
}

// Merges paletteDict() into the object's "palette"; nothing when the
// dictionary is empty.
void mergePalette(QJsonObject& skinFile, const QString& skinName, const SettingsData& settings,
                  const std::vector<SkinManifest>& loadedSkins)
{
    const QJsonObject computed = SkinJSONSaver::paletteDict(skinName, settings, loadedSkins);
    if (computed.isEmpty())
        return;
    QJsonObject palette = skinFile.value(QStringLiteral("palette")).toObject();
    for (auto it = computed.begin(); it != computed.end(); ++it)
        palette.insert(it.key(), it.value());
    skinFile.insert(QStringLiteral("palette"), palette);
}

} // namespace

QJsonObject SkinJSONSaver::paletteDict(const QString& skinName, const SettingsData& settings,
                                       const std::vector<SkinManifest>& loadedSkins)
{
    QJsonObject dict;
    std::optional<CuratedPalette> curated;
    if (const auto id = settings.paletteOverrides.constFind(skinName); id != settings.paletteOverrides.cend())
        curated = CuratedPalettes::byId(*id);
    if (curated) {
        dict = curatedPaletteObject(*curated);
    } else if (const SkinManifest* skin = findSkin(skinName, loadedSkins)) {
        dict = skinPaletteObject(skin->palette);
    }
    if (const auto cursor = settings.cursorOverrides.constFind(skinName); cursor != settings.cursorOverrides.cend())
        dict.insert(QStringLiteral("cursor"), nsHex(HexColor::toColorOrMagenta(*cursor)));
    return dict;
}

SkinJSONSaver::SaveOutcome SkinJSONSaver::save(const QString& skinName, const SettingsData& settings, SkinLoader& skins,
                                               const std::function<void(QJsonObject&)>& alsoEdit, QString* error)
{
    const SaveOutcome outcome = SkinManifestFile::editAndWrite(
        skinName,
        [&](QJsonObject& skinFile) {
            mergePalette(skinFile, skinName, settings, skins.skins());
            if (alsoEdit)
                alsoEdit(skinFile);
        },
        error);
    if (outcome == SaveOutcome::saved)
        skins.reloadAndBroadcast();
    return outcome;
}

QString SkinJSONSaver::savePalette(const QString& skinName, const SettingsData& settings, SkinLoader& skins)
{
    return SkinManifestFile::saveOutcomeText(save(skinName, settings, skins));
}

QString SkinJSONSaver::nsHex(const QColor& color) { return HexColor::roundedHexString(color); }

} // namespace velmora
