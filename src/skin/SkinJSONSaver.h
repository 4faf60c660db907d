#pragma once

#include <QColor>
#include <QJsonObject>
#include <QString>

#include <functional>
#include <optional>
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
    static inline const QString savedText = QStringLiteral("Saved \u2713");
    static inline const QString builtInText = QStringLiteral("Can't save a built-in skin");
    static inline const QString readFailedText = QStringLiteral("Couldn't read skin.json");
    static inline const QString encodeFailedText = QStringLiteral("Couldn't encode skin.json");
    static inline const QString writeFailedText = QStringLiteral("Write failed");

    // How a rewrite of a user skin's file ended.
    enum class Outcome { saved, builtIn, unreadable, unencodable, writeFailed };

    SkinJSONSaver() = delete;

    // Writes the palette and returns the status text to show. The computed
    // keys are merged into the file's existing "palette" object, so a change
    // of the cursor alone keeps the colours the skin needs to load. Every
    // other key of the file stays; the file is rewritten pretty-printed with
    // sorted keys through a temporary file that then replaces it.
    static QString savePalette(const QString& skinName, const SettingsData& settings, SkinLoader& skins);

    // The status text of an outcome: "Saved ✓" and the four failures.
    static QString statusText(Outcome outcome);

    // Rewrites the "skin.json" of the user skin with that name after edit has
    // changed its JSON object; keys edit leaves alone stay as they are. A
    // file the skin loader refuses is not touched (unreadable), nor is one
    // written that the loader would refuse (unencodable), so "saved" always
    // means the skin loads. The file is written through SkinManifestFile,
    // then the skins are reloaded and every window told. error gets the
    // reason of a failed write.
    static Outcome rewriteUserSkin(const QString& skinName, const std::function<void(QJsonObject&)>& edit,
                                   SkinLoader& skins, QString* error = nullptr);

    // Merges paletteDict() into the object's "palette"; nothing when the
    // dictionary is empty.
    static void mergePalette(QJsonObject& skinFile, const QString& skinName, const SettingsData& settings,
                             const std::vector<SkinManifest>& loadedSkins);

    // The "skin.json" of the first user skin folder (in listing order) whose
    // file is a JSON object with that exact "name"; none for built-in skins.
    static std::optional<QString> userSkinJSONURL(const QString& skinName);

    // The palette object for the skin, by the settings' overrides and the
    // loaded skins (the built-in ones while none are loaded): "foreground",
    // "background", and "cursor" and "ansi" when there are such colours;
    // empty when neither a skin of that name nor an override exists.
    static QJsonObject paletteDict(const QString& skinName, const SettingsData& settings,
                                   const std::vector<SkinManifest>& loadedSkins);

    // The JSON object of a skin file; none when the file cannot be read or
    // does not hold an object.
    static std::optional<QJsonObject> readObject(const QString& path);

    // "#RRGGBB", components rounded.
    static QString nsHex(const QColor& color);
};

} // namespace velmora
