#pragma once

#include <QApplication>

namespace fw {

// The framework's application object. An exception that escapes an event handler is shown
// in a report dialog instead of ending the process, so nothing held in memory is lost.
// On destruction, worker threads still waiting to run are unwound while the widgets they
// may touch still exist.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    ~Application() override;
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace fw
