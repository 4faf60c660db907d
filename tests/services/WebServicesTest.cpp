#include "support/HostileHttpServer.h"
#include "support/LoopbackService.h"

#include "core/AppInfo.h"
#include "core/DeviceIdentifier.h"
#include "services/FeedbackService.h"
#include "services/VersionService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <gtest/gtest.h>

#include <optional>

namespace {

using namespace velmora;
using namespace std::chrono_literals;
using test::LoopbackService;
using test::waitUntil;

std::optional<VersionResult> fetchVersion(std::chrono::milliseconds timeout = VersionService::timeout,
                                          std::chrono::milliseconds deadline = VersionService::deadline)
{
    QNetworkAccessManager network;
    QObject context;
    std::optional<VersionResult> result;
    VersionService::fetch(
        network, &context, [&](const VersionResult& r) { result = r; }, timeout, deadline);
    waitUntil([&] { return result.has_value(); }, 8000);
    return result;
}

// Sends and returns the outcome: none while nothing came back, else the error
// or its absence.
std::optional<std::optional<FeedbackError>> sendFeedback(const std::optional<QString>& email, const QString& message,
                                                         std::chrono::milliseconds timeout = FeedbackService::timeout,
                                                         std::chrono::milliseconds deadline = FeedbackService::deadline)
{
    QNetworkAccessManager network;
    QObject context;
    std::optional<std::optional<FeedbackError>> result;
    FeedbackService::send(
        network, email, message, &context, [&](std::optional<FeedbackError> e) { result = e; }, timeout, deadline);
    waitUntil([&] { return result.has_value(); }, 8000);
    return result;
}

struct VersionCase {
    const char* name;
    int status;
    QByteArray body;
    std::optional<RemoteVersion> expected; // none: badResponse
};

TEST(VersionServiceTest, DecodesTheDocumentFromTheServer)
{
    LoopbackService server;
    const QString download = VersionService::endpoint().resolved(QUrl("/download")).toString();
    const std::vector<VersionCase> cases = {
        {"all three keys",
         200,
         R"({"version":"1.4.0","notes":["Faster","Safer"],"download_url":"https://example.org/v","x":1})",
         RemoteVersion{"1.4.0", {"Faster", "Safer"}, "https://example.org/v"}},
        {"version alone", 200, R"({"version":"1.4.0"})", RemoteVersion{"1.4.0", {}, download}},
        {"a notes list with a non-string is dropped whole",
         200,
         R"({"version":"2.0","notes":["one",2]})",
         RemoteVersion{"2.0", {}, download}},
        {"notes and download address of other types",
         200,
         R"({"version":"2.0","notes":"one","download_url":7})",
         RemoteVersion{"2.0", {}, download}},
        {"any 2xx status", 201, R"({"version":"3"})", RemoteVersion{"3", {}, download}},
        // A 204 answer has no body, whatever the server wrote after it.
        {"no-content status", 204, R"({"version":"4"})", std::nullopt},
        {"numeric version", 200, R"({"version":2.0})", std::nullopt},
        {"no version", 200, R"({"notes":[]})", std::nullopt},
        {"top-level array", 200, R"([{"version":"1"}])", std::nullopt},
        {"empty body", 200, "", std::nullopt},
        {"HTML error text", 200, "<html>Oops</html>", std::nullopt},
        {"not modified", 304, R"({"version":"1"})", std::nullopt},
        {"not found", 404, R"({"version":"1"})", std::nullopt},
        {"server error", 500, R"({"version":"1"})", std::nullopt},
    };
    for (const VersionCase& c : cases) {
        server.answer(c.status, c.body);
        const std::optional<VersionResult> result = fetchVersion();
        ASSERT_TRUE(result.has_value()) << c.name;
        if (c.expected) {
            ASSERT_TRUE(std::holds_alternative<RemoteVersion>(*result)) << c.name;
            EXPECT_EQ(std::get<RemoteVersion>(*result), *c.expected) << c.name;
        } else {
            ASSERT_TRUE(std::holds_alternative<VersionServiceError>(*result)) << c.name;
            EXPECT_EQ(std::get<VersionServiceError>(*result), VersionServiceError::badResponse) << c.name;
        }
    }
    ASSERT_EQ(server.requests().size(), qsizetype(cases.size()));
    EXPECT_EQ(server.requests().first().method, "GET");
    EXPECT_EQ(server.requests().first().path, "/api/version.json");
    EXPECT_FALSE(server.requests().first().headers.contains("content-length"));
}

TEST(VersionServiceTest, TheDefaultDownloadPageIsOnTheService)
{
    LoopbackService server;
    server.answer(200, R"({"version":"1"})");
    const std::optional<VersionResult> result = fetchVersion();
    ASSERT_TRUE(result && std::holds_alternative<RemoteVersion>(*result));
    EXPECT_EQ(std::get<RemoteVersion>(*result).downloadURL,
              VersionService::endpoint().resolved(QUrl("/download")).toString());
    EXPECT_TRUE(std::get<RemoteVersion>(*result).downloadURL.endsWith("/download"));
}

TEST(VersionServiceTest, NoAnswerIsANetworkFailure)
{
    LoopbackService server;
    server.stayQuiet();
    const std::optional<VersionResult> result = fetchVersion(300ms);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(std::get<VersionServiceError>(*result), VersionServiceError::network);

    qputenv("VELMORA_SERVICE_URL", "http://127.0.0.1:9");
    const std::optional<VersionResult> refused = fetchVersion();
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(std::get<VersionServiceError>(*refused), VersionServiceError::network);
}

// The notes, the version and the download address lose every bidirectional
// formatting character, wherever it sits; other characters stay as sent.
TEST(VersionServiceTest, TheServicesTextsComeWithoutBidiControls)
{
    LoopbackService server;
    struct Case {
        const char* name;
        QString sent; // in each of the three texts
        QString kept;
    };
    const std::vector<Case> cases = {
        {"a right-to-left override",
         QStringLiteral("Fixed \u202Egnirts\u202C bug"),
         QStringLiteral("Fixed gnirts bug")},
        {"embeddings and the pop", QStringLiteral("\u202Aa\u202Bb\u202Cc\u202Dd"), QStringLiteral("abcd")},
        {"isolates", QStringLiteral("\u2066x\u2067y\u2068z\u2069"), QStringLiteral("xyz")},
        {"marks", QStringLiteral("\u200El\u200Fr\u061Ca"), QStringLiteral("lra")},
        {"nothing but controls", QStringLiteral("\u202E\u2066\u200F"), QString()},
        {"neighbours of the controls",
         QStringLiteral("\u200D\u2060\u206A\u2029\u05D0\u0628\U0001F600"),
         QStringLiteral("\u200D\u2060\u206A\u2029\u05D0\u0628\U0001F600")},
    };
    for (const Case& c : cases) {
        QJsonObject document{{"version", "1." + c.sent},
                             {"notes", QJsonArray{c.sent, "plain"}},
                             {"download_url", "https://example.org/" + c.sent}};
        server.answer(200, QJsonDocument(document).toJson(QJsonDocument::Compact));
        const std::optional<VersionResult> result = fetchVersion();
        ASSERT_TRUE(result && std::holds_alternative<RemoteVersion>(*result)) << c.name;
        const RemoteVersion& version = std::get<RemoteVersion>(*result);
        EXPECT_EQ(version.version, "1." + c.kept) << c.name;
        EXPECT_EQ(version.notes, QStringList({c.kept, "plain"})) << c.name;
        EXPECT_EQ(version.downloadURL, "https://example.org/" + c.kept) << c.name;
    }
}

TEST(VersionServiceTest, AbortingTheReplyCancelsTheCheck)
{
    LoopbackService server;
    server.stayQuiet();
    QNetworkAccessManager network;
    QObject context;
    std::optional<VersionResult> result;
    QPointer<QNetworkReply> reply
        = VersionService::fetch(network, &context, [&](const VersionResult& r) { result = r; });
    ASSERT_TRUE(waitUntil([&] { return !server.requests().isEmpty(); }));
    reply->abort();
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_EQ(std::get<VersionServiceError>(*result), VersionServiceError::network);
}

TEST(VersionServiceTest, ADestroyedContextHearsNothing)
{
    LoopbackService server;
    server.answer(200, R"({"version":"1"})");
    QNetworkAccessManager network;
    int calls = 0;
    {
        QObject context;
        VersionService::fetch(network, &context, [&](const VersionResult&) { ++calls; });
    }
    QTest::qWait(100);
    EXPECT_EQ(calls, 0);
}

QJsonObject bodyOf(const test::LoopbackHttpServer::Request& request)
{
    return QJsonDocument::fromJson(request.body).object();
}

TEST(FeedbackServiceTest, PostsTheMessageAsCompactJson)
{
    LoopbackService server;
    server.answer(200, "ignored");
    const QString message = "Line one\nSaid \"hi\" \u2014 gr\u00fc\u00dfe \U0001F600";
    const auto outcome = sendFeedback(QString("me@example.org"), message);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(outcome->has_value());
    ASSERT_EQ(server.requests().size(), 1);
    const auto& request = server.requests().first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/api/feedback");
    EXPECT_EQ(request.headers.value("content-type"), "application/json");
    EXPECT_FALSE(request.body.contains('\n'));
    const QJsonObject body = bodyOf(request);
    EXPECT_EQ(body.value("message").toString(), message);
    EXPECT_EQ(body.value("version").toString(), AppInfo::shortVersion());
    EXPECT_EQ(body.value("machine_id").toString(), DeviceIdentifier::current());
    EXPECT_EQ(body.value("email").toString(), "me@example.org");
    EXPECT_EQ(body.size(), 4);
}

TEST(FeedbackServiceTest, AnEmptyOrMissingEmailIsLeftOutButASpaceIsSent)
{
    EXPECT_EQ(FeedbackService::requestBody(std::nullopt, "m"), FeedbackService::requestBody(QString(), "m"));
    const QJsonObject without = QJsonDocument::fromJson(FeedbackService::requestBody(QString(""), "m")).object();
    EXPECT_EQ(without.keys(), (QStringList{"machine_id", "message", "version"}));
    const QJsonObject space = QJsonDocument::fromJson(FeedbackService::requestBody(QString(" "), "m")).object();
    EXPECT_EQ(space.value("email").toString(), " ");
}

TEST(FeedbackServiceTest, StatusDecidesTheOutcome)
{
    LoopbackService server;
    const std::vector<std::pair<int, std::optional<FeedbackError>>> cases = {
        {200, std::nullopt},
        {204, std::nullopt},
        {299, std::nullopt},
        {304, FeedbackError::badResponse},
        {400, FeedbackError::badResponse},
        {401, FeedbackError::badResponse},
        {404, FeedbackError::badResponse},
        {407, FeedbackError::badResponse},
        {418, FeedbackError::badResponse},
        {500, FeedbackError::badResponse},
        {503, FeedbackError::badResponse},
        {599, FeedbackError::badResponse},
    };
    for (const auto& [status, expected] : cases) {
        server.answer(status, status == 204 ? QByteArray() : QByteArray("{}"));
        const auto outcome = sendFeedback(std::nullopt, "hello");
        ASSERT_TRUE(outcome.has_value()) << status;
        EXPECT_EQ(*outcome, expected) << status;
    }
}

TEST(FeedbackServiceTest, NoAnswerIsANetworkFailure)
{
    LoopbackService server;
    server.stayQuiet();
    const auto outcome = sendFeedback(std::nullopt, "hello", 300ms);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(*outcome, std::optional(FeedbackError::network));
}

// The web service's address for a while.
class ServiceAt {
public:
    explicit ServiceAt(const QUrl& url) : m_saved(qgetenv("VELMORA_SERVICE_URL"))
    {
        qputenv("VELMORA_SERVICE_URL", url.toString().toUtf8());
    }
    ~ServiceAt() { qputenv("VELMORA_SERVICE_URL", m_saved); }

private:
    QByteArray m_saved;
};

// Answers that never end, with a declared length of 3 GiB, in chunks, or
// until the connection closes: the version check reads no further than its
// bound and fails; feedback, whose answer is not used, is judged by its
// status. Either way the server could send little more than the bound and
// the connection's buffers before the client hung up.
TEST(WebServiceBoundsTest, EndlessAnswersAreCutOffWhileTheyArrive)
{
    using test::HostileHttpServer;
    for (const HostileHttpServer::Body body : {HostileHttpServer::Body::declaredHuge,
                                               HostileHttpServer::Body::chunked,
                                               HostileHttpServer::Body::untilClose}) {
        SCOPED_TRACE(int(body));
        {
            HostileHttpServer server(
                HostileHttpServer::Answer::endless(200, body, R"({"version":"9","notes":[)", R"("n",)"));
            ASSERT_TRUE(server.isListening());
            const ServiceAt service(server.url());
            const std::optional<VersionResult> result = fetchVersion();
            ASSERT_TRUE(result.has_value());
            EXPECT_EQ(std::get<VersionServiceError>(*result), VersionServiceError::badResponse);
            EXPECT_LT(server.bytesSent(), 16 * 1024 * 1024);
        }
        {
            HostileHttpServer server(HostileHttpServer::Answer::endless(201, body));
            const ServiceAt service(server.url());
            const auto outcome = sendFeedback(std::nullopt, "hello");
            ASSERT_TRUE(outcome.has_value());
            EXPECT_EQ(*outcome, std::optional<FeedbackError>()) << "a 201 is a success";
            EXPECT_LT(server.bytesSent(), 16 * 1024 * 1024);
        }
    }
}

// A server that sends a byte every so often never lets the idle time-out
// end the exchange: the deadline does, and no answer is no answer, whatever
// had arrived by then.
TEST(WebServiceBoundsTest, AnAnswerThatNeverEndsEndsAtTheDeadline)
{
    test::HostileHttpServer server(test::HostileHttpServer::Answer::dripping(40ms));
    ASSERT_TRUE(server.isListening());
    const ServiceAt service(server.url());
    const std::optional<VersionResult> result = fetchVersion(VersionService::timeout, 700ms);
    ASSERT_TRUE(result.has_value()) << "the check went on past its deadline";
    EXPECT_EQ(std::get<VersionServiceError>(*result), VersionServiceError::network);

    const auto outcome = sendFeedback(std::nullopt, "hello", FeedbackService::timeout, 700ms);
    ASSERT_TRUE(outcome.has_value()) << "the post went on past its deadline";
    EXPECT_EQ(*outcome, std::optional(FeedbackError::network));
}

// A document within the bound that lists 200,000 notes: the first few
// hundred are kept, each cut to a sane length.
TEST(WebServiceBoundsTest, ManyNotesAreCutToAFewHundred)
{
    LoopbackService server;
    QByteArray document = R"({"version":"9","notes":[")" + QByteArray(5000, 'L') + '"';
    for (int i = 1; i < 200000; ++i)
        document += ",\"" + (i < 1000 ? QByteArray::number(i) : QByteArray()) + '"';
    document += "]}";
    ASSERT_LT(document.size(), VersionService::maxDocumentBytes);
    server.answer(200, document);
    const std::optional<VersionResult> result = fetchVersion();
    ASSERT_TRUE(result.has_value());
    const QStringList notes = std::get<RemoteVersion>(*result).notes;
    ASSERT_EQ(notes.size(), VersionService::maxNotes);
    EXPECT_EQ(notes.first(), QString(VersionService::maxNoteLength, u'L'));
    EXPECT_EQ(notes.last(), QString::number(VersionService::maxNotes - 1));
}

// A redirect is an answer, not followed: nothing goes to the other host.
TEST(WebServiceBoundsTest, RedirectsAreNotFollowed)
{
    test::LoopbackHttpServer elsewhere;
    elsewhere.respondWith(200, R"({"version":"9"})");
    QUrl target = elsewhere.url();
    target.setHost("localhost");
    target.setPath("/api/version.json");
    test::HostileHttpServer server(test::HostileHttpServer::Answer::redirect(302, target.toEncoded()));
    const ServiceAt service(server.url());
    const std::optional<VersionResult> result = fetchVersion();
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(std::get<VersionServiceError>(*result), VersionServiceError::badResponse);
    const auto outcome = sendFeedback(std::nullopt, "secret");
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(*outcome, std::optional(FeedbackError::badResponse));
    EXPECT_TRUE(elsewhere.requests().isEmpty());
}

} // namespace
