#pragma once

#include <QByteArray>
#include <QFileInfoList>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

// Listing of a folder of skin folders.
namespace velmora::SkinFolders {

// Every direct entry of the folder, hidden ones included, sorted by name
// (code-point order, so the result does not depend on the locale). Empty when
// the folder cannot be listed.
QFileInfoList entries(const QString& folder);

// The "skin.json" inside a skin folder.
QString manifestPath(const QString& skinFolder);

// Far above any real skin file; keeps a stray huge file from being read whole.
constexpr qint64 maxManifestSize = 16 * 1024 * 1024;

// The bytes of a skin file, read only when it is a regular file of at most
// maxManifestSize bytes (a pipe or a device would block or never end).
std::optional<QByteArray> readManifest(const QString& path, QString* error = nullptr);

// Writes every file under a temporary name in its folder first, then renames
// them over their targets in the given order, so a reader never sees a file
// half written and the last file appears only when all others are in place.
// When a write fails nothing is renamed, no temporary file is left, the old
// files stay whole and the reason goes to error.
bool writeFilesInOrder(const std::vector<std::pair<QString, QByteArray>>& files, QString* error = nullptr);

} // namespace velmora::SkinFolders
