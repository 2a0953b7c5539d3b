#pragma once

#include <array>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace mainwindow {
class MainWindow;
}

// The settings file of the test process ($HOME/.local/share/Tolvane/settings), real folders
// to use as sources and destinations, and what the window's lists and ladders show.
namespace sets_testing {

QString settingsPath();

// Writes the settings file as these lines, each ending in LF, or as these bytes; call it
// before the main window is first built.
void writeSettings(const QStringList& lines);
void writeSettingsBytes(const QByteArray& bytes);

// Quits and starts again: the main window is destroyed, as when the program ends, and a new
// one is built, which opens and reads the settings file.
mainwindow::MainWindow& startAgain();

// The lines of the settings file; empty when it cannot be read.
QStringList settingsLines();

// The whole settings file as bytes.
QByteArray settingsBytes();

// Creates the folder `relative` (and its parents) below `root`; its native path.
QString makeFolder(const QString& root, const QString& relative);

// The colon path of an existing folder: "/:tmp:a:" for /tmp/a.
QString colonPath(const QString& nativeFolder);

// The set line of the settings file for a set.
QString setLine(bool enabled, const QString& sourceFolder, const QString& destinationFolder = {});

// The texts of the rows of a list box, of a popup, of the lines of a path ladder.
QStringList listRows(const QListWidget& list);
QStringList popupRows(const QComboBox& popup);
QStringList ladderTexts(const std::array<QLabel*, 7>& ladder);

// Types `text` into txf_String and presses `button`.
void typeAndPress(mainwindow::MainWindow& window, const QString& text, QPushButton* button);

} // namespace sets_testing
