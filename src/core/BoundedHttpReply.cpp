#include "core/BoundedHttpReply.h"

#include "core/AppInfo.h"

#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>

namespace velmora {
namespace {

// How much the connection's own buffer holds before it stops reading.
constexpr qint64 socketBuffer = 64 * 1024;
// A chunk-size line or a trailer line is short.
constexpr qint64 maxLineBytes = 4 * 1024;

} // namespace

BoundedHttpReply::BoundedHttpReply(const QNetworkRequest& request, const QByteArray& method, const QByteArray& body,
                                   const Limits& limits, QObject* parent)
    : QNetworkReply(parent), m_request(request), m_method(method), m_requestBody(body), m_limits(limits)
{
    setRequest(request);
    setUrl(request.url());
    setOperation(QNetworkAccessManager::CustomOperation);
    setAttribute(QNetworkRequest::CustomVerbAttribute, method);
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);

    m_idle.setSingleShot(true);
    m_idle.setInterval(limits.timeout);
    connect(&m_idle, &QTimer::timeout, this, [this] { fail(TimeoutError, QStringLiteral("Time-out")); });
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(limits.deadline);
    connect(&m_deadline, &QTimer::timeout, this, [this] { fail(TimeoutError, QStringLiteral("No answer in time")); });
    m_deadline.start();

    const QUrl url = request.url();
    const bool secure = url.scheme() == QLatin1String("https");
    if (!(secure || url.scheme() == QLatin1String("http")) || url.host().isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this] { fail(ProtocolUnknownError, QStringLiteral("Not an http address")); }, Qt::QueuedConnection);
        return;
    }
    if (secure && !QSslSocket::supportsSsl()) {
        QMetaObject::invokeMethod(
            this, [this] { fail(SslHandshakeFailedError, QStringLiteral("No TLS")); }, Qt::QueuedConnection);
        return;
    }
    QTcpSocket* socket = secure ? new QSslSocket(this) : new QTcpSocket(this);
    m_socket = socket;
    socket->setReadBufferSize(socketBuffer);
    connect(socket, &QIODevice::readyRead, this, &BoundedHttpReply::onReadable);
    connect(socket, &QAbstractSocket::disconnected, this, &BoundedHttpReply::onDisconnected);
    connect(socket, &QAbstractSocket::errorOccurred, this, &BoundedHttpReply::onSocketError);
    connect(socket, &QIODevice::bytesWritten, this, [this] { m_idle.start(); });
    if (secure) {
        auto* tls = static_cast<QSslSocket*>(socket);
        connect(tls, &QSslSocket::encrypted, this, &BoundedHttpReply::onConnected);
        tls->connectToHostEncrypted(url.host(), quint16(url.port(443)));
    } else {
        connect(socket, &QAbstractSocket::connected, this, &BoundedHttpReply::onConnected);
        socket->connectToHost(url.host(), quint16(url.port(80)));
    }
    m_idle.start();
}

BoundedHttpReply::~BoundedHttpReply()
{
    if (m_socket)
        m_socket->abort();
}

void BoundedHttpReply::onConnected()
{
    const QUrl url = m_request.url();
    QByteArray head = m_method + ' ' + url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (url.path().isEmpty())
        head.insert(m_method.size() + 1, '/');
    const bool defaultPort = url.port() < 0;
    head += " HTTP/1.1\r\nHost: " + url.host(QUrl::FullyEncoded).toUtf8()
        + (defaultPort ? QByteArray() : ':' + QByteArray::number(url.port())) + "\r\n";
    head += "User-Agent: Velmora/" + AppInfo::shortVersion().toUtf8() + "\r\n";
    head += "Accept-Encoding: identity\r\nConnection: close\r\n";
    for (const QByteArray& name : m_request.rawHeaderList())
        head += name + ": " + m_request.rawHeader(name) + "\r\n";
    if (!m_requestBody.isEmpty() || m_method == "POST" || m_method == "PUT")
        head += "Content-Length: " + QByteArray::number(m_requestBody.size()) + "\r\n";
    m_socket->write(head + "\r\n" + m_requestBody);
    m_idle.start();
}

void BoundedHttpReply::onReadable()
{
    if (isFinished() || !m_socket)
        return;
    m_idle.start();
    // The connection's buffer is bounded; what is parsed here is handed on or
    // dropped at once.
    m_raw += m_socket->readAll();
    consume();
}

bool BoundedHttpReply::takeLine(QByteArray* line, qint64 cap)
{
    const qsizetype end = m_raw.indexOf("\r\n");
    if (end < 0) {
        if (m_raw.size() > cap)
            fail(ProtocolFailure, QStringLiteral("Line too long"));
        return false;
    }
    *line = m_raw.left(end);
    m_raw.remove(0, end + 2);
    return true;
}

bool BoundedHttpReply::parseHead(qsizetype end)
{
    const QList<QByteArray> lines = m_raw.left(end).split('\n');
    m_raw.remove(0, end + 4);
    const QList<QByteArray> status = lines.value(0).trimmed().split(' ');
    bool ok = false;
    const int code = status.value(1).toInt(&ok);
    if (!status.value(0).startsWith("HTTP/1.") || !ok || code < 100 || code > 999) {
        fail(ProtocolFailure, QStringLiteral("Not an HTTP answer"));
        return false;
    }
    if (code >= 100 && code < 200)
        return true; // an interim answer: the real one follows
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, code);
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute,
                 QString::fromLatin1(lines.value(0).trimmed().split(' ').mid(2).join(' ')));
    qint64 length = -1;
    bool chunked = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        setRawHeader(name, value);
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            const qint64 declared = value.toLongLong(&ok);
            length = ok && declared >= 0 ? declared : -1;
        } else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0)
            chunked = value.toLower().contains("chunked");
    }
    emit metaDataChanged();
    if (m_method == "HEAD" || code == 204 || code == 304)
        m_stage = Stage::done;
    else if (chunked)
        m_stage = Stage::chunkSize;
    else if (length >= 0) {
        m_stage = length == 0 ? Stage::done : Stage::sizedBody;
        m_remaining = length;
    } else
        m_stage = Stage::bodyToClose;
    return true;
}

