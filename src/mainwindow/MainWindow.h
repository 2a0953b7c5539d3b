#pragma once

#include "fw/FolderItem.h"
#include "fw/FolderItemList.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <QMainWindow>
#include <QPixmap>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTimer;

namespace backup {
class Exclusions;
} // namespace backup

namespace fw {
class Canvas;
class DestinationLock;
class Thread;
} // namespace fw

namespace mainwindow {
class MainWindow;
} // namespace mainwindow

// The one main window: the existing one, or a new one that is built and opened before this
// returns. From the first line of its constructor on, this returns the window being built, so
// code run during construction (Event_Open) reaches it too. Inside MainWindow's own methods
// write ::MainWindow(), since there the plain name means the class.
mainwindow::MainWindow& MainWindow();

namespace mainwindow {

// The main window owns the whole state of the program and its 61 controls.
//
// Every control is a public member named as in the design, and every widget carries that name
// as its objectName. The labels of a control array (stx_setPath, stx_destPath, stx_copyPath,
// stx_text2) all carry the array's name as objectName and their member number in the dynamic
// property "Index"; the arrays are indexed by member number, not by creation order.
//
// Positions are window content coordinates: the central widget (a canvas painting the
// window's backdrop) is exactly 512 x 317 and every control, also on a tab page or inside a
// group box, sits where the design puts it relative to that area.
class MainWindow : public QMainWindow {
    Q_OBJECT

    // Only ::MainWindow() constructs the window, so that there is never a second one.
    struct ConstructionKey {
        explicit ConstructionKey() = default;
    };
    friend MainWindow& ::MainWindow();

public:
    explicit MainWindow(ConstructionKey);
    ~MainWindow() override;

    // src/mainwindow/MainWindow.cpp: the window's backdrop picture, painted at the top left of the
    // content area; a null pixmap shows the plain background.
    void setBackdrop(const QPixmap& picture);
    const QPixmap& Backdrop() const;

    // State, in declaration order.
    std::vector<std::optional<fw::FolderItem>> DestinationFolder;
    fw::FolderItemList SourceItems;
    std::optional<fw::FolderItem> SourceFolder;
    std::vector<fw::FolderItem> Sets;
    std::int32_t TotalItemCount = 0;
    std::uint64_t TotalFileSize = 0;
    std::vector<std::string> ErrorList;
    std::int32_t FilesCopied = 0;
    std::int32_t FilesUpdated = 0;
    bool BackingUp = false;
    bool Changed = false;
    // The checks of a press of Start are under way: they wait for the disks while the window
    // answers, and a second press meanwhile starts nothing.
    bool checkingSets = false;
    std::int32_t ErrorCount = 0;
    std::string infoText;
    std::string softwareName;
    std::vector<bool> setEnable;
    std::int32_t pmnCurrent = 0;
    std::optional<fw::FolderItem> DestFolder;
    std::deque<std::int32_t> sourceSet;
    std::int32_t sett = 0;
    // The run's holds on its destination folders, from the checks at Start to its end.
    std::vector<std::shared_ptr<fw::DestinationLock>> destinationLocks;

    // Controls. Not drawn: the two worker threads and the no-sleep timer. The timer keeps the
    // period it was created with; tests that watch the sleep guard shorten it on the timer.
    fw::Thread* thr_Build = nullptr;
    fw::Thread* thr_backup = nullptr;
    QTimer* tmrNoSleep = nullptr;

    // The picture band at the top of the window, and the tab panel below it.
    QLabel* stx_Scrolling = nullptr;
    fw::Canvas* cvs_topRight = nullptr;
    fw::Canvas* cvs_middle = nullptr;
    QTabWidget* TabPanel1 = nullptr;

    // Page "Backup Sets".
    QComboBox* pmn_Sets = nullptr;
    QPushButton* btn_Destination = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    std::array<QLabel*, 7> stx_setPath{};
    QGroupBox* GroupBox2 = nullptr;
    std::array<QLabel*, 7> stx_destPath{};
    QPushButton* btn_New = nullptr;
    QPushButton* btn_Delete = nullptr;
    QCheckBox* chb_enableSet = nullptr;

    // Page "Advanced".
    QLineEdit* txf_String = nullptr;
    QPushButton* btn_AddToContains = nullptr;
    QPushButton* btn_AddToExten = nullptr;
    QLabel* stx_Contains = nullptr;
    QLabel* stx_Exten = nullptr;
    QListWidget* lsb_Contains = nullptr;
    QListWidget* lsb_Extensions = nullptr;
    QPushButton* btn_DeleteContain = nullptr;
    QPushButton* btn_DeleteExt = nullptr;
    QLabel* stx_ContainInfo = nullptr;

