#include "app/VelmoraServiceProvider.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>

#include <cstdio>

#include <unistd.h>

namespace velmora {
namespace {

// A request or answer is one short line; anything longer is not ours.
constexpr qint64 maxLineBytes = 64 * 1024;

QByteArray line(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n'; }

// Reads one line within the bound; empty when none arrived in time.
QByteArray readLine(QLocalSocket& socket, int timeoutMs)
{
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() > maxLineBytes || !socket.waitForReadyRead(timeoutMs))
            return {};
    }
    return socket.readLine(maxLineBytes);
}

} // namespace

VelmoraServiceProvider::VelmoraServiceProvider(QObject* parent) : QObject(parent) {}

VelmoraServiceProvider::~VelmoraServiceProvider() = default;

QString VelmoraServiceProvider::defaultSocketPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + QStringLiteral("/velmora.sock");
    return QDir::tempPath() + QStringLiteral("/velmora-%1.sock").arg(::getuid());
}

bool VelmoraServiceProvider::listen(const QString& socketPath)
{
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* socket = m_server->nextPendingConnection())
                serve(socket);
        });
    }
    if (m_server->isListening())
        return true;
    // Listening replaces whatever socket file is there, so look for a live
    // instance first; a socket that nobody answers is a dead one's.
    QLocalSocket probe;
    probe.connectToServer(socketPath);
    if (probe.waitForConnected(500))
        return false;
    QLocalServer::removeServer(socketPath);
    return m_server->listen(socketPath);
}

bool VelmoraServiceProvider::isListening() const { return m_server && m_server->isListening(); }

QString VelmoraServiceProvider::perform(const FolderRequest& request)
{
    const QFileInfo folder(request.folder);
    if (request.folder.isEmpty() || !folder.isAbsolute() || !folder.isDir())
        return FolderRequest::noFolderMessage;
    const QString path = QDir::cleanPath(folder.absoluteFilePath());
    if (request.action == FolderRequest::Action::OpenTab)
        emit openTabRequested(path);
    else
        emit openWindowRequested(path);
    return {};
}

void VelmoraServiceProvider::serve(QLocalSocket* socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > maxLineBytes)
                socket->abort();
            return;
        }
        const QJsonObject message = QJsonDocument::fromJson(socket->readLine(maxLineBytes)).object();
        const std::optional<FolderRequest::Action> action
            = FolderRequest::actionFromName(message.value(QLatin1String("action")).toString());
        const QString error = action ? perform({*action, message.value(QLatin1String("folder")).toString()})
                                     : QStringLiteral("Unknown request.");
        socket->write(line({{QStringLiteral("error"), error}}));
        socket->disconnectFromServer();
    });
}

VelmoraServiceProvider::HandOff VelmoraServiceProvider::handOff(const FolderRequest& request, QString* error,
                                                                const QString& socketPath, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return HandOff::NoInstance;
    socket.write(line({{QStringLiteral("action"), request.actionName()}, {QStringLiteral("folder"), request.folder}}));
    if (!socket.waitForBytesWritten(timeoutMs)) {
        *error = QStringLiteral("Velmora did not take the request.");
        return HandOff::Failed;
    }
    const QByteArray answer = readLine(socket, timeoutMs);
    if (answer.isEmpty()) {
        *error = QStringLiteral("Velmora did not answer.");
        return HandOff::Failed;
    }
    *error = QJsonDocument::fromJson(answer).object().value(QLatin1String("error")).toString();
    return error->isEmpty() ? HandOff::Delivered : HandOff::Failed;
}

std::optional<int> VelmoraServiceProvider::handleCommandLine(const QStringList& arguments,
                                                             std::optional<FolderRequest>* startupRequest,
                                                             const QString& socketPath)
{
    const FolderCommandLine command = parseFolderCommandLine(arguments, QDir::currentPath());
    if (!command.present)
        return std::nullopt;
    const auto fail = [](const QString& message) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return 1;
    };
    if (!command.request)
        return fail(FolderRequest::noFolderMessage);
    QString error;
    switch (handOff(*command.request, &error, socketPath)) {
    case HandOff::Delivered: return 0;
    case HandOff::Failed: return fail(error);
    case HandOff::NoInstance: break;
    }
    *startupRequest = command.request;
    return std::nullopt;
}

} // namespace velmora
