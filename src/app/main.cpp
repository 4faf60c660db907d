// velmora: the skinned terminal. Reads its command line, hands folder
// requests to a running instance, then starts the application: the start-up
// steps, the first windows, and the event loop until the user quits.

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/TerminationSignals.h"
#include "app/VelmoraServiceProvider.h"
#include "core/AppInfo.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    // Help, version and mistakes need no display.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments.append(QString::fromLocal8Bit(argv[i]));
    if (const std::optional<int> exitCode = velmora::CommandLine::respond(velmora::CommandLine::parse(rawArguments)))
        return *exitCode;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setApplicationVersion(velmora::AppInfo::shortVersion());
    QApplication::setDesktopFileName(QStringLiteral("velmora"));

    std::optional<velmora::FolderRequest> folderRequest;
    if (const std::optional<int> exitCode
        = velmora::VelmoraServiceProvider::handleCommandLine(QApplication::arguments(), &folderRequest))
        return *exitCode;

    velmora::TerminationSignals::install();
    velmora::AppDelegate delegate(QApplication::arguments());
    delegate.setStartupRequest(folderRequest);
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
