#include "MainWindow.h"

#include "fw/Canvas.h"

namespace {
// The window, from the first line of its construction until it is destroyed.
mainwindow::MainWindow* theWindow = nullptr;
} // namespace

mainwindow::MainWindow& MainWindow() {
    if (!theWindow) {
        try {
            new mainwindow::MainWindow(mainwindow::MainWindow::ConstructionKey{});
        } catch (...) {
            // The half-built window is gone; the next call builds a new one.
            theWindow = nullptr;
            throw;
        }
    }
    return *theWindow;
}

namespace mainwindow {

MainWindow::MainWindow(ConstructionKey) {
    theWindow = this;
    Layout();
    CreateControls();
    AddMenuHandlers(*this);
    Event_Open();
}

MainWindow::~MainWindow() {
    if (theWindow == this)
        theWindow = nullptr;
}

void MainWindow::setBackdrop(const QPixmap& picture) {
    backdrop_->setBackdrop(picture);
}

const QPixmap& MainWindow::Backdrop() const {
    return backdrop_->Backdrop();
}

} // namespace mainwindow
