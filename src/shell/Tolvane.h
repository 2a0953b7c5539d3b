#pragma once

#include "fw/Application.h"

namespace shell {

// The application object: one per process, created at start-up.
class Tolvane : public fw::Application {
    Q_OBJECT
public:
    Tolvane(int& argc, char** argv);

    static constexpr int MajorVersion = TOLVANE_VERSION_MAJOR;
    static constexpr int MinorVersion = TOLVANE_VERSION_MINOR;
    static constexpr int BugVersion = TOLVANE_VERSION_BUG;
};

} // namespace shell

// The application object.
shell::Tolvane& App();
