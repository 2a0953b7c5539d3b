#include "MainWindow.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace mainwindow {

namespace {

// The item of that name anywhere below the window's menu bar.
QAction* findMenuItem(const QMainWindow& window, const char* name) {
    QWidget* bar = window.menuWidget();
    return bar ? bar->findChild<QAction*>(QLatin1String(name)) : nullptr;
}

} // namespace

QAction* MainWindow::menuHelp() const {
    QWidget* bar = menuWidget();
    QMenu* menu = bar ? bar->findChild<QMenu*>(QStringLiteral("menuHelp")) : nullptr;
    return menu ? menu->menuAction() : nullptr;
}

QAction* MainWindow::UntitledSeparator() const {
    return findMenuItem(*this, "UntitledSeparator");
}

QAction* MainWindow::menuCheckUpdate() const {
    return findMenuItem(*this, "menuCheckUpdate");
}

QAction* MainWindow::menuAbout() const {
    return findMenuItem(*this, "menuAbout");
}

QAction* MainWindow::UntitledSeparator0() const {
    return findMenuItem(*this, "UntitledSeparator0");
}

QAction* MainWindow::menuInstructions() const {
    return findMenuItem(*this, "menuInstructions");
}

} // namespace mainwindow
