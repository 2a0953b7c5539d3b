#pragma once

#include "FolderItem.h"

#include <optional>
#include <string>

// Modal dialogs. Texts are UTF-8; a CR in a message is a line break. Tests answer the real
// dialogs by finding QApplication::activeModalWidget() and pressing a button by caption.
namespace fw {

// A modal message with one "OK" button. Once a termination signal has been taken
// (terminationRequested), this and MessageDialog return at once without showing anything.
void MsgBox(const std::string& text);

class MessageDialog {
public:
    struct Button {
        std::string Caption;
        bool Visible = true;
        bool Default = false;
    };

    // The icons a dialog can show, by their numbers.
    static constexpr int NoteIcon = 0;
    static constexpr int CautionIcon = 1;
    static constexpr int StopIcon = 2;
    static constexpr int QuestionIcon = 3;

    int Icon = NoteIcon;
    std::string Title;
    std::string Message;
    std::string Explanation;
    Button ActionButton{"OK", true, true};
    Button AlternateActionButton{"Don't Save", false, false};
    Button CancelButton{"Cancel", false, false};

    // Shows the dialog modally and returns the button pressed (one of the three members);
    // closing it with Escape counts as the cancel button. None when it was closed otherwise.
    const Button* ShowModal();
};

class SelectFolderDialog {
public:
    std::string Title;
    std::string PromptText;
    // The folder chosen, or none when the user cancelled.
    std::optional<FolderItem> ShowModal();
};

} // namespace fw
