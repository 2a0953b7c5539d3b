#include "fw/Dialogs.h"

#include "fw/Thread.h"
#include "fw/UserDisks.h"
#include "support/DialogDriver.h"

#include <functional>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

// Looks at the next modal dialog as soon as it is shown (a 0 ms timer fires inside its
// event loop), before the answer from the dialog driver arrives.
void inspectNextDialog(std::function<void(QWidget*)> inspect) {
    QTimer::singleShot(0, qApp, [inspect = std::move(inspect)] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        inspect(modal);
    });
}

fw::MessageDialog yesNoDialog() {
    fw::MessageDialog dialog;
    dialog.Icon = 3;
    dialog.ActionButton.Caption = "Yes";
    dialog.CancelButton.Visible = false;
    dialog.AlternateActionButton.Visible = true;
    dialog.AlternateActionButton.Caption = "No";
    dialog.AlternateActionButton.Default = true;
    dialog.Title = "Delete?";
    dialog.Message = "Are you sure you want to remove this backup set\r\rDocs ?\r\r";
    dialog.Explanation = "";
    return dialog;
}

} // namespace

TEST(MsgBox, OneOkButtonAndLineBreaksForCarriageReturns) {
    Qt::TextFormat format = Qt::AutoText;
    inspectNextDialog(
        [&](QWidget* modal) { format = qobject_cast<QMessageBox*>(modal)->textFormat(); });
    const auto seen = answerNextDialog("OK");
    fw::MsgBox("Cannot find destination folder!\r\r/:media:<b>Backup</b>:");
    ASSERT_TRUE(seen->answered);
    EXPECT_EQ(seen->buttons, QStringList{"OK"});
    EXPECT_EQ(seen->defaultButton, "OK");
    EXPECT_EQ(seen->text, "Cannot find destination folder!\n\n/:media:<b>Backup</b>:");
    EXPECT_EQ(format, Qt::PlainText);
}

TEST(MsgBox, ParentsToTheActiveWindow) {
    QWidget window;
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QWidget* parent = nullptr;
    inspectNextDialog([&](QWidget* modal) { parent = modal->parentWidget(); });
    answerNextDialog("OK");
    fw::MsgBox("x");
    EXPECT_EQ(parent, &window);
}

TEST(MessageDialog, YesNoShowsTheVisibleButtonsWithNoAsDefault) {
    fw::MessageDialog dialog = yesNoDialog();
    const auto seen = answerNextDialog("No");
    const fw::MessageDialog::Button* pressed = dialog.ShowModal();
    ASSERT_TRUE(seen->answered);
    EXPECT_EQ(pressed, &dialog.AlternateActionButton);
    EXPECT_EQ(seen->buttons, (QStringList{"No", "Yes"}));
    EXPECT_EQ(seen->defaultButton, "No");
    EXPECT_EQ(seen->icon, QMessageBox::Question);
    EXPECT_EQ(seen->title, "Delete?");
    EXPECT_EQ(seen->text, "Are you sure you want to remove this backup set\n\nDocs ?\n\n");
    EXPECT_EQ(seen->informativeText, "");
}

TEST(MessageDialog, ReturnsTheActionButtonWhenPressed) {
    fw::MessageDialog dialog = yesNoDialog();
    answerNextDialog("Yes");
    EXPECT_EQ(dialog.ShowModal(), &dialog.ActionButton);
}

TEST(MessageDialog, AboutBoxHasOnlyOk) {
    fw::MessageDialog about;
    about.Icon = 0;
    about.ActionButton.Caption = "OK";
    about.CancelButton.Visible = false;
    about.AlternateActionButton.Visible = false;
    about.Explanation = "";
    about.Title = "Tolvane - About";
    about.Message = "Tolvane 2.1.0";
    const auto seen = answerNextDialog("OK");
    EXPECT_EQ(about.ShowModal(), &about.ActionButton);
    EXPECT_EQ(seen->buttons, QStringList{"OK"});
    EXPECT_EQ(seen->icon, QMessageBox::Information);
    EXPECT_EQ(seen->title, "Tolvane - About");
    EXPECT_EQ(seen->text, "Tolvane 2.1.0");
    EXPECT_TRUE(seen->informativeText.isEmpty());
}

