// velmora: the skinned terminal. Reads its command line, hands it to the
// running instance when there is one and ends, else starts the application:
// the start-up steps, the first windows, and the event loop until the user
// quits.

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "core/AppInfo.h"
#include "corvel/qt/ProgramStart.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    // Help, version and mistakes need no display.
    const QStringList rawArguments = corvel::ProgramStart::arguments(argc, argv);
    if (const std::optional<int> exitCode = velmora::CommandLine::respond(velmora::CommandLine::parse(rawArguments)))
        return *exitCode;
    // Without a display it ends before it touches any file.
    if (const std::optional<int> exitCode
        = corvel::ProgramStart::requireDisplay(QStringLiteral("velmora"), rawArguments))
        return *exitCode;

    // A later instance hands its request over and ends before it touches any
    // file of the running one.
    QString addressError;
    const std::optional<velmora::InstanceAddress> address = velmora::InstanceAddress::forThisSession(&addressError);
    if (!address)
        std::fprintf(stderr,
                     "[Velmora] Cannot answer later instances (%s); this one runs on its own\n",
                     addressError.toLocal8Bit().constData());
    velmora::SingleInstance::Start start = velmora::SingleInstance::begin(rawArguments, address);
    if (start.exitCode)
        return *start.exitCode;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setApplicationVersion(velmora::AppInfo::shortVersion());
    QApplication::setDesktopFileName(QStringLiteral("velmora"));

    velmora::TerminationSignals::install();
    velmora::AppDelegate delegate(QApplication::arguments());
    delegate.setStartupRequest(start.startupRequest);
    delegate.setInstanceClaim(std::move(start.claim));
    delegate.launch().run();
    return QApplication::exec();
}
