#include "skin/SkinJSONSaver.h"

#include "core/AppPaths.h"
#include "core/SettingsData.h"
#include "skin/CuratedPalettes.h"
#include "skin/HexColor.h"
#include "skin/SkinFolders.h"
#include "skin/SkinLoader.h"
#include "skin/SkinManifest.h"
#include "skin/SkinManifestFile.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

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

std::optional<QJsonObject> objectOf(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

std::optional<QJsonObject> SkinJSONSaver::readObject(const QString& path)
{
    const auto bytes = SkinFolders::readManifest(path);
    return bytes ? objectOf(*bytes) : std::nullopt;
}

std::optional<QString> SkinJSONSaver::userSkinJSONURL(const QString& skinName)
{
    for (const QFileInfo& entry : SkinFolders::entries(AppPaths::skinsDir())) {
        const QString path = SkinFolders::manifestPath(entry.absoluteFilePath());
        const auto object = readObject(path);
        if (!object)
            continue;
        const QJsonValue name = object->value(QStringLiteral("name"));
        if (name.isString() && name.toString() == skinName)
            return path;
    }
    return std::nullopt;
}

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

void SkinJSONSaver::mergePalette(QJsonObject& skinFile, const QString& skinName, const SettingsData& settings,
                                 const std::vector<SkinManifest>& loadedSkins)
{
    const QJsonObject computed = paletteDict(skinName, settings, loadedSkins);
    if (computed.isEmpty())
        return;
    QJsonObject palette = skinFile.value(QStringLiteral("palette")).toObject();
    for (auto it = computed.begin(); it != computed.end(); ++it)
        palette.insert(it.key(), it.value());
    skinFile.insert(QStringLiteral("palette"), palette);
}

SkinJSONSaver::Outcome SkinJSONSaver::rewriteUserSkin(const QString& skinName,
                                                      const std::function<void(QJsonObject&)>& edit, SkinLoader& skins,
                                                      QString* error)
{
    const auto path = userSkinJSONURL(skinName);
    if (!path)
        return Outcome::builtIn;
    const QString folder = QFileInfo(*path).path();
    const auto bytes = SkinFolders::readManifest(*path);
    auto skinFile = bytes ? objectOf(*bytes) : std::nullopt;
    // A file the skin loader refuses is no skin to save into.
    if (!skinFile || !SkinManifestFile::decodeInFolder(*bytes, folder))
        return Outcome::unreadable;
    edit(*skinFile);
    // Nor is a file written, and called saved, that the loader would refuse.
    const QByteArray written = SkinManifestFile::encode(*skinFile);
    if (written.isEmpty() || !SkinManifestFile::decodeInFolder(written, folder))
        return Outcome::unencodable;
    if (!SkinManifestFile::write(folder, *skinFile, error))
        return Outcome::writeFailed;
    skins.reloadAndBroadcast();
    return Outcome::saved;
}

QString SkinJSONSaver::statusText(Outcome outcome)
{
    switch (outcome) {
    case Outcome::saved: return savedText;
    case Outcome::builtIn: return builtInText;
    case Outcome::unreadable: return readFailedText;
    case Outcome::unencodable: return encodeFailedText;
    case Outcome::writeFailed: return writeFailedText;
    }
    return {};
}

QString SkinJSONSaver::savePalette(const QString& skinName, const SettingsData& settings, SkinLoader& skins)
{
    return statusText(rewriteUserSkin(
        skinName, [&](QJsonObject& skinFile) { mergePalette(skinFile, skinName, settings, skins.skins()); }, skins));
}

QString SkinJSONSaver::nsHex(const QColor& color) { return HexColor::roundedHexString(color); }

} // namespace velmora
