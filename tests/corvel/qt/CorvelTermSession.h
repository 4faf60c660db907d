#pragma once

#include <optional>

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "support/PrivateXServer.h"

namespace corvel::test {

// corvel-term running /bin/sh in a temporary HOME whose prompt sets the
// window title to "corvel-ready". Tests that use it run where
// VELMORA_TEST_DISPLAY names an X server and skip elsewhere; each session has
// an X server of its own where one starts (typing, the focus and the
// selections belong to a whole server), else the shared one.
class CorvelTermSession {
public:
    // The display, or none when the tests have no X server.
    static std::optional<QString> display();
    // Whether a program is on the PATH the session uses.
    static bool hasProgram(const QString& name);

    CorvelTermSession();
    ~CorvelTermSession();

    // Starts the terminal and waits for the prompt; false (with a message in
    // error()) when it did not come.
    bool start();
    const QString& error() const { return error_; }
    QString path(const QString& name) const { return home_.filePath(name); }
    QString dumpFile() const { return path(QStringLiteral("screen.txt")); }
    QProcess& terminal() { return term_; }
    const QString& window() const { return window_; }

    // Runs a program with the session's environment; its standard output,
    // trimmed, and whether it exited with 0.
    QString run(const QString& program, const QStringList& arguments, bool* ok = nullptr, int timeoutMs = 10'000);
    bool xdotool(const QStringList& arguments);
    // Types a command line and presses Return.
    bool typeCommand(const QString& command);
    // Runs the event loop until a file exists.
    bool waitForFile(const QString& name, int timeoutMs = 10'000);
    // The window as the X server shows it.
    QImage screenshot();

private:
    QTemporaryDir home_;
    velmora::test::PrivateXServer server_;
    QProcessEnvironment environment_;
    QProcess term_;
    QString window_;
    QString error_;
};

} // namespace corvel::test
