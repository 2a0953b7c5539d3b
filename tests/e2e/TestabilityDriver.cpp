// Drives the real program from inside its own process, for the tests that start it. Qt
// loads a library named "qttestability" into any widget application started with
// QT_LOAD_TESTABILITY=1 and calls its qt_testability_init() once the application object
// exists; this is that library. It uses only Qt and the objects' names, like a user who
// finds the controls on screen:
//   - once the main window is shown, it turns to the "Backup" page and writes "shown";
//   - if "Start Backup" can then be pressed, it presses it and writes "started".
// Each line goes to standard output at once, for the test to read.

#include <cstdio>
#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kBackupPage = 2;

void report(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// The visible top-level window holding the named control, or none yet.
template <typename Control>
Control* shownControl(const char* name) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        if (auto* control = window->findChild<Control*>(QString::fromLatin1(name)))
            return control;
    }
    return nullptr;
}

} // namespace

extern "C" Q_DECL_EXPORT void qt_testability_init() {
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, poll, [poll] {
        auto* tabs = shownControl<QTabWidget>("TabPanel1");
        auto* start = shownControl<QPushButton>("btn_Backup");
        if (!tabs || !start)
            return;
        poll->stop();
        tabs->setCurrentIndex(kBackupPage);
        report("shown");
        if (start->isEnabled()) {
            start->click();
            report("started");
        }
    });
    poll->start(10);
}
