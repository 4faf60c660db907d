#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::test {

// Makes the folder impossible to move or remove: its parent read-only for an
// ordinary user, the folder itself immutable for root. Undone by the guard.
class Pinned {
public:
    explicit Pinned(const QString& folder) : m_folder(folder)
    {
        if (::geteuid() != 0)
            m_pinned = ::chmod(parent().constData(), 0500) == 0;
        else
            m_pinned = setImmutable(true);
    }
    ~Pinned()
    {
        if (::geteuid() != 0)
            ::chmod(parent().constData(), 0755);
        else
            setImmutable(false);
    }
    bool pinned() const { return m_pinned; }

private:
    QByteArray parent() const { return QFile::encodeName(QFileInfo(m_folder).absolutePath()); }
    bool setImmutable(bool on) const
    {
        const int fd = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return ok;
    }

    QString m_folder;
    bool m_pinned = false;
};

} // namespace velmora::test
