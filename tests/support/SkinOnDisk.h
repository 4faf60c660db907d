#pragma once

#include "support/TestFiles.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

// Skins written to disk by a test.
namespace velmora::test {

// A skin file that loads: the smallest object with every required key.
inline QJsonObject minimalSkin(const QString& name)
{
    return QJsonObject{
        {"name", name},
        {"frame", QJsonObject{{"image", "frame@2x.png"}, {"width", 400}, {"height", 600}}},
        {"viewport", QJsonObject{{"x", 10}, {"y", 20}, {"width", 300}, {"height", 200}}},
        {"palette", QJsonObject{{"foreground", "#00ff00"}, {"background", "#101010"}}},
        {"buttons", QJsonArray{}},
    };
}

inline QByteArray toBytes(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Indented); }

// Writes <folder>/<id>/skin.json and returns the skin folder.
inline QString writeSkin(const QString& folder, const QString& id, const QByteArray& json)
{
    const QString skinFolder = folder + u'/' + id;
    writeFile(skinFolder + QStringLiteral("/skin.json"), json);
    return skinFolder;
}

inline QString writeSkin(const QString& folder, const QString& id, const QJsonObject& json)
{
    return writeSkin(folder, id, toBytes(json));
}

} // namespace velmora::test
