#include "Tolvane.h"

namespace shell {

Tolvane::Tolvane(int& argc, char** argv)
    : fw::Application(argc, argv) {
    setApplicationName(QStringLiteral("Tolvane"));
    setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(MajorVersion).arg(MinorVersion).arg(BugVersion));
}

} // namespace shell

shell::Tolvane& App() {
    // _NewAppInstance made the application object and made sure that it is a Tolvane.
    return *static_cast<shell::Tolvane*>(QCoreApplication::instance());
}
