#pragma once

#include "app/FolderRequest.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace velmora {

// What a later velmora asks of the running instance: a window or a tab at a
// folder, a window with a skin folder to preview, or "reopen" (a plain
// launch: show the skin picker when no window is shown, else raise the
// windows).
//
// On the instance's socket each side sends one line of JSON:
// {"action":"open-tab","folder":"/x"}, answered by {"error":""} or the error
// text.
struct InstanceRequest {
    enum class Action { openWindow, openTab, previewSkin, reopen };

    Action action = Action::reopen;
    // The folder; empty for reopen.
    QString folder;

    static InstanceRequest fromFolder(const FolderRequest& request);
    // The folder request it carries, for openWindow and openTab.
    std::optional<FolderRequest> folderRequest() const;

    QByteArray encode() const;
    // None for anything but one well-formed request line.
    static std::optional<InstanceRequest> decode(const QByteArray& line);

    static QByteArray encodeAnswer(const QString& error);
    // None for anything but one well-formed answer line.
    static std::optional<QString> decodeAnswer(const QByteArray& line);

    bool operator==(const InstanceRequest&) const = default;
};

} // namespace velmora
