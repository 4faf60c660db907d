#include "app/InstanceClient.h"

#include "app/InstanceServer.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace velmora::InstanceClient {
namespace {

using Status = Result::Status;
using Clock = std::chrono::steady_clock;

int millisecondsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(std::min<long long>(left, 600'000)) : 0;
}

// Waits for the events on the socket until the deadline, telling the notice
// when it falls due on the way; false on time-out.
bool waitFor(int fd, short events, Clock::time_point deadline, WaitNotice* notice = nullptr,
             std::optional<qint64> peer = std::nullopt)
{
    for (;;) {
        const bool noticePending = notice && !notice->told && notice->due < deadline;
        pollfd state = {fd, events, 0};
        const int ready = ::poll(&state, 1, millisecondsUntil(noticePending ? notice->due : deadline));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready == 0) {
            if (!noticePending)
                return false;
            notice->tellIfDue(peer);
        }
    }
}

class Socket {
public:
    Socket() : fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {}
    ~Socket()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    const int fd;
};

Result failed(const QString& error) { return {Status::failed, error}; }

} // namespace

void WaitNotice::tellIfDue(std::optional<qint64> processId)
{
    if (told || Clock::now() < due)
        return;
    told = true;
    if (tell)
        tell(processId);
}

Result send(const InstanceRequest& request, const QString& socketPath, Clock::time_point deadline,
            std::chrono::milliseconds answerWait, WaitNotice* notice)
{
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un name = {};
    name.sun_family = AF_UNIX;
    if (path.isEmpty() || path.size() >= qsizetype(sizeof(name.sun_path)))
        return {Status::nobodyListening, {}};
    std::memcpy(name.sun_path, path.constData(), std::size_t(path.size()));

    Socket socket;
    if (socket.fd < 0)
        return failed(
            QStringLiteral("Velmora could not be reached: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    if (::connect(socket.fd, reinterpret_cast<const sockaddr*>(&name), sizeof(name)) != 0) {
        switch (errno) {
        case EAGAIN: return {Status::busy, {}};
        case EINPROGRESS:
            if (!waitFor(socket.fd, POLLOUT, deadline, notice))
                return {Status::busy, {}};
            break;
        case ENOENT:
        case ECONNREFUSED:
        case ENOTSOCK: return {Status::nobodyListening, {}};
        default:
            return failed(
                QStringLiteral("Velmora could not be reached: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        }
    }
    // Whoever answers must be this user: another user's socket could read the
    // request's folder and answer in Velmora's name.
    ucred peer = {};
    socklen_t length = sizeof peer;
    if (::getsockopt(socket.fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::geteuid())
        return failed(QStringLiteral("Velmora's socket %1 belongs to another user.").arg(socketPath));
    const std::optional<qint64> runningInstance = peer.pid > 0 ? std::optional<qint64>(peer.pid) : std::nullopt;

    const QByteArray line = request.encode();
    qsizetype written = 0;
    while (written < line.size()) {
        const ssize_t count = ::send(
            socket.fd, line.constData() + written, std::size_t(line.size() - written), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count > 0) {
            written += count;
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)
            && waitFor(socket.fd, POLLOUT, deadline, notice, runningInstance))
            continue;
        return failed(QStringLiteral("Velmora did not take the request."));
    }

    const Clock::time_point answerDeadline = std::max(deadline, Clock::now() + answerWait);
    QByteArray answer;
    for (;;) {
        if (!waitFor(socket.fd, POLLIN, answerDeadline, notice, runningInstance))
            return failed(QStringLiteral("Velmora did not answer in time; it may still carry the request out."));
        char buffer[1024];
        const ssize_t count = ::recv(socket.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count > 0) {
            answer.append(buffer, count);
            if (answer.contains('\n'))
                break;
            if (answer.size() > InstanceServer::maxLineBytes)
                return failed(QStringLiteral("Velmora's answer could not be read."));
            continue;
        }
        if (count < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        // Hung up without an answer: the request was not carried out.
        return failed(QStringLiteral("Velmora did not answer."));
    }
    const std::optional<QString> error = InstanceRequest::decodeAnswer(answer.left(answer.indexOf('\n')));
    if (!error)
        return failed(QStringLiteral("Velmora's answer could not be read."));
    return {Status::answered, *error};
}

} // namespace velmora::InstanceClient
