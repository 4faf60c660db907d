#include "skin/SkinFolders.h"

#include "skin/SkinManifestFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <memory>

namespace velmora::SkinFolders {

QFileInfoList entries(const QString& folder)
{
    QFileInfoList list = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(
        list.begin(), list.end(), [](const QFileInfo& a, const QFileInfo& b) { return a.fileName() < b.fileName(); });
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

bool writeFilesInOrder(const std::vector<std::pair<QString, QByteArray>>& files, QString* error)
{
    const auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    std::vector<std::unique_ptr<QSaveFile>> staged;
    for (const auto& [path, bytes] : files) {
        auto file = std::make_unique<QSaveFile>(path);
        file->setDirectWriteFallback(false);
        // Unbuffered, so that a short write (a full disk, a size limit) shows
        // in the count written instead of vanishing in a late flush.
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return fail(QStringLiteral("couldn't create a temporary file for %1: %2").arg(path, file->errorString()));
        const qint64 written = file->write(bytes);
        if (written != bytes.size())
            return fail(QStringLiteral("wrote %1 of %2 bytes of %3: %4")
                            .arg(written)
                            .arg(bytes.size())
                            .arg(path, file->errorString()));
        staged.push_back(std::move(file));
    }
    for (auto& file : staged)
        if (!file->commit())
            return fail(QStringLiteral("couldn't replace %1: %2").arg(file->fileName(), file->errorString()));
    return true;
}

} // namespace velmora::SkinFolders
