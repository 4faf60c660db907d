#pragma once

#include "app/InstanceAddress.h"

#include <QString>

#include <optional>

namespace velmora {

// The running instance's hold on its address: the lock, taken for the life
// of the claim, and the listening socket made under it (a socket file left
// by a dead instance is replaced). Plain POSIX, so a program can claim its
// place before it starts its application. Moves, never copies; letting go
// removes the socket file and then frees the lock.
class InstanceClaim final {
public:
    enum class Refusal {
        held, // another live process holds the lock
        failed, // the lock or the socket could not be made
    };

    // Takes the lock without waiting and listens on the socket. On refusal,
    // *refusal says why and *error, for failed, what went wrong.
    static std::optional<InstanceClaim> take(const InstanceAddress& address, Refusal* refusal = nullptr,
                                             QString* error = nullptr);

    InstanceClaim(InstanceClaim&& other) noexcept;
    InstanceClaim& operator=(InstanceClaim&& other) noexcept;
    InstanceClaim(const InstanceClaim&) = delete;
    InstanceClaim& operator=(const InstanceClaim&) = delete;
    ~InstanceClaim();

    const InstanceAddress& address() const { return m_address; }
    // The listening socket: non-blocking, closed on exec.
    int listener() const { return m_listener; }

private:
    InstanceClaim(InstanceAddress address, int lock, int listener);
    void release();

    InstanceAddress m_address;
    int m_lock = -1;
    int m_listener = -1;
};

} // namespace velmora
