#include "skinbuilder/SkinPackage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace velmora::SkinPackage {

namespace {

bool fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

// libarchive's writer, freed on every path.
struct ArchiveDeleter {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryDeleter {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};

la_ssize_t writeToFile(archive*, void* file, const void* buffer, size_t length)
{
    const qint64 written = static_cast<QSaveFile*>(file)->write(static_cast<const char*>(buffer), qint64(length));
    return written == qint64(length) ? la_ssize_t(written) : -1;
}

QString archiveError(archive* a, const QString& fallback)
{
    const char* message = archive_error_string(a);
    return message ? QString::fromUtf8(message) : fallback;
}

} // namespace

QString slug(const QString& skinName)
{
    QString folder = skinName.toLower();
    folder.replace(u' ', u'-');
    folder.replace(u'/', u'-');
    folder.replace(QChar(u'\0'), u'-');
    return folder;
}

std::optional<QString> installFolder(const QString& skinsDir, const QString& slug, QString* error)
{
    if (slug.isEmpty() || slug == QStringLiteral(".") || slug == QStringLiteral("..")) {
        fail(error, QStringLiteral("\"%1\" can't name a skin folder").arg(slug));
        return std::nullopt;
    }
    const QString skins = QDir::cleanPath(QDir(skinsDir).absolutePath());
    const QString folder = QDir::cleanPath(skins + u'/' + slug);
    const QFileInfo info(folder);
    bool inside = info.absolutePath() == skins;
    if (inside && (info.exists() || info.isSymLink())) {
        // Something is there already: writing must not follow it elsewhere.
        const QString realSkins = QFileInfo(skins).canonicalFilePath();
        inside = !info.isSymLink() && QFileInfo(info.canonicalFilePath()).absolutePath() == realSkins;
    }
    if (!inside) {
        fail(error, QStringLiteral("%1 is not a folder inside the skins folder").arg(slug));
        return std::nullopt;
    }
    return folder;
}

bool zipFiles(const QStringList& files, const QString& destination, QString* error)
{
    QSaveFile out(destination);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("couldn't create %1: %2").arg(destination, out.errorString()));

    std::unique_ptr<archive, ArchiveDeleter> zip(archive_write_new());
    if (!zip)
        return fail(error, QStringLiteral("couldn't start an archive"));
    archive_write_set_format_zip(zip.get());
    archive_write_zip_set_compression_deflate(zip.get());
    // No padding after the end of the archive.
    archive_write_set_bytes_in_last_block(zip.get(), 1);
    if (archive_write_open(zip.get(), &out, nullptr, writeToFile, nullptr) != ARCHIVE_OK)
        return fail(error, archiveError(zip.get(), QStringLiteral("couldn't write %1").arg(destination)));

    for (const QString& path : files) {
        const QFileInfo info(path);
        if (info.isSymLink() || !info.isFile())
            return fail(error, QStringLiteral("%1 is not a regular file").arg(path));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return fail(error, QStringLiteral("couldn't read %1: %2").arg(path, file.errorString()));
        const QByteArray bytes = file.readAll();

        std::unique_ptr<archive_entry, EntryDeleter> entry(archive_entry_new());
        archive_entry_set_pathname_utf8(entry.get(), info.fileName().toUtf8().constData());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0644);
        archive_entry_set_size(entry.get(), bytes.size());
        archive_entry_set_mtime(entry.get(), info.lastModified().toSecsSinceEpoch(), 0);
        if (archive_write_header(zip.get(), entry.get()) != ARCHIVE_OK
            || archive_write_data(zip.get(), bytes.constData(), size_t(bytes.size())) != la_ssize_t(bytes.size())
            || archive_write_finish_entry(zip.get()) != ARCHIVE_OK)
            return fail(error, archiveError(zip.get(), QStringLiteral("couldn't add %1").arg(info.fileName())));
    }
    if (archive_write_close(zip.get()) != ARCHIVE_OK)
        return fail(error, archiveError(zip.get(), QStringLiteral("couldn't finish %1").arg(destination)));
    if (!out.commit())
        return fail(error, QStringLiteral("couldn't replace %1: %2").arg(destination, out.errorString()));
    return true;
}

} // namespace velmora::SkinPackage
