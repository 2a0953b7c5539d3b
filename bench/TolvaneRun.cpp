#include "TolvaneRun.h"

#include "fw/Thread.h"
#include "mainwindow/MainWindow.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <thread>

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

// Calls `answered` with the milliseconds since `since` when the main window handles an event
// posted to it at the event-loop level `level` with no dialog open: the first moment the window
// answers again after a press.
void whenWindowAnswers(const QElapsedTimer& since, int level,
                       const std::function<void(double)>& answered) {
    QMetaObject::invokeMethod(
        &::MainWindow(),
        [&since, level, answered] {
            if (QThread::currentThread()->loopLevel() == level &&
                !QApplication::activeModalWidget())
                answered(double(since.nsecsElapsed()) / 1e6);
            else
                whenWindowAnswers(since, level, answered);
        },
        Qt::QueuedConnection);
}

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

// Reads temporariesBelow(folder) over and over on a thread of its own, so that the window's
// thread, whose gaps are measured, never waits on the destination's disk itself (a sleeping
// share would hold it for its spin-up).
class TemporariesWatch {
public:
    explicit TemporariesWatch(std::string folder)
        : reader_([this, folder = std::move(folder)] {
            while (!done_) {
                const Temporaries now = temporariesBelow(folder);
                bytes_ = now.bytes;
                found_ = now.found;
                read_ = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }) {}
    ~TemporariesWatch() {
        done_ = true;
        reader_.join();
    }
    TemporariesWatch(const TemporariesWatch&) = delete;
    TemporariesWatch& operator=(const TemporariesWatch&) = delete;

    std::uint64_t bytes() const { return bytes_; }
    // Whether any is there; true until the destination has been read once.
    bool found() const { return !read_ || found_; }

private:
    std::atomic<bool> done_{false};
    std::atomic<std::uint64_t> bytes_{0};
    std::atomic<bool> found_{false};
    std::atomic<bool> read_{false};
    std::thread reader_;
};

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
        outcome.gaps.tick();
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && outcome.endMessage.isEmpty() && box->isVisible()) {
            outcome.seconds = double(clock.nsecsElapsed()) / 1e9;
            outcome.endMessage = box->text();
            outcome.complete = outcome.endMessage == "Backup Complete";
            if (!pressLater(box, outcome.complete ? "OK" : "No"))
                pressLater(box, "OK");
        } else if (!outcome.endMessage.isEmpty() && !box && !workersRunning(window) &&
                   outcome.startAnswerMs > 0) {
            loop.quit();
        }
    });

    watch.start();
    clock.start();
    const int level = QThread::currentThread()->loopLevel() + 1;
    whenWindowAnswers(clock, level, [&outcome](double ms) { outcome.startAnswerMs = ms; });
    window.btn_Backup->click();
    // A check that failed before the run has already been answered inside the press.
    if (workersRunning(window) || outcome.endMessage.isEmpty() || outcome.startAnswerMs == 0)
        loop.exec();
    outcome.copied = window.FilesCopied;
    outcome.updated = window.FilesUpdated;
    return outcome;
}

void idleFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
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
    const TemporariesWatch temporaries(destination);
    QEventLoop loop;
    const int level = QThread::currentThread()->loopLevel() + 1;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        switch (phase) {
        case Phase::Copying:
            outcome.gaps.tick();
            if (temporaries.bytes() >= bytesBeforeCancel) {
                QMetaObject::invokeMethod(window.btn_Backup, &QAbstractButton::click,
                                          Qt::QueuedConnection);
                phase = Phase::Asking;
            } else if (!workersRunning(window)) {
                loop.quit();
            }
            break;
        case Phase::Asking:
            outcome.gaps.tick();
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                for (QAbstractButton* button : box->buttons())
                    QObject::connect(button, &QAbstractButton::clicked, &loop, [&] {
                        outcome.pressMs = double(answered.nsecsElapsed()) / 1e6;
                        whenWindowAnswers(answered, level,
                                          [&outcome](double ms) { outcome.answerMs = ms; });
                    });
                answered.start();
                pressLater(box, QStringLiteral("Yes"));
                phase = Phase::Stopping;
            }
            break;
        case Phase::Stopping:
            if (!outcome.stopped && !workersRunning(window) && !temporaries.found()) {
                outcome.stopMs = double(answered.nsecsElapsed()) / 1e6;
                outcome.stopped = true;
            }
            if (outcome.stopped && outcome.answerMs > 0)
                loop.quit();
            break;
        }
    });

    watch.start();
    window.btn_Backup->click();
    loop.exec();
    outcome.stopped = outcome.stopped && window.stx_status->text() == "Cancelled";
    return outcome;
}

} // namespace bench
