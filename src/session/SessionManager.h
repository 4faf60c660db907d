#pragma once

#include "session/ShellView.h"
#include "skin/SkinManifest.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>
#include <vector>

namespace velmora {

// The shell sessions of one device window, in tab order, and which one is
// visible. New sessions start with palette. changed() is emitted after every
// add, close and switch (not after terminateAll()).
//
// Once the first session exists the list is only emptied by terminateAll():
// the last session is never closed. activeIndex lies within the list
// whenever the list is not empty. The manager owns its sessions: a closed
// session's shell is stopped and its view deleted. GUI thread only.
class SessionManager final : public QObject {
    Q_OBJECT

public:
    SessionManager(const SkinManifest::TerminalPalette& palette, SettingsStore& settings, QObject* parent = nullptr);
    ~SessionManager() override;
    SessionManager(const SessionManager&) = delete;
    SessionManager& operator=(const SessionManager&) = delete;

    // The sessions in tab order; a session whose view is gone reads as null.
    std::vector<ShellView*> sessions() const;
    int count() const { return int(m_sessions.size()); }
    int activeIndex() const { return m_activeIndex; }
    // The session at activeIndex, or none.
    ShellView* active() const;

    const SkinManifest::TerminalPalette& palette() const { return m_palette; }
    void setPalette(const SkinManifest::TerminalPalette& palette) { m_palette = palette; }

    // Starts a session in cwd (home when none) with the manager's palette,
    // appends it and makes it active.
    ShellView* addSession(const std::optional<QString>& cwd = std::nullopt);
    // Stops and removes one session; an index outside the list, or the only
    // session, is ignored. Closing the active session shows the one after
    // it, or the new last one.
    void closeSession(int index);
    // Out-of-range and already active indices are ignored.
    void switchTo(int index);
    // The next or previous session, wrapping around.
    void cycle(bool forward);
    // Stops every shell, in order, and removes every session.
    void terminateAll();

signals:
    // A session was added or closed, or another one became active.
    void changed();

private:
    static void stopShell(ShellView* session);

    SettingsStore& m_settings;
    std::vector<QPointer<ShellView>> m_sessions;
    int m_activeIndex = 0;
    SkinManifest::TerminalPalette m_palette;
};

} // namespace velmora
