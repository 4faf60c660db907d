#include "app/InstanceServer.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora {

// One accepted later instance: its request line, read as it arrives within
// the idle time, then the answer.
class InstanceServer::Client final : public QObject {
public:
    Client(int fd, InstanceServer& server) : QObject(&server), m_fd(fd), m_server(server)
    {
        m_readable = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(m_readable, &QSocketNotifier::activated, this, &Client::read);
        m_idle = new QTimer(this);
        m_idle->setSingleShot(true);
        connect(m_idle, &QTimer::timeout, this, &Client::finish);
        m_idle->start(server.m_limits.idleTimeoutMs);
    }

    ~Client() override
    {
        ::close(m_fd);
        m_server.clientDone(this);
    }

private:
    void read()
    {
        char buffer[4096];
        for (;;) {
            const ssize_t count = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (count > 0) {
                m_line.append(buffer, count);
                if (m_line.contains('\n'))
                    return answer();
                if (m_line.size() > maxLineBytes)
                    return finish();
                continue;
            }
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            return finish(); // the end, or an error, before a whole line
        }
    }

    // True when the client has hung up: it gave up waiting for its turn.
    bool hungUp() const
    {
        pollfd state = {m_fd, POLLOUT, 0};
        return ::poll(&state, 1, 0) > 0 && (state.revents & (POLLHUP | POLLERR));
    }

    void answer()
    {
        m_readable->setEnabled(false);
        m_idle->stop();
        const QByteArray line = m_line.left(m_line.indexOf('\n'));
        if (line.size() > maxLineBytes || hungUp())
            return finish();
        const std::optional<InstanceRequest> request = InstanceRequest::decode(line);
        // The handler may take a while (a new window); this client stays
        // until it has its answer.
        const QPointer<Client> self(this);
        const QString error = !request ? unknownRequest : m_server.m_handler ? m_server.m_handler(*request) : QString();
        if (!self)
            return;
        const QByteArray reply = InstanceRequest::encodeAnswer(error);
        [[maybe_unused]] const ssize_t sent
            = ::send(m_fd, reply.constData(), std::size_t(reply.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
        finish();
    }

    void finish()
    {
        m_readable->setEnabled(false);
        deleteLater();
    }

    int m_fd;
    InstanceServer& m_server;
    QSocketNotifier* m_readable;
    QTimer* m_idle;
    QByteArray m_line;
};

InstanceServer::InstanceServer(InstanceClaim claim, Handler handler, QObject* parent)
    : InstanceServer(std::move(claim), std::move(handler), Limits{}, parent)
{
}

InstanceServer::InstanceServer(InstanceClaim claim, Handler handler, Limits limits, QObject* parent)
    : QObject(parent), m_claim(std::move(claim)), m_handler(std::move(handler)), m_limits(limits)
{
    m_acceptNotifier = new QSocketNotifier(m_claim.listener(), QSocketNotifier::Read, this);
    connect(m_acceptNotifier, &QSocketNotifier::activated, this, &InstanceServer::acceptClients);
    m_retryAccept = new QTimer(this);
    m_retryAccept->setSingleShot(true);
    connect(m_retryAccept, &QTimer::timeout, this, [this] {
        m_acceptNotifier->setEnabled(m_clients.size() < m_limits.maxClients);
        acceptClients();
    });
}

InstanceServer::~InstanceServer()
{
    // The clients go first: they report to this server as they close.
    while (!m_clients.isEmpty())
        delete *m_clients.begin();
}

void InstanceServer::acceptClients()
{
    while (m_clients.size() < m_limits.maxClients) {
        const int fd = ::accept4(m_claim.listener(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                pauseAccepting(); // out of descriptors or memory: try again soon
            return;
        }
        ucred peer = {};
        socklen_t length = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::geteuid()) {
            ::close(fd);
            continue;
        }
        m_clients.insert(new Client(fd, *this));
    }
    // Full: the rest wait in the listening queue until a client is done.
    m_acceptNotifier->setEnabled(false);
}

void InstanceServer::pauseAccepting()
{
    m_acceptNotifier->setEnabled(false);
    m_retryAccept->start(m_limits.retryAcceptMs);
}

void InstanceServer::clientDone(Client* client)
{
    m_clients.remove(client);
    if (m_clients.size() < m_limits.maxClients && !m_retryAccept->isActive())
        m_acceptNotifier->setEnabled(true);
}

} // namespace velmora
