#include "fw/FolderItem.h"
#include "mainwindow/MainWindow.h"
#include "sets/SetsTesting.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

using namespace sets_testing;

namespace {

std::vector<QColor> colours(const std::array<QLabel*, 7>& ladder) {
    std::vector<QColor> shown;
    for (const QLabel* label : ladder)
        shown.push_back(label->palette().color(QPalette::WindowText));
    return shown;
}

std::vector<QColor> allOf(const QColor& colour) {
    return std::vector<QColor>(7, colour);
}

const QColor black(0, 0, 0);
const QColor red(255, 0, 0);
const QColor grey(160, 160, 160);
const QColor lightRed(255, 127, 127);

// A folder below `root` whose colon path has exactly `components` components, the volume
// "/" counted; the names of its components, the volume first.
QStringList folderWithComponents(const QString& root, int components, QString& folder) {
    QStringList names = QDir::cleanPath(root).split('/', Qt::SkipEmptyParts);
    names.prepend("/");
    folder = root;
    for (int level = 1; names.size() < components; ++level) {
        names << QStringLiteral("level%1").arg(level);
        folder += QStringLiteral("/level%1").arg(level);
    }
    makeFolder(folder, ".");
    return names;
}

TEST(PathLadder, ShortAndElidedFormsForOneSixSevenAndNineComponents) {
    mainwindow::MainWindow& window = ::MainWindow();
    QTemporaryDir root;
    ASSERT_LE(QDir::cleanPath(root.path()).count('/') + 1, 6) << "temporary folder too deep";

    window.ShowCopyPath(fw::FolderItem::fromNativePath("/"));
    EXPECT_EQ(ladderTexts(window.stx_copyPath), QStringList({"/", "", "", "", "", "", ""}));

    QString folder;
    QStringList names = folderWithComponents(root.path(), 6, folder);
    window.ShowCopyPath(fw::FolderItem::fromNativePath(folder.toStdString()));
    EXPECT_EQ(ladderTexts(window.stx_copyPath),
              QStringList({names[0], ":…" + names[1], ":…" + names[2], ":…" + names[3],
                           ":…" + names[4], ":…" + names[5], ""}));

    names = folderWithComponents(root.path(), 7, folder);
    window.ShowCopyPath(fw::FolderItem::fromNativePath(folder.toStdString()));
    EXPECT_EQ(ladderTexts(window.stx_copyPath),
              QStringList({":……", ":…" + names[1], ":…" + names[2], ":…" + names[3],
                           ":…" + names[4], ":…" + names[5], ":…" + names[6]}));

    names = folderWithComponents(root.path(), 9, folder);
    window.ShowCopyPath(fw::FolderItem::fromNativePath(folder.toStdString()));
    EXPECT_EQ(ladderTexts(window.stx_copyPath),
              QStringList({":……", ":…" + names[3], ":…" + names[4], ":…" + names[5],
                           ":…" + names[6], ":…" + names[7], ":…" + names[8]}));

    window.ShowCopyPath(std::nullopt);
    EXPECT_EQ(ladderTexts(window.stx_copyPath)[0], ":……");
    EXPECT_EQ(ladderTexts(window.stx_copyPath)[6], ":…" + names[8]);

    // A new run empties the ladder; its first folder may be the one the last run ended in.
    const QStringList lastShown = ladderTexts(window.stx_copyPath);
    window.ClearCopyPath();
    EXPECT_EQ(ladderTexts(window.stx_copyPath), QStringList(7, ""));
    window.ShowCopyPath(fw::FolderItem::fromNativePath(folder.toStdString()));
    EXPECT_EQ(ladderTexts(window.stx_copyPath), lastShown);
}

TEST(PathLadder, SetLaddersTakeTheColourOfTheSetsState) {
    QTemporaryDir root;
    const QString here = makeFolder(root.path(), "here");
    const QString there = makeFolder(root.path(), "there");
    const QString gone = root.path() + "/gone";
    writeSettings({"set?1?" + colonPath(here) + "?" + colonPath(there),
                   "set?1?" + colonPath(gone) + "?" + colonPath(gone),
                   "set?0?" + colonPath(here) + "?" + colonPath(there),
                   "set?0?" + colonPath(gone) + "?" + colonPath(gone),
                   "set?1?" + colonPath(here) + "?", "cont:", "ext:"});
    mainwindow::MainWindow& window = ::MainWindow();
    ASSERT_EQ(window.pmn_Sets->count(), 5);

    struct State {
        QColor colour;
        bool ticked;
    };
    const State states[] = {{black, true}, {red, true}, {grey, false}, {lightRed, false}};
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        window.pmn_Sets->setCurrentIndex(row);
        EXPECT_EQ(colours(window.stx_setPath), allOf(states[row].colour));
        EXPECT_EQ(colours(window.stx_destPath), allOf(states[row].colour));
        EXPECT_EQ(window.chb_enableSet->isChecked(), states[row].ticked);
        EXPECT_TRUE(window.chb_enableSet->isEnabled());
        EXPECT_TRUE(window.btn_Destination->isEnabled());
    }
    window.pmn_Sets->setCurrentIndex(2);
    EXPECT_TRUE(ladderTexts(window.stx_setPath).contains(":…here"));
    EXPECT_TRUE(ladderTexts(window.stx_destPath).contains(":…there"));
    window.pmn_Sets->setCurrentIndex(3);