TEST(MessageDialog, ThreeButtonsInDesktopOrderWithExplanation) {
    fw::MessageDialog dialog;
    dialog.Icon = 1;
    dialog.Message = "Save changes?";
    dialog.Explanation = "They are lost otherwise.\r<i>Really</i>.";
    dialog.ActionButton.Caption = "Save";
    dialog.AlternateActionButton.Visible = true;
    dialog.CancelButton.Visible = true;
    const auto seen = answerNextDialog("Cancel");
    EXPECT_EQ(dialog.ShowModal(), &dialog.CancelButton);
    EXPECT_EQ(seen->buttons, (QStringList{"Don't Save", "Cancel", "Save"}));
    EXPECT_EQ(seen->defaultButton, "Save");
    EXPECT_EQ(seen->icon, QMessageBox::Warning);
    EXPECT_EQ(seen->informativeText, "They are lost otherwise.\n<i>Really</i>.");
}

TEST(MessageDialog, EscapePressesCancelOrElseTheAlternate) {
    const auto pressEscape = [](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); };

    fw::MessageDialog withCancel;
    withCancel.AlternateActionButton.Visible = true;
    withCancel.CancelButton.Visible = true;
    inspectNextDialog(pressEscape);
    EXPECT_EQ(withCancel.ShowModal(), &withCancel.CancelButton);

    fw::MessageDialog yesNo = yesNoDialog();
    inspectNextDialog(pressEscape);
    EXPECT_EQ(yesNo.ShowModal(), &yesNo.AlternateActionButton);
}

TEST(MessageDialog, ObjectNamesTellTheButtonsApart) {
    fw::MessageDialog dialog = yesNoDialog();
    QStringList names;
    inspectNextDialog([&](QWidget* modal) {
        for (QAbstractButton* button : qobject_cast<QMessageBox*>(modal)->buttons())
            names.append(button->objectName());
    });
    answerNextDialog("Yes");
    dialog.ShowModal();
    names.sort();
    EXPECT_EQ(names, (QStringList{"ActionButton", "AlternateActionButton"}));
}

TEST(DialogDriver, AnswersSeveralDialogsInOrder) {
    const auto first = answerNextDialog("OK");
    const auto second = answerNextDialog("No");
    const auto third = answerNextDialog("OK");
    fw::MsgBox("one");
    fw::MessageDialog dialog = yesNoDialog();
    EXPECT_EQ(dialog.ShowModal(), &dialog.AlternateActionButton);
    fw::MsgBox("three");
    EXPECT_TRUE(waitForDialogs(0));
    EXPECT_EQ(first->text, "one");
    EXPECT_EQ(second->title, "Delete?");
    EXPECT_EQ(third->text, "three");
}

TEST(DialogDriver, AnswersDialogsOfAWorkerThread) {
    fw::Thread worker;
    const fw::MessageDialog::Button* pressed = nullptr;
    fw::MessageDialog dialog = yesNoDialog();
    worker.onRun([&] {
        fw::MsgBox("from the worker");
        pressed = dialog.ShowModal();
    });
    const auto first = answerNextDialog("OK");
    const auto second = answerNextDialog("Yes");
    worker.Run();
    ASSERT_TRUE(QTest::qWaitFor([&] { return worker.State() != fw::Thread::Running; }, 10000));
    EXPECT_EQ(first->text, "from the worker");
    EXPECT_TRUE(second->answered);
    EXPECT_EQ(pressed, &dialog.ActionButton);
}

TEST(DialogDriver, FailsWhenNoDialogAppears) {
    answerNextDialog("OK", 50);
    EXPECT_NONFATAL_FAILURE(waitForDialogs(5000), "No dialog appeared within 50 ms");
}

TEST(DialogDriver, FailsAndDismissesADialogWithoutTheCaption) {
    fw::MessageDialog dialog = yesNoDialog();
    const fw::MessageDialog::Button* pressed = nullptr;
    answerNextDialog("Maybe");
    EXPECT_NONFATAL_FAILURE(pressed = dialog.ShowModal(), "has no button \"Maybe\"");
    EXPECT_EQ(pressed, &dialog.AlternateActionButton);
}

TEST(DialogDriver, FailsAndDismissesADialogOfTheWrongKind) {
    fw::SelectFolderDialog chooser;
    std::optional<fw::FolderItem> chosen;
    answerNextDialog("OK");
    EXPECT_NONFATAL_FAILURE(chosen = chooser.ShowModal(), "Expected a message box");
    EXPECT_FALSE(chosen.has_value());
}

class SelectFolderDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        folder = root.filePath(QStringLiteral("Fotos \u00e4"));
        ASSERT_TRUE(QDir().mkpath(folder));
    }
    QTemporaryDir root;
    QString folder;
};

