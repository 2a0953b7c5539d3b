#include "Confirmation.h"
#include "ErrorList.h"
#include "fw/DestinationLock.h"
#include "fw/Dialogs.h"
#include "fw/DiskThread.h"
#include "fw/FrameUpdates.h"
#include "fw/LabelText.h"
#include "fw/Services.h"
#include "fw/SleepInhibitor.h"
#include "fw/Text.h"
#include "fw/Thread.h"
#include "fw/Volume.h"
#include "ListEmptying.h"
#include "mainwindow/MainWindow.h"
#include "Panel.h"

#include <memory>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTimer>

namespace mainwindow {

namespace {

constexpr int backupPage = 2;

// What the checks before a run find of one set on the disks.
struct SetCheck {
    bool destinationFound = false;
    std::optional<fw::FolderItem> unmountedPoint;
    bool sourceFound = false;
    // The run's hold on the destination; none when another run holds it.
    std::shared_ptr<fw::DestinationLock> lock;
};

// Asked on the disk thread: a disk that has to spin up first holds the run, not the window.
SetCheck checkOnDisk(const fw::FolderItem& source,
                     const std::optional<fw::FolderItem>& destination) {
    SetCheck check;
    fw::onDiskThread([&] {
        if (destination) {
            check.destinationFound = destination->Exists();
            if (check.destinationFound)
                check.unmountedPoint = fw::UnmountedMountPoint(*destination);
            if (check.destinationFound && !check.unmountedPoint)
                check.lock = fw::DestinationLock::take(*destination);
        }
        check.sourceFound = source.Exists();
    });
    return check;
}

bool isRunning(const fw::Thread* thread) {
    return thread->State() == fw::Thread::Running;
}

void startRun(MainWindow& window) {
    if (window.checkingSets)
        return;
    window.checkingSets = true;
    const bool checked = [&window] {
        const auto done = qScopeGuard([&window] { window.checkingSets = false; });
        return window.checkSets();
    }();
    if (!checked)
        return;
    // A cancelled worker that waited for a disk ends once the disk thread has done what it was
    // given before; the new run starts after that.
    if (isRunning(window.thr_Build) || isRunning(window.thr_backup))
        fw::onDiskThread([] {});
    window.Changed = false;
    window.ErrorCount = 0;
    window.ClearBackupPanel();
    backup::emptyYielding(window.ErrorList);
    backup::appendEntry(window, "Started Backup");
    window.BackingUp = true;
    window.btn_Backup->setText(QStringLiteral("Cancel"));
    window.prb_Progress->setValue(0);
    window.tmrNoSleep->start();
    fw::holdAwake();
    window.thr_Build->Run();
}

// A killed worker runs none of its remaining steps, so the idle look is restored here.
void cancelRun(MainWindow& window) {
    if (!backup::confirmed("Cancel backup?",
                           std::string("Are you sure you want to cancel the backup") + fw::CR +
                               fw::CR))
        return;

    window.ClearCopyPath();
    if (isRunning(window.thr_Build))
        window.thr_Build->Kill();
    if (isRunning(window.thr_backup))
        window.thr_backup->Kill();

    window.BackingUp = false;
    window.tmrNoSleep->stop();
    fw::releaseAwake();
    window.destinationLocks.clear();
    window.btn_Backup->setText(QStringLiteral("Start Backup"));
    window.stx_status->setText(QStringLiteral("Cancelled"));
    fw::setText(window.stx_Info, "");
    backup::showIdlePictures(window);
    fw::showProgress(window.prb_Progress, 0);
    fw::Refresh(window.prb_Progress);
}

} // namespace

void MainWindow::btn_Backup_Action() {
    if (BackingUp)
        cancelRun(*this);
    else
        startRun(*this);
}

bool MainWindow::checkSets() {
    if (Sets.empty()) {
        fw::MsgBox("You don't have any sets to backup!");
        return false;
    }
    const std::string twoLines{fw::CR, fw::CR};
    bool result = true;
    destinationLocks.clear();
    for (std::size_t i = 0; i < Sets.size(); ++i) {
        if (setEnable[i]) {
            // Held by value: the window answers while the disks are asked, and the sets may
            // change meanwhile.
            const fw::FolderItem source = Sets[i];
            const std::optional<fw::FolderItem> destination = DestinationFolder[i];
            SetCheck check = checkOnDisk(source, destination);
            if (!destination) {
                fw::MsgBox("You have not got a destination folder for set : " + source.Name() +
                           twoLines);
                result = false;
            } else if (!check.destinationFound) {
                fw::MsgBox("Cannot find destination folder!" + twoLines +
                           makeTextPath(*destination));
                result = false;
            } else if (check.unmountedPoint) {
                // Written now, the backup would land in the empty mount-point folder on the
                // disk beneath it.
                fw::MsgBox("Destination disk is not mounted!" + twoLines +
                           makeTextPath(*check.unmountedPoint));
                result = false;
            } else if (check.lock) {
                destinationLocks.push_back(std::move(check.lock));
            } else {
                // Another run's temporaries are in its staging folder.
                fw::MsgBox("Destination folder is in use by another backup!" + twoLines +
                           makeTextPath(*destination));
                result = false;
            }
            if (!check.sourceFound) {
                fw::MsgBox("Cannot find source folder for set '" + source.Name() + "' !" +
                           twoLines + makeTextPath(source));
                result = false;
            }
        }
        fw::yieldPoint();
    }
    if (!result)
        destinationLocks.clear();
    return result;
}

void MainWindow::ClearBackupPanel() {
    stx_status->setText(QStringLiteral("Ready"));
    for (QLabel* value : {stx_fileCount, stx_filesCopied, stx_filesUpdated, stx_DataWritten})
        fw::setText(value, "-");
    fw::setText(stx_Info, "");
    fw::setText(stx_files, "");
    ClearCopyPath();
    prb_Progress->setValue(0);
}

// While a worker runs, the user is held on the "Backup" page. Setting the page from here
// raises this event again; that nested pass finds the "Backup" page and only refreshes it.
void MainWindow::TabPanel1_Change() {
    if (isRunning(thr_Build) && TabPanel1->currentIndex() != backupPage)
        TabPanel1->setCurrentIndex(backupPage);
    if (isRunning(thr_backup) && TabPanel1->currentIndex() != backupPage)
        TabPanel1->setCurrentIndex(backupPage);
    if (TabPanel1->currentIndex() != backupPage)
        return;
    if (Changed)
        ClearBackupPanel();
    int enabled = 0;
    for (std::size_t i = 0; i < setEnable.size(); ++i) {
        if (setEnable[i])
            ++enabled;
        fw::yieldPoint();
    }
    btn_Backup->setEnabled(enabled > 0);
}

void MainWindow::tmrNoSleep_Action() {
    fw::SimulateUserActivity();
}

} // namespace mainwindow
