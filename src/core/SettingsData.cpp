#include "core/SettingsData.h"

#include "core/JsonFields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace velmora {
namespace {

QList<WindowState> readWindows(const QJsonValue& value)
{
    QList<WindowState> windows;
    if (!value.isArray())
        return windows;
    for (const QJsonValue& element : value.toArray()) {
        if (element.isObject())
            windows.append(WindowState::fromJson(element.toObject()));
    }
    return windows;
}

QMap<QString, SkinEffectsSettings> readEffects(const QJsonValue& value)
{
    QMap<QString, SkinEffectsSettings> effects;
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (const auto entry = SkinEffectsSettings::fromJson(it.value()))
            effects.insert(it.key(), *entry);
    }
    return effects;
}

QMap<QString, QString> readStrings(const QJsonValue& value)
{
    QMap<QString, QString> strings;
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.value().isString())
            strings.insert(it.key(), it.value().toString());
    }
    return strings;
}

QJsonObject writeStrings(const QMap<QString, QString>& strings)
{
    QJsonObject object;
    for (auto it = strings.begin(); it != strings.end(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

} // namespace

std::optional<SettingsData> SettingsData::decode(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return fromJson(document.object());
}

SettingsData SettingsData::fromJson(const QJsonObject& object)
{
    using namespace JsonFields;
    SettingsData data;
    assignIfPresent(data.fontName, string(object, QStringLiteral("fontName")));
    assignIfPresent(data.fontSize, number(object, QStringLiteral("fontSize")));
    assignIfPresent(data.defaultShell, string(object, QStringLiteral("defaultShell")));
    assignIfPresent(data.defaultSkin, string(object, QStringLiteral("defaultSkin")));
    assignIfPresent(data.restoreWindows, boolean(object, QStringLiteral("restoreWindows")));
    assignIfPresent(data.hasLaunchedBefore, boolean(object, QStringLiteral("hasLaunchedBefore")));
    data.lastWindows = readWindows(object.value(QStringLiteral("lastWindows")));
    data.skinEffects = readEffects(object.value(QStringLiteral("skinEffects")));
    data.cursorOverrides = readStrings(object.value(QStringLiteral("cursorOverrides")));
    data.paletteOverrides = readStrings(object.value(QStringLiteral("paletteOverrides")));
    const QJsonObject known = data.toJson();
    for (auto it = object.begin(); it != object.end(); ++it)
        if (!known.contains(it.key()))
            data.otherKeys.insert(it.key(), it.value());
    return data;
}

QJsonObject SettingsData::toJson() const
{
    QJsonArray windows;
    for (const WindowState& window : lastWindows)
        windows.append(window.toJson());

    QJsonObject effects;
    for (auto it = skinEffects.begin(); it != skinEffects.end(); ++it)
        effects.insert(it.key(), it.value().toJson());

    QJsonObject object = otherKeys;
    const QJsonObject known{
        {QStringLiteral("fontName"), fontName},
        {QStringLiteral("fontSize"), fontSize},
        {QStringLiteral("defaultShell"), defaultShell},
        {QStringLiteral("defaultSkin"), defaultSkin},
        {QStringLiteral("restoreWindows"), restoreWindows},
        {QStringLiteral("hasLaunchedBefore"), hasLaunchedBefore},
        {QStringLiteral("lastWindows"), windows},
        {QStringLiteral("skinEffects"), effects},
        {QStringLiteral("cursorOverrides"), writeStrings(cursorOverrides)},
        {QStringLiteral("paletteOverrides"), writeStrings(paletteOverrides)},
    };
    for (auto it = known.begin(); it != known.end(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

QByteArray SettingsData::encode() const
{
    // QJsonObject keeps its members sorted by key, so the text comes out sorted.
    return QJsonDocument(toJson()).toJson(QJsonDocument::Indented);
}

} // namespace velmora
