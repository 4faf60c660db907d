#include "support/HostileHttpServer.h"
#include "support/LogCapture.h"
#include "support/LoopbackService.h"
#include "support/ScopedEnvironment.h"

#include "settings/AboutViewModel.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

using namespace velmora;
using namespace std::chrono_literals;
using test::LoopbackService;
using test::waitUntil;
using LoadState = AboutViewModel::LoadState;
using NotesSource = AboutViewModel::NotesSource;
using FeedbackState = AboutViewModel::FeedbackState;

// A resource folder whose release notes hold "Bundled note".
class AboutViewModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(resources.path()).mkpath("Resources"));
        QFile file(resources.path() + "/Resources/CHANGELOG.md");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("## 0.1.0\n- Bundled note\n");
        qputenv("VELMORA_RESOURCES_DIR", resources.path().toUtf8());
    }
    void TearDown() override { qunsetenv("VELMORA_RESOURCES_DIR"); }

    void loadAndWait(std::chrono::milliseconds timeout = 5s)
    {
        model.load(timeout);
        ASSERT_EQ(model.loadState(), LoadState::loading);
        ASSERT_TRUE(waitUntil([&] { return model.loadState() != LoadState::loading; }, 8000));
    }

    bool sendAndWait()
    {
        model.sendFeedback(2s);
        return waitUntil([&] { return model.feedbackState().kind != FeedbackState::Kind::sending; });
    }

    QTemporaryDir resources;
    AboutViewModel model;
};

TEST_F(AboutViewModelTest, StartsLoadingWithNothing)
{
    EXPECT_EQ(model.loadState(), LoadState::loading);
    EXPECT_EQ(model.notesSource(), NotesSource::bundled);
    EXPECT_TRUE(model.notes().isEmpty());
    EXPECT_FALSE(model.remoteVersion());
    EXPECT_EQ(model.feedbackState(), FeedbackState{});
}

TEST_F(AboutViewModelTest, ChoosesRemoteOrBundledNotes)
{
    LoopbackService server;
    server.answer(200, R"({"version":"9.0","notes":["Remote note"]})");
    loadAndWait();
    EXPECT_EQ(model.loadState(), LoadState::loaded);
    EXPECT_EQ(model.notes(), QStringList{"Remote note"});
    EXPECT_EQ(model.notesSource(), NotesSource::remote);
    ASSERT_TRUE(model.remoteVersion());
    EXPECT_EQ(model.remoteVersion()->version, "9.0");

    server.answer(200, R"({"version":"9.0","notes":[]})");
    loadAndWait();
    EXPECT_EQ(model.loadState(), LoadState::loaded);
    EXPECT_EQ(model.notes(), QStringList{"Bundled note"});
    EXPECT_EQ(model.notesSource(), NotesSource::bundled);

    server.answer(500, "");
    loadAndWait();
    EXPECT_EQ(model.loadState(), LoadState::offline);
    EXPECT_EQ(model.notes(), QStringList{"Bundled note"});
    EXPECT_FALSE(model.remoteVersion());
}

TEST_F(AboutViewModelTest, ATimeOutOrCancelledCheckEndsOffline)
{
    LoopbackService server;
    server.stayQuiet();
    loadAndWait(200ms);
    EXPECT_EQ(model.loadState(), LoadState::offline);

    model.load();
    ASSERT_TRUE(waitUntil([&] { return server.requests().size() == 2; }));
    model.cancelLoad();
    ASSERT_TRUE(waitUntil([&] { return model.loadState() == LoadState::offline; }));
    EXPECT_EQ(model.notes(), QStringList{"Bundled note"});
}

