#pragma once

class QMainWindow;

namespace fw {

// The application menu that the desktop supplies beside a program's own menus: a menu named
// after the application, left of the first menu of `window`'s menu bar, holding
// "Quit <name>" (Ctrl+Q). Closing `window` from the window manager quits the application too.
void installApplicationMenu(QMainWindow& window);

} // namespace fw
