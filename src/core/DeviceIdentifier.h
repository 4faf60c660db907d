#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// A stable, anonymous identifier of this machine, carried by crash reports and
// feedback. It is derived from the system's machine id with a keyed hash, so
// the machine id itself never leaves the machine and other programs deriving
// their own identifiers from it cannot be linked to it. Where the system has
// no machine id, a random identifier is kept in the application's data folder.
// The identifier has the form of a UUID in lower case.
namespace velmora::DeviceIdentifier {

// The identifier, computed once per process. Thread-safe.
QString current();

// The identifier for the text of a machine-id file (32 hexadecimal digits,
// surrounding white space allowed); empty when the text holds no machine id.
QString fromMachineId(QByteArrayView text);

// What current() computes, without caching: the identifier of the first of the
// machine-id files that holds a machine id; else the identifier stored in the
// fallback file, written there first when it is missing or damaged; else a
// random identifier.
QString derive(const QStringList& machineIdFiles, const QString& fallbackFile);

} // namespace velmora::DeviceIdentifier
