#include "ErrorList.h"

#include "fw/Date.h"
#include "fw/FolderItem.h"
#include "fw/Text.h"
#include "fw/Thread.h"
#include "mainwindow/MainWindow.h"

namespace backup {

std::string ErrorListEntry(std::string_view message) {
    std::string entry = fw::Date().SQLDateTime();
    entry += " - ";
    entry += message;
    return entry;
}

void appendEntry(mainwindow::MainWindow& window, std::string_view message) {
    window.ErrorList.push_back(ErrorListEntry(message));
}

void countError(mainwindow::MainWindow& window, std::string_view message) {
    appendEntry(window, message);
    window.ErrorCount += 1;
}

} // namespace backup

namespace mainwindow {

// Throws fw::FileError when the Desktop folder or the file cannot be written; the Desktop
// folder is not created when it is missing.
void MainWindow::SaveErrorList() {
    const std::string name = fw::ReplaceAll("Tolvane " + fw::Date().SQLDateTime(), ":", ";");
    const std::unique_ptr<fw::TextOutputStream> file =
        fw::SpecialFolder(fw::SpecialFolderKind::Desktop).Child(name).CreateTextFile();
    file->WriteLine("Error List");
    file->WriteLine("");
    // The bound is read afresh on every pass: the list may grow while this yields.
    for (std::size_t i = 0; i < ErrorList.size(); ++i) {
        file->WriteLine(ErrorList[i]);
        fw::yieldPoint();
    }
    file->Close();
}

} // namespace mainwindow