    // Row 3's missing destination left the destination ladder light red.
    window.pmn_Sets->setCurrentIndex(4);
    EXPECT_EQ(ladderTexts(window.stx_destPath),
              QStringList({"none selected", "", "", "", "", "", ""}));
    EXPECT_EQ(window.stx_destPath[0]->palette().color(QPalette::WindowText), lightRed);
    EXPECT_EQ(colours(window.stx_setPath), allOf(black));
}

TEST(PathLadder, NoCurrentSetShowsThePromptAndLeavesTheTopDestinationLine) {
    QTemporaryDir root;
    const QString gone = root.path() + "/gone";
    writeSettings({"set?1?" + colonPath(gone) + "?" + colonPath(gone), "cont:", "ext:"});
    mainwindow::MainWindow& window = ::MainWindow();
    const QString destinationTop = window.stx_destPath[0]->text();
    ASSERT_EQ(colours(window.stx_setPath), allOf(red));

    window.pmn_Sets->setCurrentIndex(-1);
    EXPECT_EQ(ladderTexts(window.stx_setPath),
              QStringList({"Please add a backup set", "", "", "", "", "", ""}));
    EXPECT_EQ(window.stx_setPath[0]->palette().color(QPalette::WindowText), black);
    EXPECT_EQ(ladderTexts(window.stx_destPath),
              QStringList({destinationTop, "", "", "", "", "", ""}));
    EXPECT_EQ(window.stx_destPath[0]->palette().color(QPalette::WindowText), red);
    EXPECT_FALSE(window.btn_Destination->isEnabled());
}

TEST(PathLadder, TextFormIndentsByPositionAndSkipsEmptyPieces) {
    mainwindow::MainWindow& window = ::MainWindow();
    EXPECT_EQ(window.makeTextPath(fw::GetFolderItem("Disk:Users::ann:")),
              "Disk\r  :…Users\r      :…ann\r");

    QTemporaryDir root;
    const QString folder = makeFolder(root.path(), "a");
    QStringList names = QDir::cleanPath(folder).split('/', Qt::SkipEmptyParts);
    QString expected = "/\r";
    for (int i = 0; i < names.size(); ++i)
        expected += QString(2 * (i + 1), ' ') + ":…" + names[i] + "\r";
    EXPECT_EQ(QString::fromStdString(
                  window.makeTextPath(fw::FolderItem::fromNativePath(folder.toStdString()))),
              expected);
}

} // namespace
