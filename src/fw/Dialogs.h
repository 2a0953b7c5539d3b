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

    int Icon = 0; // 0 note, 1 caution, 2 stop, 3 question
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
