#pragma once

#include "app/FolderRequest.h"

#include <QObject>
#include <QString>

#include <optional>

class QLocalServer;
class QLocalSocket;

namespace velmora {

// Opens device windows and tabs at folders for the desktop's "New Window" and
// "New Tab" actions (the ".desktop" file's actions, which start Velmora with
// "--open-window DIR" or "--open-tab DIR").
//
// The first instance listens on a local socket that only its user can reach;
// a later instance started with one of the options hands its request over and
// exits, so the running instance opens the window or tab. Requests arrive on
// the main thread and are carried out by the application delegate through the
// two signals.
//
// Wire format, one line of JSON each way: {"action":"open-tab","folder":"/x"}
// and the answer {"error":""}, or the error text.
class VelmoraServiceProvider final : public QObject {
    Q_OBJECT

public:
    explicit VelmoraServiceProvider(QObject* parent = nullptr);
    ~VelmoraServiceProvider() override;

    // The socket of this user's running instance: in XDG_RUNTIME_DIR, else in
    // the temporary folder under the user's id.
    static QString defaultSocketPath();

    // Starts answering later instances. False when another live instance
    // already answers on that socket (a socket left by a dead one is
    // replaced) or it cannot listen.
    bool listen(const QString& socketPath = defaultSocketPath());
    bool isListening() const;

    // Carries out a request in this instance: emits the matching signal with
    // the request's folder, or answers FolderRequest::noFolderMessage when
    // it names no existing folder. Returns the error text, empty on success.
    QString perform(const FolderRequest& request);

    enum class HandOff { Delivered, NoInstance, Failed };

    // Hands a request to the running instance and waits for its answer
    // (blocking, bounded). Failed comes with the reason in *error.
    static HandOff handOff(const FolderRequest& request, QString* error,
                           const QString& socketPath = defaultSocketPath(), int timeoutMs = 5000);

    // What the program's entry does with the folder options before it starts
    // the application. Returns an exit code when this process is done: 0 once
    // the running instance took the request; 1 after writing "No folder was
    // provided." (or why the hand-over failed) on standard error. Returns
    // nothing when the application should start: then, when the options
    // named a folder, *startupRequest holds the request for it to carry out
    // once its first windows are open.
    static std::optional<int> handleCommandLine(const QStringList& arguments,
                                                std::optional<FolderRequest>* startupRequest,
                                                const QString& socketPath = defaultSocketPath());

signals:
    void openWindowRequested(const QString& folder);
    void openTabRequested(const QString& folder);

private:
    void serve(QLocalSocket* socket);

    QLocalServer* m_server = nullptr;
};

} // namespace velmora
