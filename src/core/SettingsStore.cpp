#include "core/SettingsStore.h"

#include "core/AppPaths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {
namespace {

QString asideName(const QString& settingsPath)
{
    return settingsPath + QStringLiteral(".corrupt-") + QString::number(QDateTime::currentSecsSinceEpoch());
}

QString errnoText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool isExecutableFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.isFile() && ::access(QFile::encodeName(path).constData(), X_OK) == 0;
}

// Flushes a folder's entries, so a rename inside it survives a power loss.
void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Writes the bytes to a new file at path and flushes them to disk.
std::optional<QString> writeDurably(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return file.errorString();
    if (file.write(bytes) != bytes.size() || !file.flush())
        return file.errorString();
    if (::fsync(file.handle()) != 0)
        return errnoText(errno);
    file.close();
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    return std::nullopt;
}

} // namespace

SettingsStore& SettingsStore::shared()
{
    static SettingsStore* const store = new SettingsStore(AppPaths::settingsFile());
    return *store;
}

SettingsStore::SettingsStore(const QString& settingsPath, QObject* parent)
    : QObject(parent), m_settingsPath(settingsPath)
{
    QDir().mkpath(QFileInfo(m_settingsPath).absolutePath());
    m_data = load();
    migrateEarlierValues();
}

SettingsData SettingsStore::load()
{
    const QString& settingsPath = m_settingsPath;
    auto keepAsIs = [this](const QString& why) {
        m_keepFileAsIs = true;
        qWarning().noquote() << QStringLiteral("[Velmora] settings.json ") + why
                + QStringLiteral(" — left as it is and not saved to; starting from defaults");
        return SettingsData();
    };
    // Without blocking on a FIFO or reading a device: only a regular file of
    // a sane size is read.
    const int fd = ::open(QFile::encodeName(settingsPath).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        return SettingsData();
    struct stat info {};
    if (fd >= 0 && ::fstat(fd, &info) == 0 && !S_ISREG(info.st_mode)) {
        ::close(fd);
        // A folder in its place is no settings file to keep.
        return S_ISDIR(info.st_mode) ? SettingsData() : keepAsIs(QStringLiteral("is not a regular file"));
    }
    if (fd >= 0 && info.st_size > maxFileBytes) {
        ::close(fd);
        return keepAsIs(QStringLiteral("is larger than %1 MiB").arg(maxFileBytes >> 20));
    }
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        // A settings file that exists but cannot be read would be replaced by
        // the next save; move it aside first so it is not lost.
        if (QFileInfo(settingsPath).isFile()) {
            const QString aside = asideName(settingsPath);
            if (std::rename(QFile::encodeName(settingsPath).constData(), QFile::encodeName(aside).constData()) != 0)
                return keepAsIs(QStringLiteral("could not be read or moved aside"));
            qWarning().noquote() << QStringLiteral("[Velmora] settings.json could not be read — moved aside to ")
                    + QFileInfo(aside).fileName() + QStringLiteral("; starting from defaults");
        }
        return SettingsData();
    }

    const QByteArray bytes = file.read(maxFileBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > maxFileBytes)
        return keepAsIs(QStringLiteral("could not be read"));
    if (auto data = SettingsData::decode(bytes))
        return *data;

    const QString backup = asideName(settingsPath);
    if (const std::optional<QString> failure = writeDurably(backup, bytes)) {
        if (!QFileInfo(backup).isDir())
            QFile::remove(backup);
        return keepAsIs(QStringLiteral("could not be decoded, nor backed up (") + *failure + QStringLiteral(")"));
    }
    qWarning().noquote() << QStringLiteral("[Velmora] settings.json could not be decoded — backed up to ")
            + QFileInfo(backup).fileName() + QStringLiteral("; starting from defaults");
    return SettingsData();
}

