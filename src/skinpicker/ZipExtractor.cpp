#include "skinpicker/ZipExtractor.h"

#include <QFile>
#include <QStringList>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

struct ArchiveDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};

// A descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    Fd& operator=(Fd&& other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

QString systemError(const QString& what)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

QString archiveError(archive* a)
{
    const char* text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("unreadable archive");
}

QString entryName(archive_entry* entry)
{
    if (const char* utf8 = archive_entry_pathname_utf8(entry))
        return QString::fromUtf8(utf8);
    if (const char* raw = archive_entry_pathname(entry))
        return QFile::decodeName(raw);
    return {};
}

QStringList components(const QString& name)
{
    QStringList parts;
    for (const QString& part : name.split(u'/', Qt::SkipEmptyParts)) {
        if (part != QStringLiteral("."))
            parts.append(part);
    }
    return parts;
}

// Opens (creating when missing) the folder below parent, never through a
// symbolic link.
Fd openFolder(int parent, const QString& name, QString* error)
{
    const QByteArray encoded = QFile::encodeName(name);
    if (::mkdirat(parent, encoded.constData(), 0755) != 0 && errno != EEXIST) {
        *error = systemError(QStringLiteral("couldn't create folder %1").arg(name));
        return Fd();
    }
    Fd fd(::openat(parent, encoded.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid())
        *error = systemError(QStringLiteral("couldn't open folder %1").arg(name));
    return fd;
}

// The folder that holds the last of the components, made as needed.
Fd openParentChain(int root, const QStringList& parts, qsizetype count, QString* error)
{
    Fd current(::dup(root));
    if (!current.valid()) {
        *error = systemError(QStringLiteral("couldn't open the destination"));
        return Fd();
    }
    for (qsizetype i = 0; i < count; ++i) {
        Fd next = openFolder(current.get(), parts[i], error);
        if (!next.valid())
            return Fd();
        current = std::move(next);
    }
    return current;
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

bool ZipExtractor::isSafeEntryName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(u'/'))
        return false;
    const QStringList parts = components(name);
    if (parts.isEmpty())
        return false;
    for (const QString& part : parts) {
        if (part == QStringLiteral(".."))
            return false;
    }
    return true;
}

ZipExtractor::Result ZipExtractor::extract(const QString& archivePath, const QString& destination,
                                           const ZipLimits& limits)
{
    Result result;
    const auto fail = [&result](const QString& message) {
        result.ok = false;
        result.error = message;
        return result;
    };

    // Non-blocking, so that a pipe under an archive's name cannot hang the
    // open; only a regular file is read.
    const Fd input(::open(QFile::encodeName(archivePath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (!input.valid() || ::fstat(input.get(), &status) != 0) {
        result.unreadable = true;
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!S_ISREG(status.st_mode)) {
        result.unreadable = true;
        return fail(QStringLiteral("not a regular file"));
    }

    std::unique_ptr<archive, ArchiveDeleter> reader(archive_read_new());
    if (!reader)
        return fail(QStringLiteral("out of memory"));
    archive_read_support_format_zip(reader.get());
    if (archive_read_open_fd(reader.get(), input.get(), 64 * 1024) != ARCHIVE_OK)
        return fail(archiveError(reader.get()));

    const Fd root(::open(QFile::encodeName(destination).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!root.valid())
        return fail(systemError(QStringLiteral("couldn't open %1").arg(destination)));

    std::int64_t entries = 0;
    std::unique_ptr<char[]> buffer(new char[64 * 1024]);
    for (;;) {
        archive_entry* entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status != ARCHIVE_OK && status != ARCHIVE_WARN)
            return fail(archiveError(reader.get()));
        if (++entries > limits.maxEntries)
            return fail(QStringLiteral("more than %1 entries").arg(limits.maxEntries));

        const QString name = entryName(entry);
        if (!isSafeEntryName(name))
            return fail(QStringLiteral("unsafe entry name \"%1\"").arg(name));
        if (archive_entry_hardlink(entry))
            return fail(QStringLiteral("%1 is a link").arg(name));
        if (archive_entry_is_encrypted(entry))
            return fail(QStringLiteral("%1 is encrypted").arg(name));
        const QStringList parts = components(name);
        const auto type = archive_entry_filetype(entry);
        const qsizetype folders = type == AE_IFDIR ? parts.size() : parts.size() - 1;
        if (folders > limits.maxDepth)
            return fail(limits.tooDeepReason());

        if (type == AE_IFDIR) {
            QString error;
            if (!openParentChain(root.get(), parts, parts.size(), &error).valid())
                return fail(error);
            continue;
        }
        if (type != AE_IFREG)
            return fail(QStringLiteral("%1 is not a regular file").arg(name));

        const std::int64_t remaining = limits.maxTotalBytes - result.bytesWritten;
        if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > remaining)
            return fail(QStringLiteral("%1 is too large").arg(name));

        QString error;
        const Fd parent = openParentChain(root.get(), parts, parts.size() - 1, &error);
        if (!parent.valid())
            return fail(error);
        const Fd file(::openat(parent.get(),
                               QFile::encodeName(parts.last()).constData(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                               0644));
        if (!file.valid())
            return fail(systemError(QStringLiteral("couldn't create %1").arg(name)));
        ++result.filesWritten;

        for (;;) {
            const la_ssize_t read = archive_read_data(reader.get(), buffer.get(), 64 * 1024);
            if (read < 0)
                return fail(archiveError(reader.get()));
            if (read == 0)
                break;
            if (read > limits.maxTotalBytes - result.bytesWritten)
                return fail(QStringLiteral("the archive unpacks to more than %1 bytes").arg(limits.maxTotalBytes));
            if (!writeAll(file.get(), buffer.get(), static_cast<std::size_t>(read)))
                return fail(systemError(QStringLiteral("couldn't write %1").arg(name)));
            result.bytesWritten += read;
        }
    }
    result.ok = true;
    return result;
}

} // namespace velmora
