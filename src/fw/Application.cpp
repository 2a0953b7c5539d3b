#include "Application.h"

#include "ExceptionText.h"
#include "Scheduler.h"
#include "Services.h"

namespace fw {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv) {}

Application::~Application() {
    Scheduler::instance().killAll();
}

bool Application::notify(QObject* receiver, QEvent* event) {
    const Scheduler::DispatchScope dispatch;
    QString failure;
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // Whatever escaped the handler (a worker's kill never gets here: it is thrown only
        // outside event dispatch and caught where the worker begins).
        failure = currentExceptionText();
    }
    reportUnhandledException(failure);
    return false;
}

} // namespace fw
