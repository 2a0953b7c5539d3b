#include "TolvaneRun.h"

#include "fw/Thread.h"
#include "mainwindow/MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace bench {

namespace {

constexpr int kBackupPage = 2;

bool workersRunning(const mainwindow::MainWindow& window) {
    return window.thr_Build->State() == fw::Thread::Running ||
           window.thr_backup->State() == fw::Thread::Running;
}

// Presses the button with this caption from the event loop, not from inside the timer that
// found the dialog.
bool pressLater(QMessageBox* box, const QString& caption) {
    for (QAbstractButton* button : box->buttons()) {
        if (button->isVisible() && button->text() == caption) {
            QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
            return true;
        }
    }
    return false;
}

} // namespace

RunOutcome runTolvane() {
    mainwindow::MainWindow& window = ::MainWindow();
    if (window.TabPanel1->currentIndex() != kBackupPage)
        window.TabPanel1->setCurrentIndex(kBackupPage);

    RunOutcome outcome;
    QElapsedTimer clock;
    QEventLoop loop;
    // The end dialog is shown by the copy thread inside its own event loop; this timer fires
    // there too.
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && outcome.endMessage.isEmpty() && box->isVisible()) {
            outcome.seconds = double(clock.nsecsElapsed()) / 1e9;
            outcome.endMessage = box->text();
            outcome.complete = outcome.endMessage == "Backup Complete";
            if (!pressLater(box, outcome.complete ? "OK" : "No"))
                pressLater(box, "OK");
        } else if (!outcome.endMessage.isEmpty() && !box && !workersRunning(window)) {
            loop.quit();
        }
    });

    watch.start();
    clock.start();
    window.btn_Backup->click();
    // A check that failed before the run has already been answered inside the press.
    if (workersRunning(window) || outcome.endMessage.isEmpty())
        loop.exec();
    outcome.copied = window.FilesCopied;
    outcome.updated = window.FilesUpdated;
    return outcome;
}

} // namespace bench
