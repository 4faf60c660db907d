#include "diagnostics/CrashUploader.h"

#include "diagnostics/CrashReportQueue.h"
#include "diagnostics/CrashReporter.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScopedEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

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
    void upload(std::chrono::milliseconds timeout = std::chrono::milliseconds(15000))
    {
        QUrl endpoint = m_server.url();
        endpoint.setPath("/api/crash");
        CrashUploader uploader({pending(), endpoint, timeout});
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
