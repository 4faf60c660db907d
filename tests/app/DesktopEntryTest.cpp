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

    QTemporaryDir folder;
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
        // The launcher puts the chosen folder in place of %f.
        QStringList arguments = entry[row.group]["Exec"].split(' ');
        ASSERT_EQ(arguments.count("%f"), 1);
        arguments.replace(arguments.indexOf("%f"), folder.path());
        const FolderCommandLine command = parseFolderCommandLine(arguments, QDir::rootPath());
        EXPECT_EQ(command.request, (FolderRequest{row.action, folder.path()}));
    }
}

} // namespace