// A server that answers a byte at a time keeps every check and every post
// alive for as long as it likes, unless they have a deadline: past it the
// check ends offline and the post fails, as when no answer came at all.
TEST_F(AboutViewModelTest, AnAnswerThatNeverEndsEndsAtTheDeadline)
{
    test::HostileHttpServer server(test::HostileHttpServer::Answer::dripping(40ms));
    ASSERT_TRUE(server.isListening());
    velmora::test::ScopedEnvironment service{"VELMORA_SERVICE_URL", server.url().toString().toUtf8()};
    model.load(VersionService::timeout, 700ms);
    ASSERT_TRUE(waitUntil([&] { return model.loadState() != LoadState::loading; }, 8000))
        << "the check went on past its deadline";
    EXPECT_EQ(model.loadState(), LoadState::offline);
    EXPECT_EQ(model.notes(), QStringList{"Bundled note"});
    EXPECT_FALSE(model.remoteVersion());

    model.setMessage("hello");
    model.sendFeedback(FeedbackService::timeout, 700ms);
    ASSERT_TRUE(waitUntil([&] { return model.feedbackState().kind != FeedbackState::Kind::sending; }, 8000))
        << "the post went on past its deadline";
    EXPECT_EQ(model.feedbackState(), FeedbackState::failed(AboutViewModel::sendFailedText));
}

TEST_F(AboutViewModelTest, ACancelledCheckEndsOnce)
{
    // Hiding the About tab cancels the check: at once, while the connection
    // is being refused, or just after; each ends there, once, and offline.
    velmora::test::ScopedEnvironment refused{"VELMORA_SERVICE_URL", "http://127.0.0.1:9"};
    test::LogCapture log;
    log.clear();
    int ends = 0;
    QObject::connect(
        &model, &AboutViewModel::changed, &model, [&] { ends += model.loadState() != LoadState::loading; });
    for (int i = 0; i < 30; ++i) {
        model.load();
        QCoreApplication::processEvents();
        QThread::msleep(i % 5);
        model.cancelLoad();
    }
    ASSERT_TRUE(waitUntil([&] { return ends >= 30; }));
    QTest::qWait(300);
    EXPECT_EQ(ends, 30) << "each check ends once";
    EXPECT_EQ(model.loadState(), LoadState::offline);
    EXPECT_EQ(log.count("must only be called once"), 0) << "the transport saw a request end twice";
}

TEST_F(AboutViewModelTest, TheDownloadPageIsAWebAddress)
{
    LoopbackService server;
    const QUrl fallback = VersionService::endpoint().resolved(QUrl("/download"));
    EXPECT_EQ(model.downloadPage(), fallback);
    const std::vector<std::pair<QByteArray, QUrl>> cases = {
        {"https://example.org/get", QUrl("https://example.org/get")},
        {"HTTP://example.org/get", QUrl("http://example.org/get")},
        {"file:///usr/bin/xterm", fallback},
        {"javascript:alert(1)", fallback},
        {"not a url", fallback},
        {"", fallback},
    };
    for (const auto& [address, expected] : cases) {
        server.answer(200, R"({"version":"1","download_url":")" + address + R"("})");
        loadAndWait();
        EXPECT_EQ(model.downloadPage(), expected) << address.constData();
    }
}

TEST_F(AboutViewModelTest, AnEmptyMessageSendsNothing)
{
    LoopbackService server;
    model.setSubject("  Subject ");
    model.setEmail("a@b");
    model.setMessage(" \n\t \n");
    model.sendFeedback();
    EXPECT_EQ(model.feedbackState(), FeedbackState::failed("Message can't be empty."));
    QTest::qWait(50);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(model.subject(), "  Subject ");
    EXPECT_EQ(model.email(), "a@b");
    EXPECT_EQ(model.message(), " \n\t \n");
}

