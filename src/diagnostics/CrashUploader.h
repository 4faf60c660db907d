#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <optional>

namespace velmora {

class BoundedHttpReply;

// One upload run over the pending crash-report folder: lists it once, drops
// the surplus beyond the newest twenty names unsent, then posts the kept
// reports one at a time in ascending name order. A report the service accepts
// (any 2xx answer) is deleted; an unreadable, oversized or unparsable one
// (or one that is no regular file, such as a pipe) is deleted unsent; a
// failed request (another status, a redirect to another host, a transport
// error, a time-out or a passed deadline) renames it to count the attempt,
// and its fifth failure deletes it. The crash handlers write only regular
// files here, so every symbolic link in the folder is removed, whatever its
// name, without following it: what it leads to stays. Every failure is
// silent. Lives on one thread; start() there.
class CrashUploader final : public QObject {
    Q_OBJECT

public:
    struct Options {
        QString pendingDir;
        QUrl endpoint;
        // How long a request may go without progress, and how long it may
        // take at most, however slowly its answer arrives.
        std::chrono::milliseconds timeout{15000};
        std::chrono::milliseconds deadline{120'000};
    };

    // The largest answer body read; a longer answer is cut off and judged by
    // its status alone.
    static constexpr qint64 maxResponseBytes = 64 * 1024;

    explicit CrashUploader(Options options, QObject* parent = nullptr);
    ~CrashUploader() override;

    // Runs once; finished() follows when the last report is handled (at once
    // when there is nothing to send).
    void start();

    // The bytes of a report: only a regular file (opened non-blocking, never
    // through a link) of at most CrashReportQueue::maxReportBytes.
    static std::optional<QByteArray> readReport(const QString& path);

signals:
    void finished();

private:
    void sendNext();
    void onReplyFinished();
    void countFailure(const QString& fileName);
    QString pathOf(const QString& fileName) const;

    Options m_options;
    QPointer<BoundedHttpReply> m_reply;
    QStringList m_queue;
    QString m_current;
    bool m_started = false;
};

} // namespace velmora
