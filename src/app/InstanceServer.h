#pragma once

#include "app/InstanceClaim.h"
#include "app/InstanceRequest.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;
class QTimer;

namespace velmora {

// The running instance's side of its socket: it accepts later instances of
// the same user, reads one request line from each, hands it to the handler
// and writes back the handler's answer (the error text, empty on success).
//
// What reaches the socket is not trusted: a peer of another user is hung up
// on before anything is read; a line that is not a request is answered
// "Unknown request."; a line too long, or a client that sends nothing within
// the idle time, is dropped. At most maxClients are served at once, the rest
// wait in the listening queue; when the process runs out of descriptors the
// server stops accepting for a moment and then goes on. A client that hung
// up before its turn is not served, so a request whose sender gave up is not
// carried out behind its back. Main thread.
class InstanceServer final : public QObject {
    Q_OBJECT

public:
    struct Limits {
        int maxClients = 32;
        int idleTimeoutMs = 5000;
        int retryAcceptMs = 200;
    };

    using Handler = std::function<QString(const InstanceRequest&)>;

    static constexpr qsizetype maxLineBytes = 64 * 1024;
    static inline const QString unknownRequest = QStringLiteral("Unknown request.");

    InstanceServer(InstanceClaim claim, Handler handler, QObject* parent = nullptr);
    InstanceServer(InstanceClaim claim, Handler handler, Limits limits, QObject* parent = nullptr);
    ~InstanceServer() override;

    const InstanceAddress& address() const { return m_claim.address(); }
    int clientCount() const { return int(m_clients.size()); }

private:
    class Client;

    void acceptClients();
    void clientDone(Client* client);
    void pauseAccepting();

    InstanceClaim m_claim;
    Handler m_handler;
    Limits m_limits;
    QSocketNotifier* m_acceptNotifier = nullptr;
    QTimer* m_retryAccept = nullptr;
    QSet<Client*> m_clients;
};

} // namespace velmora
