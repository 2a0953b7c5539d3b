#include "ExclusionEntry.h"
#include "fw/Text.h"
#include "fw/Thread.h"
#include "mainwindow/MainWindow.h"

#include <QLineEdit>
#include <QListWidget>

namespace {

// Which of the two exclusion lists an entry is typed for.
enum class ExclusionList { Extensions, Contains };

// The text without control characters (line breaks, tabs and the rest of C0, DEL, C1).
std::string withoutControls(const std::string& text) {
    QString kept = fw::toQString(text);
    kept.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return fw::fromQString(kept);
}

// Adds the text typed into txf_String to `list`: lower case, for an extension without any
// dot, without "?" (the settings file's separator) and control characters (a pasted line
// break would split the settings file's line), and trimmed. Empty input and an entry
// already in the list are dropped without a word; the field is emptied in every case.
void addTypedEntry(mainwindow::MainWindow& window, QListWidget& list, ExclusionList kind) {
    std::string entry = fw::Lowercase(fw::fromQString(window.txf_String->text()));
    if (kind == ExclusionList::Extensions)
        entry = fw::ReplaceAll(entry, ".", "");
    entry = fw::Trim(withoutControls(fw::ReplaceAll(entry, "?", "")));

    bool found = false;
    for (int row = 0; row < list.count(); ++row) {
        if (sets::exclusionText(list, row) == entry)
            found = true;
        fw::yieldPoint();
    }
    if (!found && !entry.empty()) {
        sets::appendExclusion(list, entry);
        window.SaveSettingsFile();
    }
    window.Changed = true;
    window.txf_String->clear();
}

void removeSelectedEntry(mainwindow::MainWindow& window, QListWidget& list) {
    const QList<QListWidgetItem*> selected = list.selectedItems();
    if (!selected.isEmpty())
        delete list.takeItem(list.row(selected.constFirst()));
    window.Changed = true;
    window.SaveSettingsFile();
}

} // namespace

namespace mainwindow {

void MainWindow::btn_AddToExten_Action() {
    addTypedEntry(*this, *lsb_Extensions, ExclusionList::Extensions);
}

void MainWindow::btn_AddToContains_Action() {
    addTypedEntry(*this, *lsb_Contains, ExclusionList::Contains);
}

void MainWindow::btn_DeleteExt_Action() {
    removeSelectedEntry(*this, *lsb_Extensions);
}

void MainWindow::btn_DeleteContain_Action() {
    removeSelectedEntry(*this, *lsb_Contains);
}

} // namespace mainwindow
