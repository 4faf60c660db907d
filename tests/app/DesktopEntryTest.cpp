#include "app/FolderRequest.h"

#include "support/TestFiles.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace velmora;

// The groups of a desktop entry, each a map of its keys.
QMap<QString, QMap<QString, QString>> readDesktopEntry(const QString& path)
{
    QMap<QString, QMap<QString, QString>> groups;
    QString group;
    for (const QByteArray& rawLine : velmora::test::readFile(path).split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        groups[group].insert(line.section('=', 0, 0), line.section('=', 1));
    }
    return groups;
}

TEST(DesktopEntryTest, NewWindowAndNewTabActionsUseTheFolderOptions)
{
    const auto entry = readDesktopEntry(VELMORA_BINARY_DIR "/share/applications/velmora.desktop");
    ASSERT_TRUE(entry.contains("Desktop Entry"));
    const auto main = entry["Desktop Entry"];
    EXPECT_EQ(main["Type"], "Application");
    EXPECT_EQ(main["Name"], "Velmora");
    EXPECT_EQ(main["Actions"], "new-window;new-tab;");
    // File managers offer Velmora for folders, and hand it the folder.
    EXPECT_TRUE(main["MimeType"].split(';').contains("inode/directory")) << main["MimeType"].toStdString();

    QTemporaryDir folder;
    const auto expand = [&](const QString& exec, const QString& code, const QStringList& files) {
        QStringList arguments = exec.split(' ');
        const qsizetype at = arguments.indexOf(code);
        EXPECT_GE(at, 0) << exec.toStdString();
        if (at >= 0) {
            arguments.removeAt(at);
            for (const QString& file : files)
                arguments.insert(at, file);
        }
        return arguments;
    };
    // A launcher passes nothing: a plain launch. A file manager passes the folder.
    EXPECT_FALSE(parseFolderCommandLine(expand(main["Exec"], "%F", {}), QDir::rootPath()).present);
    EXPECT_EQ(parseFolderCommandLine(expand(main["Exec"], "%F", {folder.path()}), QDir::rootPath()).request,
              (FolderRequest{FolderRequest::Action::OpenWindow, folder.path()}));
    struct Row {
        const char* group;
        const char* name;
        FolderRequest::Action action;
    };
    const Row rows[] = {{"Desktop Action new-window", "New Window", FolderRequest::Action::OpenWindow},
                        {"Desktop Action new-tab", "New Tab", FolderRequest::Action::OpenTab}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.group);
        ASSERT_TRUE(entry.contains(row.group));
        EXPECT_EQ(entry[row.group]["Name"], row.name);
        // The launcher puts the chosen folder in place of %f, or nothing
        // when none was chosen: then the home folder.
        const QString exec = entry[row.group]["Exec"];
        EXPECT_EQ(parseFolderCommandLine(expand(exec, "%f", {folder.path()}), QDir::rootPath()).request,
                  (FolderRequest{row.action, folder.path()}));
        EXPECT_EQ(parseFolderCommandLine(expand(exec, "%f", {}), QDir::rootPath()).request,
                  (FolderRequest{row.action, QDir::homePath()}));
    }
}

} // namespace
