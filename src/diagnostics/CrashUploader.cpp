#include "diagnostics/CrashUploader.h"

#include "diagnostics/CrashReportQueue.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <cstdio>

namespace velmora {

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
    // Links are left alone: a report is a file the crash handlers wrote here.
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    const CrashReportQueue::Plan plan = CrashReportQueue::plan(names);
    for (const QString& name : plan.dropUnsent)
        QFile::remove(pathOf(name));
    m_queue = plan.send;
    m_network = new QNetworkAccessManager(this);
    sendNext();
}

void CrashUploader::sendNext()
{
    while (!m_queue.isEmpty()) {
        m_current = m_queue.takeFirst();
        QFile file(pathOf(m_current));
        if (!file.open(QIODevice::ReadOnly) || file.size() > CrashReportQueue::maxReportBytes) {
            QFile::remove(pathOf(m_current));
            continue;
        }
        const QByteArray body = file.read(CrashReportQueue::maxReportBytes + 1);
        file.close();
        QJsonParseError error;
        QJsonDocument::fromJson(body, &error);
        if (body.size() > CrashReportQueue::maxReportBytes || error.error != QJsonParseError::NoError) {
            QFile::remove(pathOf(m_current));
            continue;
        }

        QNetworkRequest request(m_options.endpoint);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
        request.setTransferTimeout(static_cast<int>(m_options.timeout.count()));
        m_bodyBytes = 0;
        m_bodyCut = false;
        m_reply = m_network->post(request, body);
        connect(m_reply, &QNetworkReply::readyRead, this, [this] {
            // The answer's body is not used: read it away, and stop at a bound.
            const QByteArray chunk = m_reply->readAll();
            m_bodyBytes += chunk.size();
            if (m_bodyBytes > maxResponseBytes && !m_bodyCut) {
                m_bodyCut = true;
                m_reply->abort();
            }
        });
        connect(m_reply, &QNetworkReply::finished, this, &CrashUploader::onReplyFinished);
        return;
    }
    emit finished();
}

void CrashUploader::onReplyFinished()
{
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int code = status.isValid() ? status.toInt() : 0;
    const bool answered = reply->error() == QNetworkReply::NoError || m_bodyCut;
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
