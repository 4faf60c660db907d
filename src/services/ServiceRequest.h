#pragma once

#include <QByteArray>
#include <QPointer>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class QObject;

namespace velmora {

// What came back from one request to the web service.
struct ServiceResponse {
    // The HTTP status; none when no response arrived (no connection, a
    // time-out, a cancellation). A 4xx or 5xx answer is a response like any
    // other: its status is here even though the transport calls it an error.
    std::optional<int> status;
    QByteArray body;
    // The answer went on past the caller's bound: it was cut off there and
    // body holds only what came before.
    bool truncated = false;

    bool isSuccess() const { return status && *status >= 200 && *status <= 299; }
};

// One request at a time through the caller's HTTP client, neither retried nor
// logged. The client belongs to whoever asks (a window, a model), never to
// the application object: destroying it ends and aborts its requests, so
// nothing is left in flight when the application goes. Main thread only.
namespace ServiceRequest {

using Completion = std::function<void(const ServiceResponse&)>;

// Sends the request through network with the given method and body. The
// time-out ends a request during which nothing arrived for that long, the
// deadline one that has not ended that long after it was sent, however
// slowly its answer still trickles in; either ends with no response. The
// answer's body is read as it arrives, never more than maxResponseBytes of
// it, whether or not it declares a length and whether or not it comes in
// chunks: past the bound the connection is closed and the response is marked
// truncated (BoundedHttpReply). A redirect is an answer, never followed. done
// runs once, on the main thread, unless context is destroyed first, which
// aborts the request.
// Aborting the returned reply cancels the request (done then sees no response).
QPointer<QNetworkReply> send(QNetworkAccessManager& network, QNetworkRequest request, const QByteArray& method,
                             const QByteArray& body, std::chrono::milliseconds timeout,
                             std::chrono::milliseconds deadline, qint64 maxResponseBytes, QObject* context,
                             Completion done);

} // namespace ServiceRequest
} // namespace velmora
