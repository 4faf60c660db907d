#pragma once

#include "core/SkinEffectsSettings.h"
#include "core/WindowState.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

namespace velmora {

// All of the user's settings, as kept in "settings.json". Skins are named by
// their display name in every field except the saved windows, which also keep
// the skin's folder name.
struct SettingsData {
    QString fontName = QStringLiteral("JetBrainsMono NF");
    double fontSize = 9.0;
    QString defaultShell; // empty: the user's login shell
    QString defaultSkin = QStringLiteral("Handheld v1");
    bool restoreWindows = true;
    bool hasLaunchedBefore = false;
    QList<WindowState> lastWindows;
    QMap<QString, SkinEffectsSettings> skinEffects;
    QMap<QString, QString> cursorOverrides; // "#RRGGBB"
    QMap<QString, QString> paletteOverrides; // curated palette id
    // Top-level keys this version does not know, written back as they came so
    // that a newer version's settings survive a save by an older one.
    QJsonObject otherKeys;

    // Reads a document tolerantly: every key is read on its own and keeps its
    // default when missing or ill-typed; within the lists and maps a damaged
    // entry is dropped and the others are kept; unknown keys go to otherKeys.
    // Gives nothing only when the bytes are not JSON or not a JSON object.
    static std::optional<SettingsData> decode(const QByteArray& json);
    static SettingsData fromJson(const QJsonObject& object);

    // Every key of every record, pretty-printed, members sorted by key.
    QByteArray encode() const;
    QJsonObject toJson() const;

    bool operator==(const SettingsData&) const = default;
};

} // namespace velmora
