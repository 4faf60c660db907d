#pragma once

// Shared by the terminal, panel and window tests: a private home for the
// whole test program and helpers to wait on shells.

#include "core/SettingsData.h"
#include "core/SettingsStore.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <string>
#include <vector>

#include "corvel/qt/LocalProcessTerminalView.h"

namespace velmora::test {

// HOME, XDG_DATA_HOME and VELMORA_RESOURCES_DIR in one temporary folder for
// the whole program, set before anything reads them (the settings store is
// made once per process). HOME holds a ".profile" that gives login shells
// the prompt "velmora$ ".
class SessionTestHome {
public:
    static SessionTestHome& instance()
    {
        static SessionTestHome home;
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
    SessionTestHome()
    {
        QDir().mkpath(home());
        QDir().mkpath(m_root.filePath(QStringLiteral("data")));
        qputenv("HOME", home().toUtf8());
        qputenv("XDG_DATA_HOME", m_root.filePath(QStringLiteral("data")).toUtf8());
        qputenv("VELMORA_RESOURCES_DIR", QByteArray(VELMORA_BINARY_DIR "/share/velmora"));
        qputenv("ENV", QByteArray()); // no interactive start-up file for sh
        QFile profile(QDir(home()).filePath(QStringLiteral(".profile")));
        if (profile.open(QIODevice::WriteOnly))
            profile.write("PS1='velmora$ '\nexport PS1\n");
    }

    QTemporaryDir m_root;
};

// Runs the event loop until the predicate holds or the time is up.
inline bool waitUntil(const std::function<bool()>& predicate, int timeoutMs = 20000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!predicate()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        // Widgets deleted later go only at this point outside an event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(5);
    }
    return true;
}

// The text of a terminal view's active screen.
inline std::string screenText(corvel::LocalProcessTerminalView& view)
{
    const std::vector<uint8_t> data = view.getTerminal().getBufferAsData(corvel::Terminal::BufferKind::active);
    return std::string(data.begin(), data.end());
}

inline bool screenContains(corvel::LocalProcessTerminalView& view, const std::string& text)
{
    return screenText(view).find(text) != std::string::npos;
}

// Types a line into the shell.
inline void typeLine(corvel::LocalProcessTerminalView& view, const std::string& line) { view.send(line + "\r"); }

} // namespace velmora::test
