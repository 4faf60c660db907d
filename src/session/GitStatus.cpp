#include "session/GitStatus.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStringDecoder>

namespace velmora {
namespace GitQuery {
namespace {

// A git that hangs (a network file system, a lock held elsewhere) must not
// keep a worker forever.
constexpr int gitTimeoutMilliseconds = 30000;

} // namespace

QStringList gitArguments(const QString& directory, const QStringList& arguments)
{
    return QStringList{QStringLiteral("-c"), QStringLiteral("core.fsmonitor=false"), QStringLiteral("-C"), directory}
    + arguments;
}

QString runGit(const QString& directory, const QStringList& arguments)
{
    const QString git = QStandardPaths::findExecutable(QStringLiteral("git"));
    if (git.isEmpty())
        return {};
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GIT_OPTIONAL_LOCKS"), QStringLiteral("0"));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(git, gitArguments(directory, arguments));
    if (!process.waitForStarted())
        return {};
    if (!process.waitForFinished(gitTimeoutMilliseconds)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    const QByteArray output = process.readAllStandardOutput();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(output);
    if (decoder.hasError())
        return {};
    return text.trimmed();
}

GitStatus query(const QString& directory, const Runner& run)
{
    const QString branch
        = run(directory, {QStringLiteral("rev-parse"), QStringLiteral("--abbrev-ref"), QStringLiteral("HEAD")});
    if (branch.isEmpty())
        return {};
    const QString changes = run(directory, {QStringLiteral("status"), QStringLiteral("--porcelain")});
    return GitStatus{branch, !changes.isEmpty()};
}

} // namespace GitQuery

GitStatusCache& GitStatusCache::shared()
{
    static GitStatusCache cache;
    return cache;
}

std::optional<GitStatus> GitStatusCache::lookup(const QString& directory, const QDateTime& now) const
{
    const auto found = m_entries.constFind(directory);
    if (found == m_entries.constEnd())
        return std::nullopt;
    const qint64 age = found->timestamp.msecsTo(now);
    if (age < 0 || age >= std::chrono::milliseconds(freshness).count())
        return std::nullopt;
    return found->status;
}

void GitStatusCache::store(const QString& directory, const GitStatus& status, const QDateTime& when)
{
    if (m_entries.size() >= maxEntries && !m_entries.contains(directory)) {
        m_entries.removeIf([&](const auto& entry) { return !lookup(entry.key(), when); });
        if (m_entries.size() >= maxEntries)
            m_entries.clear();
    }
    m_entries.insert(directory, Entry{status, when});
}

} // namespace velmora
