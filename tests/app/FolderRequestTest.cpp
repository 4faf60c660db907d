#include "app/FolderRequest.h"

#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace velmora;

class FolderRequestTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(m_root.filePath("projects/app")));
        velmora::test::writeFile(m_root.filePath("projects/app/main.cpp"), "int main() {}\n");
    }
    QString path(const QString& relative) const { return m_root.filePath(relative); }

    QTemporaryDir m_root;
};

TEST_F(FolderRequestTest, FirstExistingPathGivesTheFolder)
{
    struct Row {
        const char* what;
        QStringList paths;
        QString expected;
    };
    const Row rows[] = {
        {"a folder is itself", {path("projects/app")}, path("projects/app")},
        {"a file gives its folder", {path("projects/app/main.cpp")}, path("projects/app")},
        {"missing paths are skipped",
         {path("gone"), "", path("projects/app/main.cpp"), path("projects")},
         path("projects/app")},
        {"relative to the base", {"projects/app/../app"}, path("projects/app")},
        {"only missing paths", {path("gone"), path("projects/none.txt")}, QString()},
        {"nothing", {}, QString()},
    };
    for (const Row& row : rows)
        EXPECT_EQ(firstFolder(row.paths, m_root.path()), row.expected) << row.what;
}

TEST_F(FolderRequestTest, CommandLineOptions)
{
    using Action = FolderRequest::Action;
    struct Row {
        QStringList arguments;
        bool present;
        std::optional<FolderRequest> request;
    };
    const Row rows[] = {
        {{"velmora"}, false, std::nullopt},
        {{"velmora", "--preview-skin", "x"}, false, std::nullopt},
        {{"velmora", "--open-tab", "projects/app"}, true, FolderRequest{Action::OpenTab, path("projects/app")}},
        {{"velmora", "--open-window", path("projects/app/main.cpp")},
         true,
         FolderRequest{Action::OpenWindow, path("projects/app")}},
        {{"velmora", "--open-window", "gone", "projects", "--open-tab", "projects/app"},
         true,
         FolderRequest{Action::OpenWindow, path("projects")}},
        // A launcher's action with no file chosen: the home folder.
        {{"velmora", "--open-tab"}, true, FolderRequest{Action::OpenTab, QDir::homePath()}},
        {{"velmora", "--open-window", "--preview-skin", "x"},
         true,
         FolderRequest{Action::OpenWindow, QDir::homePath()}},
        {{"velmora", "--open-tab", "--open-window", "projects"},
         true,
         FolderRequest{Action::OpenTab, QDir::homePath()}},
        {{"velmora", "--open-window", "gone"}, true, std::nullopt},
        // What a file manager runs to open a folder with Velmora.
        {{"velmora", "projects/app"}, true, FolderRequest{Action::OpenWindow, path("projects/app")}},
        {{"velmora", "-style", "Fusion", "gone", "projects"},
         true,
         FolderRequest{Action::OpenWindow, path("projects")}},
        {{"velmora", "gone"}, true, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        const FolderCommandLine command = parseFolderCommandLine(row.arguments, m_root.path());
        EXPECT_EQ(command.present, row.present);
        EXPECT_EQ(command.request, row.request);
    }
}

TEST_F(FolderRequestTest, ACommandLineWithoutAFolderSaysWhichPathsAreMissing)
{
    struct Row {
        QStringList arguments; // after the program
        QString error;
    };
    const Row rows[] = {
        {{"--open-tab", "/no/such/folder"}, "No such folder: /no/such/folder"},
        {{"--open-window", "gone"}, "No such folder: gone"},
        {{"gone"}, "No such folder: gone"},
        {{"--open-tab", "gone", "", "lost"}, "No such folders: gone, lost"},
        {{"--open-window", ""}, FolderRequest::noFolderMessage},
        {{"--open-tab", "gone", "projects"}, QString()},
        {{"--open-tab"}, QString()},
        {{}, QString()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        const FolderCommandLine command = parseFolderCommandLine(QStringList{"velmora"} + row.arguments, m_root.path());
        EXPECT_EQ(command.error, row.error);
        EXPECT_EQ(command.request.has_value(), command.present && row.error.isEmpty());
    }
}

TEST(FolderRequestNames, ActionsRoundTrip)
{
    for (const auto action : {FolderRequest::Action::OpenWindow, FolderRequest::Action::OpenTab})
        EXPECT_EQ(FolderRequest::actionFromName(FolderRequest{action, {}}.actionName()), action);
    EXPECT_FALSE(FolderRequest::actionFromName("open-everything"));
}

} // namespace
