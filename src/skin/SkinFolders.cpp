#include "skin/SkinFolders.h"

#include "skin/SkinManifestFile.h"

#include <QDir>

#include <algorithm>

namespace velmora::SkinFolders {

QFileInfoList entries(const QString& folder)
{
    QFileInfoList list = QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                    QDir::NoSort);
    std::sort(list.begin(), list.end(),
              [](const QFileInfo& a, const QFileInfo& b) { return a.fileName() < b.fileName(); });
    return list;
}

QString manifestPath(const QString& skinFolder)
{
    return QDir(skinFolder).filePath(QString::fromUtf8(SkinManifestFile::fileName));
}

} // namespace velmora::SkinFolders
