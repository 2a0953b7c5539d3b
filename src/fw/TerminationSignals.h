#pragma once

namespace fw {

// Makes SIGTERM (a logout or shutdown), SIGINT (Ctrl+C in a terminal) and SIGHUP (its
// terminal closed) quit the application the way its Quit command does: the event loop ends,
// the workers unwind and remove their temporaries, and the process exits normally. The
// signal handler only writes a byte into a pipe; the event loop reads it and quits, so
// nothing runs inside the handler but that write. Call once, after the application object
// exists.
//
// A signal that comes before the application's event loop runs (while a message box of the
// start-up is open, say) closes every open dialog, makes later message boxes return at once
// and is remembered: start-up then does not enter the event loop at all.
void quitOnTerminationSignals();

// True once a termination signal has been taken from the pipe.
bool terminationRequested();

} // namespace fw
