#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <chrono>

class QTcpSocket;

namespace velmora {

// One HTTP/1.1 exchange with the web service whose answer is read with hard
// bounds, in the thread that made it: the status line and headers may take
// maxHeaderBytes, the body maxBodyBytes, whether the answer declares its
// length, comes in chunks or runs until the connection closes. Past the
// bound the connection is closed at once and the reply ends, marked
// truncated, holding the body up to the bound: an answer that never ends
// costs no more memory than that, and no thread keeps reading it.
//
// The request goes out as given (method, the request's headers, the body)
// with "Connection: close" and "Accept-Encoding: identity"; a redirect is an
// answer like any other, never followed, so nothing is sent to another host.
// The time-out ends an exchange during which nothing arrived or left for
// that long; the deadline ends it however it is going once that much time
// has passed since it started, so that a server dripping a byte now and then
// cannot keep it alive. Either way it ends as a time-out. http and https
// (the system's certificate authorities) only.
//
// It is a QNetworkReply: finished(), readyRead() as the body arrives, the
// status code and reason phrase attributes, the raw headers, error() (a
// refused or broken connection, a time-out, a cancellation), abort().
class BoundedHttpReply final : public QNetworkReply {
    Q_OBJECT

public:
    struct Limits {
        qint64 maxBodyBytes;
        std::chrono::milliseconds timeout; // without progress
        std::chrono::milliseconds deadline; // overall
        qint64 maxHeaderBytes = 64 * 1024;
    };

    // Starts the exchange; the reply belongs to parent.
    BoundedHttpReply(const QNetworkRequest& request, const QByteArray& method, const QByteArray& body,
                     const Limits& limits, QObject* parent);
    ~BoundedHttpReply() override;

    // The answer went on past maxBodyBytes and was cut off there.
    bool truncated() const { return m_truncated; }

    void abort() override;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    enum class Stage { head, sizedBody, chunkSize, chunkData, chunkEnd, trailers, bodyToClose, done };

    void onConnected();
    void onReadable();
    void onDisconnected();
    void onSocketError();
    void consume();
    bool parseHead(qsizetype end);
    bool takeLine(QByteArray* line, qint64 cap);
    void deliver(const QByteArray& bytes);
    void fail(NetworkError code, const QString& text);
    void complete();

    QNetworkRequest m_request;
    QByteArray m_method;
    QByteArray m_requestBody;
    Limits m_limits;
    QPointer<QTcpSocket> m_socket;
    QTimer m_idle;
    QTimer m_deadline;
    QByteArray m_raw; // read from the connection, not yet parsed
    QByteArray m_body; // the answer's body, not yet read by the owner
    Stage m_stage = Stage::head;
    qint64 m_remaining = 0; // of a sized body or of the current chunk
    qint64 m_bodyBytes = 0; // delivered so far
    bool m_truncated = false;
};

} // namespace velmora
