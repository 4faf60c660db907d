#include "services/FeedbackService.h"

#include "core/AppInfo.h"
#include "core/DeviceIdentifier.h"
#include "core/WebService.h"
#include "services/ServiceRequest.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>

namespace velmora::FeedbackService {

QUrl endpoint() { return WebService::url(QStringLiteral("/api/feedback")); }

QByteArray requestBody(const std::optional<QString>& email, const QString& message)
{
    QJsonObject body{
        {QStringLiteral("message"), message},
        {QStringLiteral("version"), AppInfo::shortVersion()},
        {QStringLiteral("machine_id"), DeviceIdentifier::current()},
    };
    if (email && !email->isEmpty())
        body.insert(QStringLiteral("email"), *email);
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

QPointer<QNetworkReply> send(QNetworkAccessManager& network, const std::optional<QString>& email,
                             const QString& message, QObject* context,
                             std::function<void(std::optional<FeedbackError>)> done, std::chrono::milliseconds timeout,
                             std::chrono::milliseconds deadline)
{
    QNetworkRequest request(endpoint());
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    return ServiceRequest::send(network,
                                request,
                                "POST",
                                requestBody(email, message),
                                timeout,
                                deadline,
                                maxAnswerBytes,
                                context,
                                [done = std::move(done)](const ServiceResponse& response) {
                                    if (!response.status)
                                        done(FeedbackError::network);
                                    else if (!response.isSuccess())
                                        done(FeedbackError::badResponse);
                                    else
                                        done(std::nullopt);
                                });
}

} // namespace velmora::FeedbackService
