#include "app/VelmoraServiceProvider.h"

#include "app/InstanceClient.h"
#include "app/InstanceServer.h"

#include <QDir>
#include <QFileInfo>

#include <chrono>

namespace velmora {

VelmoraServiceProvider::VelmoraServiceProvider(QObject* parent) : QObject(parent) {}

VelmoraServiceProvider::~VelmoraServiceProvider() = default;

QString VelmoraServiceProvider::defaultSocketPath()
{
    const std::optional<InstanceAddress> address = InstanceAddress::forThisSession();
    return address ? address->socketPath : QString();
}

bool VelmoraServiceProvider::listen(const QString& socketPath)
{
    if (m_server)
        return true;
    if (socketPath.isEmpty())
        return false;
    std::optional<InstanceClaim> claim = InstanceClaim::take(InstanceAddress::forSocket(socketPath));
    if (!claim)
        return false;
    serve(std::move(*claim));
    return true;
}

void VelmoraServiceProvider::serve(InstanceClaim claim)
{
    m_server = std::make_unique<InstanceServer>(std::move(claim),
                                                [this](const InstanceRequest& request) { return perform(request); });
}

QString VelmoraServiceProvider::perform(const InstanceRequest& request)
{
    using Action = InstanceRequest::Action;
    if (request.action == Action::reopen) {
        emit reopenRequested();
        return {};
    }
    const QFileInfo folder(request.folder);
    if (request.folder.isEmpty() || !folder.isAbsolute() || !folder.isDir())
        return FolderRequest::noFolderMessage;
    const QString path = QDir::cleanPath(folder.absoluteFilePath());
    switch (request.action) {
    case Action::openTab: emit openTabRequested(path); break;
    case Action::openWindow: emit openWindowRequested(path); break;
    case Action::previewSkin: return onPreviewSkin ? onPreviewSkin(path) : QString();
    case Action::reopen: break;
    }
    return {};
}

VelmoraServiceProvider::HandOff VelmoraServiceProvider::handOff(const FolderRequest& request, QString* error,
                                                                const QString& socketPath, int timeoutMs)
{
    const InstanceClient::Result result
        = InstanceClient::send(InstanceRequest::fromFolder(request),
                               socketPath,
                               std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs),
                               std::chrono::milliseconds(timeoutMs));
    *error = result.error;
    switch (result.status) {
    case InstanceClient::Result::Status::answered: return error->isEmpty() ? HandOff::Delivered : HandOff::Failed;
    case InstanceClient::Result::Status::nobodyListening: return HandOff::NoInstance;
    case InstanceClient::Result::Status::busy:
        *error = QStringLiteral("Velmora is too busy to take the request.");
        return HandOff::Failed;
    case InstanceClient::Result::Status::failed: break;
    }
    return HandOff::Failed;
}

} // namespace velmora
