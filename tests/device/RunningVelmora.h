#pragma once

// The velmora application on an X server of a test's own, for the tests that
// run the real program: its private home and settings, the xdotool and
// ImageMagick calls that find, type into and take pictures of its windows,
// and a window manager beside it where a test needs one.

#include "support/ChildEnvironment.h"
#include "support/PrivateXServer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegion>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <cstdlib>
#include <functional>

namespace velmora::test {

// Ends a program the test started: asked first, then made to.
inline void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
}

inline QByteArray run(const QProcessEnvironment& environment, const QString& program, const QStringList& arguments,
                      bool* ok = nullptr)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(10000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return process.readAllStandardOutput();
}

// Pixels of the rectangle that are exactly the colour, give or take a little.
inline int countColour(const QImage& image, const QRect& rect, QRgb colour)
{
    int n = 0;
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += std::abs(qRed(p) - qRed(colour)) <= 8 && std::abs(qGreen(p) - qGreen(colour)) <= 8
                && std::abs(qBlue(p) - qBlue(colour)) <= 8;
        }
    }
    return n;
}

// The velmora application on its own X server (or the shared one), with a
// private home whose settings file holds the given extra members. The server
// of its own has a screen of the given size and depth.
class RunningVelmora {
public:
    RunningVelmora(const char* display, const QJsonObject& settingsExtra,
                   const QString& screen = QStringLiteral("1280x1024x24"))
        : server(screen)
    {
        QDir(root.path()).mkpath(QStringLiteral("home"));
        QDir(root.path()).mkpath(QStringLiteral("data/Velmora"));
        QJsonObject settings{{QStringLiteral("hasLaunchedBefore"), true},
                             {QStringLiteral("defaultShell"), QStringLiteral("/bin/sh")}};
        for (auto it = settingsExtra.begin(); it != settingsExtra.end(); ++it)
            settings.insert(it.key(), it.value());
        QFile file(root.filePath(QStringLiteral("data/Velmora/settings.json")));
        if (file.open(QIODevice::WriteOnly))
            file.write(QJsonDocument(settings).toJson());
        file.close();
        QFile profile(root.filePath(QStringLiteral("home/.profile")));
        if (profile.open(QIODevice::WriteOnly))
            profile.write("PS1='velmora$ '\nexport PS1\n");
        profile.close();

        // Typing and the focus belong to the whole server: keep out of the way
        // of other tests on the shared display where a server of our own starts.
        environment = test::childEnvironment(root.path(), server.displayOr(display));
    }

    ~RunningVelmora() { stop(velmora); }

    bool start(const QStringList& arguments = {})
    {
        velmora.setProcessEnvironment(environment);
        velmora.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        velmora.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/velmora"), arguments);
        return velmora.waitForStarted(5000);
    }

    // The id of the window of that title, once it exists (and is shown, when
    // asked); empty after a generous wait.
    QString waitForWindow(const QString& title, bool shown = false)
    {
        QString window;
        QStringList search{QStringLiteral("search")};
        if (shown)
            search << QStringLiteral("--onlyvisible");
        search << QStringLiteral("--name") << QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$');
        for (int attempt = 0; attempt < 150 && window.isEmpty(); ++attempt) {
            window = QString::fromUtf8(run(environment, QStringLiteral("xdotool"), search))
                         .trimmed()
                         .section(QLatin1Char('\n'), -1);
            if (window.isEmpty())
                QThread::msleep(100);
        }
        return window;
    }

