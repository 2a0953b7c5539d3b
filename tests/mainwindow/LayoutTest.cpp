#include "fw/Canvas.h"
#include "fw/Thread.h"
#include "mainwindow/MainWindow.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

// What the window must look like when it has been built: an independent copy of the design.
struct Expected {
    const char* name;
    int index; // member number of a control array, -1 for a single control
    const char* className;
    int page;       // 0 window level, 1 "Backup Sets", 2 "Advanced", 3 "Backup"
    QRect geometry; // window content coordinates
    QString text;
    QString helpTag = {};
    const char* parent = ""; // a group box holding the control; "" for the page or window
};

const QString removeTag = QStringLiteral("Remove the currently selected from the list");

const std::vector<Expected>& expectedControls() {
    static const std::vector<Expected> table = {
        {"stx_Scrolling",
         -1,
         "QLabel",
         0,
         {194, 17, 260, 16},
         "0110010111010111001100101110101110"},
        {"cvs_topRight", -1, "fw::Canvas", 0, {454, 0, 58, 64}, ""},
        {"cvs_middle", -1, "fw::Canvas", 0, {183, 0, 160, 48}, ""},
        {"TabPanel1", -1, "QTabWidget", 0, {-4, 50, 520, 291}, ""},
        {"pmn_Sets",
         -1,
         "QComboBox",
         1,
         {41, 100, 180, 22},
         "",
         QString::fromUtf8(
             "Shows the name of the current set.\nIf the set has a \xE2\x88\x9A before "
             "it, the set is enabled for backup, if it has a - before it, it is "
             "not enabled for backup.")},
        {"btn_Destination",
         -1,
         "QPushButton",
         1,
         {326, 99, 100, 20},
         "Destination",
         "Pick a destination folder for the current set"},
        {"GroupBox1", -1, "QGroupBox", 1, {21, 127, 220, 136}, ""},
        {"GroupBox2", -1, "QGroupBox", 1, {272, 127, 220, 136}, ""},
        {"btn_New",
         -1,
         "QPushButton",
         1,
         {21, 276, 100, 20},
         "New Set",
         "Add a new set to the list"},
        {"btn_Delete",
         -1,
         "QPushButton",
         1,
         {141, 276, 100, 20},
         "Remove",
         "Remove the current set"},
        {"chb_enableSet",
         -1,
         "QCheckBox",
         1,
         {272, 278, 100, 20},
         "Enable Set",
         "When the box is ticked, this enables the current backup set"},
        {"stx_setPath", 0, "QLabel", 1, {29, 133, 209, 20}, "-", {}, "GroupBox1"},
        {"stx_setPath", 1, "QLabel", 1, {41, 151, 197, 20}, "-"},
        {"stx_setPath", 2, "QLabel", 1, {53, 169, 185, 20}, "-"},
        {"stx_setPath", 3, "QLabel", 1, {65, 187, 173, 20}, "-"},
        {"stx_setPath", 4, "QLabel", 1, {77, 205, 161, 20}, "-"},
        {"stx_setPath", 5, "QLabel", 1, {89, 223, 149, 20}, "-"},
        {"stx_setPath", 6, "QLabel", 1, {101, 241, 137, 20}, "-"},
        {"stx_destPath", 0, "QLabel", 1, {283, 133, 209, 20}, "-", {}, "GroupBox2"},
        {"stx_destPath", 1, "QLabel", 1, {295, 151, 197, 20}, "-", {}, "GroupBox2"},
        {"stx_destPath", 2, "QLabel", 1, {307, 169, 185, 20}, "-", {}, "GroupBox2"},
        {"stx_destPath", 3, "QLabel", 1, {319, 187, 173, 20}, "-", {}, "GroupBox2"},
        {"stx_destPath", 4, "QLabel", 1, {331, 205, 161, 20}, "-", {}, "GroupBox2"},
        {"stx_destPath", 5, "QLabel", 1, {343, 223, 149, 20}, "-", {}, "GroupBox2"},
        {"stx_destPath", 6, "QLabel", 1, {355, 241, 137, 20}, "-", {}, "GroupBox2"},
        {"txf_String", -1, "QLineEdit", 2, {47, 125, 163, 22}, ""},
        {"btn_AddToContains",
         -1,
         "QPushButton",
         2,
         {78, 159, 100, 20},
         "Contains",
         "Add the text to the 'Contains' list"},
        {"btn_AddToExten",
         -1,
         "QPushButton",
         2,
         {78, 189, 100, 20},
         "Extension",
         "Add the text to the 'Extensions' list"},
        {"stx_Contains", -1, "QLabel", 2, {248, 96, 100, 20}, "Contains"},
        {"stx_Exten", -1, "QLabel", 2, {390, 96, 100, 20}, "Extensions"},
        {"lsb_Contains", -1, "QListWidget", 2, {243, 119, 120, 148}, ""},
        {"lsb_Extensions", -1, "QListWidget", 2, {385, 119, 100, 148}, ""},
        {"btn_DeleteContain", -1, "QPushButton", 2, {253, 279, 100, 20}, "Remove", removeTag},
        {"btn_DeleteExt", -1, "QPushButton", 2, {385, 279, 100, 20}, "Remove", removeTag},
        {"stx_ContainInfo",
         -1,
         "QLabel",
         2,
         {18, 223, 221, 76},
         "Source files which contain any word in the 'contains' list or has an extension in the "
         "'extension' list will be ignored when backing up."},
        {"GroupBox3", -1, "QGroupBox", 3, {37, 98, 220, 136}, ""},
        {"stx_copyPath", 0, "QLabel", 3, {42, 102, 209, 20}, "-", {}, "GroupBox3"},
        {"stx_copyPath", 1, "QLabel", 3, {54, 120, 197, 20}, "-", {}, "GroupBox3"},
        {"stx_copyPath", 2, "QLabel", 3, {66, 138, 185, 20}, "-", {}, "GroupBox3"},
        {"stx_copyPath", 3, "QLabel", 3, {78, 156, 173, 20}, "-", {}, "GroupBox3"},
        {"stx_copyPath", 4, "QLabel", 3, {90, 174, 161, 20}, "-", {}, "GroupBox3"},
        {"stx_copyPath", 5, "QLabel", 3, {102, 192, 149, 20}, "-", {}, "GroupBox3"},
        {"stx_copyPath", 6, "QLabel", 3, {114, 210, 137, 20}, "-", {}, "GroupBox3"},
        {"stx_text1", -1, "QLabel", 3, {279, 101, 89, 20}, "Status :"},
        {"stx_text2", 0, "QLabel", 3, {279, 124, 89, 20}, ""},
        {"stx_text2", 1, "QLabel", 3, {279, 126, 89, 20}, "File Count :"},
        {"stx_text3", -1, "QLabel", 3, {279, 151, 89, 20}, "Files copied :"},
        {"stx_text4", -1, "QLabel", 3, {269, 176, 99, 20}, "Files updated :"},
        {"stx_text5", -1, "QLabel", 3, {269, 201, 99, 20}, "Data written :"},
        {"stx_status", -1, "QLabel", 3, {380, 101, 89, 20}, "-"},
        {"stx_fileCount", -1, "QLabel", 3, {380, 126, 89, 20}, "-"},
        {"stx_filesCopied", -1, "QLabel", 3, {380, 151, 89, 20}, "-"},
        {"stx_filesUpdated", -1, "QLabel", 3, {380, 176, 89, 20}, "-"},
        {"stx_DataWritten", -1, "QLabel", 3, {380, 201, 89, 20}, "-"},
        {"stx_Info", -1, "QLabel", 3, {37, 237, 455, 20}, "-"},
        {"stx_files", -1, "QLabel", 3, {207, 263, 99, 20}, "/"},
        {"btn_Backup",
         -1,
         "QPushButton",
         3,
         {392, 257, 100, 20},
         "Start Backup",
         "Start the backup"},
        {"prb_Progress", -1, "QProgressBar", 3, {20, 286, 472, 20}, ""},
    };
    return table;
}

