#include "skin/SkinFolders.h"

#include "skin/SkinManifestFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

std::optional<QByteArray> readManifest(const QString& path, QString* error)
{
    const auto fail = [error](const QString& message) -> std::optional<QByteArray> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    const QFileInfo info(path);
    if (!info.isFile())
        return fail(QStringLiteral("%1 is not a regular file").arg(path));
    if (info.size() > maxManifestSize)
        return fail(QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(maxManifestSize));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("couldn't read %1: %2").arg(path, file.errorString()));
    return file.read(maxManifestSize + 1);
}

bool writeAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // Unbuffered, so that a short write (a full disk, a size limit) shows in
    // the count written instead of vanishing in a late flush.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace velmora::SkinFolders
