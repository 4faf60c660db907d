#include "core/BoundedHttpReply.h"

#include "support/EventLoopWait.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace {

using namespace velmora;
using namespace std::chrono_literals;

// A server that answers the first request with the given bytes as they are
// and then closes the connection.
class RawServer {
public:
    explicit RawServer(QByteArray answer) : m_answer(std::move(answer))
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                m_request += socket->readAll();
                if (!m_request.contains("\r\n\r\n"))
                    return;
                socket->write(m_answer);
                socket->disconnectFromHost();
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        });
        m_server.listen(QHostAddress::LocalHost);
    }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    const QByteArray& request() const { return m_request; }

private:
    QTcpServer m_server;
    QByteArray m_answer;
    QByteArray m_request;
};

struct Outcome {
    int status = 0;
    QByteArray body;
    bool truncated = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
};

Outcome exchange(const QUrl& url, qint64 bound, const QByteArray& method = "GET", const QByteArray& body = {})
{
    QObject owner;
    QNetworkRequest request(url);
    request.setRawHeader("Content-Type", "application/json");
    auto* reply = new BoundedHttpReply(request, method, body, {bound, 5000ms, 10000ms}, &owner);
    Outcome outcome;
    bool finished = false;
    QObject::connect(reply, &QNetworkReply::readyRead, [&] { outcome.body += reply->readAll(); });
    QObject::connect(reply, &QNetworkReply::finished, [&] { finished = true; });
    EXPECT_TRUE(test::waitUntil([&] { return finished; }, 10000));
    outcome.body += reply->readAll();
    outcome.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    outcome.truncated = reply->truncated();
    outcome.error = reply->error();
    return outcome;
}

TEST(BoundedHttpReplyTest, ReadsEveryFramingOfAnAnswer)
{
    struct Case {
        const char* name;
        QByteArray answer;
        int status;
        QByteArray body;
        QNetworkReply::NetworkError error;
    };
    const Case cases[] = {
        {"sized", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", 200, "hello", QNetworkReply::NoError},
        {"chunked with an extension and a trailer",
         "HTTP/1.1 201 Created\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\n1\r\n \r\n5\r\nworld\r\n0\r\n"
         "Trailer: 1\r\n\r\n",
         201,
         "hello world",
         QNetworkReply::NoError},
        {"until the connection closes",
         "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nto the end",
         200,
         "to the end",
         QNetworkReply::NoError},
        {"an interim answer first",
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nno",
         404,
         "no",
         QNetworkReply::NoError},
        {"no content", "HTTP/1.1 204 No Content\r\n\r\n", 204, "", QNetworkReply::NoError},
        {"cut short",
         "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nonly this",
         200,
         "only this",
         QNetworkReply::RemoteHostClosedError},
        {"not HTTP", "SSH-2.0-OpenSSH\r\n\r\n", 0, "", QNetworkReply::ProtocolFailure},
    };
    for (const Case& c : cases) {
        RawServer server(c.answer);
        const Outcome outcome = exchange(server.url("/api/x?a=1"), 1024);
        EXPECT_EQ(outcome.status, c.status) << c.name;
        EXPECT_EQ(outcome.body, c.body) << c.name;
        EXPECT_EQ(outcome.error, c.error) << c.name;
        EXPECT_FALSE(outcome.truncated) << c.name;
        EXPECT_TRUE(server.request().startsWith("GET /api/x?a=1 HTTP/1.1\r\n")) << server.request().constData();
        EXPECT_TRUE(server.request().contains("\r\nContent-Type: application/json\r\n"));
    }
}

TEST(BoundedHttpReplyTest, PostsItsBodyAndStopsAtTheBound)
{
    RawServer server(
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n8\r\n12345678\r\n8\r\n9abcdefg\r\n0\r\n\r\n");
    const Outcome outcome = exchange(server.url("/api/crash"), 10, "POST", "{\"a\":1}");
    EXPECT_EQ(outcome.status, 200);
    EXPECT_TRUE(outcome.truncated);
    EXPECT_EQ(outcome.body, "123456789a");
    EXPECT_TRUE(server.request().endsWith("Content-Length: 7\r\n\r\n{\"a\":1}"));

    RawServer huge("HTTP/1.1 200 OK\r\nContent-Length: 99\r\n\r\n" + QByteArray(99, 'x'));
    EXPECT_TRUE(exchange(huge.url("/"), 98).truncated);
    EXPECT_FALSE(exchange(huge.url("/"), 99).truncated);
}

TEST(BoundedHttpReplyTest, HeadersHaveABoundToo)
{
    RawServer server("HTTP/1.1 200 OK\r\nX-Filler: " + QByteArray(100 * 1024, 'h') + "\r\n\r\n");
    const Outcome outcome = exchange(server.url("/"), 1024);
    EXPECT_EQ(outcome.error, QNetworkReply::ProtocolFailure);
    EXPECT_EQ(outcome.status, 0);
}

} // namespace
