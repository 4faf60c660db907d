#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

namespace corvel {

// What a program with windows settles before it makes its QApplication, so
// that it needs no window system and touches no file to do it: its command
// line (--help and --version answered, mistakes refused) and whether the
// window system Qt is about to use can be reached at all. Qt ends a program
// whose platform finds no display with a message of its own; these programs
// say it in one line and exit 1 instead.
namespace ProgramStart {

// A program as its command line presents it.
struct Program {
    QString name; // "corvel-term": the name on the usage line and in messages
    QString synopsis; // what follows the name on the usage line: "[options] [PICTURE]"
    QString version; // "0.1.0"
};

// The arguments as Qt reads them (the program first).
QStringList arguments(int argc, char** argv);

// Qt's own command-line options (QGuiApplication's, QApplication's and the X11
// platform's), which QApplication takes out of the arguments: "-platform",
// "--platform" and "-platform=xcb" are one option.
enum class QtOption { none, flag, withValue };
QtOption qtOption(const QString& argument);

// The arguments without Qt's options and their values.
QStringList withoutQtOptions(const QStringList& arguments);

// "Usage: NAME SYNOPSIS", then the parser's description, options and
// arguments.
QString usage(const QCommandLineParser& parser, const Program& program);

// Reads the command line (Qt's options left out) with the parser's options
// and "-h", "--help" and "--version" added. Help prints the usage and
// version prints "NAME VERSION", on standard output, and both return 0; a
// mistake prints "NAME: WHAT" and the usage on standard error and returns 2.
// None when the program goes on: the parser then holds what was given.
std::optional<int> readCommandLine(QCommandLineParser& parser, const Program& program, const QStringList& arguments);

// Whether the window system Qt is about to use (the "-platform" option, else
// QT_QPA_PLATFORM, else X11 unless a Wayland display is named) can be
// reached. For X11 the server is connected to (the "-display" option, else
// DISPLAY); other platforms (offscreen, Wayland, …) are left to Qt. None when
// it can be reached, else the display that was asked for (empty when none
// was).
std::optional<QString> unreachableDisplay(const QStringList& arguments);

// "NAME: cannot open display", with " DISPLAY" when one was asked for.
QString cannotOpenDisplayMessage(const QString& program, const QString& display);

// Says on standard error that the display cannot be opened and returns 1
// when it cannot; none when it can.
std::optional<int> requireDisplay(const QString& program, const QStringList& arguments);

} // namespace ProgramStart
} // namespace corvel
