#pragma once

namespace fw {

// Makes SIGTERM (a logout or shutdown), SIGINT (Ctrl+C in a terminal) and SIGHUP (its
// terminal closed) quit the application the way its Quit command does: the event loop ends,
// the workers unwind and remove their temporaries, and the process exits normally. The
// signal handler only writes a byte into a pipe; the event loop reads it and quits, so
// nothing runs inside the handler but that write. Call once, after the application object
// exists.
void quitOnTerminationSignals();

} // namespace fw
