#pragma once

#include "skin/SkinManifest.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <optional>
#include <vector>

class QFileSystemWatcher;

namespace velmora {

// The single owner of the list of known skins: the resource folder's skins,
// then the user's, then the built-in handheld unless a scanned skin bears its
// name. It watches the user skins folder, rescans after a quiet interval and
// announces rescans with skinsReloaded(). Writers of skin folders call
// reloadAndBroadcast() themselves, which keeps the watcher from announcing
// their own change a second time.
// Main thread only.
class SkinLoader final : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds reloadDelay{600};
    static constexpr std::chrono::milliseconds manualBroadcastWindow{1500};

    // The process-wide loader, created on first use.
    static SkinLoader& shared();

    explicit SkinLoader(QObject* parent = nullptr);
    ~SkinLoader() override;

    // Every known skin; empty only before the first loadAll(). Replaced as a
    // whole by every rescan: copy what you keep.
    const std::vector<SkinManifest>& skins() const { return m_skins; }

    // When a writer of skin folders last rescanned and broadcast by itself.
    QDateTime lastManualBroadcast() const { return m_lastManualBroadcast; }
    void setLastManualBroadcast(const QDateTime& when) { m_lastManualBroadcast = when; }

    // Rescans both skin folders and replaces skins(); announces nothing.
    void loadAll();

    // Starts watching the user skins folder, its skin folders and their
    // "skin.json" files; a second call does nothing.
    void startWatching();
    bool isWatching() const { return m_watcher != nullptr; }

    // Reads one skin folder as a user skin, leaving skins() alone.
    std::optional<SkinManifest> loadSingle(const QString& folder) const;

    // What every writer of skin folders runs right after writing: stamp
    // lastManualBroadcast, rescan, emit skinsReloaded().
    void reloadAndBroadcast();

signals:
    // skins() was rescanned and replaced.
    void skinsReloaded();

private:
    std::vector<SkinManifest> scanDirectory(const QString& folder, bool isBundled) const;
    static void ensureDirectory(const QString& folder);
    void scheduleReload();
    void reloadUnlessJustBroadcast();
    void syncWatchedPaths();

    std::vector<SkinManifest> m_skins;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer m_pendingReload;
    QDateTime m_lastManualBroadcast;
};

} // namespace velmora
