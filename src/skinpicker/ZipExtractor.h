#pragma once

#include <QString>

#include <cstdint>

namespace velmora {

// What one archive may hold at most.
struct ZipLimits {
    std::int64_t maxEntries = 10'000;
    std::int64_t maxTotalBytes = 256LL * 1024 * 1024; // far above a frame picture and a skin.json
    // Folders an entry may lie below: a skin is a folder or two deep, and a
    // tree thousands of folders deep could not be walked or removed again.
    qsizetype maxDepth = 64;

    // Why a tree deeper than maxDepth is refused, zipped or not.
    QString tooDeepReason() const { return QStringLiteral("an entry lies deeper than %1 folders").arg(maxDepth); }
};

// Unpacks a ".zip" archive into an empty folder, in process, and trusts
// nothing in it. Only folders and regular files are written; every entry must
// name a relative path that stays inside the destination: an absolute path, a
// ".." component, a symbolic or hard link, a device, a duplicated name, an
// encrypted or damaged entry fails the whole archive. The number of entries,
// their depth and the bytes written are bounded, counted as the data arrives,
// so an archive whose headers lie about its sizes is stopped all the same.
//
// On failure the destination may hold what was written before the fault was
// found; the caller unpacks into a private folder of its own and removes it.
class ZipExtractor {
public:
    struct Result {
        bool ok = false;
        // The archive file itself could not be opened as a regular file, so
        // nothing of it was read; error says why.
        bool unreadable = false;
        QString error; // why it failed; empty on success
        std::int64_t filesWritten = 0;
        std::int64_t bytesWritten = 0;
    };

    ZipExtractor() = delete;

    // destination must exist and should be empty.
    static Result extract(const QString& archivePath, const QString& destination,
                          const ZipLimits& limits = ZipLimits());

    // Whether an entry name may be written below the destination: relative,
    // non-empty once "." and empty components are dropped, without "..".
    static bool isSafeEntryName(const QString& name);
};

} // namespace velmora
