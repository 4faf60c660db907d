#include "diagnostics/CrashUploader.h"

#include "core/BoundedHttpReply.h"
#include "diagnostics/CrashReportQueue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

std::optional<QByteArray> CrashUploader::readReport(const QString& path)
{
    // Non-blocking and without following a link, so that a pipe or a link
    // under a report's name cannot hold the run; only a regular file of a
    // report's size is read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > CrashReportQueue::maxReportBytes)
        return std::nullopt;
    const QByteArray body = file.read(CrashReportQueue::maxReportBytes + 1);
    if (body.size() > CrashReportQueue::maxReportBytes)
        return std::nullopt;
    return body;
}

CrashUploader::CrashUploader(Options options, QObject* parent) : QObject(parent), m_options(std::move(options)) {}

CrashUploader::~CrashUploader()
{
    // A request still in flight is abandoned: its report keeps its name.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void CrashUploader::start()
{
    if (m_started)
        return;
    m_started = true;

    const QDir folder(m_options.pendingDir);
    if (m_options.pendingDir.isEmpty() || !folder.exists()) {
        emit finished();
        return;
    }
    // A report is a file the crash handlers wrote here, never a link: a link
    // goes itself (unlink(2) does not follow it), whatever it leads to.
    const QFileInfoList entries
        = folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink())
            ::unlink(QFile::encodeName(entry.filePath()).constData());
    }
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    const CrashReportQueue::Plan plan = CrashReportQueue::plan(names);
    for (const QString& name : plan.dropUnsent)
        QFile::remove(pathOf(name));
    m_queue = plan.send;
    sendNext();
}

void CrashUploader::sendNext()
{
    while (!m_queue.isEmpty()) {
        m_current = m_queue.takeFirst();
        const std::optional<QByteArray> body = readReport(pathOf(m_current));
        QJsonParseError error;
        if (body)
            QJsonDocument::fromJson(*body, &error);
        if (!body || error.error != QJsonParseError::NoError) {
            QFile::remove(pathOf(m_current));
            continue;
        }

        QNetworkRequest request(m_options.endpoint);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        // The answer's body is not used: no more than maxResponseBytes of it
        // is read, and a redirect is not followed, so a report goes to the
        // service and nowhere else.
        m_reply = new BoundedHttpReply(
            request, "POST", *body, {maxResponseBytes, m_options.timeout, m_options.deadline}, this);
        connect(m_reply, &QNetworkReply::finished, this, &CrashUploader::onReplyFinished);
        return;
    }
    emit finished();
}

void CrashUploader::onReplyFinished()
{
    BoundedHttpReply* reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int code = status.isValid() ? status.toInt() : 0;
    const bool answered = reply->error() == QNetworkReply::NoError || reply->truncated();
    if (answered && code >= 200 && code <= 299)
        QFile::remove(pathOf(m_current));
    else
        countFailure(m_current);
    sendNext();
}

void CrashUploader::countFailure(const QString& fileName)
{
    const std::optional<QString> next = CrashReportQueue::nameAfterFailure(fileName);
    if (!next) {
        QFile::remove(pathOf(fileName));
        return;
    }
    // rename(2) replaces a leftover of the same name: both are the same report.
    std::rename(QFile::encodeName(pathOf(fileName)).constData(), QFile::encodeName(pathOf(*next)).constData());
}

QString CrashUploader::pathOf(const QString& fileName) const { return m_options.pendingDir + u'/' + fileName; }

} // namespace velmora
