#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The skin folder as the builder installs and exports it: the folder's name
// and the flat ".zip" of an export.
namespace velmora::SkinPackage {

// The folder name of a skin: its name lower-cased, every space replaced by
// "-", and every "/" and NUL replaced by "-" so the name stays one folder.
QString slug(const QString& skinName);

// The folder slug names inside skinsDir; none when slug is empty, "." or
// "..", or when the path (or, when something is there, the real folder it
// leads to) is not directly inside the skins folder. error says why.
std::optional<QString> installFolder(const QString& skinsDir, const QString& slug, QString* error);

// A zip archive holding each regular file under its name alone (no
// folders), in the given order. The archive is written under a temporary
// name beside the destination and renamed over it only when complete, so an
// old archive at that path stays whole until then and never keeps entries.
bool zipFiles(const QStringList& files, const QString& destination, QString* error);

} // namespace velmora::SkinPackage
