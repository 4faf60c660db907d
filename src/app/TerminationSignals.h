#pragma once

// Lets the desktop end Velmora the way a quit does: SIGTERM (a logout, a
// "kill"), SIGHUP and SIGINT become QCoreApplication::quit() on the main
// thread, so the open windows are saved and every shell is ended. The signal
// handler only writes one byte to a pipe that the event loop watches. A second
// signal of the same kind while the first is being handled ends the process
// at once, as the default action would. A signal ignored when the program
// started (nohup) stays ignored.
namespace velmora::TerminationSignals {

// Call once, after the application object exists.
void install();

} // namespace velmora::TerminationSignals