// The control of that name (and member number, for a control array) below the window.
QWidget* control(const char* name, int index = -1) {
    const auto found = ::MainWindow().findChildren<QWidget*>(QLatin1String(name));
    for (QWidget* widget : found)
        if (index < 0 || widget->property("Index") == QVariant(index))
            return widget;
    return nullptr;
}

int pageOf(const QWidget& widget) {
    const QTabWidget& panel = *::MainWindow().TabPanel1;
    for (int i = 0; i < panel.count(); ++i)
        if (panel.widget(i)->isAncestorOf(&widget))
            return i + 1;
    return 0;
}

QString textOf(const QWidget& widget) {
    if (auto* label = qobject_cast<const QLabel*>(&widget))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return button->text();
    if (auto* field = qobject_cast<const QLineEdit*>(&widget))
        return field->text();
    if (auto* box = qobject_cast<const QGroupBox*>(&widget))
        return box->title();
    return {};
}

class MainWindowLayout : public ::testing::Test {
protected:
    void SetUp() override {
        ::MainWindow().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&::MainWindow()));
    }

    QWidget& content() { return *::MainWindow().centralWidget(); }

    QRect inContent(const QWidget& widget) {
        return {widget.mapTo(&content(), QPoint(0, 0)), widget.size()};
    }

    void showPage(int page) {
        ::MainWindow().TabPanel1->setCurrentIndex(page - 1);
        QApplication::processEvents();
    }
};

