#pragma once

#include <QFileInfoList>
#include <QString>

// Listing of a folder of skin folders.
namespace velmora::SkinFolders {

// Every direct entry of the folder, hidden ones included, sorted by name
// (code-point order, so the result does not depend on the locale). Empty when
// the folder cannot be listed.
QFileInfoList entries(const QString& folder);

// The "skin.json" inside a skin folder.
QString manifestPath(const QString& skinFolder);

} // namespace velmora::SkinFolders
