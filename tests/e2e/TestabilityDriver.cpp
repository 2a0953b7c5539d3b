// Drives the real program from inside its own process, for the tests that start it. Qt
// loads a library named "qttestability" into any widget application started with
// QT_LOAD_TESTABILITY=1 and calls its qt_testability_init() once the application object
// exists; this is that library. It uses only Qt and the objects' names, like a user who
// finds the controls on screen:
//   - when a message box is shown (also one of the start-up, before the main window), it
//     writes "message" and leaves the box open;
//   - once the main window is shown, it turns to the "Backup" page and writes "shown";
//   - if "Start Backup" can then be pressed, it presses it and writes "started";
//   - with TOLVANE_TEST_STOP_WHEN_COPYING naming a folder, it then watches that folder: as
//     soon as a copy's temporary file below it holds data, it writes "copying" and stops the
//     process (SIGSTOP). It runs on the thread that copies, between two slices of the copy, so
//     the copy is certainly under way, and not far, when the process stops.
// Each line goes to standard output at once, for the test to read.

#include <csignal>
#include <cstdio>
#include <QApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QMessageBox>
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

// A regular file holding data, whose name marks it as a copy's temporary, below `folder`.
bool temporaryWithDataBelow(const QString& folder) {
    QDirIterator entries(folder, {QStringLiteral(".tolvane-*")},
                         QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        if (QFileInfo(entries.next()).size() > 0)
            return true;
    }
    return false;
}

void stopWhenCopying(const QString& folder) {
    auto* watch = new QTimer(QCoreApplication::instance());
    QObject::connect(watch, &QTimer::timeout, watch, [watch, folder] {
        if (!temporaryWithDataBelow(folder))
            return;
        watch->stop();
        report("copying");
        std::raise(SIGSTOP);
    });
    watch->start(0);
}

} // namespace

// Reports the first message box shown; the box stays open.
void reportMessage() {
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, poll, [poll] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && qobject_cast<QMessageBox*>(window)) {
                poll->stop();
                report("message");
                return;
            }
        }
    });
    poll->start(10);
}

extern "C" Q_DECL_EXPORT void qt_testability_init() {
    reportMessage();
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
            const QString copying = qEnvironmentVariable("TOLVANE_TEST_STOP_WHEN_COPYING");
            if (!copying.isEmpty())
                stopWhenCopying(copying);
        }
    });
    poll->start(10);
}
