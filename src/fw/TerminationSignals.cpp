#include "TerminationSignals.h"

#include "Logging.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <unistd.h>

namespace fw {

namespace {

// The pipe's write end, the only thing the handler touches. Set before the handler is
// installed and never closed.
int wakeFd = -1;
// Set on the main thread when the event loop has read a wake-up.
bool requested = false;

extern "C" void onTerminationSignal(int) {
    // A full pipe already holds a wake-up, so a failed write loses nothing.
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd, &byte, 1);
    errno = saved;
}

void drain(int fd) {
    std::array<char, 64> bytes{};
    while (::read(fd, bytes.data(), bytes.size()) > 0) {
    }
}

// Quit ends the application's event loop and every loop nested in it, but does nothing before
// that loop runs, when the only loop is the one of a modal dialog: the dialogs are closed
// here, so that the code which opened them goes on to the end of start-up.
void quitNow() {
    requested = true;
    while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        dialog->done(QDialog::Rejected);
        if (QApplication::activeModalWidget() == dialog)
            break;
    }
    QCoreApplication::quit();
}

} // namespace

void quitOnTerminationSignals() {
    std::array<int, 2> pipe{};
    if (::pipe2(pipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcFw) << "termination signals keep their default action: no pipe:"
                        << std::strerror(errno);
        return;
    }
    wakeFd = pipe[1];
    auto* notifier =
        new QSocketNotifier(pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [fd = pipe[0]] {
        drain(fd);
        quitNow();
    });

    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on, so no file operation fails because of the signal.
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        // A signal the program was started to ignore (nohup ignores SIGHUP) stays ignored.
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
            continue;
        if (::sigaction(signal, &action, nullptr) != 0)
            qCWarning(lcFw) << "signal" << signal
                            << "keeps its default action:" << std::strerror(errno);
    }
}

bool terminationRequested() {
    return requested;
}

} // namespace fw
