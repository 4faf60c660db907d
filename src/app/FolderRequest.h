#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace velmora {

// A request to open Velmora at a folder, from the desktop's "New Window" and
// "New Tab" actions: the command-line options "--open-window DIR" and
// "--open-tab DIR", handed to the running instance when there is one.
struct FolderRequest {
    enum class Action { OpenWindow, OpenTab };

    // What a request without a usable folder answers.
    static inline const QString noFolderMessage = QStringLiteral("No folder was provided.");

    Action action = Action::OpenWindow;
    QString folder; // absolute

    // "open-window" or "open-tab", as sent to the running instance.
    QString actionName() const;
    static std::optional<Action> actionFromName(const QString& name);

    bool operator==(const FolderRequest&) const = default;
};

// The folder that a list of paths names: the first path that exists is taken,
// itself when it is a folder, else the folder that holds it; paths that do
// not exist are skipped, and relative paths are taken against the base
// folder. Empty when no path exists.
QString firstFolder(const QStringList& paths, const QString& base);

// The folder options of a command line (the program first): the first
// "--open-window" or "--open-tab", else the arguments that are no option
// (a window at the first that exists).
struct FolderCommandLine {
    // A folder option or a folder argument was given.
    bool present = false;
    // Set when a path after the first such option names a usable folder (the
    // paths run up to the next argument that begins with "--"), or when the
    // option has no path at all: then the home folder.
    std::optional<FolderRequest> request;
    // Without a request, what to tell the user: the paths that do not exist
    // ("No such folder: PATH", "No such folders: A, B"), or, when every
    // path is empty, FolderRequest::noFolderMessage.
    QString error;
};

FolderCommandLine parseFolderCommandLine(const QStringList& arguments, const QString& workingDirectory);

} // namespace velmora
