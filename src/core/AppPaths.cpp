#include "core/AppPaths.h"

#include <QDir>
#include <QStandardPaths>
#include <QtDebug>

#include <filesystem>
#include <system_error>

namespace velmora::AppPaths {
namespace {

// The XDG data folder that holds the application's folder and its legacy
// siblings.
QString dataHome()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base);
}

QString vosselAppSupport() { return dataHome() + QStringLiteral("/Vossel"); }
QString rundellAppSupport() { return dataHome() + QStringLiteral("/Rundell"); }

std::filesystem::path toPath(const QString& path) { return std::filesystem::path(path.toStdString()); }

// True when anything sits at the path, a dangling symbolic link included.
bool existsAsAnything(const QString& path)
{
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(toPath(path), error));
}

QString lastComponent(const QString& path) { return path.section(QLatin1Char('/'), -1); }

void moveLegacyDirIfNeeded(const QString& from, const QString& to)
{
    if (existsAsAnything(to) || !existsAsAnything(from))
        return;

    std::error_code error;
    std::filesystem::create_directories(toPath(to).parent_path(), error);

    error.clear();
    std::filesystem::rename(toPath(from), toPath(to), error);
    if (error) {
        qWarning().noquote() << QStringLiteral("[Velmora] App Support migration skipped: ")
                + QString::fromStdString(error.message());
        return;
    }
    qInfo().noquote() << QStringLiteral("[Velmora] Migrated legacy Application Support/") + lastComponent(from)
            + QStringLiteral(" → ") + lastComponent(to);
}

} // namespace

QString appSupport() { return dataHome() + QStringLiteral("/Velmora"); }
QString settingsFile() { return appSupport() + QStringLiteral("/settings.json"); }
QString skinsDir() { return appSupport() + QStringLiteral("/skins"); }
QString crashesDir() { return appSupport() + QStringLiteral("/crashes"); }
QString crashesPendingDir() { return crashesDir() + QStringLiteral("/pending"); }

QString claudeSettings() { return QDir::homePath() + QStringLiteral("/.claude/settings.json"); }
QString claudeStatuslineScript() { return QDir::homePath() + QStringLiteral("/.claude/rundell-statusline.sh"); }
QString legacyClaudeStatuslineScript() { return QDir::homePath() + QStringLiteral("/.claude/vossel-statusline.sh"); }

void migrateLegacyAppSupportIfNeeded()
{
    moveLegacyDirIfNeeded(vosselAppSupport(), rundellAppSupport());
    moveLegacyDirIfNeeded(rundellAppSupport(), appSupport());
}

} // namespace velmora::AppPaths
