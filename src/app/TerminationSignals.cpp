#include "app/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QtDebug>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora::TerminationSignals {
namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_pending = 0;

void handle(int signalNumber)
{
    if (g_pending) {
        // Asked twice: the user means it.
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    g_pending = 1;
    const char byte = char(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

} // namespace

void install()
{
    if (g_pipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) {
        qWarning().noquote() << QStringLiteral("[Velmora] Cannot watch termination signals");
        return;
    }
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte = 0;
        while (::read(g_pipe[0], &byte, 1) > 0) {}
        qInfo().noquote() << QStringLiteral("[Velmora] Quitting on signal %1").arg(int(byte));
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        // A signal the program was started with ignored stays ignored: under
        // nohup a hang-up must not end it.
        struct sigaction inherited = {};
        if (::sigaction(signalNumber, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signalNumber, &action, nullptr);
    }
}

} // namespace velmora::TerminationSignals
