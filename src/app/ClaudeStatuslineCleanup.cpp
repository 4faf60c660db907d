#include "app/ClaudeStatuslineCleanup.h"

#include "core/AppPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtDebug>

#include <cstdio>

namespace velmora::ClaudeStatuslineCleanup {
namespace {

// The largest settings file read; that program's settings are far smaller.
constexpr qint64 maxSettingsBytes = 4 * 1024 * 1024;

bool isShim(const QJsonObject& statusLine)
{
    const auto marked = [&](const char* key) {
        const QJsonValue value = statusLine.value(QLatin1String(key));
        return value.isBool() && value.toBool();
    };
    return marked("_rundell") || marked("_vossel");
}

// Writes the bytes beside the target and renames them over it, with the
// target's permissions. Returns false, leaving the target untouched, on any
// failure.
bool replaceFile(const QString& target, const QByteArray& bytes)
{
    const QString temporary = target + QStringLiteral(".rundell-tmp");
    QFile::remove(temporary); // whatever sits there, a link included, is not followed
    QFile file(temporary);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::NewOnly)
        && file.setPermissions(QFileInfo(target).permissions()) && file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (written && std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) == 0)
        return true;
    QFile::remove(temporary);
    return false;
}

} // namespace

void uninstall()
{
    QFile::remove(AppPaths::claudeStatuslineScript());
    QFile::remove(AppPaths::legacyClaudeStatuslineScript());

    // A linked settings file is changed where it really lives.
    const QFileInfo settingsInfo(AppPaths::claudeSettings());
    const QString target
        = settingsInfo.isSymLink() ? settingsInfo.canonicalFilePath() : settingsInfo.absoluteFilePath();
    QFile settings(target);
    if (target.isEmpty() || !settingsInfo.isFile() || settingsInfo.size() > maxSettingsBytes
        || !settings.open(QIODevice::ReadOnly))
        return;
    const QByteArray original = settings.readAll();
    settings.close();

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(original, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return;
    QJsonObject root = document.object();
    if (root.isEmpty())
        return;
    const QJsonValue statusLineValue = root.value(QLatin1String("statusLine"));
    if (!statusLineValue.isObject() || !isShim(statusLineValue.toObject()))
        return;

    const QJsonValue originalCommand = statusLineValue.toObject().value(QLatin1String("_originalCommand"));
    if (originalCommand.isString() && !originalCommand.toString().isEmpty())
        root.insert(QStringLiteral("statusLine"),
                    QJsonObject{{QStringLiteral("type"), QStringLiteral("command")},
                                {QStringLiteral("command"), originalCommand.toString()}});
    else
        root.remove(QStringLiteral("statusLine"));

    if (!replaceFile(target, QJsonDocument(root).toJson(QJsonDocument::Indented)))
        return;
    qInfo().noquote() << QStringLiteral("[Velmora] Removed statusLine shim from ~/.claude/settings.json");
}

} // namespace velmora::ClaudeStatuslineCleanup
