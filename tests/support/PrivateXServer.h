#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace velmora::test {

// An Xvfb of one test's own, on a display number the server picks itself. Key
// grabs, lock keys, the focus and typed keys belong to a whole X server, so a
// test that uses them keeps out of the way of other tests running at the same
// time on the shared VELMORA_TEST_DISPLAY by running here. The server ends
// with the object.
class PrivateXServer {
public:
    explicit PrivateXServer(const QString& screen = QStringLiteral("1280x1024x24"))
    {
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"),
                        QStringLiteral("1"),
                        QStringLiteral("-screen"),
                        QStringLiteral("0"),
                        screen,
                        QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"),
                        // Without it the server resets as its last client
                        // leaves and refuses the next one for a moment.
                        QStringLiteral("-noreset")});
        if (!m_server.waitForStarted(5000))
            return;
        // The server writes its display number once it accepts clients.
        QDeadlineTimer deadline(10000);
        while (!m_server.canReadLine() && !deadline.hasExpired() && m_server.state() == QProcess::Running)
            m_server.waitForReadyRead(100);
        const QString number = QString::fromLatin1(m_server.readLine()).trimmed();
        if (!number.isEmpty())
            m_display = QLatin1Char(':') + number;
    }

    ~PrivateXServer()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            m_server.waitForFinished(5000);
        }
    }

    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // ":N", or empty when Xvfb could not be started.
    QString display() const { return m_display; }

    // This server's display, or the shared one when none started.
    QString displayOr(const char* shared) const
    {
        return m_display.isEmpty() ? QString::fromLocal8Bit(shared) : m_display;
    }

private:
    QProcess m_server;
    QString m_display;
};

} // namespace velmora::test
