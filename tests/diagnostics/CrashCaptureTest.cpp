// Runs a helper program that arms the crash reporter and fails on purpose,
// then checks the report it left and that it still died by the same signal.

#include "core/DeviceIdentifier.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

struct Outcome {
    bool crashed = false;
    int signalNumber = 0; // the terminating signal when crashed
    QByteArray output;
    qint64 pid = 0;
    qint64 startedAt = 0;
    qint64 endedAt = 0;
};

class CrashCaptureTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_root.isValid()); }

    QString dataHome() const { return m_root.filePath("data"); }
    QString pendingDir() const { return dataHome() + "/Velmora/crashes/pending"; }

    Outcome run(const QString& mode, const QString& dataHomeOverride = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", m_root.filePath("home"));
        environment.insert("XDG_DATA_HOME", dataHomeOverride.isEmpty() ? dataHome() : dataHomeOverride);
        QProcess helper;
        helper.setProcessEnvironment(environment);
        helper.setProcessChannelMode(QProcess::SeparateChannels);
        Outcome outcome;
        outcome.startedAt = QDateTime::currentSecsSinceEpoch();
        helper.start(QStringLiteral(VELMORA_CRASH_HELPER), {mode});
        EXPECT_TRUE(helper.waitForStarted(5000));
        outcome.pid = helper.processId();
        EXPECT_TRUE(helper.waitForFinished(20000)) << mode.toStdString();
        outcome.endedAt = QDateTime::currentSecsSinceEpoch();
        outcome.output = helper.readAllStandardOutput();
        outcome.crashed = helper.exitStatus() == QProcess::CrashExit;
        // For a process killed by a signal, QProcess gives the signal as its code.
        outcome.signalNumber = outcome.crashed ? helper.exitCode() : 0;
        EXPECT_TRUE(outcome.output.startsWith("armed\n")) << outcome.output.toStdString();
        return outcome;
    }

    QStringList reports() const { return QDir(pendingDir()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    // Reads a report and checks what every report holds.
    QJsonObject readReport(const QString& name) const
    {
        const QString path = pendingDir() + '/' + name;
        // Readable and writable by the user alone.
        EXPECT_EQ(QFileInfo(path).permissions(),
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser)
            << name.toStdString();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QJsonParseError error;
        const QJsonObject report = QJsonDocument::fromJson(bytes, &error).object();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << bytes.toStdString();
        EXPECT_EQ(report.keys(), QStringList({"arch", "machineId", "os", "reason", "stack", "ts", "version"}));
        EXPECT_EQ(report["version"].toString(), QStringLiteral(VELMORA_VERSION));
        EXPECT_TRUE(report["os"].toString().contains("kernel"));
        EXPECT_FALSE(report["arch"].toString().isEmpty());
        EXPECT_EQ(report["machineId"].toString(),
                  velmora::DeviceIdentifier::derive({"/etc/machine-id", "/var/lib/dbus/machine-id"},
                                                    dataHome() + "/Velmora/device-id"));
        EXPECT_FALSE(bytes.endsWith('\n'));
        return report;
    }

    // The one signal report of a run, checked for name, time and hex stack.
    QJsonObject signalReport(const Outcome& outcome) const
    {
        QStringList names = reports().filter(QRegularExpression("^sig-"));
        EXPECT_EQ(names.size(), 1) << reports().join(' ').toStdString();
        if (names.isEmpty())
            return {};
        const QRegularExpressionMatch name = QRegularExpression("^sig-(\\d+)-(\\d+)\\.json$").match(names.first());
        EXPECT_TRUE(name.hasMatch()) << names.first().toStdString();
        EXPECT_EQ(name.captured(2).toLongLong(), outcome.pid);
        const QJsonObject report = readReport(names.first());
        const qint64 ts = report["ts"].toInteger();
        EXPECT_EQ(name.captured(1).toLongLong(), ts);
        EXPECT_GE(ts, outcome.startedAt);
        EXPECT_LE(ts, outcome.endedAt);
        const QJsonArray stack = report["stack"].toArray();
        EXPECT_GE(stack.size(), 1);
        EXPECT_LE(stack.size(), 128);
        const QRegularExpression address("^0x(0|[1-9a-f][0-9a-f]*)$");
        for (const QJsonValue& frame : stack)
            EXPECT_TRUE(address.match(frame.toString()).hasMatch()) << frame.toString().toStdString();
        return report;
    }

    QTemporaryDir m_root;
};

TEST_F(CrashCaptureTest, FatalSignalLeavesAReportAndStillKillsTheProcess)
{
    struct Row {
        const char* mode;
        int signalNumber;
    };
    const Row rows[] = {
        {"segv", SIGSEGV},
        {"bus", SIGBUS},
        {"abort", SIGABRT},
        {"overflow", SIGSEGV},
        {"SIGILL", SIGILL},
        {"SIGFPE", SIGFPE},
        {"SIGTRAP", SIGTRAP},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mode);
        QDir(pendingDir()).removeRecursively();
        const Outcome outcome = run(row.mode);
        EXPECT_TRUE(outcome.crashed);
        EXPECT_EQ(outcome.signalNumber, row.signalNumber);
        EXPECT_EQ(signalReport(outcome)["reason"].toString(),
                  QString::fromLatin1(row.mode == std::string("overflow") || row.mode == std::string("segv") ? "SIGSEGV"
                                          : row.mode == std::string("bus")                                   ? "SIGBUS"
                                          : row.mode == std::string("abort")                                 ? "SIGABRT"
                                                                             : row.mode));
        EXPECT_EQ(reports().size(), 1);
    }
}

