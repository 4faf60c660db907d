#pragma once

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QString>

#include <cstdlib>

namespace velmora::test {

// The environment of a program a test starts on a display, as a desktop
// session would start it: home, data and runtime folders of its own under
// root (made here; the runtime folder private), a fixed PATH, the xcb
// platform, the web service on a closed port of 127.0.0.1, and the
// sanitizers' options the test itself runs with.
inline QProcessEnvironment childEnvironment(const QString& root, const QString& display)
{
    const QDir folder(root);
    folder.mkpath(QStringLiteral("home"));
    folder.mkpath(QStringLiteral("data"));
    folder.mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(folder.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("HOME"), folder.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("VELMORA_SERVICE_URL"), QStringLiteral("http://127.0.0.1:9"));
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* value = std::getenv(name))
            environment.insert(QString::fromLatin1(name), QString::fromLocal8Bit(value));
    return environment;
}

} // namespace velmora::test
