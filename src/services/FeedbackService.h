#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QObject;

namespace velmora {

enum class FeedbackError {
    network, // no response: not sent, no connection, time-out, cancelled
    badResponse, // a status outside 200...299
};

// Posts what the user wrote in the About tab to "/api/feedback" as a JSON
// object: "message", "version" (the running version), "machine_id" (the
// anonymous device identifier) and "email" when one is given and not empty.
// The texts go as they are given: the caller trims and composes them.
namespace FeedbackService {

// How long a post may go without progress, and how long it may take at most,
// however the answer arrives: past either it ends as network.
inline constexpr std::chrono::milliseconds timeout{15'000};
inline constexpr std::chrono::milliseconds deadline{60'000};
static_assert(deadline > timeout);
// The answer's body is not used; no more than this of it is read.
inline constexpr qint64 maxAnswerBytes = 64 * 1024;

QUrl endpoint();

// The compact JSON body of a post.
QByteArray requestBody(const std::optional<QString>& email, const QString& message);

// POST of the body through network; done runs once on the main thread with no
// error for any 2xx answer (its body is not read), unless context goes first.
QPointer<QNetworkReply> send(QNetworkAccessManager& network, const std::optional<QString>& email,
                             const QString& message, QObject* context,
                             std::function<void(std::optional<FeedbackError>)> done,
                             std::chrono::milliseconds timeout = FeedbackService::timeout,
                             std::chrono::milliseconds deadline = FeedbackService::deadline);

} // namespace FeedbackService
} // namespace velmora
