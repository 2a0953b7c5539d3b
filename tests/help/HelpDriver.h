#pragma once

#include <QList>
#include <QString>

class QLabel;

namespace help {
class Help;
}

// Drives the Help window the way a user does: through the main window's menu and by
// clicking the topic links.
namespace help_test {

// Chooses "Instructions" in the main window's Help menu and returns the Help window.
help::Help& chooseInstructions();

// The Help windows that exist, after the deletions of closed ones have run.
QList<help::Help*> existingHelpWindows();

// The control of the Help window with this design name; fails the test when it is missing.
QLabel* label(help::Help& window, const QString& name);

// Clicks a topic link of the Help window.
void clickLink(help::Help& window, const QString& name);

} // namespace help_test
