#include "settings/AboutViewModel.h"

#include "core/WebService.h"
#include "services/ChangelogParser.h"
#include "services/FeedbackService.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <algorithm>
#include <limits>
#include <string>

namespace velmora {

AboutViewModel::AboutViewModel(QObject* parent) : QObject(parent), m_network(new QNetworkAccessManager(this)) {}

AboutViewModel::~AboutViewModel()
{
    // The requests still in flight end here, before the client and its
    // thread go with the model, and their outcomes reach no one.
    for (QNetworkReply* reply : m_network->findChildren<QNetworkReply*>()) {
        reply->disconnect(this);
        reply->abort();
    }
}

void AboutViewModel::setText(QString& field, const QString& text)
{
    if (text == field)
        return;
    field = text;
    emit changed();
}

void AboutViewModel::setEmail(const QString& text) { setText(m_email, text); }
void AboutViewModel::setSubject(const QString& text) { setText(m_subject, text); }
void AboutViewModel::setMessage(const QString& text) { setText(m_message, text); }

void AboutViewModel::load(std::chrono::milliseconds timeout, std::chrono::milliseconds deadline)
{
    m_loadState = LoadState::loading;
    emit changed();
    m_checks.removeAll(nullptr);
    m_checks << VersionService::fetch(
        *m_network, this, [this](const VersionResult& result) { finishLoad(result); }, timeout, deadline);
}

void AboutViewModel::cancelLoad()
{
    const auto checks = m_checks;
    m_checks.clear();
    for (const QPointer<QNetworkReply>& check : checks) {
        if (!check)
            continue;
        check->abort();
        // The transport may already have queued the request's own end (a
        // refused connection, say) before it heard of the abort; the reply
        // goes now, and that second end with it.
        delete check.data();
    }
}

void AboutViewModel::finishLoad(const VersionResult& result)
{
    if (const auto* version = std::get_if<RemoteVersion>(&result)) {
        m_remoteVersion = *version;
        const bool hasRemoteNotes = !version->notes.isEmpty();
        m_notes = hasRemoteNotes ? version->notes : ChangelogParser::bundledNotes();
        m_notesSource = hasRemoteNotes ? NotesSource::remote : NotesSource::bundled;
        m_loadState = LoadState::loaded;
    } else {
        m_remoteVersion.reset();
        m_notes = ChangelogParser::bundledNotes();
        m_notesSource = NotesSource::bundled;
        m_loadState = LoadState::offline;
    }
    emit changed();
}

void AboutViewModel::sendFeedback(std::chrono::milliseconds timeout, std::chrono::milliseconds deadline)
{
    const QString message = m_message.trimmed();
    if (message.isEmpty()) {
        m_feedbackState = FeedbackState::failed(emptyMessageText);
        emit changed();
        return;
    }
    const QString subject = m_subject.trimmed();
    const QString body = subject.isEmpty() ? message : subject + QStringLiteral("\n\n") + message;
    const QString email = m_email.trimmed();

    m_feedbackState = {FeedbackState::Kind::sending, {}};
    emit changed();
    FeedbackService::send(
        *m_network,
        email.isEmpty() ? std::nullopt : std::optional(email),
        body,
        this,
        [this](std::optional<FeedbackError> error) {
            if (error) {
                m_feedbackState = FeedbackState::failed(sendFailedText);
            } else {
                m_feedbackState = {FeedbackState::Kind::sent, {}};
                m_subject.clear();
                m_message.clear();
            }
            emit changed();
        },
        timeout,
        deadline);
}

QUrl AboutViewModel::downloadPage() const
{
    // Only a web page: a file or script address from the service opens nothing.
    if (m_remoteVersion && !WebService::parseBaseUrl(m_remoteVersion->downloadURL).isEmpty())
        return QUrl(m_remoteVersion->downloadURL.trimmed(), QUrl::StrictMode);
    return WebService::url(QStringLiteral("/download"));
}

std::vector<std::int64_t> AboutViewModel::components(const QString& version)
{
    const QStringList pieces = version.split(u'-', Qt::SkipEmptyParts);
    const QString base = pieces.isEmpty() ? version : pieces.first();
    std::vector<std::int64_t> numbers;
    for (const QString& piece : base.split(u'.', Qt::SkipEmptyParts)) {
        std::u32string digits;
        for (const char32_t c : piece.toUcs4()) {
            if (QChar::isNumber(c))
                digits += c;
        }
        std::int64_t value = 0;
        bool valid = !digits.empty();
        for (const char32_t c : digits) {
            if (c < U'0' || c > U'9') {
                valid = false;
                break;
            }
            const int digit = int(c - U'0');
            if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 10) {
                valid = false;
                break;
            }
            value = value * 10 + digit;
        }
        numbers.push_back(valid ? value : 0);
    }
    return numbers;
}

bool AboutViewModel::isNewer(const QString& a, const QString& b)
{
    const std::vector<std::int64_t> left = components(a);
    const std::vector<std::int64_t> right = components(b);
    for (std::size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        const std::int64_t x = i < left.size() ? left[i] : 0;
        const std::int64_t y = i < right.size() ? right[i] : 0;
        if (x != y)
            return x > y;
    }
    return false;
}

} // namespace velmora
