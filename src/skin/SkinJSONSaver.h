#pragma once

#include "skin/SkinManifestFile.h"

#include <QColor>
#include <QJsonObject>
#include <QString>

#include <functional>
#include <vector>

namespace velmora {

class SkinLoader;
struct SettingsData;
struct SkinManifest;

// Bakes a skin's effective palette (its curated palette override, else its
// own colours, with the cursor override on top) into the "palette" object of
// the user skin's "skin.json", then has every window and list reload the
// skins. Built-in skins are never written. Main thread only.
class SkinJSONSaver {
public:
    using SaveOutcome = SkinManifestFile::SaveOutcome;

    SkinJSONSaver() = delete;

    // Writes the palette and returns the status text to show. The computed
    // keys are merged into the file's existing "palette" object, so a change
    // of the cursor alone keeps the colours the skin needs to load. Every
    // other key of the file stays; the file is rewritten pretty-printed with
    // sorted keys through a temporary file that then replaces it.
    static QString savePalette(const QString& skinName, const SettingsData& settings, SkinLoader& skins);

    // Merges the palette as savePalette() does, lets alsoEdit change the
    // file's object further and writes it through
    // SkinManifestFile::editAndWrite; after a save the skins are reloaded and
    // every window told. error gets the reason of a failed write.
    static SaveOutcome save(const QString& skinName, const SettingsData& settings, SkinLoader& skins,
                            const std::function<void(QJsonObject&)>& alsoEdit = {}, QString* error = nullptr);

    // The palette object for the skin, by the settings' overrides and the
    // loaded skins (the built-in ones while none are loaded): "foreground",
    // "background", and "cursor" and "ansi" when there are such colours;
    // empty when neither a skin of that name nor an override exists.
    static QJsonObject paletteDict(const QString& skinName, const SettingsData& settings,
                                   const std::vector<SkinManifest>& loadedSkins);

    // "#RRGGBB", components rounded.
    static QString nsHex(const QColor& color);
};

} // namespace velmora
