#include "app/VelmoraServiceProvider.h"

#include "support/ScopedEnvironment.h"

#include <QDir>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <future>

namespace {

using namespace velmora;

// The running instance in this thread; later instances in a thread of their
// own, since handing over blocks until the running one answers.
class VelmoraServiceProviderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir().mkpath(folder()));
    }

    QString socket() const { return m_root.filePath("velmora.sock"); }
    QString folder() const { return m_root.filePath("work"); }

    template <typename Work> auto fromAnotherInstance(Work work)
    {
        auto result = std::async(std::launch::async, work);
        while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QTest::qWait(5);
        return result.get();
    }

    QTemporaryDir m_root;
};

TEST_F(VelmoraServiceProviderTest, RequestsOfLaterInstancesReachTheRunningOne)
{
    VelmoraServiceProvider provider;
    ASSERT_TRUE(provider.listen(socket()));
    QSignalSpy windows(&provider, &VelmoraServiceProvider::openWindowRequested);
    QSignalSpy tabs(&provider, &VelmoraServiceProvider::openTabRequested);

    const auto handOff = [&](FolderRequest::Action action, const QString& path) {
        return fromAnotherInstance([&] {
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

TEST_F(VelmoraServiceProviderTest, CommandLineOfALaterInstance)
{
    struct Outcome {
        std::optional<int> exitCode;
        std::optional<FolderRequest> startupRequest;
    };
    const auto run = [&](const QStringList& arguments) {
        return fromAnotherInstance([&] {
            Outcome outcome;
            outcome.exitCode = VelmoraServiceProvider::handleCommandLine(arguments, &outcome.startupRequest, socket());
            return outcome;
        });
    };

    // No running instance: the application starts and carries the request out itself.
    Outcome alone = run({"velmora", "--open-tab", folder()});
    EXPECT_FALSE(alone.exitCode);
    EXPECT_EQ(alone.startupRequest, (FolderRequest{FolderRequest::Action::OpenTab, folder()}));

    // Without the options nothing is done at all.
    Outcome plain = run({"velmora"});
    EXPECT_FALSE(plain.exitCode);
    EXPECT_FALSE(plain.startupRequest);

    // No usable folder: an error exit, whether an instance runs or not.
    testing::internal::CaptureStderr();
    Outcome missing = run({"velmora", "--open-window", folder() + "/gone"});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "No folder was provided.\n");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(missing.startupRequest);

    VelmoraServiceProvider provider;
    ASSERT_TRUE(provider.listen(socket()));
    QSignalSpy tabs(&provider, &VelmoraServiceProvider::openTabRequested);
    Outcome handedOver = run({"velmora", "--open-tab", folder()});
    EXPECT_EQ(handedOver.exitCode, 0);
    EXPECT_FALSE(handedOver.startupRequest);
    ASSERT_EQ(tabs.size(), 1);
    EXPECT_EQ(tabs.first().first().toString(), folder());
}

TEST_F(VelmoraServiceProviderTest, DefaultSocketIsTheUsersOwn)
{
    {
        const velmora::test::ScopedEnvironment runtime("XDG_RUNTIME_DIR", m_root.path().toUtf8());
        EXPECT_EQ(VelmoraServiceProvider::defaultSocketPath(), m_root.filePath("velmora.sock"));
    }
    const velmora::test::ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", "");
    EXPECT_TRUE(VelmoraServiceProvider::defaultSocketPath().startsWith(QDir::tempPath() + "/velmora-"));
}

} // namespace
