#include "fw/ApplicationMenu.h"
#include "fw/Canvas.h"
#include "fw/DesignLayout.h"
#include "fw/PopupMenu.h"
#include "fw/StaticText.h"
#include "fw/Text.h"
#include "fw/Thread.h"
#include "MainWindow.h"
#include "MouseEvents.h"
#include "sets/SetRow.h"
#include "shell/MenuBar1.h"

#include <algorithm>
#include <array>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <span>
#include <string_view>
#include <variant>

namespace mainwindow {

namespace {

constexpr QSize contentSize{512, 317};

// The member that receives a control; its type is the control's class.
using Target =
    std::variant<fw::Thread * MainWindow::*, QTimer * MainWindow::*, QLabel * MainWindow::*,
                 fw::Canvas * MainWindow::*, QTabWidget * MainWindow::*,
                 QPushButton * MainWindow::*, QGroupBox * MainWindow::*, QComboBox * MainWindow::*,
                 QCheckBox * MainWindow::*, QListWidget * MainWindow::*, QLineEdit * MainWindow::*,
                 QProgressBar * MainWindow::*, std::array<QLabel*, 7> MainWindow::*,
                 std::array<QLabel*, 2> MainWindow::*>;

enum Page { WindowLevel = 0, BackupSets = 1, Advanced = 2, Backup = 3 };

struct Geometry {
    int left = 0, top = 0, width = 0, height = 0;
};

// One control of the design. Geometry is in window content coordinates, whatever the parent.
struct Control {
    const char* name;
    Target target;
    int index = -1;               // member number within a control array
    int page = WindowLevel;       // 1..3: the tab page of TabPanel1 that shows it
    const char* parent = nullptr; // a group box; otherwise the page, or the window
    Geometry geometry{};
    const char* text = "";     // for TabPanel1: the page titles separated by CR
    int align = 0;             // 0 left, 1 centre, 2 right
    int tabIndex = -1;         // keyboard order within the page
    const char* helpTag = "";  // CR is a line break
    int textSize = 0;          // pixels; 0 is the system font's size
    QRgb textColor = 0x000000; // labels only
    bool underline = false;
    bool multiline = false;
    int period = 0; // timers, milliseconds
    // What a screen reader says for a control whose caption cannot tell it apart, or that has
    // none; empty: the caption (or text), and the help tag as its description.
    const char* accessibleName = "";
    const char* accessibleDescription = "";
};

// Member `member` of a path ladder whose first line is at (left0, top0): each line starts 12
// pixels further right and 18 pixels lower, and all end at the same right edge.
constexpr Control ladderLine(const char* name, std::array<QLabel*, 7> MainWindow::*target,
                             int member, int page, const char* parent, int left0, int top0,
                             int tabIndex) {
    return {.name = name,
            .target = target,
            .index = member,
            .page = page,
            .parent = parent,
            .geometry = {left0 + 12 * member, top0 + 18 * member, 209 - 12 * member, 20},
            .text = "-",
            .tabIndex = tabIndex};
}

constexpr Control setPathLine(int member, const char* parent, int tabIndex) {
    return ladderLine("stx_setPath", &MainWindow::stx_setPath, member, BackupSets, parent, 29, 133,
                      tabIndex);
}

constexpr Control destPathLine(int member) {
    return ladderLine("stx_destPath", &MainWindow::stx_destPath, member, BackupSets, "GroupBox2",
                      283, 133, 6 - member);
}

constexpr Control copyPathLine(int member) {
    return ladderLine("stx_copyPath", &MainWindow::stx_copyPath, member, Backup, "GroupBox3", 42,
                      102, 6 - member);
}

constexpr const char* removeFromListTag = "Remove the currently selected from the list";

// The 61 controls in creation order: _CreateControls0 builds the first 50, _CreateControls1
// the rest. Parents come before their children.
constexpr std::array<Control, 61> controls = {{
    {.name = "thr_Build", .target = &MainWindow::thr_Build},
    {.name = "thr_backup", .target = &MainWindow::thr_backup},
    {.name = "stx_Scrolling",
     .target = &MainWindow::stx_Scrolling,
     .geometry = {194, 17, 260, 16},
     .text = "0110010111010111001100101110101110",
     .tabIndex = 1,
     .textSize = 12,
     .textColor = 0xFFFFFF},
    {.name = "cvs_topRight",
     .target = &MainWindow::cvs_topRight,
     .geometry = {454, 0, 58, 64},
     .tabIndex = 3,
     .accessibleName = "Backup drive picture"},
    {.name = "cvs_middle",
     .target = &MainWindow::cvs_middle,
     .geometry = {183, 0, 160, 48},
     .tabIndex = 2,
     .accessibleName = "Computer picture"},
    {.name = "TabPanel1",
     .target = &MainWindow::TabPanel1,
     .geometry = {-4, 50, 520, 291},
     .text = "Backup Sets\rAdvanced\rBackup",
     .tabIndex = 0},
    {.name = "btn_Destination",
     .target = &MainWindow::btn_Destination,
     .page = BackupSets,
     .geometry = {326, 99, 100, 20},
     .text = "Destination",
     .tabIndex = 4,
     .helpTag = "Pick a destination folder for the current set"},
    {.name = "GroupBox2",
     .target = &MainWindow::GroupBox2,
     .page = BackupSets,
     .geometry = {272, 127, 220, 136},
     .tabIndex = 1,
     .accessibleName = "Destination folder"},
    destPathLine(6),
    destPathLine(5),
    destPathLine(4),
    destPathLine(3),
    destPathLine(2),
    destPathLine(1),
    destPathLine(0),
    {.name = "GroupBox1",
     .target = &MainWindow::GroupBox1,
     .page = BackupSets,
     .geometry = {21, 127, 220, 136},
     .tabIndex = 2,
     .accessibleName = "Source folder"},
    setPathLine(0, "GroupBox1", 0),
    {.name = "pmn_Sets",
     .target = &MainWindow::pmn_Sets,
     .page = BackupSets,
     .geometry = {41, 100, 180, 22},
     .tabIndex = 0,
     .helpTag = "Shows the name of the current set.\rIf the set has a \u221a before it, the set "
                "is enabled for backup, if it has a - before it, it is not enabled for backup."},
    {.name = "btn_New",
     .target = &MainWindow::btn_New,
     .page = BackupSets,
     .geometry = {21, 276, 100, 20},
     .text = "New Set",
     .tabIndex = 1,
     .helpTag = "Add a new set to the list"},
    {.name = "btn_Delete",
     .target = &MainWindow::btn_Delete,
     .page = BackupSets,
     .geometry = {141, 276, 100, 20},
     .text = "Remove",
     .tabIndex = 2,
     .helpTag = "Remove the current set",
     .accessibleName = "Remove set"},
    {.name = "GroupBox3",
     .target = &MainWindow::GroupBox3,
     .page = Backup,
     .geometry = {37, 98, 220, 136},
     .tabIndex = 2,
     .accessibleName = "Folder being backed up"},
    copyPathLine(6),
    copyPathLine(5),
    copyPathLine(4),
    copyPathLine(3),
    copyPathLine(2),
    copyPathLine(1),
    copyPathLine(0),
    {.name = "stx_text2",
     .target = &MainWindow::stx_text2,
     .index = 0,
     .page = Backup,
     .geometry = {279, 124, 89, 20},
     .align = 2,
     .tabIndex = 28},
    {.name = "prb_Progress",
     .target = &MainWindow::prb_Progress,
     .page = Backup,
     .geometry = {20, 286, 472, 20},
     .accessibleName = "Backup progress"},
    {.name = "stx_files",
     .target = &MainWindow::stx_files,
     .page = Backup,
     .geometry = {207, 263, 99, 20},
     .text = "/",
     .align = 1,
     .tabIndex = 36,
     .accessibleDescription = "Items done of all items"},
    {.name = "stx_Info",
     .target = &MainWindow::stx_Info,
     .page = Backup,
     .geometry = {37, 237, 455, 20},
     .text = "-",
     .tabIndex = 37,
     .accessibleDescription = "Current action"},
    {.name = "btn_Backup",
     .target = &MainWindow::btn_Backup,
     .page = Backup,
     .geometry = {392, 257, 100, 20},
     .text = "Start Backup",
     .tabIndex = 0,
     .helpTag = "Start the backup"},
    {.name = "stx_DataWritten",
     .target = &MainWindow::stx_DataWritten,
     .page = Backup,
     .geometry = {380, 201, 89, 20},
     .text = "-",
     .tabIndex = 39,
     .accessibleDescription = "Data written"},
    {.name = "stx_text5",
     .target = &MainWindow::stx_text5,
     .page = Backup,
     .geometry = {269, 201, 99, 20},
     .text = "Data written :",
     .align = 2,
     .tabIndex = 38},
    {.name = "stx_text4",
     .target = &MainWindow::stx_text4,
     .page = Backup,
     .geometry = {269, 176, 99, 20},
     .text = "Files updated :",
     .align = 2,
     .tabIndex = 29},
    {.name = "stx_text3",
     .target = &MainWindow::stx_text3,
     .page = Backup,
     .geometry = {279, 151, 89, 20},
     .text = "Files copied :",
     .align = 2,
     .tabIndex = 28},
    {.name = "stx_text2",
     .target = &MainWindow::stx_text2,
     .index = 1,
     .page = Backup,
     .geometry = {279, 126, 89, 20},
     .text = "File Count :",
     .align = 2,
     .tabIndex = 31},
    {.name = "stx_filesUpdated",
     .target = &MainWindow::stx_filesUpdated,
     .page = Backup,
     .geometry = {380, 176, 89, 20},
     .text = "-",
     .tabIndex = 35,
     .accessibleDescription = "Files updated"},
    {.name = "stx_filesCopied",
     .target = &MainWindow::stx_filesCopied,
     .page = Backup,
     .geometry = {380, 151, 89, 20},
     .text = "-",
     .tabIndex = 34,
     .accessibleDescription = "Files copied"},
    {.name = "stx_status",
     .target = &MainWindow::stx_status,
     .page = Backup,
     .geometry = {380, 101, 89, 20},
     .text = "-",
     .tabIndex = 32,
     .accessibleDescription = "Status"},
    {.name = "stx_fileCount",
     .target = &MainWindow::stx_fileCount,
     .page = Backup,
     .geometry = {380, 126, 89, 20},
     .text = "-",
     .tabIndex = 33,
     .accessibleDescription = "File Count"},
    {.name = "stx_text1",
     .target = &MainWindow::stx_text1,
     .page = Backup,
     .geometry = {279, 101, 89, 20},
     .text = "Status :",
     .align = 2,
     .tabIndex = 30},
    {.name = "chb_enableSet",
     .target = &MainWindow::chb_enableSet,
     .page = BackupSets,
     .geometry = {272, 278, 100, 20},
     .text = "Enable Set",
     .tabIndex = 3,
     .helpTag = "When the box is ticked, this enables the current backup set"},
    // Members 1-6 of the source ladder lie inside GroupBox1's frame but belong to the page.
    setPathLine(1, nullptr, 7),
    setPathLine(2, nullptr, 9),
    setPathLine(3, nullptr, 8),
    setPathLine(6, nullptr, 10),
    setPathLine(5, nullptr, 11),
    setPathLine(4, nullptr, 12),
    {.name = "btn_DeleteExt",
     .target = &MainWindow::btn_DeleteExt,
     .page = Advanced,
     .geometry = {385, 279, 100, 20},
     .text = "Remove",
     .tabIndex = 4,
     .helpTag = removeFromListTag,
     .accessibleName = "Remove extension",
     .accessibleDescription = "Remove the selected extension from the 'Extensions' list"},
    {.name = "btn_DeleteContain",
     .target = &MainWindow::btn_DeleteContain,
     .page = Advanced,
     .geometry = {253, 279, 100, 20},
     .text = "Remove",
     .tabIndex = 3,
     .helpTag = removeFromListTag,
     .accessibleName = "Remove contains entry",
     .accessibleDescription = "Remove the selected entry from the 'Contains' list"},
    {.name = "lsb_Contains",
     .target = &MainWindow::lsb_Contains,
     .page = Advanced,
     .geometry = {243, 119, 120, 148},
     .tabIndex = 3,
     .accessibleName = "Contains"},
    {.name = "lsb_Extensions",
     .target = &MainWindow::lsb_Extensions,
     .page = Advanced,
     .geometry = {385, 119, 100, 148},
     .tabIndex = 4,
     .accessibleName = "Extensions"},
    {.name = "stx_Contains",
     .target = &MainWindow::stx_Contains,
     .page = Advanced,
     .geometry = {248, 96, 100, 20},
     .text = "Contains",
     .tabIndex = 5,
     .underline = true},
    {.name = "stx_Exten",
     .target = &MainWindow::stx_Exten,
     .page = Advanced,
     .geometry = {390, 96, 100, 20},
     .text = "Extensions",
     .tabIndex = 6,
     .underline = true},
    {.name = "stx_ContainInfo",
     .target = &MainWindow::stx_ContainInfo,
     .page = Advanced,
     .geometry = {18, 223, 221, 76},
     .text = "Source files which contain any word in the 'contains' list or has an extension in "
             "the 'extension' list will be ignored when backing up.",
     .tabIndex = 7,
     .multiline = true},
    {.name = "btn_AddToExten",
     .target = &MainWindow::btn_AddToExten,
     .page = Advanced,
     .geometry = {78, 189, 100, 20},
     .text = "Extension",
     .tabIndex = 2,
     .helpTag = "Add the text to the 'Extensions' list"},
    {.name = "btn_AddToContains",
     .target = &MainWindow::btn_AddToContains,
     .page = Advanced,
     .geometry = {78, 159, 100, 20},
     .text = "Contains",
     .tabIndex = 1,
     .helpTag = "Add the text to the 'Contains' list"},
    {.name = "txf_String",
     .target = &MainWindow::txf_String,
     .page = Advanced,
     .geometry = {47, 125, 163, 22},
     .tabIndex = 0,
     .accessibleName = "Exclusion entry",
     .accessibleDescription = "Text to add to the 'Contains' list or the 'Extensions' list"},
    {.name = "tmrNoSleep", .target = &MainWindow::tmrNoSleep, .period = 5000},
}};

constexpr std::size_t firstControlOf1 = 50;

enum class Event { Action, Change, Run, MouseDown, MouseExit };

struct Binding {
    const char* control;
    Event event;
    std::variant<void (MainWindow::*)(), bool (MainWindow::*)(std::int32_t, std::int32_t)> handler;
};

// Event bindings; each control's are bound right after it is built, in this order.
const std::array<Binding, 16> bindings = {{
    {"thr_Build", Event::Run, &MainWindow::thr_Build_Run},
    {"thr_backup", Event::Run, &MainWindow::thr_backup_Run},
    {"TabPanel1", Event::Change, &MainWindow::TabPanel1_Change},
    {"btn_Destination", Event::Action, &MainWindow::btn_Destination_Action},
    {"pmn_Sets", Event::Change, &MainWindow::pmn_Sets_Change},
    {"pmn_Sets", Event::MouseDown, &MainWindow::pmn_Sets_MouseDown},
    {"pmn_Sets", Event::MouseExit, &MainWindow::pmn_Sets_MouseExit},
    {"btn_New", Event::Action, &MainWindow::btn_New_Action},
    {"btn_Delete", Event::Action, &MainWindow::btn_Delete_Action},
    {"btn_Backup", Event::Action, &MainWindow::btn_Backup_Action},
    {"chb_enableSet", Event::Action, &MainWindow::chb_enableSet_Action},
    {"btn_DeleteExt", Event::Action, &MainWindow::btn_DeleteExt_Action},
    {"btn_DeleteContain", Event::Action, &MainWindow::btn_DeleteContain_Action},
    {"btn_AddToExten", Event::Action, &MainWindow::btn_AddToExten_Action},
    {"btn_AddToContains", Event::Action, &MainWindow::btn_AddToContains_Action},
    {"tmrNoSleep", Event::Action, &MainWindow::tmrNoSleep_Action},
}};

// Every control that names a parent comes after it in the table, and the parent is a group
// box, so the parent exists when the control is placed in it.
constexpr bool parentsAreEarlierGroupBoxes() {
    for (auto control = controls.begin(); control != controls.end(); ++control) {
        if (!control->parent)
            continue;
        const std::string_view parent = control->parent;
        if (std::none_of(controls.begin(), control, [parent](const Control& earlier) {
                return earlier.name == parent &&
                       std::holds_alternative<QGroupBox * MainWindow::*>(earlier.target);
            }))
            return false;
    }
    return true;
}
static_assert(parentsAreEarlierGroupBoxes(),
              "a control's parent must be a group box built before it");

QRect toQRect(const Geometry& g) {
    return {g.left, g.top, g.width, g.height};
}

void applyDesign(QLabel& label, const Control& control) {
    fw::applyDesign(label, {.text = fw::toQString(control.text),
                            .textSize = control.textSize,
                            .textColor = QColor::fromRgb(control.textColor),
                            .underline = control.underline,
                            .align = control.align,
                            .multiline = control.multiline});
}

void applyDesign(QTabWidget& panel, const Control& control, QWidget& content) {
    for (const std::string& title : fw::Split(control.text, std::string(1, fw::CR)))
        panel.addTab(new fw::DesignPage(content), fw::toQString(title));
    panel.setCurrentIndex(0);
}

void applyDesign(QListWidget& list) {
    list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list.setFocusPolicy(Qt::ClickFocus);
}

void applyDesign(QProgressBar& bar) {
    bar.setRange(0, 100);
    bar.setValue(0);
    bar.setTextVisible(false);
}

// Connects one event of a built control to its handler.
void bind(MainWindow& window, QObject& control, const Binding& binding) {
    if (binding.event == Event::MouseDown) {
        auto handler = std::get<bool (MainWindow::*)(std::int32_t, std::int32_t)>(binding.handler);
        MouseEvents::of(static_cast<QWidget&>(control))
            .setMouseDown([&window, handler](int x, int y) { return (window.*handler)(x, y); });
        return;
    }
    auto handler = std::get<void (MainWindow::*)()>(binding.handler);
    if (binding.event == Event::MouseExit) {
        MouseEvents::of(static_cast<QWidget&>(control)).setMouseExit([&window, handler] {
            (window.*handler)();
        });
    } else if (auto* thread = qobject_cast<fw::Thread*>(&control)) {
        thread->onRun([&window, handler] { (window.*handler)(); });
    } else if (auto* timer = qobject_cast<QTimer*>(&control)) {
        QObject::connect(timer, &QTimer::timeout, &window, handler);
    } else if (auto* button = qobject_cast<QAbstractButton*>(&control)) {
        QObject::connect(button, &QAbstractButton::clicked, &window, handler);
    } else if (auto* popup = qobject_cast<QComboBox*>(&control)) {
        QObject::connect(popup, &QComboBox::currentIndexChanged, &window, handler);
    } else if (auto* panel = qobject_cast<QTabWidget*>(&control)) {
        QObject::connect(panel, &QTabWidget::currentChanged, &window, handler);
    }
}

// Builds controls [first, last) of the design table: each is made, named, placed, given its
// design values and bound to its handlers before the next one is made.
void buildControls(MainWindow& window, QWidget& content, std::size_t first, std::size_t last) {
    for (const Control& control : std::span(controls).subspan(first, last - first)) {
        QObject* made = nullptr;
        std::visit(
            [&](auto member) {
                using Member = std::remove_reference_t<decltype(window.*member)>;
                if constexpr (std::is_pointer_v<Member>) {
                    using Class = std::remove_pointer_t<Member>;
                    if constexpr (std::is_same_v<Class, QLabel>) {
                        auto* label = new fw::StaticText;
                        window.*member = label;
                        made = label;
                    } else if constexpr (std::is_same_v<Class, QComboBox>) {
                        auto* popup = new fw::PopupMenu;
                        window.*member = popup;
                        made = popup;
                    } else if constexpr (std::is_base_of_v<QWidget, Class>) {
                        auto* widget = new Class;
                        window.*member = widget;
                        made = widget;
                    } else {
                        auto* object = new Class(&window);
                        window.*member = object;
                        made = object;
                    }
                } else {
                    auto* label = new fw::StaticText;
                    label->setProperty("Index", control.index);
                    (window.*member).at(control.index) = label;
                    made = label;
                }
            },
            control.target);
        made->setObjectName(QLatin1String(control.name));

        if (auto* timer = qobject_cast<QTimer*>(made)) {
            timer->setInterval(control.period);
            timer->setSingleShot(false);
        }
        if (auto* widget = qobject_cast<QWidget*>(made)) {
            QWidget* parent = &content;
            if (control.parent)
                parent = content.findChild<QWidget*>(QLatin1String(control.parent));
            else if (control.page != WindowLevel)
                parent = window.TabPanel1->widget(control.page - 1);
            fw::place(*widget, *parent, toQRect(control.geometry));
            if (*control.helpTag)
                widget->setToolTip(fw::toQString(control.helpTag));
            if (*control.accessibleName)
                widget->setAccessibleName(fw::toQString(control.accessibleName));
            if (*control.accessibleDescription)
                widget->setAccessibleDescription(fw::toQString(control.accessibleDescription));
            widget->show();
        }

        if (auto* label = qobject_cast<QLabel*>(made))
            applyDesign(*label, control);
        else if (auto* button = qobject_cast<QAbstractButton*>(made))
            button->setText(fw::toQString(control.text));
        else if (auto* panel = qobject_cast<QTabWidget*>(made))
            applyDesign(*panel, control, content);
        else if (auto* list = qobject_cast<QListWidget*>(made))
            applyDesign(*list);
        else if (auto* bar = qobject_cast<QProgressBar*>(made))
            applyDesign(*bar);

        for (const Binding& binding : bindings)
            if (binding.control == std::string_view(control.name))
                bind(window, *made, binding);
    }
}

} // namespace

void MainWindow::Layout() {
    setMenuBar(&::MenuBar1());
    fw::installApplicationMenu(*this);

    backdrop_ = new fw::Canvas;
    backdrop_->setObjectName(QStringLiteral("backdrop"));
    backdrop_->setFixedSize(contentSize);
    fw::useDesignFont(*backdrop_);
    setCentralWidget(backdrop_);
    // The window keeps the size of its content and menu bar: no resizing, no zooming.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinimizeButtonHint);
    setWindowTitle(QStringLiteral("-"));
}

void MainWindow::CreateControls() {
    _CreateControls0();
    _CreateControls1();

    // Where controls overlap, the picture band's label and the top-right picture stay in
    // front of the controls made after them.
    stx_Scrolling->raise();
    cvs_topRight->raise();

    // The popup's rows mark an enabled set with "√", which a screen reader reads out as a
    // symbol: each row is heard as the set's name and its state instead.
    pmn_Sets->setAccessibleName(sets::spokenRow(QString()));
    const auto speakRows = [popup = pmn_Sets] {
        for (int row = 0; row < popup->count(); ++row) {
            const QString spoken = sets::spokenRow(popup->itemText(row));
            if (popup->itemData(row, Qt::AccessibleTextRole) != spoken)
                popup->setItemData(row, spoken, Qt::AccessibleTextRole);
        }
    };
    QObject::connect(pmn_Sets->model(), &QAbstractItemModel::rowsInserted, pmn_Sets, speakRows);
    QObject::connect(pmn_Sets->model(), &QAbstractItemModel::dataChanged, pmn_Sets, speakRows);

    // Keyboard order: the window's own controls, then each page's, by their tab index;
    // controls that take no keyboard focus stay out of the chain.
    std::vector<const Control*> ordered;
    for (const Control& control : controls)
        ordered.push_back(&control);
    std::stable_sort(ordered.begin(), ordered.end(), [](const Control* a, const Control* b) {
        return std::pair(a->page, a->tabIndex) < std::pair(b->page, b->tabIndex);
    });
    QWidget* previous = nullptr;
    for (const Control* control : ordered) {
        auto* widget = backdrop_->findChild<QWidget*>(QLatin1String(control->name));
        if (!widget || control->index >= 0 || !(widget->focusPolicy() & Qt::TabFocus))
            continue;
        if (previous)
            setTabOrder(previous, widget);
        previous = widget;
    }
}

void MainWindow::_CreateControls0() {
    buildControls(*this, *backdrop_, 0, firstControlOf1);
}

void MainWindow::_CreateControls1() {
    buildControls(*this, *backdrop_, firstControlOf1, controls.size());
}

} // namespace mainwindow
