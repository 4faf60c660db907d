#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the velmora command line asks for before the application starts:
// "--help" and "--version" print and end the program; an option it does not
// know is an error. Arguments that are no option are folders to open a
// window at, as with "--open-window" (what a file manager passes when it
// opens a folder with Velmora). The application's own options
// ("--preview-skin DIR", "--open-window DIR", "--open-tab DIR") and Qt's
// options ("-platform NAME", "-display HOST:N", "-style NAME", …, also with
// two dashes) are let through for the application to read.
namespace velmora::CommandLine {

struct Request {
    enum class Action { run, help, version, error };
    Action action = Action::run;
    // For an error: one line saying what is wrong ("unknown option '--x'").
    QString error;
    // The arguments that are no option and no option's value, in order.
    QStringList folders;
};

// Reads the arguments (the program first). The first of "--help", "-h",
// "--version" or a wrong argument decides; the value after an option that
// takes one is not looked at, so "--preview-skin --help" previews a folder
// named "--help".
Request parse(const QStringList& arguments);

// "Usage: velmora [OPTIONS]" with one line per option.
QString usage();

// "Velmora <version> (<build>)".
QString versionLine();

// Prints what the request asks for and returns the exit code: 0 after the help
// or the version (on standard output), 2 after an error ("velmora: <error>" and
// the usage, on standard error); none when the application should start.
std::optional<int> respond(const Request& request);

} // namespace velmora::CommandLine
