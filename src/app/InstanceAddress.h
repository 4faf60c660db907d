#pragma once

#include <QString>

#include <optional>

namespace velmora {

// Where the running instance of this user and display answers: a local
// socket, and beside it the lock file that its holder keeps for as long as it
// runs. Only the holder of the lock creates or removes the socket, so a later
// instance never takes the place of a live one, and a dead one's socket is
// replaced by the next instance that takes the lock.
struct InstanceAddress {
    QString socketPath;
    QString lockPath;

    // The socket at that path, its lock beside it ("<socket>.lock").
    static InstanceAddress forSocket(const QString& socketPath);

    // This user's and display's: "velmora-<display>.sock" (or "velmora.sock"
    // without a display) in XDG_RUNTIME_DIR, else in "velmora-<uid>" in the
    // temporary folder, a folder only the user can enter, made so when
    // missing. None, with the reason in *error, when that folder cannot be
    // made or is not the user's alone.
    static std::optional<InstanceAddress> forThisSession(QString* error = nullptr);

    // The private folder for the socket under the temporary folder. None, with
    // the reason, when it cannot be made, is not a folder (a link counts as
    // none), is another user's, or others may enter it and it cannot be
    // closed to them.
    static std::optional<QString> privateFolder(const QString& parent, QString* error = nullptr);

    // The display as it goes into the socket's name: DISPLAY (its screen
    // number dropped) or WAYLAND_DISPLAY, with nothing but letters, digits,
    // '.', '_' and '-'; empty without one.
    static QString displayName();
};

} // namespace velmora
