#pragma once

#include <QByteArray>
#include <QFileInfoList>
#include <QString>

#include <optional>

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

// Replaces the file through a temporary file in the same folder that is
// renamed over it only once every byte is written; on failure the old file
// stays whole, no temporary file is left and the reason goes to error.
bool writeAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace velmora::SkinFolders
