#include "skin/SkinLoader.h"

#include "core/AppPaths.h"
#include "core/AppResources.h"
#include "core/LogText.h"
#include "skin/SkinFolders.h"
#include "skin/SkinManifestFile.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSet>
#include <QTimeZone>

namespace velmora {

namespace {

QDateTime distantPast() { return QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc()); }

} // namespace

SkinLoader& SkinLoader::shared()
{
    static SkinLoader* loader = new SkinLoader;
    return *loader;
}

SkinLoader::SkinLoader(QObject* parent) : QObject(parent), m_lastManualBroadcast(distantPast())
{
    m_pendingReload.setSingleShot(true);
    m_pendingReload.setInterval(reloadDelay);
    connect(&m_pendingReload, &QTimer::timeout, this, &SkinLoader::reloadUnlessJustBroadcast);
}

SkinLoader::~SkinLoader() = default;

void SkinLoader::loadAll()
{
    std::vector<SkinManifest> list;
    if (AppResources::hasResourceDir()) {
        std::vector<SkinManifest> bundled = scanDirectory(AppResources::skinsDir(), true);
        list.insert(list.end(), bundled.begin(), bundled.end());
    }
    const QString userFolder = AppPaths::skinsDir();
    ensureDirectory(userFolder);
    std::vector<SkinManifest> user = scanDirectory(userFolder, false);
    list.insert(list.end(), user.begin(), user.end());

    const std::size_t fromDisk = list.size();
    QSet<QString> scannedNames;
    for (const SkinManifest& skin : list)
        scannedNames.insert(skin.name);
    for (const SkinManifest& builtIn : SkinManifest::programmaticSkins()) {
        if (!scannedNames.contains(builtIn.name))
            list.push_back(builtIn);
    }

    m_skins = std::move(list);
    qInfo().noquote() << QStringLiteral("[Velmora] Loaded %1 skins (%2 from disk)").arg(m_skins.size()).arg(fromDisk);
    syncWatchedPaths();
}

std::vector<SkinManifest> SkinLoader::scanDirectory(const QString& folder, bool isBundled) const
{
    std::vector<SkinManifest> found;
    for (const QFileInfo& entry : SkinFolders::entries(folder)) {
        if (entry.isSymLink() || !entry.isDir())
            continue;
        const QString skinFolder = entry.absoluteFilePath();
        if (!QFileInfo::exists(SkinFolders::manifestPath(skinFolder)))
            continue;
        QString error;
        const auto file = SkinManifestFile::readFromFolder(skinFolder, &error);
        if (!file) {
            qWarning().noquote() << QStringLiteral("[Velmora] Failed to load skin at %1: %2")
                                        .arg(LogText::escaped(skinFolder), LogText::escaped(error));
            continue;
        }
        found.push_back(file->toSkinManifest(skinFolder, isBundled));
        qInfo().noquote() << QStringLiteral("[Velmora] Loaded skin: %1 from %2")
                                 .arg(LogText::escaped(found.back().name), LogText::escaped(entry.fileName()));
    }
    return found;
}

void SkinLoader::ensureDirectory(const QString& folder) { QDir().mkpath(folder); }

std::optional<SkinManifest> SkinLoader::loadSingle(const QString& folder) const
{
    const QString skinFolder = QFileInfo(folder).absoluteFilePath();
    if (!QFileInfo::exists(SkinFolders::manifestPath(skinFolder))) {
        qWarning().noquote() << QStringLiteral("[Velmora] No skin.json at %1").arg(LogText::escaped(skinFolder));
        return std::nullopt;
    }
    QString error;
    const auto file = SkinManifestFile::readFromFolder(skinFolder, &error);
    if (!file) {
        qWarning().noquote()
            << QStringLiteral("[Velmora] Failed to parse preview skin: %1").arg(LogText::escaped(error));
        return std::nullopt;
    }
    SkinManifest skin = file->toSkinManifest(skinFolder, false);
    qInfo().noquote() << QStringLiteral("[Velmora] Loaded preview skin: %1").arg(LogText::escaped(skin.name));
    return skin;
}

void SkinLoader::reloadAndBroadcast()
{
    m_lastManualBroadcast = QDateTime::currentDateTimeUtc();
    loadAll();
    emit skinsReloaded();
}

void SkinLoader::startWatching()
{
    if (m_watcher)
        return;
    ensureDirectory(AppPaths::skinsDir());
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &SkinLoader::scheduleReload);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &SkinLoader::scheduleReload);
    syncWatchedPaths();
}

void SkinLoader::scheduleReload()
{
    m_pendingReload.start(); // restarts the wait when one is pending
}

void SkinLoader::reloadUnlessJustBroadcast()
{
    const qint64 sinceBroadcast = m_lastManualBroadcast.msecsTo(QDateTime::currentDateTimeUtc());
    if (sinceBroadcast >= 0 && sinceBroadcast < manualBroadcastWindow.count()) {
        // The writer has rescanned already; only pick up paths that changed.
        syncWatchedPaths();
        return;
    }
    loadAll();
    emit skinsReloaded();
}

void SkinLoader::syncWatchedPaths()
{
    if (!m_watcher)
        return;
    // Replaced files and folders keep their old watch under the same path,
    // so every path is dropped and added again.
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);

    const QString userFolder = AppPaths::skinsDir();
    QStringList paths;
    if (QFileInfo(userFolder).isDir())
        paths << userFolder;
    for (const QFileInfo& entry : SkinFolders::entries(userFolder)) {
        if (entry.isSymLink() || !entry.isDir())
            continue;
        paths << entry.absoluteFilePath();
        const QString manifest = SkinFolders::manifestPath(entry.absoluteFilePath());
        if (QFileInfo::exists(manifest))
            paths << manifest;
    }
    if (!paths.isEmpty())
        m_watcher->addPaths(paths);
}

} // namespace velmora
