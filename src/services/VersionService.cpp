#include "services/VersionService.h"

#include "core/WebService.h"
#include "services/ServiceText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>

#include <algorithm>

namespace velmora::VersionService {
namespace {

QStringList notesOf(const QJsonValue& value)
{
    const QJsonArray array = value.toArray();
    for (const QJsonValue& note : array) {
        if (!note.isString())
            return {};
    }
    QStringList notes;
    for (qsizetype i = 0; i < std::min(array.size(), maxNotes); ++i)
        notes << ServiceText::withoutBidiControls(array.at(i).toString()).left(maxNoteLength);
    return notes;
}

} // namespace

QUrl endpoint() { return WebService::url(QStringLiteral("/api/version.json")); }

VersionResult decode(const ServiceResponse& response)
{
    if (!response.status)
        return VersionServiceError::network;
    if (!response.isSuccess() || response.truncated)
        return VersionServiceError::badResponse;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(response.body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return VersionServiceError::badResponse;
    const QJsonObject object = document.object();
    const QJsonValue version = object.value(QLatin1String("version"));
    if (!version.isString())
        return VersionServiceError::badResponse;
    const QJsonValue download = object.value(QLatin1String("download_url"));
    return RemoteVersion{
        ServiceText::withoutBidiControls(version.toString()),
        notesOf(object.value(QLatin1String("notes"))),
        download.isString() ? ServiceText::withoutBidiControls(download.toString())
                            : WebService::url(QStringLiteral("/download")).toString(),
    };
}

QPointer<QNetworkReply> fetch(QNetworkAccessManager& network, QObject* context,
                              std::function<void(const VersionResult&)> done, std::chrono::milliseconds timeout,
                              std::chrono::milliseconds deadline)
{
    return ServiceRequest::send(network,
                                QNetworkRequest(endpoint()),
                                "GET",
                                {},
                                timeout,
                                deadline,
                                maxDocumentBytes,
                                context,
                                [done = std::move(done)](const ServiceResponse& response) { done(decode(response)); });
}

} // namespace velmora::VersionService