TEST_F(CrashCaptureTest, UncaughtExceptionLeavesBothReports)
{
    const Outcome outcome = run("exception");
    EXPECT_TRUE(outcome.crashed);
    EXPECT_EQ(outcome.signalNumber, SIGABRT);

    const QStringList exceptions = reports().filter(QRegularExpression("^exc-\\d+\\.json$"));
    ASSERT_EQ(exceptions.size(), 1) << reports().join(' ').toStdString();
    const QJsonObject exception = readReport(exceptions.first());
    EXPECT_EQ(exception["reason"].toString(), "C++ exception: std::runtime_error: boom \"quoted\"");
    EXPECT_EQ(exceptions.first(), QStringLiteral("exc-%1.json").arg(exception["ts"].toInteger()));
    const QJsonArray symbols = exception["stack"].toArray();
    ASSERT_FALSE(symbols.isEmpty());
    for (const QJsonValue& frame : symbols)
        EXPECT_FALSE(frame.toString().isEmpty());

    // The terminate handler ends in abort(), which the signal path reports.
    EXPECT_EQ(signalReport(outcome)["reason"].toString(), "SIGABRT");
}

TEST_F(CrashCaptureTest, ExceptionOfAnotherTypeHasAnEmptyMessage)
{
    const Outcome outcome = run("exception-other");
    EXPECT_EQ(outcome.signalNumber, SIGABRT);
    const QStringList exceptions = reports().filter(QRegularExpression("^exc-"));
    ASSERT_EQ(exceptions.size(), 1);
    const QString reason = readReport(exceptions.first())["reason"].toString();
    EXPECT_TRUE(reason.startsWith("C++ exception: ")) << reason.toStdString();
    EXPECT_TRUE(reason.endsWith("NotAStandardException: ")) << reason.toStdString();
}

TEST_F(CrashCaptureTest, SecondSignalWritesNothing)
{
    const Outcome outcome = run("second");
    EXPECT_TRUE(outcome.output.contains("survived")) << "the second signal did not return";
    EXPECT_EQ(outcome.signalNumber, SIGTRAP);
    EXPECT_EQ(signalReport(outcome)["reason"].toString(), "SIGTRAP");
    EXPECT_EQ(reports().size(), 1);
}

TEST_F(CrashCaptureTest, FolderTooLongForThePathBufferWritesNoReport)
{
    QString deep = m_root.filePath("deep");
    while (deep.size() < 1100)
        deep += '/' + QString(200, 'd');
    ASSERT_TRUE(QDir().mkpath(deep));

    const Outcome outcome = run("segv", deep);
    EXPECT_TRUE(outcome.crashed);
    EXPECT_EQ(outcome.signalNumber, SIGSEGV);
    EXPECT_TRUE(QDir(deep + "/Velmora/crashes/pending").exists());
    EXPECT_TRUE(QDir(deep + "/Velmora/crashes/pending").isEmpty());
}

// Pipes under the names the report would take: the dying process writes no
// report, opens nothing it would wait on, and still dies by its signal.
TEST_F(CrashCaptureTest, PipesUnderTheReportsNameDoNotHoldTheDyingProcess)
{
    const Outcome outcome = run("segv-over-pipes");
    EXPECT_TRUE(outcome.crashed);
    EXPECT_EQ(outcome.signalNumber, SIGSEGV);
    EXPECT_LE(outcome.endedAt - outcome.startedAt, 10) << "the handler waited on a pipe";
    for (const QFileInfo& entry : QDir(pendingDir()).entryInfoList(QDir::Files | QDir::System))
        EXPECT_FALSE(entry.isFile() && entry.size() > 0) << entry.fileName().toStdString();
}

} // namespace
