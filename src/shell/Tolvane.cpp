#include "Tolvane.h"

#include "fw/ApplicationIcon.h"

namespace shell {

Tolvane::Tolvane(int& argc, char** argv)
    : fw::Application(argc, argv) {
    setApplicationName(QStringLiteral("Tolvane"));
    setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(MajorVersion).arg(MinorVersion).arg(BugVersion));
    // A desktop matches the windows to the installed desktop entry by this name; every window,
    // the main window and the Help window among them, carries the icon named after it.
    setDesktopFileName(QStringLiteral(TOLVANE_APP_ID));
    setWindowIcon(fw::ApplicationIcon());
}

} // namespace shell

shell::Tolvane& App() {
    // _NewAppInstance made the application object and made sure that it is a Tolvane.
    return *static_cast<shell::Tolvane*>(QCoreApplication::instance());
}
