#include "diagnostics/CrashReportQueue.h"

#include <gtest/gtest.h>

namespace {

using namespace velmora;

TEST(CrashReportQueueTest, OnlyNamesEndingInJsonAreReports)
{
    struct Row {
        const char* name;
        bool report;
    };
    const Row rows[] = {
        {"sig-1700000000-42.json", true},
        {"exc-1700000000.a3.json", true},
        {".json", true},
        {"sig-1.JSON", false},
        {"notes.txt", false},
        {"sig-1.json.tmp", false},
        {"json", false},
        {"sig-1.jsonx", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(CrashReportQueue::isReport(row.name), row.report) << row.name;
}

TEST(CrashReportQueueTest, SurplusBeyondTwentyIsDroppedLowestNamesFirst)
{
    QStringList names;
    for (int i = 0; i < 23; ++i)
        names << QStringLiteral("sig-17000000%1-1.json").arg(22 - i, 2, 10, QLatin1Char('0'));
    names << QStringLiteral("README") << QStringLiteral("sig-1.json.tmp");

    const CrashReportQueue::Plan plan = CrashReportQueue::plan(names);
    EXPECT_EQ(plan.dropUnsent,
              QStringList({"sig-1700000000-1.json", "sig-1700000001-1.json", "sig-1700000002-1.json"}));
    ASSERT_EQ(plan.send.size(), 20);
    EXPECT_EQ(plan.send.first(), "sig-1700000003-1.json");
    EXPECT_EQ(plan.send.last(), "sig-1700000022-1.json");
    EXPECT_TRUE(std::is_sorted(plan.send.begin(), plan.send.end()));
}

TEST(CrashReportQueueTest, OrderFollowsTheNamesSoExceptionReportsComeFirst)
{
    const CrashReportQueue::Plan plan
        = CrashReportQueue::plan({"sig-1700000005-9.json", "exc-1700000009.json", "sig-1700000001-9.a2.json"});
    EXPECT_TRUE(plan.dropUnsent.isEmpty());
    EXPECT_EQ(plan.send, QStringList({"exc-1700000009.json", "sig-1700000001-9.a2.json", "sig-1700000005-9.json"}));
}

TEST(CrashReportQueueTest, EachFailureCountsInTheNameUntilTheFifth)
{
    struct Row {
        const char* name;
        const char* next; // nullptr: deleted
    };
    const Row rows[] = {
        {"sig-1700000000-42.json", "sig-1700000000-42.a1.json"},
        {"sig-1700000000-42.a1.json", "sig-1700000000-42.a2.json"},
        {"sig-1700000000-42.a3.json", "sig-1700000000-42.a4.json"},
        {"sig-1700000000-42.a4.json", nullptr},
        {"exc-1700000000.a9.json", nullptr},
        {"exc-1700000000.a99999999999999999999.json", nullptr},
        // No count after the last ".a": untried, the mark goes behind the whole stem.
        {"exc-1700000000.abc.json", "exc-1700000000.abc.a1.json"},
        {"exc-1700000000.a.json", "exc-1700000000.a.a1.json"},
        {"x.a2.b.json", "x.a2.b.a1.json"},
        {".json", ".a1.json"},
    };
    for (const Row& row : rows) {
        const std::optional<QString> next = CrashReportQueue::nameAfterFailure(row.name);
        if (row.next)
            EXPECT_EQ(next.value_or("(deleted)"), QString(row.next)) << row.name;
        else
            EXPECT_FALSE(next.has_value()) << row.name << " became " << next->toStdString();
    }
}

} // namespace
