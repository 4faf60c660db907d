#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

// The files of a skin folder as the builder writes them: the folder's name,
// the writing of its two files, and the flat ".zip" of an export.
namespace velmora::SkinPackage {

// The folder name of a skin: its name lower-cased, every space replaced by
// "-", and every "/" and NUL replaced by "-" so the name stays one folder.
QString slug(const QString& skinName);

// The folder slug names inside skinsDir; none when slug is empty, "." or
// "..", or when the path (or, when something is there, the real folder it
// leads to) is not directly inside the skins folder. error says why.
std::optional<QString> installFolder(const QString& skinsDir, const QString& slug, QString* error);

// Writes every file under a temporary name in its folder first, then renames
// them over their targets in the given order, so a reader never sees a file
// half written and the last file appears only when all others are in place.
// When a write fails nothing is renamed and no temporary file is left.
bool writeFilesInOrder(const std::vector<std::pair<QString, QByteArray>>& files, QString* error);

// A zip archive holding each regular file under its name alone (no
// folders), in the given order. The archive is written under a temporary
// name beside the destination and renamed over it only when complete, so an
// old archive at that path stays whole until then and never keeps entries.
bool zipFiles(const QStringList& files, const QString& destination, QString* error);

} // namespace velmora::SkinPackage
