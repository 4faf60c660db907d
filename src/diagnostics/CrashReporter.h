#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <exception>

// Turns a fatal failure of the application into one small JSON report in the
// pending crash-report folder (AppPaths::crashesPendingDir()), which the next
// launch uploads.
//
// Two failures are watched:
// - an uncaught C++ exception: the terminate handler writes
//   "exc-<seconds>.json" with ordinary code, then hands over to the previous
//   terminate handler, which aborts (so a signal report follows);
// - the fatal signals SIGABRT, SIGSEGV, SIGILL, SIGBUS, SIGFPE and SIGTRAP: the
//   signal handler writes "sig-<seconds>-<pid>.json" and then lets the process
//   die by the same signal. It allocates nothing and takes no lock: the
//   report's head, the report path's folder part and the frame buffer are
//   prepared by installHandlers(); it runs on an alternate signal stack, so a
//   stack overflow on the main thread is reported too.
//
// A report holds exactly the keys version, os, arch, machineId, ts, reason and
// stack; report files are readable by the user only.
namespace velmora::CrashReporter {

// Arms both paths and creates the pending folder. Called once per process, on
// the main thread, early at start-up; later calls do nothing. Reports no
// failure: without a usable folder, reports are simply not written.
void installHandlers();

// The signal path: writes the signal report, then ends the process with the
// signal's default action. Only the first signal of a process is reported: a
// handler entered while another is at work (on any thread) returns at once.
void handleSignalSafe(int signalNumber);

// Writes the report of an uncaught exception (ordinary code; any thread).
void writeException(std::exception_ptr exception);

// "SIGSEGV" and so on for the six watched signals, "SIGNAL" for any other.
const char* reasonName(int signalNumber);

// "C++ exception: <type>: <what()>"; the text after the type is empty for an
// exception that is not a std::exception.
QString exceptionReason(std::exception_ptr exception);

// JSON string escaping of the report head: \t \n \r \" \\, \u00XX for other
// controls; everything else, non-ASCII included, unchanged.
QString esc(const QString& text);

// The signal report's head: {"version":…,"os":…,"arch":…,"machineId":…,"ts":
// with nothing after the colon.
QByteArray renderHead(const QString& version, const QString& os, const QString& arch, const QString& machineId);

// What every report says about the running program.
QString reportVersion(); // the build's version, "0.1" when the build did not say
QString reportOs(); // distribution and kernel
QString reportArch(); // the processor architecture the program was built for

// Where reports are uploaded: the web service's path "/api/crash".
QUrl endpoint();

// Starts one upload run of the pending reports on a background thread of low
// priority and returns at once. The run ends by itself; when the application
// quits first, the request in flight is abandoned without counting against
// its report.
void flushPending();

} // namespace velmora::CrashReporter
