#include "fw/Dialogs.h"
#include "fw/FileAccess.h"
#include "fw/Text.h"
#include "fw/Thread.h"
#include "mainwindow/MainWindow.h"
#include "SetRow.h"

#include <QCheckBox>
#include <QComboBox>

namespace {

// What in a path the settings file cannot store, empty when nothing. The file separates its
// fields with "?" and its lines with line breaks and has no escape: a set line holding such
// a path would be dropped or cut short at the next start, the set lost or pointed elsewhere.
std::string unstorablePart(const std::string& path) {
    if (path.find('?') != std::string::npos)
        return "a \"?\"";
    if (path.find_first_of("\n\r") != std::string::npos)
        return "a line break";
    return {};
}

} // namespace

namespace mainwindow {

bool MainWindow::SelectAFolder(const std::string& kind) {
    const bool source = kind == "source";
    fw::SelectFolderDialog dialog;
    dialog.PromptText =
        source ? "Please select a source folder" : "Please select a destination folder";
    dialog.Title = source ? "Source folder" : "Destination folder";
    const std::optional<fw::FolderItem> chosen = dialog.ShowModal();
    if (!chosen)
        return false;
    if (const std::string unstorable = unstorablePart(chosen->AbsolutePath());
        !unstorable.empty()) {
        fw::MsgBox("The selected folder cannot be used because its path contains " + unstorable +
                   ", which the settings file cannot store. Please choose another folder.");
        return false;
    }
    (source ? SourceFolder : DestFolder) = chosen;
    return true;
}

void MainWindow::SelectSourceFolder() {
    if (!SelectAFolder("source"))
        return;
    Sets.push_back(*SourceFolder);
    setEnable.push_back(true);
    DestinationFolder.emplace_back(std::nullopt);
    pmn_Sets->addItem(sets::setRow(*SourceFolder, true));
}

void MainWindow::btn_New_Action() {
    const int before = pmn_Sets->currentIndex();
    SelectSourceFolder();
    pmn_Sets->setCurrentIndex(pmn_Sets->count() - 1);
    // A new selection has been shown by pmn_Sets_Change; an unchanged one is shown here.
    if (pmn_Sets->currentIndex() == before)
        ShowPath(pmn_Sets->currentIndex());
    SaveSettingsFile();
}

void MainWindow::btn_Destination_Action() {
    const int sel = pmn_Sets->currentIndex();
    if (!SelectAFolder("destination"))
        return;
    if (sel > -1) {
        std::optional<fw::FolderItem>& destination = DestinationFolder.at(std::size_t(sel));
        destination = DestFolder;
        // Whole path texts are compared; every folder path ends in ":", so a sibling whose
        // name merely begins with the source's name is not taken for a folder inside it.
        // Links are resolved first: a destination reached through a link into the source
        // lies inside it all the same, and so does one inside a source chosen by a link.
        const std::string d = fw::realItem(*destination).AbsolutePath();
        const std::string s = fw::realItem(Sets.at(std::size_t(sel))).AbsolutePath();
        const bool same = d == s;
        const bool inside = d.find(s) != std::string::npos;
        const bool contains = s.find(d) != std::string::npos;
        if (same)
            fw::MsgBox("The selected folder is the same as the source folder!");
        else if (inside)
            fw::MsgBox("The selected folder is inside the source folder!");
        else if (contains)
            fw::MsgBox("The selected folder contains the source folder!");
        if (same || inside || contains)
            destination.reset();
        else
            Changed = true;
    }
    ShowPath(sel);
    SaveSettingsFile();
}

void MainWindow::pmn_Sets_Change() {
    ShowPath(pmn_Sets->currentIndex());
}

// While the menu is open no row is selected, so that picking the current row again still
// counts as a change; leaving without a pick puts the saved row back.
bool MainWindow::pmn_Sets_MouseDown(std::int32_t, std::int32_t) {
    pmnCurrent = pmn_Sets->currentIndex();
    pmn_Sets->setCurrentIndex(-1);
    return false;
}

void MainWindow::pmn_Sets_MouseExit() {
    if (pmn_Sets->currentIndex() == -1 && pmn_Sets->count() > 0)
        pmn_Sets->setCurrentIndex(pmnCurrent);
}

void MainWindow::btn_Delete_Action() {
    if (pmn_Sets->currentIndex() > -1) {
        fw::MessageDialog dialog;
        dialog.Icon = fw::MessageDialog::QuestionIcon;
        dialog.ActionButton.Caption = "Yes";
        dialog.ActionButton.Default = false;
        dialog.CancelButton.Visible = false;
        dialog.AlternateActionButton.Visible = true;
        dialog.AlternateActionButton.Caption = "No";
        dialog.AlternateActionButton.Default = true;
        dialog.Title = "Delete?";
        dialog.Message =
            "Are you sure you want to remove this backup set" + std::string(2, fw::CR) +
            Sets.at(std::size_t(pmn_Sets->currentIndex())).Name() + " ?" + std::string(2, fw::CR);
        dialog.Explanation.clear();
        if (dialog.ShowModal() == &dialog.ActionButton) {
            DeleteASet(Sets.at(std::size_t(pmn_Sets->currentIndex())));
            if (pmn_Sets->count() > 0)
                pmn_Sets->setCurrentIndex(0);
        }
    }
    if (pmn_Sets->count() == 0) {
        chb_enableSet->setChecked(false);
        chb_enableSet->setEnabled(false);
    }
    SaveSettingsFile();
}

// The set is found by identity, not by path: one folder may be the source of several sets,
// and only the one given goes.
void MainWindow::DeleteASet(const fw::FolderItem& source) {
    int idx = -1;
    for (std::size_t i = 0; i < Sets.size(); ++i) {
        if (&Sets[i] == &source)
            idx = int(i);
        fw::yieldPoint();
    }
    if (idx < 0)
        return;
    Sets.erase(Sets.begin() + idx);
    DestinationFolder.erase(DestinationFolder.begin() + idx);
    setEnable.erase(setEnable.begin() + idx);
    pmn_Sets->removeItem(idx);
    Changed = true;
}

void MainWindow::chb_enableSet_Action() {
    setEnableBox();
    Changed = true;
}

void MainWindow::setEnableBox() {
    const int i = pmn_Sets->currentIndex();
    if (i == -1)
        return;
    const bool enabled = chb_enableSet->isChecked();
    setEnable.at(std::size_t(i)) = enabled;
    pmn_Sets->setItemText(i, sets::setRow(Sets.at(std::size_t(i)), enabled));
    // The row is rewritten in place and stays selected, so the popup raises no Change of
    // its own: show the set in the colours of its new state here.
    ShowPath(i);
    SaveSettingsFile();
}

} // namespace mainwindow