TEST_F(MainWindowLayout, EveryControlHasItsClassPageParentTextAndHelpTag) {
    // Texts as designed: the first visit of the "Backup" page resets its panel, so this looks
    // before any page but the first has been shown.
    for (const Expected& expected : expectedControls()) {
        SCOPED_TRACE(std::string(expected.name) + "(" + std::to_string(expected.index) + ")");
        QWidget* widget = control(expected.name, expected.index);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), expected.className);
        EXPECT_EQ(pageOf(*widget), expected.page);
        EXPECT_EQ(textOf(*widget), expected.text);
        EXPECT_EQ(widget->toolTip(), expected.helpTag);
        if (*expected.parent)
            EXPECT_EQ(widget->parentWidget()->objectName(), expected.parent);
        else if (expected.page == 0)
            EXPECT_EQ(widget->parentWidget(), &content());
        else
            EXPECT_EQ(widget->parentWidget(), ::MainWindow().TabPanel1->widget(expected.page - 1));
    }
}

TEST_F(MainWindowLayout, EveryControlSitsAtItsPlaceInTheContentArea) {
    for (int page = 1; page <= 3; ++page) {
        showPage(page);
        for (const Expected& expected : expectedControls()) {
            if (expected.page != page && !(page == 1 && expected.page == 0))
                continue;
            SCOPED_TRACE(std::string(expected.name) + "(" + std::to_string(expected.index) + ")");
            QWidget* widget = control(expected.name, expected.index);
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(inContent(*widget), expected.geometry);
            // The opening hides the scrolling digits until a run starts.
            EXPECT_EQ(widget->isVisible(), expected.name != std::string_view("stx_Scrolling"));
        }
    }
}

