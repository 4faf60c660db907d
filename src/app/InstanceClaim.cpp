#include "app/InstanceClaim.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace velmora {
namespace {

QString systemError(const QString& what)
{
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

std::optional<InstanceClaim> InstanceClaim::take(const InstanceAddress& address, Refusal* refusal, QString* error)
{
    const auto refuse = [&](Refusal why, const QString& text) -> std::optional<InstanceClaim> {
        if (refusal)
            *refusal = why;
        if (error)
            *error = text;
        return std::nullopt;
    };
    const QByteArray lockPath = QFile::encodeName(address.lockPath);
    const int lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0)
        return refuse(Refusal::failed, systemError(address.lockPath));
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        const QString text = systemError(address.lockPath);
        ::close(lock);
        return refuse(held ? Refusal::held : Refusal::failed, text);
    }

    // The lock is ours: whatever socket file is there was left by a process
    // that no longer holds it.
    const QByteArray socketPath = QFile::encodeName(address.socketPath);
    sockaddr_un name = {};
    name.sun_family = AF_UNIX;
    if (socketPath.size() >= qsizetype(sizeof(name.sun_path))) {
        ::close(lock);
        return refuse(Refusal::failed, QStringLiteral("%1: the path is too long").arg(address.socketPath));
    }
    std::memcpy(name.sun_path, socketPath.constData(), std::size_t(socketPath.size()));
    ::unlink(socketPath.constData());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0) {
        const QString text = systemError(QStringLiteral("socket"));
        ::close(lock);
        return refuse(Refusal::failed, text);
    }
    // Only the user may connect, whatever folder the socket is in.
    if (::bind(listener, reinterpret_cast<const sockaddr*>(&name), sizeof(name)) != 0
        || ::chmod(socketPath.constData(), 0600) != 0 || ::listen(listener, SOMAXCONN) != 0) {
        const QString text = systemError(address.socketPath);
        ::close(listener);
        ::unlink(socketPath.constData());
        ::close(lock);
        return refuse(Refusal::failed, text);
    }
    return InstanceClaim(address, lock, listener);
}

InstanceClaim::InstanceClaim(InstanceAddress address, int lock, int listener)
    : m_address(std::move(address)), m_lock(lock), m_listener(listener)
{
}

InstanceClaim::InstanceClaim(InstanceClaim&& other) noexcept
    : m_address(std::move(other.m_address)),
      m_lock(std::exchange(other.m_lock, -1)),
      m_listener(std::exchange(other.m_listener, -1))
{
}

InstanceClaim& InstanceClaim::operator=(InstanceClaim&& other) noexcept
{
    if (this != &other) {
        release();
        m_address = std::move(other.m_address);
        m_lock = std::exchange(other.m_lock, -1);
        m_listener = std::exchange(other.m_listener, -1);
    }
    return *this;
}

InstanceClaim::~InstanceClaim() { release(); }

void InstanceClaim::release()
{
    if (m_listener >= 0) {
        // The socket file is ours while the lock is: remove it before the next
        // instance may take the lock.
        ::unlink(QFile::encodeName(m_address.socketPath).constData());
        ::close(m_listener);
        m_listener = -1;
    }
    if (m_lock >= 0) {
        ::close(m_lock);
        m_lock = -1;
    }
}

} // namespace velmora
