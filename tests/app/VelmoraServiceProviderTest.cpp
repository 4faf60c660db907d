#include "app/VelmoraServiceProvider.h"

#include "app/InstanceRequest.h"
#include "support/ScopedEnvironment.h"

#include "InstanceFixture.h"

#include <QDir>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace velmora;

using VelmoraServiceProviderTest = test::InstanceFixture;

TEST_F(VelmoraServiceProviderTest, RequestsOfLaterInstancesReachTheRunningOne)
{
    VelmoraServiceProvider provider;
    ASSERT_TRUE(provider.listen(socket()));
    QSignalSpy windows(&provider, &VelmoraServiceProvider::openWindowRequested);
    QSignalSpy tabs(&provider, &VelmoraServiceProvider::openTabRequested);

    const auto handOff = [&](FolderRequest::Action action, const QString& path) {
        return whileServing([&] {
            QString error;
            const auto outcome = VelmoraServiceProvider::handOff({action, path}, &error, socket());
            return std::make_pair(outcome, error);
        });
    };
    using HandOff = VelmoraServiceProvider::HandOff;
    EXPECT_EQ(handOff(FolderRequest::Action::OpenTab, folder()), std::make_pair(HandOff::Delivered, QString()));
    EXPECT_EQ(handOff(FolderRequest::Action::OpenWindow, folder() + "/"),
              std::make_pair(HandOff::Delivered, QString()));
    EXPECT_EQ(handOff(FolderRequest::Action::OpenTab, folder() + "/gone"),
              std::make_pair(HandOff::Failed, FolderRequest::noFolderMessage));
    EXPECT_EQ(handOff(FolderRequest::Action::OpenTab, "work"),
              std::make_pair(HandOff::Failed, FolderRequest::noFolderMessage))
        << "the running instance takes absolute folders only";

    ASSERT_EQ(tabs.size(), 1);
    EXPECT_EQ(tabs.first().first().toString(), folder());
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows.first().first().toString(), folder());
}

TEST_F(VelmoraServiceProviderTest, OnlyOneInstanceAnswersAndADeadOnesSocketIsReplaced)
{
    {
        // A socket file left behind by an instance that is gone.
        QLocalServer dead;
        dead.setSocketOptions(QLocalServer::UserAccessOption);
        ASSERT_TRUE(dead.listen(socket()));
        dead.close();
        // close() removes the file; put a stale one back.
        QFile stale(socket());
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    VelmoraServiceProvider first;
    EXPECT_TRUE(first.listen(socket()));
    VelmoraServiceProvider second;
    EXPECT_FALSE(second.listen(socket()));
    EXPECT_TRUE(first.isListening());
    EXPECT_FALSE(second.isListening());
}

TEST_F(VelmoraServiceProviderTest, ALaterPlainLaunchReopensAndAPreviewOpensItsSkin)
{
    VelmoraServiceProvider provider;
    QSignalSpy reopens(&provider, &VelmoraServiceProvider::reopenRequested);
    QStringList previews;
    provider.onPreviewSkin = [&](const QString& folder) {
        previews.append(folder);
        return folder.endsWith("broken") ? QStringLiteral("No skin could be read in %1.").arg(folder) : QString();
    };
    using Action = InstanceRequest::Action;
    EXPECT_EQ(provider.perform(InstanceRequest{Action::reopen, {}}), QString());
    EXPECT_EQ(reopens.size(), 1);
    EXPECT_EQ(provider.perform(InstanceRequest{Action::previewSkin, folder()}), QString());
    ASSERT_TRUE(QDir().mkpath(folder() + "/broken"));
    EXPECT_EQ(provider.perform(InstanceRequest{Action::previewSkin, folder() + "/broken"}),
              "No skin could be read in " + folder() + "/broken.");
    EXPECT_EQ(provider.perform(InstanceRequest{Action::previewSkin, folder() + "/gone"}),
              FolderRequest::noFolderMessage);
    EXPECT_EQ(previews, (QStringList{folder(), folder() + "/broken"}));
}

TEST_F(VelmoraServiceProviderTest, DefaultSocketIsTheUsersAndTheDisplays)
{
    const velmora::test::ScopedEnvironment runtime("XDG_RUNTIME_DIR", m_root.path().toUtf8());
    const velmora::test::ScopedEnvironment wayland("WAYLAND_DISPLAY", "");
    struct Case {
        const char* display;
        const char* socket;
    };
    const Case cases[] = {
        {"", "velmora.sock"},
        {":0", "velmora-0.sock"},
        {":0.1", "velmora-0.sock"},
        {"localhost:10.0", "velmora-localhost_10.sock"},
    };
    for (const Case& c : cases) {
        const velmora::test::ScopedEnvironment display("DISPLAY", c.display);
        EXPECT_EQ(VelmoraServiceProvider::defaultSocketPath(), m_root.filePath(c.socket)) << c.display;
    }
}

} // namespace
