#include "services/ServiceRequest.h"

#include "core/BoundedHttpReply.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace velmora::ServiceRequest {
namespace {

// Whether the connection broke off (refused, closed, timed out, cancelled,
// ...), even after a status line arrived. The transport reports 4xx and 5xx
// answers as errors of other ranges: those are answers.
bool brokeOff(QNetworkReply::NetworkError error)
{
    const int code = int(error);
    return code >= QNetworkReply::ConnectionRefusedError && code <= QNetworkReply::UnknownNetworkError;
}

} // namespace

QPointer<QNetworkReply> send(QNetworkAccessManager& network, QNetworkRequest request, const QByteArray& method,
                             const QByteArray& body, std::chrono::milliseconds timeout,
                             std::chrono::milliseconds deadline, qint64 maxResponseBytes, QObject* context,
                             Completion done)
{
    // The reply belongs to the client, so that destroying the client ends it.
    auto* reply = new BoundedHttpReply(request, method, body, {maxResponseBytes, timeout, deadline}, &network);
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    QObject::connect(context, &QObject::destroyed, reply, &QNetworkReply::abort);
    QObject::connect(
        reply, &QNetworkReply::finished, context, [reply, guard = QPointer(context), done = std::move(done)] {
            if (!guard)
                return; // the context is being destroyed
            // The status first: a cut-off answer is still an answer.
            ServiceResponse response;
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (status.isValid() && (reply->truncated() || !brokeOff(reply->error()))) {
                response.status = status.toInt();
                response.body = reply->readAll();
                response.truncated = reply->truncated();
            }
            done(response);
        });
    return reply;
}

} // namespace velmora::ServiceRequest
