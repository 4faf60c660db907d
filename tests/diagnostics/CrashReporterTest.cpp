#include "diagnostics/CrashReporter.h"

#include "core/WebService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>

namespace {

using namespace velmora;

TEST(CrashReporterTest, SignalNamesUseThePlatformsNumbers)
{
    struct Row {
        int signalNumber;
        const char* name;
    };
    const Row rows[] = {
        {SIGILL, "SIGILL"},
        {SIGTRAP, "SIGTRAP"},
        {SIGABRT, "SIGABRT"},
        {SIGFPE, "SIGFPE"},
        {SIGBUS, "SIGBUS"},
        {SIGSEGV, "SIGSEGV"},
        {SIGTERM, "SIGNAL"},
        {0, "SIGNAL"},
    };
    for (const Row& row : rows)
        EXPECT_STREQ(CrashReporter::reasonName(row.signalNumber), row.name) << row.signalNumber;
    // SIGUSR1 has the number that SIGBUS has elsewhere; here it is no crash.
    EXPECT_STREQ(CrashReporter::reasonName(SIGUSR1), "SIGNAL");
}

TEST(CrashReporterTest, HeadStringsAreEscaped)
{
    struct Row {
        QString text;
        QString escaped;
    };
    const Row rows[] = {
        {"0.1.0", "0.1.0"},
        {"a\"b", "a\\\"b"},
        {"back\\slash", "back\\\\slash"},
        {"tab\tnew\nret\r", "tab\\tnew\\nret\\r"},
        {QString("bell") + QChar(0x07) + QChar(0x1f), "bell\\u0007\\u001f"},
        {QString("del") + QChar(0x7f), QString("del") + QChar(0x7f)},
        {"Débian ✓ 🐧", "Débian ✓ 🐧"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(CrashReporter::esc(row.text), row.escaped) << row.text.toStdString();
}

TEST(CrashReporterTest, HeadCompletedByTheHandlerIsValidJson)
{
    const QString os = QString("Linux \"quoted\"\t") + QChar(0x01) + "é";
    const QByteArray head = CrashReporter::renderHead("1.2.3", os, "x86_64", "id\\1");
    EXPECT_TRUE(head.startsWith("{\"version\":\"1.2.3\",\"os\":"));
    EXPECT_TRUE(head.endsWith(",\"ts\":"));

    // What the signal handler writes after the head.
    const QByteArray report = head + "1700000000,\"reason\":\"SIGSEGV\",\"stack\":[\"0x1\",\"0xabc\"]}";
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(report, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << report.toStdString();
    EXPECT_EQ(object.keys(), QStringList({"arch", "machineId", "os", "reason", "stack", "ts", "version"}));
    EXPECT_EQ(object["os"].toString(), os);
    EXPECT_EQ(object["machineId"].toString(), "id\\1");
    EXPECT_EQ(object["ts"].toInteger(), 1700000000);
    EXPECT_EQ(object["stack"].toArray().size(), 2);
}

TEST(CrashReporterTest, ExceptionReasonNamesTypeAndMessage)
{
    struct Custom {};
    EXPECT_EQ(CrashReporter::exceptionReason(std::make_exception_ptr(std::runtime_error("disk on fire"))),
              "C++ exception: std::runtime_error: disk on fire");
    EXPECT_EQ(CrashReporter::exceptionReason(std::make_exception_ptr(std::out_of_range(""))),
              "C++ exception: std::out_of_range: ");
    EXPECT_EQ(CrashReporter::exceptionReason(std::make_exception_ptr(42)), "C++ exception: int: ");
    EXPECT_TRUE(CrashReporter::exceptionReason(std::make_exception_ptr(Custom{})).endsWith("Custom: "));
}

TEST(CrashReporterTest, WhatEveryReportSays)
{
    EXPECT_EQ(CrashReporter::reportVersion(), QStringLiteral(VELMORA_VERSION));
    EXPECT_TRUE(CrashReporter::reportOs().contains("kernel"));
    EXPECT_FALSE(CrashReporter::reportArch().isEmpty());
    EXPECT_EQ(CrashReporter::endpoint(), WebService::url("/api/crash"));
    EXPECT_EQ(CrashReporter::endpoint().path(), "/api/crash");
}

} // namespace
