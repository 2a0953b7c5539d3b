#include "Startup.h"

#include "fw/SingleInstance.h"
#include "fw/TerminationSignals.h"
#include "mainwindow/MainWindow.h"
#include "sets/SettingsFile.h"
#include "Tolvane.h"

namespace shell {

void _NewAppInstance(int& argc, char** argv) {
    QCoreApplication* existing = QCoreApplication::instance();
    if (!existing)
        new Tolvane(argc, argv);
    else if (!qobject_cast<Tolvane*>(existing))
        qFatal("The application object is a %s, not a Tolvane",
               existing->metaObject()->className());
}

namespace {

void raiseMainWindow() {
    mainwindow::MainWindow& window = MainWindow();
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

bool _ClaimOnlyCopy() {
    // The settings folder holds what only one copy may write.
    const std::string folder =
        sets::settingsFolder(QCoreApplication::applicationName().toStdString()).nativePath();
    return fw::claimSingleInstance(folder, raiseMainWindow);
}

void _MakeDefaultView() {
    MainWindow().show();
}

int _Startup(int& argc, char** argv) {
    // The program registers no external classes or plug-in entry points and no document file
    // types.
    _NewAppInstance(argc, argv);
    if (!_ClaimOnlyCopy()) {
        delete &App();
        return 0;
    }
    // A logout, a shutdown or Ctrl+C in a terminal ends the program as its Quit command does.
    fw::quitOnTerminationSignals();
    // It installs no application-level menu handlers: every menu command belongs to the main
    // window.
    _MakeDefaultView();
    // A termination signal taken while the window opened (in a message box) ends it here.
    const int exitCode = fw::terminationRequested() ? 0 : App().exec();

    // After the loop the main window is released, and with it the menu bar it holds, then the
    // application object.
    delete &MainWindow();
    delete &App();
    return exitCode;
}

} // namespace shell