TEST_F(MainWindowLayout, MembersAreAddressedByMemberNumberNotCreationOrder) {
    mainwindow::MainWindow& window = ::MainWindow();
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(window.stx_setPath[i], control("stx_setPath", i));
        EXPECT_EQ(window.stx_destPath[i], control("stx_destPath", i));
        EXPECT_EQ(window.stx_copyPath[i], control("stx_copyPath", i));
    }
    EXPECT_EQ(window.stx_text2[0], control("stx_text2", 0));
    EXPECT_EQ(window.stx_text2[1], control("stx_text2", 1));
    showPage(1);
    EXPECT_EQ(inContent(*window.stx_destPath[0]), QRect(283, 133, 209, 20));
    EXPECT_EQ(inContent(*window.stx_destPath[6]), QRect(355, 241, 137, 20));
    // Every single control is a member too, and 58 widgets carry design names.
    EXPECT_EQ(window.btn_Backup, control("btn_Backup"));
    EXPECT_EQ(window.pmn_Sets, control("pmn_Sets"));
    EXPECT_EQ(window.lsb_Extensions, control("lsb_Extensions"));
    EXPECT_EQ(window.cvs_middle, control("cvs_middle"));
    std::size_t named = 0;
    for (const Expected& expected : expectedControls())
        named += control(expected.name, expected.index) != nullptr;
    EXPECT_EQ(named, 58u);
}

