#pragma once

#include "core/SettingsData.h"
#include "core/SettingsStore.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

namespace velmora::test {

// One private home for a whole test program, set before anything reads the
// environment (the settings store is made once per process): HOME (with a
// ".profile" that gives login shells the prompt "velmora$ " and no
// interactive start-up file for sh), XDG_DATA_HOME, the build's resource
// folder, and the web service on a closed port of 127.0.0.1, so no test
// reaches the user's folders or the network. Test programs get it by
// linking velmora_test_home.
class ProgramHome {
public:
    static ProgramHome& instance()
    {
        static ProgramHome home;
        return home;
    }

    QString path() const { return m_root.path(); }
    QString home() const { return m_root.filePath(QStringLiteral("home")); }
    QString file(const QString& name) const { return m_root.filePath(name); }

    // The settings every test starts from: /bin/sh as the shell, a fixed
    // font, no overrides.
    static void resetSettings()
    {
        SettingsStore& store = SettingsStore::shared();
        store.data() = SettingsData{};
        store.data().defaultShell = QStringLiteral("/bin/sh");
        store.data().fontName = QStringLiteral("DejaVu Sans Mono");
        store.data().fontSize = 12;
        store.save();
    }

private:
    ProgramHome()
    {
        QDir().mkpath(home());
        QDir().mkpath(m_root.filePath(QStringLiteral("data")));
        qputenv("HOME", home().toUtf8());
        qputenv("XDG_DATA_HOME", m_root.filePath(QStringLiteral("data")).toUtf8());
        qputenv("VELMORA_RESOURCES_DIR", QByteArray(VELMORA_BINARY_DIR "/share/velmora"));
        qputenv("VELMORA_SERVICE_URL", "http://127.0.0.1:9");
        qputenv("ENV", QByteArray());
        QFile profile(QDir(home()).filePath(QStringLiteral(".profile")));
        if (profile.open(QIODevice::WriteOnly))
            profile.write("PS1='velmora$ '\nexport PS1\n");
    }

    QTemporaryDir m_root;
};

} // namespace velmora::test
