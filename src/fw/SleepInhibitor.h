#pragma once

namespace fw {

// Holds one inhibitor against suspend and idle that the running desktop honours, from
// holdAwake() until releaseAwake() or the end of the process (a bus inhibitor ends with the
// connection, a logind lock with its descriptor). The services are asked in turn, each only
// when the one before is missing or refuses: the desktop portal's Inhibit, the GNOME session
// manager, org.freedesktop.PowerManagement, and a logind "sleep:idle" lock on the system bus.
// Every call is asynchronous and never blocks the window; where no service answers nothing
// is held and nothing is shown. A release that comes before a service has answered releases
// what that service grants once it answers.
void holdAwake();
void releaseAwake();

} // namespace fw
