#include "Panel.h"

#include "fw/Canvas.h"
#include "fw/FrameUpdates.h"
#include "mainwindow/MainWindow.h"
#include "shell/Pictures.h"

#include <QLabel>

namespace backup {

void showIdlePictures(mainwindow::MainWindow& window) {
    window.stx_Scrolling->setVisible(false);
    window.cvs_topRight->setBackdrop(shell::hard_drive());
    fw::Refresh(window.cvs_topRight);
    window.cvs_middle->setBackdrop(QPixmap());
    fw::Refresh(window.cvs_middle);
}

} // namespace backup
