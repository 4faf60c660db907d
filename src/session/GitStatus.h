#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

namespace velmora {

// The branch of the repository holding a directory and whether its working
// tree has changes. An empty branch means no repository (or git failed).
struct GitStatus {
    QString branch;
    bool dirty = false;

    bool operator==(const GitStatus&) const = default;
};

namespace GitQuery {

// Runs git once in a directory with the given arguments and gives its
// standard output, trimmed; empty when git cannot start, exits with a
// non-zero status, or writes something that is not UTF-8.
using Runner = std::function<QString(const QString& directory, const QStringList& arguments)>;

// git from PATH, never taking optional locks and never asking a file-system
// monitor: "git -c core.fsmonitor=false -C DIR ARGS…" with GIT_OPTIONAL_LOCKS=0.
// Standard error is discarded; output is collected while git runs, so a long
// listing cannot stall it. Blocking: call it away from the GUI thread.
QString runGit(const QString& directory, const QStringList& arguments);

// The full argument list runGit() hands to git.
QStringList gitArguments(const QString& directory, const QStringList& arguments);

// "rev-parse --abbrev-ref HEAD"; when that gives a branch, "status
// --porcelain", whose non-empty output means dirty. Outside a repository:
// an empty branch and a clean tree, from one run.
GitStatus query(const QString& directory, const Runner& run = runGit);

} // namespace GitQuery

// Answers of earlier queries by directory, shared by every session. Entries
// are replaced; past maxEntries directories the stale answers are dropped
// (all of them, when none is stale), so a shell that reports endless new
// directories cannot grow it without bound. GUI thread only.
class GitStatusCache {
public:
    static constexpr std::chrono::seconds freshness{5};
    static constexpr qsizetype maxEntries = 1024;

    static GitStatusCache& shared();

    // The stored answer when it is younger than freshness at now.
    std::optional<GitStatus> lookup(const QString& directory, const QDateTime& now) const;
    void store(const QString& directory, const GitStatus& status, const QDateTime& when);
    qsizetype size() const { return m_entries.size(); }

private:
    struct Entry {
        GitStatus status;
        QDateTime timestamp;
    };
    QHash<QString, Entry> m_entries;
};

} // namespace velmora