void BoundedHttpReply::consume()
{
    while (!isFinished()) {
        switch (m_stage) {
        case Stage::head: {
            const qsizetype end = m_raw.indexOf("\r\n\r\n");
            if (end < 0) {
                if (m_raw.size() > m_limits.maxHeaderBytes)
                    fail(ProtocolFailure, QStringLiteral("Headers too long"));
                return;
            }
            if (end > m_limits.maxHeaderBytes) {
                fail(ProtocolFailure, QStringLiteral("Headers too long"));
                return;
            }
            if (!parseHead(end))
                return;
            break;
        }
        case Stage::sizedBody:
        case Stage::chunkData: {
            if (m_raw.isEmpty())
                return;
            const qint64 take = std::min<qint64>(m_remaining, m_raw.size());
            const QByteArray piece = m_raw.left(take);
            m_raw.remove(0, take);
            m_remaining -= take;
            deliver(piece);
            if (m_remaining == 0 && !isFinished())
                m_stage = m_stage == Stage::sizedBody ? Stage::done : Stage::chunkEnd;
            break;
        }
        case Stage::chunkSize: {
            QByteArray line;
            if (!takeLine(&line, maxLineBytes))
                return;
            bool ok = false;
            const qint64 size = line.split(';').value(0).trimmed().toLongLong(&ok, 16);
            if (!ok || size < 0) {
                fail(ProtocolFailure, QStringLiteral("Bad chunk"));
                return;
            }
            m_remaining = size;
            m_stage = size == 0 ? Stage::trailers : Stage::chunkData;
            break;
        }
        case Stage::chunkEnd: {
            QByteArray line;
            if (!takeLine(&line, maxLineBytes))
                return;
            m_stage = Stage::chunkSize;
            break;
        }
        case Stage::trailers: {
            QByteArray line;
            if (!takeLine(&line, maxLineBytes))
                return;
            if (line.isEmpty())
                m_stage = Stage::done;
            break;
        }
        case Stage::bodyToClose: {
            if (m_raw.isEmpty())
                return;
            const QByteArray piece = m_raw;
            m_raw.clear();
            deliver(piece);
            break;
        }
        case Stage::done: complete(); return;
        }
    }
}

void BoundedHttpReply::deliver(const QByteArray& bytes)
{
    const qint64 room = m_limits.maxBodyBytes - m_bodyBytes;
    m_body += bytes.left(room);
    m_bodyBytes += std::min<qint64>(room, bytes.size());
    if (bytes.size() > room) {
        // Past the bound: hang up now and keep what came before.
        m_truncated = true;
        m_raw.clear();
        if (m_socket)
            m_socket->abort();
        if (!m_body.isEmpty())
            emit readyRead();
        complete();
        return;
    }
    if (!bytes.isEmpty())
        emit readyRead();
}

void BoundedHttpReply::onDisconnected()
{
    if (isFinished())
        return;
    if (m_socket && m_socket->bytesAvailable() > 0)
        onReadable();
    if (isFinished())
        return;
    if (m_stage == Stage::bodyToClose || m_stage == Stage::done)
        complete();
    else
        fail(RemoteHostClosedError, QStringLiteral("Connection closed"));
}

void BoundedHttpReply::onSocketError()
{
    if (isFinished() || !m_socket)
        return;
    switch (m_socket->error()) {
    case QAbstractSocket::RemoteHostClosedError: onDisconnected(); return;
    case QAbstractSocket::ConnectionRefusedError: fail(ConnectionRefusedError, m_socket->errorString()); return;
    case QAbstractSocket::HostNotFoundError: fail(HostNotFoundError, m_socket->errorString()); return;
    case QAbstractSocket::SocketTimeoutError: fail(TimeoutError, m_socket->errorString()); return;
    case QAbstractSocket::SslHandshakeFailedError: fail(SslHandshakeFailedError, m_socket->errorString()); return;
    default: fail(UnknownNetworkError, m_socket->errorString()); return;
    }
}

void BoundedHttpReply::fail(NetworkError code, const QString& text)
{
    if (isFinished())
        return;
    if (m_socket)
        m_socket->abort();
    setError(code, text);
    emit errorOccurred(code);
    complete();
}

void BoundedHttpReply::complete()
{
    if (isFinished())
        return;
    m_idle.stop();
    m_deadline.stop();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
    setFinished(true);
    emit finished();
}

void BoundedHttpReply::abort()
{
    if (isFinished())
        return;
    fail(OperationCanceledError, QStringLiteral("Operation canceled"));
}

qint64 BoundedHttpReply::bytesAvailable() const { return m_body.size() + QNetworkReply::bytesAvailable(); }

qint64 BoundedHttpReply::readData(char* data, qint64 maxSize)
{
    const qint64 count = std::min<qint64>(maxSize, m_body.size());
    if (count == 0)
        return isFinished() ? -1 : 0;
    std::copy_n(m_body.constData(), count, data);
    m_body.remove(0, count);
    return count;
}

} // namespace velmora