    // The window's frame on the screen; null when xdotool cannot tell.
    QRect windowGeometry(const QString& window)
    {
        const QString geometry = QString::fromUtf8(
            run(environment, QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), window}));
        const QRegularExpressionMatch position
            = QRegularExpression(QStringLiteral("Position: (-?\\d+),(-?\\d+)")).match(geometry);
        const QRegularExpressionMatch size
            = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(geometry);
        if (!position.hasMatch() || !size.hasMatch())
            return QRect();
        return QRect(position.captured(1).toInt(),
                     position.captured(2).toInt(),
                     size.captured(1).toInt(),
                     size.captured(2).toInt());
    }

    QSize windowSize(const QString& window)
    {
        const QString geometry = QString::fromUtf8(
            run(environment, QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), window}));
        const QRegularExpressionMatch size
            = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(geometry);
        return size.hasMatch() ? QSize(size.captured(1).toInt(), size.captured(2).toInt()) : QSize();
    }

    // Types a command line into the focused window and presses Return.
    bool typeLine(const QString& window, const QString& line)
    {
        bool ok = false;
        run(environment,
            QStringLiteral("xdotool"),
            {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window},
            &ok);
        if (!ok)
            return false;
        run(environment,
            QStringLiteral("xdotool"),
            {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), line},
            &ok);
        if (!ok)
            return false;
        run(environment, QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")}, &ok);
        return ok;
    }

    // Presses keys (xdotool's names, "ctrl+shift+f") in the focused window.
    bool press(const QString& window, const QString& keys)
    {
        bool ok = false;
        run(environment,
            QStringLiteral("xdotool"),
            {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window},
            &ok);
        if (ok)
            run(environment, QStringLiteral("xdotool"), {QStringLiteral("key"), keys}, &ok);
        return ok;
    }

    // The text xprop gives for a property of the window.
    QString property(const QString& window, const QString& name)
    {
        return QString::fromUtf8(run(environment, QStringLiteral("xprop"), {QStringLiteral("-id"), window, name}));
    }

    QImage picture(const QString& window)
    {
        return QImage::fromData(
            run(environment, QStringLiteral("import"), {QStringLiteral("-window"), window, QStringLiteral("png:-")}),
            "PNG");
    }

    // The window's picture once the test holds on it, tried every 200 ms up
    // to the given number of times; the last one taken otherwise.
    QImage pictureWhere(const QString& window, const std::function<bool(const QImage&)>& test, int attempts = 50)
    {
        QImage shot;
        for (int attempt = 0; attempt < attempts; ++attempt) {
            QThread::msleep(200);
            shot = picture(window);
            if (!shot.isNull() && test(shot))
                break;
        }
        return shot;
    }

    // Has the shell print a magenta bar and counts its pixels in the window
    // once at least 100 of them show within the rectangle (the screen):
    // inside it and beside it.
    struct MagentaBar {
        QImage picture;
        int inside = 0;
        int outside = 0;
    };
    MagentaBar printMagentaBar(const QString& window, const QRect& screen)
    {
        MagentaBar bar;
        if (!typeLine(window, QStringLiteral("printf '\\033[48;2;255;0;255m%30s\\033[0m\\n' ''")))
            return bar;
        const QRgb magenta = qRgb(255, 0, 255);
        bar.picture = pictureWhere(window, [&](const QImage& p) { return countColour(p, screen, magenta) >= 100; });
        if (bar.picture.isNull())
            return bar;
        bar.inside = countColour(bar.picture, screen, magenta);
        for (const QRect& part : QRegion(bar.picture.rect()) - QRegion(screen))
            bar.outside += countColour(bar.picture, part, magenta);
        return bar;
    }

    QTemporaryDir root;
    QProcessEnvironment environment;
    const velmora::test::PrivateXServer server;
    QProcess velmora;
};

// A window manager (openbox) on the display of the environment while the
// object lives.
class WindowManager {
public:
    explicit WindowManager(const QProcessEnvironment& environment)
    {
        m_process.setProcessEnvironment(environment);
        m_process.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        if (!m_process.waitForStarted(5000))
            return;
        // Ready once it names itself on the root window.
        for (int attempt = 0; attempt < 100 && !m_ready; ++attempt) {
            m_ready = run(environment,
                          QStringLiteral("xprop"),
                          {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                          .contains("window id");
            if (!m_ready)
                QThread::msleep(50);
        }
    }

    ~WindowManager() { stop(m_process); }

    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    bool isRunning() const { return m_ready && m_process.state() == QProcess::Running; }

private:
    QProcess m_process;
    bool m_ready = false;
};

} // namespace velmora::test
