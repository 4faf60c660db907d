#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The rules of the pending crash-report folder, by file name: which files are
// reports, which are sent in one run and in what order, and what a report is
// called after a failed upload. A report that failed N times (1 to 4) is named
// "<stem>.a<N>.json"; its fifth failure drops it.
namespace velmora::CrashReportQueue {

inline constexpr int maxReportsPerRun = 20;
inline constexpr int maxAttempts = 5;
// Reports are a few kilobytes; anything larger is not a report of ours.
inline constexpr qint64 maxReportBytes = 1024 * 1024;

// True for names whose extension is exactly "json".
bool isReport(const QString& fileName);

struct Plan {
    QStringList dropUnsent; // deleted without being sent
    QStringList send; // sent one by one, in this order
};

// Sorts the report names ascending; when more than maxReportsPerRun wait, the
// names that sort lowest are dropped. Names that are not reports are ignored.
Plan plan(QStringList fileNames);

// The name a report takes after a failed upload, or nothing when that failure
// was its last allowed one and it is to be deleted.
std::optional<QString> nameAfterFailure(const QString& fileName);

} // namespace velmora::CrashReportQueue
