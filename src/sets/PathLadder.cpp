#include "fw/DesignLayout.h"
#include "fw/FrameUpdates.h"
#include "fw/LabelText.h"
#include "fw/Text.h"
#include "fw/Thread.h"
#include "mainwindow/MainWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {

using Ladder = std::array<QLabel*, 7>;

// ":……" stands for the components left out above the last six; ":…" starts every line
// below the first.
const std::string elidedMark = ":\u2026\u2026";
const std::string lineMark = ":\u2026";
const std::string indentUnit = "  ";

// The text colour of a set ladder for the set's flag and whether the folder shown exists.
QColor stateColour(bool enabled, bool exists) {
    if (enabled)
        return exists ? QColor(0, 0, 0) : QColor(255, 0, 0);
    return exists ? QColor(160, 160, 160) : QColor(255, 127, 127);
}

void paintLadder(const Ladder& ladder, const QColor& colour) {
    for (QLabel* label : ladder) {
        fw::setTextColor(*label, colour);
        fw::yieldPoint();
    }
}

// Sets one line; `withFrame`, as a run shows what it does: with the window's next frame.
// A line that already shows the text needs nothing: during a run, item after item comes from
// the same folder, and redrawing unchanged lines would spend the run's time painting.
void showLine(QLabel& line, const std::string& text, bool withFrame) {
    if (withFrame)
        fw::showText(&line, text);
    else
        fw::setText(&line, text);
}

// One path component per line. A path of more than six components shows only the last six
// below the mark ":……". The last piece of a split colon path (empty for a folder) is never
// shown.
void fillLadder(const Ladder& ladder, const std::string& path, bool withFrame) {
    const std::vector<std::string> pieces = fw::Split(path, ":");
    const std::size_t last = pieces.size() - 1;
    if (last > 6) {
        showLine(*ladder[0], elidedMark, withFrame);
        for (std::size_t i = 1; i < ladder.size(); ++i) {
            showLine(*ladder[i], lineMark + pieces[last - 7 + i], withFrame);
            fw::yieldPoint();
        }
        return;
    }
    for (std::size_t i = 0; i < ladder.size(); ++i) {
        showLine(*ladder[i], i < last ? (i > 0 ? lineMark : std::string()) + pieces[i] : "",
                 withFrame);
        fw::yieldPoint();
    }
}

} // namespace

namespace mainwindow {

void MainWindow::ShowPath(std::int32_t index) {
    const bool valid = index >= 0 && index < pmn_Sets->count();
    if (valid) {
        chb_enableSet->setEnabled(true);
        btn_Destination->setEnabled(true);
        const fw::FolderItem& source = Sets.at(std::size_t(index));
        const bool enabled = setEnable.at(std::size_t(index));
        chb_enableSet->setChecked(enabled);
        paintLadder(stx_setPath, stateColour(enabled, source.Exists()));
        fillLadder(stx_setPath, source.AbsolutePath(), false);
    } else {
        fw::setTextColor(*stx_setPath[0], QColor(0, 0, 0));
        stx_setPath[0]->setText(QStringLiteral("Please add a backup set"));
        for (std::size_t i = 1; i < stx_setPath.size(); ++i) {
            stx_setPath[i]->clear();
            stx_destPath[i]->clear();
            fw::yieldPoint();
        }
        btn_Destination->setEnabled(false);
    }

    if (pmn_Sets->currentIndex() < 0 || !valid)
        return;
    const bool enabled = setEnable.at(std::size_t(index));
    if (const std::optional<fw::FolderItem>& destination =
            DestinationFolder.at(std::size_t(index))) {
        chb_enableSet->setChecked(enabled);
        paintLadder(stx_destPath, stateColour(enabled, destination->Exists()));
        fillLadder(stx_destPath, destination->AbsolutePath(), false);
        return;
    }
    // Keeps the colour of whatever the label showed before.
    stx_destPath[0]->setText(QStringLiteral("none selected"));
    for (std::size_t i = 1; i < stx_destPath.size(); ++i) {
        stx_destPath[i]->clear();
        fw::yieldPoint();
    }
}

// During a run item after item comes from the same folder: a folder the ladder shows already
// costs one comparison of its path, not seven lines. What is shown is always a folder, the
// one an item was found in, so its path is not examined again.
void MainWindow::ShowCopyPath(const std::optional<fw::FolderItem>& folder) {
    if (!folder || folder->nativePath() == copyLadderFolder_)
        return;
    copyLadderFolder_ = folder->nativePath();
    fillLadder(stx_copyPath, folder->absoluteFolderPath(), true);
}

void MainWindow::ClearCopyPath() {
    copyLadderFolder_.clear();
    for (QLabel* line : stx_copyPath) {
        fw::setText(line, "");
        fw::yieldPoint();
    }
}

std::string MainWindow::makeTextPath(const fw::FolderItem& item) {
    const std::vector<std::string> pieces = fw::Split(item.AbsolutePath(), ":");
    std::string text = pieces[0] + fw::CR;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        if (!pieces[i].empty()) {
            // An empty piece adds no line but still counts in the indentation after it.
            for (std::size_t unit = 0; unit < i; ++unit) {
                text += indentUnit;
                fw::yieldPoint();
            }
            text += lineMark + pieces[i] + fw::CR;
        }
        fw::yieldPoint();
    }
    return text;
}

} // namespace mainwindow
