#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <archive.h>
#include <archive_entry.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

// Zip archives written by a test, hostile ones included.
namespace velmora::test {

// One entry of an archive written by a test, hostile ones included.
struct ZipEntry {
    enum class Kind { File, Folder, Symlink };

    QByteArray name;
    QByteArray data;
    Kind kind = Kind::File;
    QByteArray linkTarget;
    // A file of this many zero bytes instead of data (an archive bomb when
    // large: zeros compress to almost nothing).
    std::int64_t zeros = 0;
    // Whether the header states the size; streamed entries leave it out.
    bool declareSize = true;

    static ZipEntry file(const QByteArray& name, const QByteArray& data) { return {name, data, Kind::File, {}}; }
    static ZipEntry folder(const QByteArray& name) { return {name, {}, Kind::Folder, {}}; }
    static ZipEntry symlink(const QByteArray& name, const QByteArray& target)
    {
        return {name, {}, Kind::Symlink, target};
    }
    static ZipEntry zeroFile(const QByteArray& name, std::int64_t size, bool declareSize = true)
    {
        ZipEntry entry{name, {}, Kind::File, {}};
        entry.zeros = size;
        entry.declareSize = declareSize;
        return entry;
    }
};

// Writes the entries, in order, as a deflated ".zip" archive.
inline void writeZip(const QString& path, const std::vector<ZipEntry>& entries)
{
    archive* zip = archive_write_new();
    ASSERT_EQ(archive_write_set_format_zip(zip), ARCHIVE_OK);
    archive_write_set_options(zip, "zip:compression-level=1");
    ASSERT_EQ(archive_write_open_filename(zip, QFile::encodeName(path).constData()), ARCHIVE_OK)
        << archive_error_string(zip);
    const QByteArray zeros(1024 * 1024, '\0');
    for (const ZipEntry& item : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, item.name.constData());
        switch (item.kind) {
        case ZipEntry::Kind::File:
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_perm(entry, 0644);
            if (item.declareSize)
                archive_entry_set_size(entry, item.zeros > 0 ? item.zeros : item.data.size());
            else
                archive_entry_unset_size(entry);
            break;
        case ZipEntry::Kind::Folder:
            archive_entry_set_filetype(entry, AE_IFDIR);
            archive_entry_set_perm(entry, 0755);
            break;
        case ZipEntry::Kind::Symlink:
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_perm(entry, 0777);
            archive_entry_set_symlink(entry, item.linkTarget.constData());
            break;
        }
        ASSERT_EQ(archive_write_header(zip, entry), ARCHIVE_OK) << archive_error_string(zip);
        if (item.kind == ZipEntry::Kind::File) {
            if (item.zeros > 0) {
                for (std::int64_t left = item.zeros; left > 0;) {
                    const std::int64_t chunk = std::min<std::int64_t>(left, zeros.size());
                    ASSERT_EQ(archive_write_data(zip, zeros.constData(), chunk), chunk);
                    left -= chunk;
                }
            } else if (!item.data.isEmpty()) {
                ASSERT_EQ(archive_write_data(zip, item.data.constData(), item.data.size()), item.data.size());
            }
        }
        archive_entry_free(entry);
    }
    ASSERT_EQ(archive_write_close(zip), ARCHIVE_OK) << archive_error_string(zip);
    archive_write_free(zip);
}

} // namespace velmora::test
