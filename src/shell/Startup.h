#pragma once

namespace shell {

// Creates the one application object (see App()). A second call keeps the first one; an
// application object of another class ends the process, since App() could not give it.
void _NewAppInstance(int& argc, char** argv);

// Creates the default window, the main window, which builds itself and opens.
void _MakeDefaultView();

// The start-up routine: the application object, then the main window, then the event loop
// until the user quits. Returns the process's exit code.
int _Startup(int& argc, char** argv);

} // namespace shell