void SettingsStore::migrateEarlierValues()
{
    if (m_data.defaultShell == QLatin1String("/bin/zsh")) {
        const QString loginShell = detectLoginShell();
        if (loginShell != m_data.defaultShell) {
            m_data.defaultShell = loginShell;
            save();
        }
    }
    if (m_data.fontName == QLatin1String("JetBrains Mono")) {
        m_data.fontName = QStringLiteral("JetBrainsMono NF");
        save();
    }
}

void SettingsStore::save()
{
    if (m_keepFileAsIs) {
        qWarning().noquote() << QStringLiteral("[Velmora] Settings not saved: settings.json is kept as it was found");
        return;
    }
    // A link is kept: its target is the file replaced.
    QString target = m_settingsPath;
    const QFileInfo link(m_settingsPath);
    if (link.isSymLink()) {
        const QString resolved = link.canonicalFilePath();
        target = resolved.isEmpty() ? link.symLinkTarget() : resolved;
    }
    const QString temporaryPath = target + QStringLiteral(".tmp");
    std::optional<QString> failure = writeDurably(temporaryPath, m_data.encode());
    if (!failure) {
        // rename() swaps the new file in atomically, whether or not the old one exists.
        if (std::rename(QFile::encodeName(temporaryPath).constData(), QFile::encodeName(target).constData()) != 0)
            failure = errnoText(errno);
        else
            syncFolder(QFileInfo(target).absolutePath());
    }
    if (failure) {
        if (!QFileInfo(temporaryPath).isDir())
            QFile::remove(temporaryPath);
        qWarning().noquote() << QStringLiteral("[Velmora] Failed to save settings: ") + *failure;
    }
}

void SettingsStore::setFontName(const QString& name)
{
    if (name == m_data.fontName)
        return;
    m_data.fontName = name;
    save();
    emit fontChanged();
}

SkinEffectsSettings SettingsStore::effects(const QString& skinName) const
{
    return m_data.skinEffects.value(skinName, SkinEffectsSettings());
}

void SettingsStore::setCursorOverride(std::optional<SrgbColor> color, const QString& skinName)
{
    if (!color) {
        m_data.cursorOverrides.remove(skinName);
    } else {
        const double components[] = {color->red, color->green, color->blue};
        if (!std::all_of(std::begin(components), std::end(components), [](double c) { return std::isfinite(c); })) {
            qWarning().noquote() << QStringLiteral("[Velmora] Could not convert cursor color to sRGB — skipping save");
            return;
        }
        // Components outside 0...1 (extended-range colours) are clamped so the
        // text always holds exactly two digits per channel.
        const auto byte = [](double c) { return static_cast<int>(std::clamp(c, 0.0, 1.0) * 255.0); };
        m_data.cursorOverrides.insert(
            skinName, QString::asprintf("#%02X%02X%02X", byte(color->red), byte(color->green), byte(color->blue)));
    }
    save();
    emit paletteChanged(skinName);
}

int SettingsStore::prunePaletteOverrides(const QSet<QString>& validPaletteIds)
{
    const int removed = static_cast<int>(
        m_data.paletteOverrides.removeIf([&](const auto& entry) { return !validPaletteIds.contains(entry.value()); }));
    if (removed > 0)
        save();
    return removed;
}

void SettingsStore::resetAll()
{
    m_data = SettingsData();
    save();
    emit settingsReset();
    emit fontChanged();
    emit paletteChanged(QString());
    emit effectsChanged(QString());
}

QString SettingsStore::detectLoginShell()
{
    QString accountShell;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_shell)
        accountShell = QFile::decodeName(entry->pw_shell);
    return chooseLoginShell(accountShell, qEnvironmentVariable("SHELL"));
}

QString SettingsStore::chooseLoginShell(const QString& accountShell, const QString& environmentShell)
{
    if (isExecutableFile(accountShell))
        return accountShell;
    if (isExecutableFile(environmentShell))
        return environmentShell;
    return QStringLiteral("/bin/sh");
}

} // namespace velmora
