#pragma once

#include "app/FolderRequest.h"
#include "app/InstanceClaim.h"
#include "app/InstanceRequest.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace velmora {

class InstanceServer;

// What later instances ask of the running one, and the desktop's "New
// Window" and "New Tab" actions (the ".desktop" file's actions, which start
// Velmora with "--open-window DIR" or "--open-tab DIR"): a later instance
// hands its request over the running instance's socket (see SingleInstance)
// and ends; this provider answers on that socket and carries the requests
// out through its signals, on the main thread.
class VelmoraServiceProvider final : public QObject {
    Q_OBJECT

public:
    explicit VelmoraServiceProvider(QObject* parent = nullptr);
    ~VelmoraServiceProvider() override;

    // The socket of this user's and display's running instance; empty when
    // it has none (see InstanceAddress).
    static QString defaultSocketPath();

    // Claims the socket and answers on it. False when another live instance
    // holds it (a socket left by a dead one is replaced) or it cannot listen.
    bool listen(const QString& socketPath = defaultSocketPath());
    // Answers on a socket claimed before the application started.
    void serve(InstanceClaim claim);
    bool isListening() const { return m_server != nullptr; }

    // Carries out a request in this instance and returns the error text,
    // empty on success. A folder request that names no existing absolute
    // folder answers FolderRequest::noFolderMessage.
    QString perform(const InstanceRequest& request);
    QString perform(const FolderRequest& request) { return perform(InstanceRequest::fromFolder(request)); }

    // Opens a window with the skin in the folder; returns the error text.
    std::function<QString(const QString& skinFolder)> onPreviewSkin;

    enum class HandOff { Delivered, NoInstance, Failed };

    // Hands a request to the running instance and waits for its answer
    // (blocking, bounded). Failed comes with the reason in *error.
    static HandOff handOff(const FolderRequest& request, QString* error,
                           const QString& socketPath = defaultSocketPath(), int timeoutMs = 5000);

signals:
    void openWindowRequested(const QString& folder);
    void openTabRequested(const QString& folder);
    // A plain launch of a later instance.
    void reopenRequested();

private:
    std::unique_ptr<InstanceServer> m_server;
};

} // namespace velmora
