#include "app/FolderRequest.h"

#include "app/CommandLine.h"

#include <QDir>
#include <QFileInfo>

namespace velmora {
namespace {

const QString openWindowOption = QStringLiteral("--open-window");
const QString openTabOption = QStringLiteral("--open-tab");

// Why none of the paths gave a folder: they are all missing, or all empty.
QString missingFolderMessage(const QStringList& paths)
{
    QStringList missing = paths;
    missing.removeAll(QString());
    if (missing.isEmpty())
        return FolderRequest::noFolderMessage;
    return (missing.size() == 1 ? QStringLiteral("No such folder: %1") : QStringLiteral("No such folders: %1"))
        .arg(missing.join(QStringLiteral(", ")));
}

} // namespace

QString FolderRequest::actionName() const
{
    return action == Action::OpenTab ? QStringLiteral("open-tab") : QStringLiteral("open-window");
}

std::optional<FolderRequest::Action> FolderRequest::actionFromName(const QString& name)
{
    if (name == QLatin1String("open-window"))
        return Action::OpenWindow;
    if (name == QLatin1String("open-tab"))
        return Action::OpenTab;
    return std::nullopt;
}

QString firstFolder(const QStringList& paths, const QString& base)
{
    for (const QString& path : paths) {
        if (path.isEmpty())
            continue;
        const QFileInfo info(QDir(base), path);
        if (!info.exists())
            continue;
        return QDir::cleanPath(info.isDir() ? info.absoluteFilePath() : info.absolutePath());
    }
    return {};
}

FolderCommandLine parseFolderCommandLine(const QStringList& arguments, const QString& workingDirectory)
{
    FolderCommandLine result;
    const auto request = [&](FolderRequest::Action action, const QStringList& paths) {
        result.present = true;
        // A launcher's action with no file chosen passes no path: the home folder.
        const QString folder = paths.isEmpty() ? QDir::homePath() : firstFolder(paths, workingDirectory);
        if (!folder.isEmpty())
            result.request = FolderRequest{action, folder};
        else
            result.error = missingFolderMessage(paths);
        return result;
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (option != openWindowOption && option != openTabOption)
            continue;
        QStringList paths;
        for (qsizetype j = i + 1; j < arguments.size() && !arguments[j].startsWith(QLatin1String("--")); ++j)
            paths << arguments[j];
        return request(option == openTabOption ? FolderRequest::Action::OpenTab : FolderRequest::Action::OpenWindow,
                       paths);
    }
    if (const QStringList folders = CommandLine::parse(arguments).folders; !folders.isEmpty())
        return request(FolderRequest::Action::OpenWindow, folders);
    return result;
}

} // namespace velmora
