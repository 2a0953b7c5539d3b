#pragma once

#include <memory>
#include <QString>
#include <QStringList>

// Answers the real modal dialogs of the code under test, the way a user would: a timer
// finds QApplication::activeModalWidget() and presses a button. Answers are queued and used
// in order, one per dialog, so a test can answer a sequence of dialogs. The timer also fires
// inside the nested event loop of a dialog opened by a worker thread.
//
// A queued answer that finds no dialog within its time limit fails the test (ADD_FAILURE)
// and is dropped; a dialog of the wrong kind, or without the requested button, fails the
// test and is dismissed, so a test never hangs in a dialog.

// What a dialog showed. Filled when the dialog is answered; read it after the code under
// test has returned (or after waitForDialogs()).
struct SeenDialog {
    bool answered = false; // the dialog appeared and the answer was given
    QString title;         // window title
    QString text;          // message; for a folder dialog its prompt
    QString informativeText;
    QStringList buttons; // captions of the shown buttons, left to right
    QString defaultButton;
    int icon = 0; // QMessageBox::Icon of a message box
};

inline constexpr int kDefaultDialogTimeoutMs = 10000;

// Waits for the next message box (MsgBox, MessageDialog, an error report) and presses the
// button with this caption.
std::shared_ptr<SeenDialog> answerNextDialog(const QString& caption,
                                             int timeoutMs = kDefaultDialogTimeoutMs);

// Waits for the next folder chooser and accepts it with this folder chosen.
std::shared_ptr<SeenDialog> chooseFolderInNextDialog(const QString& nativePath,
                                                     int timeoutMs = kDefaultDialogTimeoutMs);

// Waits for the next folder chooser and cancels it.
std::shared_ptr<SeenDialog> cancelNextFolderDialog(int timeoutMs = kDefaultDialogTimeoutMs);

// Processes events until every queued answer has been used (or dropped); false when some
// are still waiting after timeoutMs.
bool waitForDialogs(int timeoutMs = kDefaultDialogTimeoutMs);
