#include "CorvelTermSession.h"

#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

namespace corvel::test {

std::optional<QString> CorvelTermSession::display()
{
    const char* display = std::getenv("VELMORA_TEST_DISPLAY");
    if (!display || !*display)
        return std::nullopt;
    return QString::fromLocal8Bit(display);
}

bool CorvelTermSession::hasProgram(const QString& name)
{
    return !QStandardPaths::findExecutable(
                name, {QStringLiteral("/usr/local/bin"), QStringLiteral("/usr/bin"), QStringLiteral("/bin")})
                .isEmpty();
}

CorvelTermSession::CorvelTermSession()
{
    environment_.insert(QStringLiteral("DISPLAY"), server_.displayOr(std::getenv("VELMORA_TEST_DISPLAY")));
    environment_.insert(QStringLiteral("HOME"), home_.path());
    environment_.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    environment_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment_.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.path());
    // A sanitizer build checks the program with the same options as the test.
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* value = std::getenv(name))
            environment_.insert(QString::fromLatin1(name), QString::fromLocal8Bit(value));
}

CorvelTermSession::~CorvelTermSession()
{
    if (term_.state() != QProcess::NotRunning) {
        term_.terminate();
        if (!term_.waitForFinished(5000))
            term_.kill();
        term_.waitForFinished(2000);
    }
}

bool CorvelTermSession::start()
{

    // The prompt sets the window title, so the test knows when the shell is ready.
    QFile profile(path(QStringLiteral(".profile")));
    if (!profile.open(QIODevice::WriteOnly)) {
        error_ = QStringLiteral("cannot write the profile");
        return false;
    }
    profile.write("PS1=\"$(printf '\\033]0;corvel-ready\\007')ready$ \"\nexport PS1\n");
    profile.close();

    term_.setProcessEnvironment(environment_);
    term_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    term_.setWorkingDirectory(home_.path());
    term_.start(QStringLiteral(VELMORA_BINARY_DIR "/bin/corvel-term"),
                {QStringLiteral("--shell"), QStringLiteral("/bin/sh"), QStringLiteral("--dump-on-exit"), dumpFile()});
    if (!term_.waitForStarted(5000)) {
        error_ = QStringLiteral("corvel-term did not start");
        return false;
    }
    for (int attempt = 0; attempt < 100 && window_.isEmpty(); ++attempt) {
        window_ = run(QStringLiteral("xdotool"),
                      {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^corvel-ready$")})
                      .section(QLatin1Char('\n'), -1);
        if (window_.isEmpty())
            QThread::msleep(100);
    }
    if (window_.isEmpty()) {
        error_ = QStringLiteral("the prompt never set the window title");
        return false;
    }
    // Without a window manager the keyboard follows the pointer.
    return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window_})
        && xdotool({QStringLiteral("mousemove"),
                    QStringLiteral("--window"),
                    window_,
                    QStringLiteral("2"),
                    QStringLiteral("2")});
}

QString CorvelTermSession::run(const QString& program, const QStringList& arguments, bool* ok, int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(environment_);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

bool CorvelTermSession::xdotool(const QStringList& arguments)
{
    bool ok = false;
    run(QStringLiteral("xdotool"), arguments, &ok);
    return ok;
}

bool CorvelTermSession::typeCommand(const QString& command)
{
    return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), command})
        && xdotool({QStringLiteral("key"), QStringLiteral("Return")});
}

bool CorvelTermSession::waitForFile(const QString& name, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        if (QFile::exists(path(name)))
            return true;
        QThread::msleep(50);
    }
    return false;
}

QImage CorvelTermSession::screenshot()
{
    QProcess process;
    process.setProcessEnvironment(environment_);
    process.start(QStringLiteral("import"), {QStringLiteral("-window"), window_, QStringLiteral("png:-")});
    if (!process.waitForFinished(10'000))
        return {};
    return QImage::fromData(process.readAllStandardOutput(), "PNG").convertToFormat(QImage::Format_RGB32);
}

} // namespace corvel::test
