#include "fw/Canvas.h"
#include "fw/StaticText.h"
#include "fw/Thread.h"
#include "mainwindow/MainWindow.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

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

// The 58 drawn controls of the design, each carrying its design name.
std::vector<QWidget*> drawnControls() {
    static const QRegularExpression designName(
        QStringLiteral("^(stx|btn|cvs|pmn|chb|lsb|txf|prb)_|^GroupBox|^TabPanel"));
    std::vector<QWidget*> controls;
    for (QWidget* widget : ::MainWindow().centralWidget()->findChildren<QWidget*>())
        if (designName.match(widget->objectName()).hasMatch())
            controls.push_back(widget);
    return controls;
}

std::string nameOf(const QWidget& control) {
    const QVariant index = control.property("Index");
    return control.objectName().toStdString() +
           (index.isValid() ? "(" + std::to_string(index.toInt()) + ")" : "");
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

TEST_F(MainWindowLayout, AHandfulOfControlsSitAtTheirPlacesWithTheirTexts) {
    mainwindow::MainWindow& window = ::MainWindow();
    EXPECT_EQ(inContent(*window.TabPanel1), QRect(-4, 50, 520, 291));
    EXPECT_EQ(inContent(*window.cvs_topRight), QRect(454, 0, 58, 64));
    EXPECT_EQ(inContent(*window.stx_Scrolling), QRect(194, 17, 260, 16));
    EXPECT_EQ(window.stx_Scrolling->text(), "0110010111010111001100101110101110");

    showPage(1);
    EXPECT_EQ(inContent(*window.pmn_Sets), QRect(41, 100, 180, 22));
    EXPECT_EQ(inContent(*window.stx_setPath[0]), QRect(29, 133, 209, 20));
    EXPECT_EQ(window.stx_setPath[0]->parentWidget(), window.GroupBox1);
    EXPECT_EQ(inContent(*window.stx_setPath[6]), QRect(101, 241, 137, 20));
    EXPECT_EQ(window.stx_setPath[6]->parentWidget(), window.TabPanel1->widget(0));
    EXPECT_EQ(inContent(*window.chb_enableSet), QRect(272, 278, 100, 20));
    EXPECT_EQ(window.btn_Destination->toolTip(), "Pick a destination folder for the current set");

    showPage(2);
    EXPECT_EQ(inContent(*window.lsb_Contains), QRect(243, 119, 120, 148));
    EXPECT_EQ(inContent(*window.stx_ContainInfo), QRect(18, 223, 221, 76));
    EXPECT_EQ(window.btn_AddToExten->text(), "Extension");

    showPage(3);
    EXPECT_EQ(inContent(*window.stx_copyPath[6]), QRect(114, 210, 137, 20));
    EXPECT_EQ(inContent(*window.stx_text2[0]), QRect(279, 124, 89, 20));
    EXPECT_EQ(inContent(*window.stx_text2[1]), QRect(279, 126, 89, 20));
    EXPECT_EQ(inContent(*window.btn_Backup), QRect(392, 257, 100, 20));
    EXPECT_EQ(inContent(*window.prb_Progress), QRect(20, 286, 472, 20));
    EXPECT_EQ(window.btn_Backup->text(), "Start Backup");
    EXPECT_EQ(window.stx_text5->text(), "Data written :");
}

TEST_F(MainWindowLayout, EachPageShowsItsOwnControlsInsideTheirParentsAndTheWindow) {
    const std::vector<QWidget*> controls = drawnControls();
    ASSERT_EQ(controls.size(), 58u);
    for (int page = 1; page <= 3; ++page) {
        showPage(page);
        for (QWidget* control : controls) {
            SCOPED_TRACE(nameOf(*control) + " on page " + std::to_string(page));
            const int own = pageOf(*control);
            // The opening hides the scrolling digits until a run starts.
            const bool shown = (own == 0 || own == page) && control != ::MainWindow().stx_Scrolling;
            EXPECT_EQ(control->isVisible(), shown);
            if (!shown || control == ::MainWindow().TabPanel1)
                continue; // the tab panel reaches past the window's edges by design
            EXPECT_TRUE(control->parentWidget()->rect().contains(control->geometry()));
            EXPECT_TRUE(content().rect().contains(inContent(*control)));
        }
    }
}

TEST_F(MainWindowLayout, NoTwoControlsOfAPageOverlapUnlessTheDesignNestsThem) {
    const std::vector<QWidget*> controls = drawnControls();
    // Where the design lets controls overlap: a control inside a group box's frame, and the
    // neighbouring lines of one control array (ladder lines overlap by 2 pixels).
    auto nested = [](const QRect& outer, const QWidget& box, const QRect& inner) {
        return qobject_cast<const QGroupBox*>(&box) && outer.contains(inner);
    };
    for (int page = 1; page <= 3; ++page) {
        showPage(page);
        for (std::size_t i = 0; i < controls.size(); ++i) {
            for (std::size_t j = i + 1; j < controls.size(); ++j) {
                QWidget& a = *controls[i];
                QWidget& b = *controls[j];
                if (pageOf(a) != page || pageOf(b) != page || a.isAncestorOf(&b) ||
                    b.isAncestorOf(&a) || a.objectName() == b.objectName())
                    continue;
                const QRect ra = inContent(a);
                const QRect rb = inContent(b);
                if (nested(ra, a, rb) || nested(rb, b, ra))
                    continue;
                EXPECT_FALSE(ra.intersects(rb)) << nameOf(a) << " and " << nameOf(b);
            }
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
    EXPECT_EQ(drawnControls().size(), 58u);
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

    EXPECT_EQ(window.stx_Scrolling->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(window.stx_status->palette().color(QPalette::WindowText), QColor(Qt::black));
    // The desktop's family at the design's fixed size.
    EXPECT_EQ(window.stx_status->font().family(), QApplication::font().family());
    EXPECT_EQ(window.stx_status->font().pixelSize(), 12);
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

// Text sizes of the design are pixels: the 34 digits at size 12 fit the 260 x 16 label, drawn
// smaller where the font's lines are taller than the label.
TEST_F(MainWindowLayout, TheScrollingDigitsFitTheirLabel) {
    auto& digits = static_cast<fw::StaticText&>(*::MainWindow().stx_Scrolling);
    EXPECT_EQ(digits.font().pixelSize(), 12);
    EXPECT_EQ(digits.palette().color(QPalette::WindowText), QColor(Qt::white));
    const QFontMetrics drawn(digits.fittedFont());
    EXPECT_EQ(digits.fittedText(), digits.text());
    EXPECT_LE(drawn.horizontalAdvance(digits.text()), digits.width());
    EXPECT_LE(drawn.height(), digits.height());
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

} // namespace
