#include "diagnostics/CrashUploader.h"

#include "diagnostics/CrashReportQueue.h"
#include "diagnostics/CrashReporter.h"
#include "support/HostileFiles.h"
#include "support/HostileHttpServer.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScopedEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using namespace velmora;
using velmora::test::LoopbackHttpServer;
using velmora::test::ScopedEnvironment;

class CrashUploaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(m_server.isListening());
        QDir().mkpath(pending());
    }

    QString pending() const { return m_root.filePath("pending"); }

    void write(const QString& name, const QByteArray& bytes)
    {
        QFile file(pending() + '/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QByteArray report(const QString& tag) { return "{\"reason\":\"" + tag.toUtf8() + "\"}"; }

    QStringList left() const { return QDir(pending()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    // One upload run, waited for.
    void upload(std::chrono::milliseconds timeout = std::chrono::milliseconds(15000), QUrl service = {},
                std::chrono::milliseconds deadline = CrashUploader::Options().deadline)
    {
        QUrl endpoint = service.isEmpty() ? m_server.url() : service;
        endpoint.setPath("/api/crash");
        CrashUploader uploader({pending(), endpoint, timeout, deadline});
        QSignalSpy finished(&uploader, &CrashUploader::finished);
        uploader.start();
        if (finished.isEmpty()) {
            ASSERT_TRUE(finished.wait(20000)) << "the run did not end";
        }
        EXPECT_EQ(finished.size(), 1);
    }

    QTemporaryDir m_root;
    LoopbackHttpServer m_server;
};

TEST_F(CrashUploaderTest, AcceptedReportIsPostedUnchangedAndDeleted)
{
    for (const int status : {200, 201, 204}) {
        SCOPED_TRACE(status);
        const QByteArray bytes = report(QString::number(status));
        write("sig-1700000000-42.json", bytes);
        m_server.respondWith(status);
        upload();
        EXPECT_TRUE(left().isEmpty());
        const LoopbackHttpServer::Request request = m_server.requests().last();
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.path, "/api/crash");
        EXPECT_EQ(request.headers.value("content-type"), "application/json");
        EXPECT_EQ(request.body, bytes);
    }
}

TEST_F(CrashUploaderTest, FailuresCountInTheNameUntilTheFifthDeletesIt)
{
    m_server.respondWith(500);
    write("sig-1700000000-42.json", report("x"));
    const char* const afterEachRun[] = {"sig-1700000000-42.a1.json",
                                        "sig-1700000000-42.a2.json",
                                        "sig-1700000000-42.a3.json",
                                        "sig-1700000000-42.a4.json"};
    for (const char* expected : afterEachRun) {
        upload();
        EXPECT_EQ(left(), QStringList({expected}));
    }
    upload();
    EXPECT_TRUE(left().isEmpty());
    EXPECT_EQ(m_server.requests().size(), 5);
}

TEST_F(CrashUploaderTest, SurplusIsDeletedUnsentAndTheRestGoInNameOrder)
{
    for (int i = 0; i < 23; ++i)
        write(QStringLiteral("sig-17000000%1-7.json").arg(i, 2, 10, QLatin1Char('0')), report(QString::number(i)));
    upload();
    EXPECT_TRUE(left().isEmpty());
    ASSERT_EQ(m_server.requests().size(), 20);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(m_server.requests()[i].body, report(QString::number(i + 3)));
}

TEST_F(CrashUploaderTest, OtherFilesStayAndBrokenReportsGoUnsent)
{
    write("notes.txt", "keep me");
    write("sig-1.JSON", "{}");
    write("exc-1700000000.json", "{\"cut off");
    write("sig-1700000000-1.json", QByteArray(CrashReportQueue::maxReportBytes + 1, ' '));
    write("sig-1700000001-1.json", report("good"));
    QDir(pending()).mkdir("sig-1700000002-1.json");
    upload();
    EXPECT_EQ(left(), QStringList({"notes.txt", "sig-1.JSON"}));
    ASSERT_EQ(m_server.requests().size(), 1);
    EXPECT_EQ(m_server.requests().first().body, report("good"));
}

TEST_F(CrashUploaderTest, TimeOutCountsAsAFailure)
{
    m_server.setResponder([](const LoopbackHttpServer::Request&) {
        LoopbackHttpServer::Response silent;
        silent.silent = true;
        return silent;
    });
    write("sig-1700000000-42.json", report("slow"));
    upload(std::chrono::milliseconds(300));
    EXPECT_EQ(left(), QStringList({"sig-1700000000-42.a1.json"}));
}

TEST_F(CrashUploaderTest, UnreachableServiceCountsAsAFailure)
{
    write("sig-1700000000-42.a2.json", report("x"));
    CrashUploader uploader({pending(), QUrl("http://127.0.0.1:1/api/crash")});
    QSignalSpy finished(&uploader, &CrashUploader::finished);
    uploader.start();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(left(), QStringList({"sig-1700000000-42.a3.json"}));
}

TEST_F(CrashUploaderTest, LongAnswerIsCutOffAndJudgedByItsStatus)
{
    m_server.respondWith(201, QByteArray(4 * CrashUploader::maxResponseBytes, 'x'));
    write("sig-1700000000-42.json", report("x"));
    upload();
    EXPECT_TRUE(left().isEmpty());
}

// An answer that never ends, however it is framed, is read no further than
// the bound: the report is judged by its status, and the server could send
// little more than the bound and the connection's buffers before the
// uploader hung up.
TEST_F(CrashUploaderTest, EndlessAnswersAreCutOffWhileTheyArrive)
{
    using velmora::test::HostileHttpServer;
    for (const HostileHttpServer::Body body : {HostileHttpServer::Body::declaredHuge,
                                               HostileHttpServer::Body::chunked,
                                               HostileHttpServer::Body::untilClose}) {
        SCOPED_TRACE(int(body));
        HostileHttpServer server(HostileHttpServer::Answer::endless(201, body));
        ASSERT_TRUE(server.isListening());
        write("sig-1700000000-42.json", report("x"));
        upload(std::chrono::milliseconds(15000), server.url());
        EXPECT_TRUE(left().isEmpty()) << "accepted by its status";
        EXPECT_LT(server.bytesSent(), 16 * 1024 * 1024);
    }
}

// A server that sends its answer a byte at a time keeps the connection busy
// for ever: the deadline ends the request, and the attempt counts as a
// failure although a status had arrived.
TEST_F(CrashUploaderTest, AnAnswerThatNeverEndsFailsAtTheDeadline)
{
    using velmora::test::HostileHttpServer;
    HostileHttpServer server(HostileHttpServer::Answer::dripping(std::chrono::milliseconds(40)));
    ASSERT_TRUE(server.isListening());
    write("sig-1700000000-42.json", report("x"));
    upload(std::chrono::milliseconds(15000), server.url(), std::chrono::milliseconds(700));
    EXPECT_EQ(left(), QStringList({"sig-1700000000-42.a1.json"}));
}

// A redirect to another host is not followed: the report goes nowhere else
// and the attempt counts as a failure.
TEST_F(CrashUploaderTest, ARedirectToAnotherHostIsNotFollowed)
{
    QUrl elsewhere = m_server.url();
    elsewhere.setHost("localhost");
    elsewhere.setPath("/collect");
    velmora::test::HostileHttpServer service(
        velmora::test::HostileHttpServer::Answer::redirect(307, elsewhere.toEncoded()));
    write("sig-1700000000-42.json", report("x"));
    upload(std::chrono::milliseconds(15000), service.url());
    EXPECT_EQ(service.requests(), 1);
    EXPECT_TRUE(m_server.requests().isEmpty()) << "the report went to another host";
    EXPECT_EQ(left(), QStringList({"sig-1700000000-42.a1.json"}));
}

// Only regular files are reports: a pipe or a link under a report's name is
// opened neither blocking nor through the link, and the run goes on.
TEST_F(CrashUploaderTest, APipeOrALinkIsNoReportAndHoldsNothing)
{
    velmora::test::WatchedFifo fifo(pending() + "/sig-1700000000-1.json");
    ASSERT_TRUE(fifo.made());
    write("target.txt", report("linked"));
    ASSERT_TRUE(QFile::link(pending() + "/target.txt", pending() + "/sig-1700000000-2.json"));
    EXPECT_EQ(CrashUploader::readReport(pending() + "/sig-1700000000-1.json"), std::nullopt);
    EXPECT_EQ(CrashUploader::readReport(pending() + "/sig-1700000000-2.json"), std::nullopt);
    write("sig-1700000000-3.json", report("real"));
    m_server.respondWith(200);
    upload();
    EXPECT_FALSE(fifo.rescued()) << "the uploader waited on the pipe";
    ASSERT_EQ(m_server.requests().size(), 1);
    EXPECT_EQ(m_server.requests().first().body, report("real"));
    EXPECT_TRUE(left().contains("target.txt")) << "what a link points at is left alone";
}

// The crash handlers write regular files only: every link in the folder is
// removed, whatever its name and wherever it leads, and what it leads to
// stays as it was. Reports beside the links go as ever.
TEST_F(CrashUploaderTest, LinksAreRemovedAndWhatTheyLeadToStays)
{
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    const QString secret = outside.filePath("secret.json");
    {
        QFile file(secret);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(report("outside"));
    }
    write("target.txt", "kept");
    velmora::test::WatchedFifo fifo(outside.filePath("pipe"));
    ASSERT_TRUE(fifo.made());
    struct Link {
        const char* name;
        QString target;
    };
    const std::vector<Link> links = {
        {"sig-1700000000-1.json", secret},
        {"exc-1700000000.json", outside.filePath("pipe")},
        {"sig-1700000000-2.a3.json", pending() + "/target.txt"},
        {".hidden.json", secret},
        {"notes.txt", secret},
        {"dangling.json", outside.filePath("nowhere")},
        {"folder", outside.path()},
        {"loop.json", pending() + "/loop.json"},
    };
    for (const Link& link : links)
        ASSERT_EQ(::symlink(QFile::encodeName(link.target).constData(), QFile::encodeName(pending() + '/' + link.name)),
                  0)
            << link.name;
    write("sig-1700000000-3.json", report("real"));
    m_server.respondWith(200);
    upload();

    for (const Link& link : links)
        EXPECT_FALSE(QFileInfo(pending() + '/' + link.name).isSymLink()) << link.name << " is still there";
    EXPECT_EQ(left(), QStringList({"target.txt"}));
    QFile kept(secret);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly)) << "what a link leads to is left alone";
    EXPECT_EQ(kept.readAll(), report("outside"));
    EXPECT_TRUE(QFileInfo(outside.filePath("pipe")).exists());
    EXPECT_FALSE(fifo.rescued()) << "the uploader opened the pipe through a link";
    ASSERT_EQ(m_server.requests().size(), 1);
    EXPECT_EQ(m_server.requests().first().body, report("real"));
}

TEST_F(CrashUploaderTest, MissingOrEmptyFolderEndsWithoutARequest)
{
    upload();
    QDir(pending()).removeRecursively();
    upload();
    EXPECT_TRUE(m_server.requests().isEmpty());
}

TEST_F(CrashUploaderTest, FlushPendingUploadsInTheBackground)
{
    const ScopedEnvironment data("XDG_DATA_HOME", m_root.filePath("data").toUtf8());
    const ScopedEnvironment service("VELMORA_SERVICE_URL", m_server.url().toString().toUtf8());
    const QString folder = m_root.filePath("data/Velmora/crashes/pending");
    QDir().mkpath(folder);
    QFile file(folder + "/sig-1700000000-42.json");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(report("background"));
    file.close();

    CrashReporter::flushPending();
    for (int i = 0; i < 400 && QFile::exists(file.fileName()); ++i)
        QTest::qWait(25);
    EXPECT_FALSE(QFile::exists(file.fileName()));
    ASSERT_EQ(m_server.requests().size(), 1);
    EXPECT_EQ(m_server.requests().first().path, "/api/crash");
}

} // namespace
