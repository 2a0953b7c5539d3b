#include "Dialogs.h"

#include "TerminationSignals.h"
#include "Text.h"
#include "UserDisks.h"

#include <array>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>
#include <QUrl>

namespace fw {

namespace {

// Messages are plain text: a file name holding "<b>" must show as it is, not as markup.
void setPlainMessage(QMessageBox& box, const QString& text) {
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
}

// The informative text has no format of its own, so it goes in as escaped rich text.
void setPlainExplanation(QMessageBox& box, const QString& text) {
    if (!text.isEmpty())
        box.setInformativeText(Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal));
}

QMessageBox::Icon messageBoxIcon(int icon) {
    switch (icon) {
    case MessageDialog::NoteIcon:
        return QMessageBox::Information;
    case MessageDialog::CautionIcon:
        return QMessageBox::Warning;
    case MessageDialog::StopIcon:
        return QMessageBox::Critical;
    case MessageDialog::QuestionIcon:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

// Once the program is quitting, a message would only hold up the quit: before the
// application's event loop runs, nothing else could end it (see quitOnTerminationSignals).
void MsgBox(const std::string& text) {
    if (terminationRequested())
        return;
    QMessageBox box(QApplication::activeWindow());
    setPlainMessage(box, toQString(text));
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKButton"));
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}

const MessageDialog::Button* MessageDialog::ShowModal() {
    if (terminationRequested())
        return nullptr;
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(messageBoxIcon(Icon));
    box.setWindowTitle(toQString(Title));
    setPlainMessage(box, toQString(Message));
    setPlainExplanation(box, toQString(Explanation));

    struct Shown {
        const Button* member;
        const char* objectName;
        QPushButton* widget = nullptr;
    };
    // Left to right as on a desktop: the alternate action apart on the left, the action
    // rightmost. All share one role so that no platform layout reorders them.
    std::array<Shown, 3> shown{{{&AlternateActionButton, "AlternateActionButton"},
                                {&CancelButton, "CancelButton"},
                                {&ActionButton, "ActionButton"}}};
    // A dialog needs a way out: with every button hidden the action button still shows.
    const bool showAction =
        ActionButton.Visible || !(AlternateActionButton.Visible || CancelButton.Visible);
    for (Shown& button : shown) {
        if (button.member == &ActionButton ? !showAction : !button.member->Visible)
            continue;
        button.widget = box.addButton(toQString(button.member->Caption), QMessageBox::ActionRole);
        button.widget->setObjectName(QString::fromLatin1(button.objectName));
    }
    auto& [alternate, cancel, action] = shown;

    // The action button is the default when the dialog is made; a shown alternate or
    // cancel button that was marked Default takes that place.
    for (const Shown* candidate : {&alternate, &cancel, &action}) {
        if (candidate->widget && candidate->member->Default) {
            box.setDefaultButton(candidate->widget);
            break;
        }
    }
    for (const Shown* candidate : {&cancel, &alternate, &action}) {
        if (candidate->widget) {
            box.setEscapeButton(candidate->widget);
            break;
        }
    }

    box.exec();
    for (const Shown& button : shown) {
        if (button.widget && box.clickedButton() == button.widget)
            return button.member;
    }
    return nullptr;
}

std::optional<FolderItem> SelectFolderDialog::ShowModal() {
    QFileDialog dialog(QApplication::activeWindow(), toQString(Title), QDir::homePath());
    // Qt's own dialog rather than the desktop's, so that it looks the same everywhere and
    // can show the prompt.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    if (!PromptText.empty())
        dialog.setLabelText(QFileDialog::LookIn, toQString(PromptText));
    // The side bar offers the home folder and the user's disks: a destination on a USB disk
    // is the usual choice.
    QList<QUrl> places{QUrl::fromLocalFile(QDir::homePath())};
    for (const std::string& disk : UserDisks())
        places.append(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(disk))));
    dialog.setSidebarUrls(places);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    // Remembered as a folder, so that a chosen folder that goes missing later is still
    // shown and stored with the ":" of a folder's path.
    return FolderItem::fromNativePath(QFile::encodeName(chosen.first()).toStdString()).asFolder();
}

} // namespace fw
