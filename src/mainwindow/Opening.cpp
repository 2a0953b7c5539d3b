#include "fw/Canvas.h"
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
    // A fresh file is written only once an unreadable one has been moved out of its way.
    if (!read && sets::setAsideUnreadableSettings(softwareName))
        SaveSettingsFile();

    Changed = true;
}

} // namespace mainwindow
