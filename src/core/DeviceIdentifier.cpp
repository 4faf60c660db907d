#include "core/DeviceIdentifier.h"

#include "core/AppPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QSaveFile>
#include <QUuid>

#include <cctype>

namespace velmora::DeviceIdentifier {
namespace {

// Mixed with the machine id so that this application's identifier differs
// from every other program's.
constexpr QByteArrayView applicationKey = "velmora-device-identifier-1";

QString formatted(const QUuid& uuid) { return uuid.toString(QUuid::WithoutBraces); }

QByteArray readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(256);
}

QString storedOrNew(const QString& fallbackFile)
{
    const QUuid stored = QUuid::fromString(QString::fromLatin1(readSmallFile(fallbackFile)).trimmed());
    if (!stored.isNull())
        return formatted(stored);

    const QString fresh = formatted(QUuid::createUuid());
    QDir().mkpath(QFileInfo(fallbackFile).absolutePath());
    QSaveFile file(fallbackFile);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(fresh.toLatin1() + '\n');
        file.commit();
    }
    return fresh;
}

} // namespace

QString fromMachineId(QByteArrayView text)
{
    const QByteArray digits = text.trimmed().toByteArray();
    if (digits.size() != 32)
        return {};
    for (const char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return {};
    }
    const QByteArray machineId = QByteArray::fromHex(digits);
    if (machineId.count('\0') == machineId.size())
        return {}; // the null id of a system that has not set one up
    QByteArray bytes
        = QMessageAuthenticationCode::hash(applicationKey.toByteArray(), machineId, QCryptographicHash::Sha256)
              .left(16);
    // Mark it as a random (version 4) UUID, as the hash's bits are as good as random.
    bytes[6] = static_cast<char>((bytes[6] & 0x0f) | 0x40);
    bytes[8] = static_cast<char>((bytes[8] & 0x3f) | 0x80);
    return formatted(QUuid::fromRfc4122(bytes));
}

QString derive(const QStringList& machineIdFiles, const QString& fallbackFile)
{
    for (const QString& path : machineIdFiles) {
        const QString identifier = fromMachineId(readSmallFile(path));
        if (!identifier.isEmpty())
            return identifier;
    }
    return storedOrNew(fallbackFile);
}

QString current()
{
    static const QString identifier
        = derive({QStringLiteral("/etc/machine-id"), QStringLiteral("/var/lib/dbus/machine-id")},
                 AppPaths::appSupport() + QStringLiteral("/device-id"));
    return identifier;
}

} // namespace velmora::DeviceIdentifier
