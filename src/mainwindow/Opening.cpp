#include "fw/Canvas.h"
#include "fw/Dialogs.h"
#include "fw/FileAccess.h"
#include "fw/Text.h"
#include "fw/Thread.h"
#include "MainWindow.h"
#include "sets/SetRow.h"
#include "sets/SettingsFile.h"
#include "shell/Pictures.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace mainwindow {

void MainWindow::Event_Open() {
    softwareName = "Tolvane";
    setWindowTitle(fw::toQString(softwareName));
    btn_Destination->setEnabled(false);
    ::MainWindow().setBackdrop(shell::background());
    cvs_topRight->setBackdrop(shell::hard_drive());
    cvs_middle->setBackdrop(QPixmap());
    stx_Scrolling->hide();
    tmrNoSleep->stop();

    const bool read = OpenSettingsFile();
    // A file that failed partway has left the sets read before the failure in memory: they
    // get their rows too, so that the sets and the popup stay in step.
    if (read || !Sets.empty()) {
        pmn_Sets->clear();
        chb_enableSet->setChecked(false);
        chb_enableSet->setEnabled(false);
        for (std::size_t i = 0; i < Sets.size(); ++i) {
            pmn_Sets->addItem(sets::setRow(Sets[i], setEnable.at(i)));
            chb_enableSet->setEnabled(true);
            fw::yieldPoint();
        }
        pmn_Sets->setCurrentIndex(0);
        ShowPath(0);
    }
    if (!read)
        replaceUnreadSettings();

    Changed = true;
}

// A missing settings file is written afresh without a word, through a link whose target is
// missing too. One this user may not read, and a link into a folder that is not there (an
// unmounted volume), are left as they are (the saves leave them alone too) and the window
// works from memory. Any other (a pipe or a device in the file's place among them) is moved
// aside first, so that the fresh file destroys nothing, and the user is told where it went.
void MainWindow::replaceUnreadSettings() {
    const fw::FolderItem file = sets::settingsFile(softwareName);
    const std::string keptInMemory =
        "changes to the backup sets and exclusion lists are kept only until " + softwareName +
        " quits.";
    if (fw::readingDenied(file)) {
        settingsLeftAlone_ = true;
        fw::MsgBox(softwareName + " may not read its settings file " + file.AbsolutePath() + "." +
                   std::string(2, fw::CR) + "The file is left as it is, and " + keptInMemory);
        return;
    }
    if (const std::optional<fw::FolderItem> target = fw::unreachableLinkTarget(file)) {
        settingsLeftAlone_ = true;
        fw::MsgBox("The settings file " + file.AbsolutePath() + " is a link to " +
                   target->AbsolutePath() + ", whose folder cannot be found." +
                   std::string(2, fw::CR) + "The link is left as it is, and " + keptInMemory);
        return;
    }
    if (!file.Exists()) {
        SaveSettingsFile();
        return;
    }
    if (const std::optional<fw::FolderItem> kept = sets::setAsideUnreadableSettings(softwareName)) {
        SaveSettingsFile();
        fw::MsgBox("The settings file could not be read and has been kept as " +
                   kept->AbsolutePath() + "." + std::string(2, fw::CR) +
                   "A new settings file holds the backup sets and exclusion lists read before "
                   "the fault.");
    }
}

} // namespace mainwindow