TEST_F(SelectFolderDialogTest, ReturnsTheChosenFolder) {
    fw::SelectFolderDialog chooser;
    chooser.Title = "Source folder";
    chooser.PromptText = "Please select a source folder";
    const auto seen = chooseFolderInNextDialog(folder);
    const std::optional<fw::FolderItem> chosen = chooser.ShowModal();
    ASSERT_TRUE(seen->answered);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->nativePath(), QFile::encodeName(folder).toStdString());
    EXPECT_EQ(seen->title, "Source folder");
    EXPECT_EQ(seen->text, "Please select a source folder");
}

TEST_F(SelectFolderDialogTest, GivesNoneWhenCancelled) {
    fw::SelectFolderDialog chooser;
    chooser.Title = "Destination folder";
    chooser.PromptText = "Please select a destination folder";
    const auto seen = cancelNextFolderDialog();
    EXPECT_FALSE(chooser.ShowModal().has_value());
    EXPECT_TRUE(seen->answered);
    EXPECT_EQ(seen->title, "Destination folder");
}

namespace {

// Mount points that the system lists, each made as a real folder below `root`, which lies
// in the working folder: the temporary folder is one of the system's places.
class FolderChooserSideBar : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        qputenv("USER", "ann");
    }
    void TearDown() override { fw::setMountedVolumesForTesting({}); }

    std::string folder(const QString& name) {
        EXPECT_TRUE(QDir().mkpath(root.filePath(name)));
        return QFile::encodeName(root.filePath(name)).toStdString();
    }

    // Below the home folder, where a mount counts as the user's wherever the build tree is (a
    // tree below /tmp would be a system place).
    QTemporaryDir root{QDir::homePath() + QStringLiteral("/sidebar-XXXXXX")};
};

} // namespace

TEST_F(FolderChooserSideBar, UserDisksAreTheWritableDisksOutsideTheSystemsPlaces) {
    const std::string home = QFile::encodeName(QDir::homePath()).toStdString();
    fw::setMountedVolumesForTesting([&] {
        return std::vector<fw::MountedVolume>{
            {"/", "ext4"},
            {"/boot", "ext4"},
            {"/boot/efi", "vfat"},
            {"/efi", "vfat"},
            {"/var/lib/docker", "ext4"},
            {"/proc", "proc"},
            {"/dev/shm", "tmpfs"},
            {"/run/user/1000", "tmpfs"},
            {"/home", "ext4"},
            {home, "ext4"},
            {"/snap/core/1", "squashfs"},
            {"/media/ann/USB STICK", "vfat"},
            {"/media/ann/Scratch", "tmpfs"},
            {"/media/ann/CD", "iso9660", true},
            {"/run/media/ann/Passport", "fuseblk"},
            {"/media/bob/Other", "ext4"},
            {"/media/usb0", "ext4"},
            {"/mnt/backup", "ext4"},
            {"/mnt/backup", "ext4"},
            {"/mnt/old", "ext4", true},
            {"/srv/nfs", "nfs4"},
            {"/data", "xfs"},
            {home + "/usb", "vfat"},
        };
    });
    EXPECT_EQ(fw::UserDisks(),
              (std::vector<std::string>{"/media/ann/USB STICK", "/media/ann/Scratch",
                                        "/run/media/ann/Passport", "/media/usb0", "/mnt/backup",
                                        "/data", home + "/usb"}));
}

TEST_F(FolderChooserSideBar, ListsTheHomeFolderAndTheUsersDisks) {
    const std::string usb = folder("media/ann/USB");
    const std::string data = folder("data");
    const std::string readOnly = folder("cdrom");
    const std::string memory = folder("scratch");
    fw::setMountedVolumesForTesting([&] {
        return std::vector<fw::MountedVolume>{
            {"/", "ext4"},     {usb, "vfat"},  {readOnly, "ext4", true},
            {memory, "tmpfs"}, {data, "ext4"},
        };
    });
    QList<QUrl> places;
    bool native = true;
    inspectNextDialog([&](QWidget* modal) {
        auto* chooser = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(chooser, nullptr);
        places = chooser->sidebarUrls();
        native = !chooser->testOption(QFileDialog::DontUseNativeDialog);
    });
    cancelNextFolderDialog();
    fw::SelectFolderDialog chooser;
    EXPECT_FALSE(chooser.ShowModal().has_value());
    ASSERT_TRUE(waitForDialogs());

    EXPECT_FALSE(native);
    QStringList shown;
    for (const QUrl& place : places)
        shown.append(place.toLocalFile());
    EXPECT_EQ(shown, (QStringList{QDir::homePath(), QFile::decodeName(usb.c_str()),
                                  QFile::decodeName(data.c_str())}));
}
