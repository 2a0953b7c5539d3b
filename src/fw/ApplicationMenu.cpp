#include "ApplicationMenu.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace fw {

namespace {

// Quits the application when the window it watches is closed.
class QuitOnClose : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close)
            QCoreApplication::quit();
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void installApplicationMenu(QMainWindow& window) {
    QMenuBar* bar = window.menuBar();
    const QString name = QCoreApplication::applicationName();

    auto* menu = new QMenu(name, bar);
    menu->setObjectName(QStringLiteral("applicationMenu"));
    QAction* quit = menu->addAction(QStringLiteral("Quit %1").arg(name));
    quit->setObjectName(QStringLiteral("applicationQuit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    QObject::connect(quit, &QAction::triggered, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    bar->insertMenu(bar->actions().value(0), menu);

    window.installEventFilter(new QuitOnClose(&window));
}

} // namespace fw
