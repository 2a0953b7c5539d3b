#include "Confirmation.h"

#include "fw/Dialogs.h"

namespace backup {

bool confirmed(const std::string& title, const std::string& message) {
    fw::MessageDialog dialog;
    dialog.Icon = fw::MessageDialog::QuestionIcon;
    dialog.ActionButton = {.Caption = "Yes", .Visible = true, .Default = false};
    dialog.CancelButton.Visible = false;
    dialog.AlternateActionButton = {.Caption = "No", .Visible = true, .Default = true};
    dialog.Title = title;
    dialog.Message = message;
    dialog.Explanation = "";
    return dialog.ShowModal() == &dialog.ActionButton;
}

} // namespace backup
