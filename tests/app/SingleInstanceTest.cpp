// One running instance per user and display: what a command line asks of the
// running instance, and a later velmora handing over or claiming the place.
// Later instances run in threads of their own, since handing over blocks
// until the running one answers.

#include "app/SingleInstance.h"

#include "app/VelmoraServiceProvider.h"

#include "InstanceFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace velmora {
namespace {

using Action = InstanceRequest::Action;

class SingleInstanceTest : public test::InstanceFixture {
protected:
    InstanceAddress address() const { return InstanceAddress::forSocket(socket()); }
};

TEST_F(SingleInstanceTest, WhatACommandLineAsksOfTheRunningInstance)
{
    struct Case {
        const char* name;
        QStringList arguments; // after the program
        std::optional<InstanceRequest> expected;
    };
    const QString home = QDir::homePath();
    const Case cases[] = {
        {"a plain launch reopens", {}, InstanceRequest{Action::reopen, {}}},
        {"Qt's options change nothing", {"-style", "Fusion"}, InstanceRequest{Action::reopen, {}}},
        {"a folder option", {"--open-tab", "work"}, InstanceRequest{Action::openTab, folder()}},
        {"a folder option alone: home", {"--open-window"}, InstanceRequest{Action::openWindow, home}},
        {"a folder argument", {"work"}, InstanceRequest{Action::openWindow, folder()}},
        {"only missing folders", {"--open-tab", "gone"}, std::nullopt},
        {"a preview, made absolute",
         {"--preview-skin", "skins/a/"},
         InstanceRequest{Action::previewSkin, m_root.filePath("skins/a")}},
        {"a preview without its folder reopens", {"--preview-skin"}, InstanceRequest{Action::reopen, {}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SingleInstance::requestFor(QStringList{"velmora"} + c.arguments, m_root.path()), c.expected)
            << c.name;
}

TEST_F(SingleInstanceTest, TheFirstClaimsItsPlaceAndALaterOneHandsOverAndEnds)
{
    // Nobody runs: this one claims the socket, carrying its folder out itself.
    SingleInstance::Start first = SingleInstance::begin({"velmora", "--open-tab", folder()}, address(), 2000);
    EXPECT_FALSE(first.exitCode);
    ASSERT_TRUE(first.claim);
    EXPECT_EQ(first.startupRequest, (FolderRequest{FolderRequest::Action::OpenTab, folder()}));

    VelmoraServiceProvider provider;
    provider.serve(std::move(*first.claim));
    QSignalSpy reopens(&provider, &VelmoraServiceProvider::reopenRequested);
    QSignalSpy tabs(&provider, &VelmoraServiceProvider::openTabRequested);

    // Later ones hand over: a plain launch, a folder, and a refused folder.
    const auto later = [&](const QStringList& arguments) {
        return whileServing([&] { return SingleInstance::begin(QStringList{"velmora"} + arguments, address()); });
    };
    SingleInstance::Start plain = later({});
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_FALSE(plain.claim);
    EXPECT_EQ(reopens.size(), 1);
    SingleInstance::Start tab = later({"--open-tab", folder()});
    EXPECT_EQ(tab.exitCode, 0);
    EXPECT_FALSE(tab.startupRequest);
    ASSERT_EQ(tabs.size(), 1);
    EXPECT_EQ(tabs.first().first().toString(), folder());
    testing::internal::CaptureStderr();
    SingleInstance::Start refused = later({"--open-tab", folder() + "/gone"});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), ("No such folder: " + folder() + "/gone\n").toStdString());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_FALSE(refused.claim);
}

TEST_F(SingleInstanceTest, AnInstanceThatHoldsItsPlaceButDoesNotAnswerIsReportedAndNotReplaced)
{
    // Claimed, but its application never runs its loop.
    std::optional<InstanceClaim> stuck = InstanceClaim::take(address());
    ASSERT_TRUE(stuck);
    testing::internal::CaptureStderr();
    const SingleInstance::Start later = SingleInstance::begin({"velmora"}, address(), 300, 300);
    const std::string error = testing::internal::GetCapturedStderr();
    EXPECT_EQ(later.exitCode, 1);
    EXPECT_FALSE(later.claim);
    EXPECT_NE(error.find("did not answer"), std::string::npos) << error;
    EXPECT_TRUE(QFileInfo::exists(address().socketPath));

    // A wait that lasts is told once, with the process that holds the place.
    testing::internal::CaptureStderr();
    const SingleInstance::Start waited
        = SingleInstance::begin({"velmora"}, address(), 300, 1200, std::chrono::milliseconds(200));
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_EQ(waited.exitCode, 1);
    const std::string waiting
        = "Waiting for the running Velmora (process " + std::to_string(::getpid()) + ") to answer...\n";
    EXPECT_EQ(told.substr(0, waiting.size()), waiting) << told;
    EXPECT_EQ(told.find("Waiting", 1), std::string::npos) << told;
    EXPECT_NE(told.find("did not answer"), std::string::npos) << told;

    // Once it is gone (its socket file left behind), the next one takes over.
    const int listener = stuck->listener();
    stuck.reset();
    EXPECT_EQ(::fcntl(listener, F_GETFD), -1);
    QFile leftover(address().socketPath);
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    SingleInstance::Start next = SingleInstance::begin({"velmora"}, address(), 2000);
    EXPECT_FALSE(next.exitCode);
    EXPECT_TRUE(next.claim);
}

} // namespace
} // namespace velmora
