#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

namespace velmora {

// One upload run over the pending crash-report folder: lists it once, drops
// the surplus beyond the newest twenty names unsent, then posts the kept
// reports one at a time in ascending name order. A report the service accepts
// (any 2xx answer) is deleted; an unreadable, oversized or unparsable one is
// deleted unsent; a failed request (another status, a transport error or a
// time-out) renames it to count the attempt, and its fifth failure deletes it.
// Every failure is silent. Lives on one thread; start() there.
class CrashUploader final : public QObject {
    Q_OBJECT

public:
    struct Options {
        QString pendingDir;
        QUrl endpoint;
        // How long a request may go without progress.
        std::chrono::milliseconds timeout{15000};
    };

    // The largest answer body read; a longer answer is cut off and judged by
    // its status alone.
    static constexpr qint64 maxResponseBytes = 64 * 1024;

    explicit CrashUploader(Options options, QObject* parent = nullptr);
    ~CrashUploader() override;

    // Runs once; finished() follows when the last report is handled (at once
    // when there is nothing to send).
    void start();

signals:
    void finished();

private:
    void sendNext();
    void onReplyFinished();
    void countFailure(const QString& fileName);
    QString pathOf(const QString& fileName) const;

    Options m_options;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QStringList m_queue;
    QString m_current;
    qint64 m_bodyBytes = 0;
    bool m_bodyCut = false;
    bool m_started = false;
};

} // namespace velmora
