#include "fw/Dialogs.h"
#include "fw/Services.h"
#include "fw/Text.h"
#include "help/Help.h"
#include "mainwindow/MainWindow.h"
#include "shell/Tolvane.h"

#include <QAction>
#include <QUrl>

namespace mainwindow {

namespace {

// The product's download page.
const char* const downloadPage = "https://www.tolvane.app/Download/Download.html";

} // namespace

void MainWindow::AddMenuHandlers(MainWindow& window) {
    connect(window.menuInstructions(), &QAction::triggered, &window,
            &MainWindow::_menuInstructions_Action);
    connect(window.menuAbout(), &QAction::triggered, &window, &MainWindow::_menuAbout_Action);
    connect(window.menuCheckUpdate(), &QAction::triggered, &window,
            &MainWindow::_menuCheckUpdate_Action);
}

bool MainWindow::_menuInstructions_Action() {
    help::Help& window = ::Help();
    window.show();
    window.raise();
    window.activateWindow();
    return true;
}

bool MainWindow::_menuAbout_Action() {
    const shell::Tolvane& app = App();
    const std::string version =
        fw::Str(app.MajorVersion) + "." + fw::Str(app.MinorVersion) + "." + fw::Str(app.BugVersion);
    fw::MessageDialog dialog;
    dialog.Icon = fw::MessageDialog::NoteIcon;
    dialog.ActionButton.Caption = "OK";
    dialog.CancelButton.Visible = false;
    dialog.AlternateActionButton.Visible = false;
    dialog.Explanation.clear();
    dialog.Title = softwareName + " - About";
    dialog.Message = softwareName + " " + version;
    dialog.ShowModal();
    return true;
}

bool MainWindow::_menuCheckUpdate_Action() {
    fw::ShowURL(QUrl(downloadPage));
    return true;
}

} // namespace mainwindow