    // Page "Backup". Texts reach its labels in one of two ways, and worker code uses the first:
    // fw::showText (FrameUpdates.h) gives the text to the next frame, so that every frame
    // shows one consistent state and a run does not spend its time on labels; fw::setText
    // (LabelText.h) sets it at once, for texts that must show now (the end of a run, a cancel)
    // and drops an older one still waiting. QLabel::setText is for captions only.
    QGroupBox* GroupBox3 = nullptr;
    std::array<QLabel*, 7> stx_copyPath{};
    QLabel* stx_text1 = nullptr;
    std::array<QLabel*, 2> stx_text2{};
    QLabel* stx_text3 = nullptr;
    QLabel* stx_text4 = nullptr;
    QLabel* stx_text5 = nullptr;
    QLabel* stx_status = nullptr;
    QLabel* stx_fileCount = nullptr;
    QLabel* stx_filesCopied = nullptr;
    QLabel* stx_filesUpdated = nullptr;
    QLabel* stx_DataWritten = nullptr;
    QLabel* stx_Info = nullptr;
    QLabel* stx_files = nullptr;
    QPushButton* btn_Backup = nullptr;
    QProgressBar* prb_Progress = nullptr;

    // The operations, grouped by the file that defines them. Event handlers of the controls are
    // named <control>_<event>.

    // src/mainwindow/Layout.cpp: construction hooks, called in this order by the constructor.
    void Layout();
    void CreateControls();
    void _CreateControls0();
    void _CreateControls1();

    // src/mainwindow/MenuAccessors.cpp: the items of the window's menu bar, found by name;
    // menuHelp is the Help menu's own action. Null when the window has no such item.
    QAction* menuHelp() const;
    QAction* UntitledSeparator() const;
    QAction* menuCheckUpdate() const;
    QAction* menuAbout() const;
    QAction* UntitledSeparator0() const;
    QAction* menuInstructions() const;

    // src/mainwindow/MenuCommands.cpp. AddMenuHandlers binds the Help menu's commands of
    // `window`, the window being built, to its handlers.
    void AddMenuHandlers(MainWindow& window);
    bool _menuInstructions_Action();
    bool _menuAbout_Action();
    bool _menuCheckUpdate_Action();

    // src/mainwindow/Opening.cpp.
    void Event_Open();

    // src/sets/SetCommands.cpp: the "Backup Sets" page.
    void btn_Destination_Action();
    void pmn_Sets_Change();
    // True consumes the press, so the popup does not open.
    bool pmn_Sets_MouseDown(std::int32_t x, std::int32_t y);
    void pmn_Sets_MouseExit();
    void btn_New_Action();
    void btn_Delete_Action();
    void chb_enableSet_Action();
    bool SelectAFolder(const std::string& kind);
    void DeleteASet(const fw::FolderItem& source);
    void setEnableBox();
    void SelectSourceFolder();

    // src/sets/ExclusionCommands.cpp: the "Advanced" page.
    void btn_DeleteExt_Action();
    void btn_DeleteContain_Action();
    void btn_AddToExten_Action();
    void btn_AddToContains_Action();

    // src/sets/SettingsFile.cpp.
    void SaveSettingsFile();
    bool OpenSettingsFile();

    // src/sets/PathLadder.cpp: the path ladders of both pages.
    void ShowPath(std::int32_t index);
    std::string makeTextPath(const fw::FolderItem& item);
    void ShowCopyPath(const std::optional<fw::FolderItem>& folder);
    void ClearCopyPath();

    // src/backup/RunControl.cpp: starting, cancelling and guarding a run.
    void TabPanel1_Change();
    void btn_Backup_Action();
    void tmrNoSleep_Action();
    bool checkSets();
    void ClearBackupPanel();

    // src/backup/ListBuilding.cpp: the listing worker.
    void thr_Build_Run();
    void SearchDirectory(const fw::FolderItem& folder, const backup::Exclusions& exclusions);

    // src/backup/CopyPass.cpp: the copy worker.
    void thr_backup_Run();

    // src/backup/ErrorList.cpp, FolderSize.cpp and Sizes.cpp.
    void SaveErrorList();
    std::uint64_t calculateDirectorySize(const fw::FolderItem& folder, std::uint64_t size);
    void DeleteFolder(const fw::FolderItem& folder);
    std::string ConvertSize(std::uint64_t size);

private:
    // src/mainwindow/Opening.cpp: the opening's answer to a settings file it could not read.
    void replaceUnreadSettings();

    // The opening left the settings file as it was (it may not be read, or it links into a
    // folder that is missing): no save replaces it until the program quits, even once it
    // could, since the sets it holds were never read.
    bool settingsLeftAlone_ = false;

    fw::Canvas* backdrop_ = nullptr;
    // The native path of the folder the copy ladder shows; empty while it shows none.
    std::string copyLadderFolder_;
};

} // namespace mainwindow
