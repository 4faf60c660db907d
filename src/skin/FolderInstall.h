#pragma once

#include <QString>

// Whole-folder file operations of skin installs, each reporting the system's
// reason on failure. A folder is never edited in place: an install copies the
// new folder beside the old one first and swaps the two only when the copy is
// complete, so a failed copy leaves the installed skin as it was.
namespace velmora::FolderInstall {

// The hidden work folder inside a skins folder where copies are staged. The
// skin loader passes over it, since it holds no "skin.json" of its own.
QString workFolder(const QString& skinsDir);

// Whether both paths lead to the same folder once links are resolved.
bool isSameFolder(const QString& a, const QString& b);

// Whether path lies strictly inside folder once links are resolved; path
// need not exist yet (its nearest existing ancestor is resolved).
bool isInside(const QString& path, const QString& folder);

// Whether a folder lies more than maxDepth folders below root (a folder in
// root lies one deep), links not followed. The walk ends at the first such
// folder, so a tree thousands of folders deep costs no more than one
// maxDepth deep; a folder it cannot read is passed over.
bool holdsFolderDeeperThan(const QString& root, qsizetype maxDepth);

// Copies the folder and everything below it to destination, which must not
// exist. Symbolic links are copied as links; sockets, pipes and devices fail
// the copy. On failure the partial copy is removed.
bool copyTree(const QString& source, const QString& destination, QString* error);

// Copies source to destination through a staged copy in the work folder of
// destination's parent; an existing destination is replaced only once the
// copy is complete. On failure destination is untouched.
bool installCopy(const QString& source, const QString& destination, QString* error);

// Removes the folder and everything below it; links are removed, never
// followed. What was removed before a failure stays removed.
bool removeTree(const QString& path, QString* error);

// Removes a skin folder as one step: it is first moved into the work folder
// of its parent, so it either disappears whole or stays whole. Leftovers that
// cannot be removed after the move stay hidden there and are logged.
bool removeFolder(const QString& path, QString* error);

} // namespace velmora::FolderInstall
