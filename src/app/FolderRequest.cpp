#include "app/FolderRequest.h"

#include <QDir>
#include <QFileInfo>

namespace velmora {
namespace {

const QString openWindowOption = QStringLiteral("--open-window");
const QString openTabOption = QStringLiteral("--open-tab");

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
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        if (option != openWindowOption && option != openTabOption)
            continue;
        result.present = true;
        QStringList paths;
        for (qsizetype j = i + 1; j < arguments.size() && !arguments[j].startsWith(QLatin1String("--")); ++j)
            paths << arguments[j];
        const QString folder = firstFolder(paths, workingDirectory);
        if (!folder.isEmpty())
            result.request = FolderRequest{
                option == openTabOption ? FolderRequest::Action::OpenTab : FolderRequest::Action::OpenWindow, folder};
        break;
    }
    return result;
}

} // namespace velmora