TEST_F(MainWindowLayout, DesignValuesOfTheControls) {
    mainwindow::MainWindow& window = ::MainWindow();
    QTabWidget& panel = *window.TabPanel1;
    ASSERT_EQ(panel.count(), 3);
    EXPECT_EQ(panel.tabText(0), "Backup Sets");
    EXPECT_EQ(panel.tabText(1), "Advanced");
    EXPECT_EQ(panel.tabText(2), "Backup");
    EXPECT_EQ(panel.currentIndex(), 0);

    EXPECT_EQ(window.pmn_Sets->count(), 0);
    EXPECT_EQ(window.lsb_Contains->count(), 0);
    EXPECT_EQ(window.lsb_Extensions->count(), 0);
    EXPECT_FALSE(window.chb_enableSet->isChecked());
    EXPECT_EQ(window.prb_Progress->minimum(), 0);
    EXPECT_EQ(window.prb_Progress->maximum(), 100);
    EXPECT_EQ(window.prb_Progress->value(), 0);
    for (QListWidget* list : {window.lsb_Contains, window.lsb_Extensions}) {
        EXPECT_EQ(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_EQ(list->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        EXPECT_FALSE(list->focusPolicy() & Qt::TabFocus);
    }

    EXPECT_EQ(window.stx_Scrolling->font().pointSize(), 12);
    EXPECT_EQ(window.stx_Scrolling->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(window.stx_status->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_EQ(window.stx_status->font(), QApplication::font());
    EXPECT_TRUE(window.stx_Contains->font().underline());
    EXPECT_TRUE(window.stx_Exten->font().underline());
    EXPECT_FALSE(window.stx_Info->font().underline());
    EXPECT_TRUE(window.stx_ContainInfo->wordWrap());
    EXPECT_FALSE(window.stx_Info->wordWrap());

    EXPECT_TRUE(window.stx_text1->alignment() & Qt::AlignRight);
    EXPECT_TRUE(window.stx_text2[0]->alignment() & Qt::AlignRight);
    EXPECT_TRUE(window.stx_files->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(window.stx_status->alignment() & Qt::AlignLeft);
    EXPECT_TRUE(window.stx_setPath[3]->alignment() & Qt::AlignLeft);

    EXPECT_EQ(window.tmrNoSleep->objectName(), "tmrNoSleep");
    EXPECT_EQ(window.tmrNoSleep->interval(), 5000);
    EXPECT_FALSE(window.tmrNoSleep->isSingleShot());
    EXPECT_EQ(window.thr_Build->objectName(), "thr_Build");
    EXPECT_EQ(window.thr_backup->objectName(), "thr_backup");
    EXPECT_EQ(window.thr_Build->State(), fw::Thread::NotRunning);
    EXPECT_EQ(window.thr_backup->State(), fw::Thread::NotRunning);
}

TEST_F(MainWindowLayout, LabelsShowFileNamesAsPlainText) {
    for (QLabel* label : ::MainWindow().findChildren<QLabel*>()) {
        if (label->objectName().isEmpty())
            continue;
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
    QLabel& line = *::MainWindow().stx_copyPath[2];
    // Free of its fixed size, the label's size hint follows the text it shows.
    line.setMinimumSize(0, 0);
    line.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    line.setText(QStringLiteral("<b>a<br>b</b>"));
    const QSize plain = line.sizeHint();
    line.setText(QStringLiteral("ab"));
    EXPECT_GT(plain.width(), line.sizeHint().width());
}

TEST_F(MainWindowLayout, PictureBandOverlapsAreDrawnInFront) {
    mainwindow::MainWindow& window = ::MainWindow();
    const QPoint overTabPanel = window.cvs_topRight->geometry().topLeft() + QPoint(10, 60);
    EXPECT_EQ(content().childAt(overTabPanel), window.cvs_topRight);
    window.stx_Scrolling->show();
    const QPoint overMiddle = window.stx_Scrolling->geometry().topLeft() + QPoint(5, 5);
    EXPECT_EQ(content().childAt(overMiddle), window.stx_Scrolling);
}

// Presses Tab from `first` and lists the controls that receive the focus, until the focus
// comes back to `first`.
std::string tabChainFrom(QWidget& first) {
    QWidget* const tabPanelFocus = ::MainWindow().TabPanel1->focusProxy();
    first.setFocus(Qt::TabFocusReason);
    std::string names;
    for (int step = 0; step < 20; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        if (!focus || focus == &first)
            break;
        // The tab panel takes the keyboard focus on its tab bar.
        if (focus == tabPanelFocus)
            focus = ::MainWindow().TabPanel1;
        names += (names.empty() ? "" : " ") + focus->objectName().toStdString();
    }
    return names;
}

TEST_F(MainWindowLayout, KeyboardOrderFollowsTheTabIndexOfEachPage) {
    mainwindow::MainWindow& window = ::MainWindow();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    // Opened without sets, the Destination button is disabled; a set being shown enables it.
    window.btn_Destination->setEnabled(true);
    showPage(1);
    EXPECT_EQ(tabChainFrom(*window.pmn_Sets),
              "btn_New btn_Delete chb_enableSet btn_Destination TabPanel1");
    showPage(2);
    EXPECT_EQ(tabChainFrom(*window.txf_String),
              "btn_AddToContains btn_AddToExten btn_DeleteContain btn_DeleteExt TabPanel1");
    showPage(3);
    window.btn_Backup->setEnabled(true);
    EXPECT_EQ(tabChainFrom(*window.btn_Backup), "TabPanel1");
}

TEST_F(MainWindowLayout, ContentIsFixedAt512By317WithoutCloseOrZoom) {
    mainwindow::MainWindow& window = ::MainWindow();
    EXPECT_EQ(content().size(), QSize(512, 317));
    EXPECT_EQ(content().geometry().width(), window.width());
    EXPECT_EQ(window.minimumSize(), window.maximumSize());

    window.resize(800, 600);
    QApplication::processEvents();
    EXPECT_EQ(content().size(), QSize(512, 317));
    EXPECT_EQ(window.width(), 512);

    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainWindowLayout, BackdropIsPaintedAtTheTopLeftOfTheContent) {
    mainwindow::MainWindow& window = ::MainWindow();
    QPixmap red(512, 50);
    red.fill(Qt::red);
    window.setBackdrop(red);
    EXPECT_EQ(window.Backdrop().cacheKey(), red.cacheKey());
    const QImage shot = content().grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(2, 2)), QColor(Qt::red));
    EXPECT_EQ(QColor(shot.pixel(100, 40)), QColor(Qt::red));
}

TEST_F(MainWindowLayout, ScreenshotOfEachPage) {
    const QString folder = QStringLiteral(TOLVANE_TEST_ARTIFACTS);
    ASSERT_TRUE(QDir().mkpath(folder));
    for (int page = 1; page <= 3; ++page) {
        showPage(page);
        const QPixmap shot = ::MainWindow().grab();
        EXPECT_GE(shot.height(), 317);
        const QString file = folder + QStringLiteral("/mainwindow-page%1.png").arg(page);
        EXPECT_TRUE(shot.save(file)) << file.toStdString();
    }
}

} // namespace
