#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <functional>
#include <memory>

namespace velmora::test {

// A small HTTP/1.1 server on 127.0.0.1 for tests of the web-service clients.
// Runs on the thread that made it, driven by that thread's event loop. Each
// request is recorded and answered by the responder (200 with no body by
// default) and the connection is closed after the answer.
class LoopbackHttpServer {
public:
    struct Request {
        QByteArray method;
        QByteArray path; // with its query
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };

    struct Response {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/json";
        // Accept the request and never answer (for time-outs).
        bool silent = false;
    };

    using Responder = std::function<Response(const Request&)>;

    LoopbackHttpServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { acceptAll(); });
        m_server.listen(QHostAddress::LocalHost);
    }

    bool isListening() const { return m_server.isListening(); }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }

    void setResponder(Responder responder) { m_responder = std::move(responder); }
    void respondWith(int status, QByteArray body = {})
    {
        m_responder = [status, body](const Request&) { return Response{status, body}; };
    }

    const QList<Request>& requests() const { return m_requests; }

private:
    struct Connection {
        QByteArray buffer;
        bool answered = false;
    };

    void acceptAll()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            auto connection = std::make_shared<Connection>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, connection] {
                connection->buffer += socket->readAll();
                serve(socket, *connection);
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void serve(QTcpSocket* socket, Connection& connection)
    {
        if (connection.answered)
            return;
        const qsizetype headerEnd = connection.buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        Request request;
        const QList<QByteArray> lines = connection.buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length", "0").toLongLong();
        if (connection.buffer.size() - headerEnd - 4 < length)
            return;
        request.body = connection.buffer.mid(headerEnd + 4, length);
        connection.answered = true;
        m_requests.append(request);

        const Response response = m_responder ? m_responder(request) : Response{};
        if (response.silent)
            return;
        QByteArray answer = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
        if (!response.body.isEmpty())
            answer += "Content-Type: " + response.contentType + "\r\n";
        answer += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n\r\n";
        socket->write(answer + response.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    Responder m_responder;
    QList<Request> m_requests;
};

} // namespace velmora::test
