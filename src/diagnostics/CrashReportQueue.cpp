#include "diagnostics/CrashReportQueue.h"

#include <algorithm>

namespace velmora::CrashReportQueue {
namespace {

const QString extension = QStringLiteral(".json");
const QString attemptMark = QStringLiteral(".a");

} // namespace

bool isReport(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && QStringView(fileName).mid(dot + 1) == QLatin1String("json");
}

Plan plan(QStringList fileNames)
{
    fileNames.removeIf([](const QString& name) { return !isReport(name); });
    std::sort(fileNames.begin(), fileNames.end());
    Plan result;
    const qsizetype surplus = std::max<qsizetype>(0, fileNames.size() - maxReportsPerRun);
    result.dropUnsent = fileNames.first(surplus);
    result.send = fileNames.sliced(surplus);
    return result;
}

std::optional<QString> nameAfterFailure(const QString& fileName)
{
    const QString stem = fileName.endsWith(extension) ? fileName.chopped(extension.size()) : fileName;
    QString base = stem;
    int attempt = 1;
    const qsizetype mark = stem.lastIndexOf(attemptMark);
    if (mark >= 0) {
        const QStringView count = QStringView(stem).mid(mark + attemptMark.size());
        const bool decimal = !count.isEmpty()
            && std::all_of(count.begin(), count.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (decimal) {
            bool fits = false;
            const int previous = count.toInt(&fits);
            base = stem.left(mark);
            // A count too large for an int is far past the last attempt.
            attempt = fits && previous < maxAttempts ? previous + 1 : maxAttempts;
        }
    }
    if (attempt >= maxAttempts)
        return std::nullopt;
    return base + attemptMark + QString::number(attempt) + extension;
}

} // namespace velmora::CrashReportQueue
