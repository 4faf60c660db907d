#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace velmora::test {

// Collects every Qt log message while it lives.
class LogCapture {
public:
    LogCapture() { m_previous = qInstallMessageHandler(&LogCapture::handle); }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static QStringList& lines()
    {
        static QStringList collected;
        return collected;
    }

    int count(const QString& fragment) const
    {
        int n = 0;
        for (const QString& line : lines())
            n += line.contains(fragment) ? 1 : 0;
        return n;
    }

    void clear() { lines().clear(); }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message) { lines().append(message); }
    QtMessageHandler m_previous = nullptr;
};

} // namespace velmora::test
