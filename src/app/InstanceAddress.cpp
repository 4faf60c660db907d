#include "app/InstanceAddress.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

} // namespace

InstanceAddress InstanceAddress::forSocket(const QString& socketPath)
{
    return {socketPath, socketPath + QStringLiteral(".lock")};
}

QString InstanceAddress::displayName()
{
    QString display = qEnvironmentVariable("DISPLAY");
    if (!display.isEmpty()) {
        // ":1.0" and ":1" are the same display.
        const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
        const qsizetype dot = display.indexOf(QLatin1Char('.'), colon + 1);
        if (colon >= 0 && dot > colon)
            display.truncate(dot);
    } else {
        display = qEnvironmentVariable("WAYLAND_DISPLAY");
    }
    QString name;
    for (const QChar c : std::as_const(display)) {
        if (c.isLetterOrNumber() && c.unicode() < 0x80)
            name.append(c);
        else if (c == QLatin1Char('.') || c == QLatin1Char('-'))
            name.append(c);
        else if (!name.isEmpty() || c != QLatin1Char(':'))
            name.append(QLatin1Char('_'));
    }
    return name;
}

std::optional<QString> InstanceAddress::privateFolder(const QString& parent, QString* error)
{
    const QString folder = parent + QStringLiteral("/velmora-%1").arg(::geteuid());
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        setError(error, QStringLiteral("cannot make %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
        return std::nullopt;
    }
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        setError(error, QStringLiteral("%1 is not a folder").arg(folder));
        return std::nullopt;
    }
    if (info.st_uid != ::geteuid()) {
        setError(error, QStringLiteral("%1 belongs to another user").arg(folder));
        return std::nullopt;
    }
    if ((info.st_mode & 077) != 0 && ::chmod(path.constData(), 0700) != 0) {
        setError(error, QStringLiteral("%1 is open to other users").arg(folder));
        return std::nullopt;
    }
    return folder;
}

std::optional<InstanceAddress> InstanceAddress::forThisSession(QString* error)
{
    const QString display = displayName();
    const QString name
        = display.isEmpty() ? QStringLiteral("velmora.sock") : QStringLiteral("velmora-%1.sock").arg(display);
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return forSocket(runtime + QLatin1Char('/') + name);
    const std::optional<QString> folder = privateFolder(QDir::tempPath(), error);
    if (!folder)
        return std::nullopt;
    return forSocket(*folder + QLatin1Char('/') + name);
}

} // namespace velmora
