#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace velmora::test {

// An HTTP server on 127.0.0.1 that answers every request with a status line
// and then more body than anyone should read, on a thread of its own (so it
// keeps writing whatever the client's event loop does). Connections are
// served one after another. It stops sending once it has sent sendLimit
// bytes of body on a connection and then holds that connection open, so a
// client that does not bound what it reads waits rather than fills memory.
class HostileHttpServer {
public:
    enum class Body {
        declaredHuge, // "Content-Length: 3221225472"
        chunked, // "Transfer-Encoding: chunked", chunks without end
        untilClose, // no length: the body runs until the connection closes
        empty, // "Content-Length: 0" (for a redirect)
    };

    struct Answer {
        int status = 200;
        Body body = Body::declaredHuge;
        // What the body begins with; then filler to the limit. A version
        // document with endless notes: R"({"version":"9","notes":[)" and
        // the filler R"("n",)".
        QByteArray prefix;
        QByteArray filler = QByteArray(64 * 1024, 'x');
        // Extra header lines, each ending in "\r\n" (a Location).
        QByteArray headers;
        qint64 sendLimit = 256LL * 1024 * 1024;
        // When set, everything goes out one byte at a time, this long apart
        // from the status line on: an answer that is always on its way.
        std::chrono::milliseconds drip{0};

        static Answer endless(int status, Body body, QByteArray prefix = {}, QByteArray filler = {})
        {
            Answer answer;
            answer.status = status;
            answer.body = body;
            answer.prefix = std::move(prefix);
            if (!filler.isEmpty())
                answer.filler = std::move(filler);
            return answer;
        }
        static Answer dripping(std::chrono::milliseconds pace)
        {
            Answer answer;
            answer.drip = pace;
            return answer;
        }
        static Answer redirect(int status, const QByteArray& location)
        {
            Answer answer;
            answer.status = status;
            answer.body = Body::empty;
            answer.headers = "Location: " + location + "\r\n";
            return answer;
        }
    };

    explicit HostileHttpServer(Answer answer) : m_answer(std::move(answer))
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
            || ::listen(m_listener, 8) != 0
            || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~HostileHttpServer()
    {
        m_stop = true;
        ::shutdown(m_listener, SHUT_RDWR);
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_listener);
    }
    HostileHttpServer(const HostileHttpServer&) = delete;
    HostileHttpServer& operator=(const HostileHttpServer&) = delete;

    bool isListening() const { return m_port != 0; }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port)); }
    // Body bytes that went out, over all connections.
    qint64 bytesSent() const { return m_sent; }
    int requests() const { return m_requests; }

private:
    bool sendAll(int fd, const QByteArray& bytes)
    {
        qsizetype at = 0;
        while (at < bytes.size()) {
            if (m_stop)
                return false;
            if (m_answer.drip.count() > 0)
                std::this_thread::sleep_for(m_answer.drip);
            const size_t size = m_answer.drip.count() > 0 ? 1 : size_t(bytes.size() - at);
            const ssize_t n = ::send(fd, bytes.constData() + at, size, MSG_NOSIGNAL);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
                continue; // the send time-out: look at m_stop again
            if (n <= 0)
                return false;
            at += n;
        }
        return true;
    }

    void readRequest(int fd)
    {
        QByteArray request;
        char buffer[4096];
        while (!m_stop && !request.contains("\r\n\r\n")) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                return;
            if (n > 0)
                request.append(buffer, n);
        }
        // The body of a POST is read and thrown away, as far as it says.
        const qsizetype end = request.indexOf("\r\n\r\n") + 4;
        const qsizetype lengthAt = request.toLower().indexOf("content-length:");
        qint64 wanted = 0;
        if (lengthAt >= 0 && lengthAt < end)
            wanted = request.mid(lengthAt + 15, request.indexOf('\r', lengthAt) - lengthAt - 15).trimmed().toLongLong();
        qint64 have = request.size() - end;
        while (!m_stop && have < wanted) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                return;
            have += n > 0 ? n : 0;
        }
    }

    void answer(int fd)
    {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(m_answer.status) + " Hostile\r\n" + m_answer.headers
            + "Content-Type: application/json\r\n";
        switch (m_answer.body) {
        case Body::declaredHuge: head += "Content-Length: 3221225472\r\n"; break;
        case Body::chunked: head += "Transfer-Encoding: chunked\r\n"; break;
        case Body::untilClose: head += "Connection: close\r\n"; break;
        case Body::empty: head += "Content-Length: 0\r\n"; break;
        }
        if (!sendAll(fd, head + "\r\n") || m_answer.body == Body::empty)
            return;
        const auto piece = [this](const QByteArray& bytes) {
            return m_answer.body == Body::chunked ? QByteArray::number(bytes.size(), 16) + "\r\n" + bytes + "\r\n"
                                                  : bytes;
        };
        qint64 sent = 0;
        QByteArray next = m_answer.prefix.isEmpty() ? m_answer.filler : m_answer.prefix;
        while (!m_stop && sent < m_answer.sendLimit) {
            if (!sendAll(fd, piece(next)))
                return;
            sent += next.size();
            m_sent += next.size();
            next = m_answer.filler;
        }
        // Hold the connection open until the client goes or the test ends.
        char byte;
        while (!m_stop) {
            const ssize_t n = ::recv(fd, &byte, 1, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                break;
        }
    }

    void serve()
    {
        while (!m_stop) {
            const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return;
            timeval tick{0, 100 * 1000};
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tick, sizeof tick);
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof tick);
            ++m_requests;
            readRequest(fd);
            answer(fd);
            ::close(fd);
        }
    }

    Answer m_answer;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_sent{0};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

} // namespace velmora::test