TEST_F(AboutViewModelTest, SendsTheTrimmedSubjectAndMessageAndKeepsTheEmail)
{
    LoopbackService server;
    server.answer(204, "");
    model.setSubject(" \nBug report\n ");
    model.setEmail("  me@example.org ");
    model.setMessage("\n  It broke.\nTwice.  \n");
    model.sendFeedback(2s);
    EXPECT_EQ(model.feedbackState().kind, FeedbackState::Kind::sending);
    ASSERT_TRUE(waitUntil([&] { return model.feedbackState().kind != FeedbackState::Kind::sending; }));
    EXPECT_EQ(model.feedbackState().kind, FeedbackState::Kind::sent);
    EXPECT_TRUE(model.subject().isEmpty());
    EXPECT_TRUE(model.message().isEmpty());
    EXPECT_EQ(model.email(), "  me@example.org ");
    ASSERT_EQ(server.requests().size(), 1);
    const QJsonObject body = QJsonDocument::fromJson(server.requests().first().body).object();
    EXPECT_EQ(body.value("message").toString(), "Bug report\n\nIt broke.\nTwice.");
    EXPECT_EQ(body.value("email").toString(), "me@example.org");
}

TEST_F(AboutViewModelTest, ASubjectOrEmailOfSpacesIsLeftOut)
{
    LoopbackService server;
    server.answer(200, "");
    model.setSubject("   ");
    model.setEmail("   ");
    model.setMessage("Hello");
    ASSERT_TRUE(sendAndWait());
    const QJsonObject body = QJsonDocument::fromJson(server.requests().first().body).object();
    EXPECT_EQ(body.value("message").toString(), "Hello");
    EXPECT_FALSE(body.contains("email"));
}

TEST_F(AboutViewModelTest, AFailedSendKeepsEveryText)
{
    LoopbackService server;
    server.answer(500, "");
    model.setSubject("S");
    model.setEmail("e");
    model.setMessage("M");
    ASSERT_TRUE(sendAndWait());
    EXPECT_EQ(model.feedbackState(),
              FeedbackState::failed("Couldn't send \u2014 check your connection and try again."));
    EXPECT_EQ(model.subject(), "S");
    EXPECT_EQ(model.email(), "e");
    EXPECT_EQ(model.message(), "M");

    server.stayQuiet();
    model.sendFeedback(200ms);
    ASSERT_TRUE(waitUntil([&] { return model.feedbackState().kind != FeedbackState::Kind::sending; }));
    EXPECT_EQ(model.feedbackState(), FeedbackState::failed(AboutViewModel::sendFailedText));
}

TEST(AboutViewModelVersionTest, ReadsVersionComponents)
{
    using List = std::vector<std::int64_t>;
    const std::vector<std::pair<QString, List>> cases = {
        {"1.2.3", {1, 2, 3}},
        {"1..2", {1, 2}},
        {"", {}},
        {"2.0-beta", {2, 0}},
        {"--2.0-rc1", {2, 0}},
        {"1.2b3", {1, 23}},
        {"v1.2", {1, 2}},
        {"1.x.3", {1, 0, 3}},
        {"1.99999999999999999999", {1, 0}},
        {"1.\u0663", {1, 0}}, // Arabic-Indic three
        {"9223372036854775807", {9223372036854775807}},
        {"---", {0}},
    };
    for (const auto& [version, expected] : cases)
        EXPECT_EQ(AboutViewModel::components(version), expected) << version.toStdString();
}

TEST(AboutViewModelVersionTest, ComparesVersionsAsNumbers)
{
    struct Case {
        const char* a;
        const char* b;
        bool newer;
    };
    const Case cases[] = {
        {"1.10", "1.9", true},
        {"1.9", "1.10", false},
        {"1.2", "1.2.0", false},
        {"1.2.0", "1.2", false},
        {"1.2.1", "1.2", true},
        {"2.0-beta", "2.0", false},
        {"2.0", "2.0-beta", false},
        {"2.0-rc1", "1.9", true},
        {"", "0.0.0", false},
        {"0.0.1", "", true},
        {"0.1.0", "0.1.0", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AboutViewModel::isNewer(c.a, c.b), c.newer) << c.a << " vs " << c.b;
}

} // namespace
