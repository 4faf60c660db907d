#include "services/ServiceRequest.h"

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
                             const QByteArray& body, std::chrono::milliseconds timeout, QObject* context,
                             Completion done)
{
    request.setTransferTimeout(int(timeout.count()));
    QNetworkReply* reply = body.isEmpty() ? network.sendCustomRequest(request, method)
                                          : network.sendCustomRequest(request, method, body);
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    QObject::connect(context, &QObject::destroyed, reply, &QNetworkReply::abort);
    QObject::connect(
        reply, &QNetworkReply::finished, context, [reply, guard = QPointer(context), done = std::move(done)] {
            if (!guard)
                return; // the context is being destroyed
            // The status first: for 4xx and 5xx the transport reports an error
            // too, yet the server did answer.
            ServiceResponse response;
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (status.isValid() && !brokeOff(reply->error())) {
                response.status = status.toInt();
                response.body = reply->readAll();
            }
            done(response);
        });
    return reply;
}

} // namespace velmora::ServiceRequest
