#include "TolvaneRun.h"

#include "fw/Thread.h"
#include "mainwindow/MainWindow.h"

#include <algorithm>
#include <filesystem>
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
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

// The longest time between two calls of tick(): called from a timer of the event loop, the
// longest time the loop did not run.
class GapClock {
public:
    GapClock() { clock_.start(); }
    void tick() {
        const qint64 now = clock_.nsecsElapsed();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
    }
    double longestMs() const { return double(longest_) / 1e6; }

private:
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

// The bytes in the copy temporaries below `folder` (entries named ".tolvane-...", at any
// depth), and whether there is any.
struct Temporaries {
    bool found = false;
    std::uint64_t bytes = 0;
};

Temporaries temporariesBelow(const std::string& folder) {
    namespace fs = std::filesystem;
    Temporaries temporaries;
    std::error_code failure;
    for (fs::recursive_directory_iterator entry(folder, failure), end; !failure && entry != end;
         entry.increment(failure)) {
        if (!entry->path().filename().string().starts_with(".tolvane-"))
            continue;
        temporaries.found = true;
        std::error_code gone;
        if (entry->is_regular_file(gone))
            temporaries.bytes += entry->file_size(gone);
    }
    return temporaries;
}

} // namespace

RunOutcome runTolvane() {
    mainwindow::MainWindow& window = ::MainWindow();
    if (window.TabPanel1->currentIndex() != kBackupPage)
        window.TabPanel1->setCurrentIndex(kBackupPage);

    RunOutcome outcome;
    QElapsedTimer clock;
    QEventLoop loop;
    GapClock gaps;
    // The end dialog is shown by the copy thread inside its own event loop; this timer fires
    // there too.
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        gaps.tick();
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
    outcome.longestGapMs = gaps.longestMs();
    return outcome;
}

CancelOutcome cancelTolvaneMidCopy(const std::string& destination,
                                   std::uint64_t bytesBeforeCancel) {
    mainwindow::MainWindow& window = ::MainWindow();
    if (window.TabPanel1->currentIndex() != kBackupPage)
        window.TabPanel1->setCurrentIndex(kBackupPage);

    enum class Phase { Copying, Asking, Stopping };
    Phase phase = Phase::Copying;
    CancelOutcome outcome;
    QElapsedTimer answered;
    QEventLoop loop;
    GapClock gaps;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        switch (phase) {
        case Phase::Copying:
            gaps.tick();
            if (temporariesBelow(destination).bytes >= bytesBeforeCancel) {
                QMetaObject::invokeMethod(window.btn_Backup, &QAbstractButton::click,
                                          Qt::QueuedConnection);
                phase = Phase::Asking;
            } else if (!workersRunning(window)) {
                loop.quit();
            }
            break;
        case Phase::Asking:
            gaps.tick();
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                for (QAbstractButton* button : box->buttons())
                    QObject::connect(button, &QAbstractButton::clicked, &loop, [&] {
                        outcome.pressMs = double(answered.nsecsElapsed()) / 1e6;
                    });
                answered.start();
                pressLater(box, QStringLiteral("Yes"));
                phase = Phase::Stopping;
            }
            break;
        case Phase::Stopping:
            if (!workersRunning(window) && !temporariesBelow(destination).found) {
                outcome.stopMs = double(answered.nsecsElapsed()) / 1e6;
                outcome.stopped = true;
                loop.quit();
            }
            break;
        }
    });

    watch.start();
    window.btn_Backup->click();
    loop.exec();
    outcome.longestGapMs = gaps.longestMs();
    outcome.stopped = outcome.stopped && window.stx_status->text() == "Cancelled";
    return outcome;
}

} // namespace bench
