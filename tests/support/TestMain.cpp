#include "shell/Startup.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

// Every test process runs in a private HOME with no XDG variables, so the settings file,
// the Desktop and the application's data never touch the user's own, and without a
// session bus unless a test starts one.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);

    QTemporaryDir home(QDir::tempPath() + "/tolvane-test-XXXXXX");
    if (!home.isValid())
        return 2;
    setenv("HOME", home.path().toLocal8Bit().constData(), 1);
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                             "XDG_DESKTOP_DIR", "DBUS_SESSION_BUS_ADDRESS"})
        unsetenv(name);
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

    shell::_NewAppInstance(argc, argv);
    return RUN_ALL_TESTS();
}
