#pragma once

#include "services/ServiceRequest.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <variant>

class QNetworkAccessManager;
class QNetworkReply;
class QObject;

namespace velmora {

// The web service's description of the newest release.
struct RemoteVersion {
    QString version;
    QStringList notes; // release-note lines, possibly none
    QString downloadURL; // as the document gives it; not checked

    friend bool operator==(const RemoteVersion&, const RemoteVersion&) = default;
};

enum class VersionServiceError {
    network, // no response: not sent, no connection, time-out, cancelled
    badResponse, // a status outside 200...299, or not the version document
};

using VersionResult = std::variant<RemoteVersion, VersionServiceError>;

// Reads "/api/version.json" from the web service, a JSON object with the keys
// "version" (a string, required), "notes" (an array of strings: one that holds
// anything else counts as no notes at all) and "download_url" (a string, else
// the service's "/download" page). Other keys are ignored. Each text loses
// its bidirectional formatting characters (ServiceText). A document longer
// than maxDocumentBytes is not read past that and is no document; of its notes
// the first maxNotes are kept, each cut to maxNoteLength characters.
namespace VersionService {

// How long the check may go without progress, and how long it may take at
// most, however the answer arrives: past either it ends as network.
inline constexpr std::chrono::milliseconds timeout{10'000};
inline constexpr std::chrono::milliseconds deadline{30'000};
static_assert(deadline > timeout);
inline constexpr qint64 maxDocumentBytes = 1024 * 1024;
inline constexpr qsizetype maxNotes = 200;
inline constexpr qsizetype maxNoteLength = 1000;

QUrl endpoint();

// What a response means; the rules above.
VersionResult decode(const ServiceResponse& response);

// GET of the endpoint through network; done runs once on the main thread with
// the outcome unless context goes first. Aborting the returned reply cancels
// the check, which then ends as network.
QPointer<QNetworkReply> fetch(QNetworkAccessManager& network, QObject* context,
                              std::function<void(const VersionResult&)> done,
                              std::chrono::milliseconds timeout = VersionService::timeout,
                              std::chrono::milliseconds deadline = VersionService::deadline);

} // namespace VersionService
} // namespace velmora
