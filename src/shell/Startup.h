#pragma once

namespace shell {

// Creates the one application object (see App()). A second call keeps the first one; an
// application object of another class ends the process, since App() could not give it.
void _NewAppInstance(int& argc, char** argv);

// Makes sure this is the one running copy of the program for the user. True in the first
// copy, which from then on brings its main window to the front whenever a later copy starts;
// false in a later copy, once it has asked the first to do so. A later copy must end without
// touching the settings.
bool _ClaimOnlyCopy();

// Creates the default window, the main window, which builds itself and opens.
void _MakeDefaultView();

// The start-up routine: the application object, then the main window, then the event loop
// until the user quits. Returns the process's exit code.
int _Startup(int& argc, char** argv);

} // namespace shell
