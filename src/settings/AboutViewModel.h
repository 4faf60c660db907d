#pragma once

#include "services/FeedbackService.h"
#include "services/VersionService.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

namespace velmora {

// The About tab's model: the outcome of the version check, the release notes
// to show (the web service's, else the bundled ones), the feedback form's
// texts and the progress of a send. Every change emits changed(). Its requests
// go through an HTTP client of its own: when the model goes, whatever is in
// flight is aborted without a word. Main thread only.
class AboutViewModel final : public QObject {
    Q_OBJECT

public:
    enum class LoadState { loading, loaded, offline };
    enum class NotesSource { remote, bundled };

    struct FeedbackState {
        enum class Kind { idle, sending, sent, failed };
        Kind kind = Kind::idle;
        QString failureText; // only for failed

        static FeedbackState failed(const QString& text) { return {Kind::failed, text}; }
        friend bool operator==(const FeedbackState&, const FeedbackState&) = default;
    };

    static inline const QString emptyMessageText = QStringLiteral("Message can't be empty.");
    static inline const QString sendFailedText
        = QStringLiteral("Couldn't send \u2014 check your connection and try again.");

    explicit AboutViewModel(QObject* parent = nullptr);
    ~AboutViewModel() override;

    const std::optional<RemoteVersion>& remoteVersion() const { return m_remoteVersion; }
    const QStringList& notes() const { return m_notes; }
    NotesSource notesSource() const { return m_notesSource; }
    LoadState loadState() const { return m_loadState; }
    const FeedbackState& feedbackState() const { return m_feedbackState; }

    QString email() const { return m_email; }
    QString subject() const { return m_subject; }
    QString message() const { return m_message; }
    void setEmail(const QString& text);
    void setSubject(const QString& text);
    void setMessage(const QString& text);

    // Starts a version check: loading, then loaded with the document (its
    // notes, or the bundled ones when it has none) or offline with the bundled
    // notes, whatever went wrong. Overlapping checks each record their outcome
    // when they end.
    void load(std::chrono::milliseconds timeout = VersionService::timeout,
              std::chrono::milliseconds deadline = VersionService::deadline);
    // Cancels every check in flight; each ends as offline.
    void cancelLoad();

    // Sends the trimmed message (after the trimmed subject and a blank line,
    // when there is a subject) with the trimmed email, if any. An empty
    // message fails at once and sends nothing. On success subject and message
    // are emptied and the email stays; on failure every text stays.
    void sendFeedback(std::chrono::milliseconds timeout = FeedbackService::timeout,
                      std::chrono::milliseconds deadline = FeedbackService::deadline);

    // The page the Download button opens: the document's download address
    // when it is an http or https URL, else the web service's "/download".
    QUrl downloadPage() const;

    // Whether version a is strictly newer than b, comparing the numbers of
    // their dotted components; missing components count as 0 and anything
    // from the first hyphen after the base on is ignored.
    static bool isNewer(const QString& a, const QString& b);
    static std::vector<std::int64_t> components(const QString& version);

signals:
    void changed();

private:
    void setText(QString& field, const QString& text);
    void finishLoad(const VersionResult& result);

    std::optional<RemoteVersion> m_remoteVersion;
    QStringList m_notes;
    NotesSource m_notesSource = NotesSource::bundled;
    LoadState m_loadState = LoadState::loading;
    QString m_email;
    QString m_subject;
    QString m_message;
    FeedbackState m_feedbackState;
    QList<QPointer<QNetworkReply>> m_checks;
    QNetworkAccessManager* m_network;
};

} // namespace velmora
