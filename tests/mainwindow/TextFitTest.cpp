#include "fw/PopupMenu.h"
#include "fw/StaticText.h"
#include "mainwindow/MainWindow.h"
#include "sets/SetsTesting.h"
#include "support/DialogDriver.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <string>

namespace {

// A desktop's font setting: its family and its size in points.
struct DesktopFont {
    const char* family;
    int points;
};

std::ostream& operator<<(std::ostream& out, const DesktopFont& font) {
    return out << font.family << " " << font.points << " pt";
}

// Builds the main window under the desktop font of the test's parameter.
class TextFit : public ::testing::TestWithParam<DesktopFont> {
protected:
    void SetUp() override {
        const QFont desktop(QString::fromLatin1(GetParam().family), GetParam().points);
        if (QFontInfo(desktop).family() != desktop.family())
            GTEST_SKIP() << "the font " << GetParam().family
                         << " is not installed (scripts/setup.sh installs it)";
        QApplication::setFont(desktop);
        ::MainWindow().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&::MainWindow()));
    }

    mainwindow::MainWindow& window() { return ::MainWindow(); }

    // Shows each page in turn, so that every control has its final place and size.
    template <class Check>
    void onEveryPage(Check check) {
        QTabWidget& panel = *window().TabPanel1;
        for (int page = 0; page < panel.count(); ++page) {
            panel.setCurrentIndex(page);
            QApplication::processEvents();
            check();
        }
    }
};

// Whether the label draws its text whole (perhaps smaller) inside its box.
void expectDrawnWhole(const fw::StaticText& label) {
    SCOPED_TRACE(label.objectName().toStdString() + " \"" + label.text().toStdString() + "\"");
    const QFontMetrics drawn(label.fittedFont());
    const QRect box = label.contentsRect();
    EXPECT_EQ(label.fittedText(), label.text());
    if (label.wordWrap()) {
        const QRect needed =
            drawn.boundingRect(QRect(0, 0, box.width(), 10000),
                               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label.text());
        EXPECT_LE(needed.height(), box.height());
        EXPECT_LE(needed.width(), box.width());
    } else {
        EXPECT_LE(drawn.horizontalAdvance(label.text()), box.width());
        EXPECT_LE(drawn.height(), box.height());
    }
}

TEST_P(TextFit, EveryLabelShowsItsDesignTextWhole) {
    const auto labels = window().centralWidget()->findChildren<fw::StaticText*>();
    ASSERT_EQ(labels.size(), 38); // 21 ladder lines, stx_text2's two members, 15 single labels
    onEveryPage([&] {
        for (const fw::StaticText* label : labels)
            expectDrawnWhole(*label);
    });
}

// Buttons, check boxes and tabs are not drawn smaller: their captions fit at the design's
// text size, whatever size the desktop sets.
TEST_P(TextFit, EveryButtonCheckBoxAndTabShowsItsCaptionWhole) {
    window().btn_Backup->setText(QStringLiteral("Cancel"));
    const auto buttons = window().centralWidget()->findChildren<QAbstractButton*>();
    onEveryPage([&] {
        for (QAbstractButton* button : buttons) {
            if (!button->isVisible() || button->text().isEmpty())
                continue;
            SCOPED_TRACE(button->objectName().toStdString());
            QStyleOptionButton option;
            option.initFrom(button);
            const bool checkBox = qobject_cast<QCheckBox*>(button);
            const QRect contents = button->style()->subElementRect(
                checkBox ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &option,
                button);
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), contents.width());
            EXPECT_LE(button->fontMetrics().height(), contents.height() + 4);
        }
    });
    window().btn_Backup->setText(QStringLiteral("Start Backup"));

    QTabBar& tabs = *window().TabPanel1->tabBar();
    const int padding = tabs.style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, &tabs);
    for (int tab = 0; tab < tabs.count(); ++tab) {
        SCOPED_TRACE(tabs.tabText(tab).toStdString());
        EXPECT_LE(tabs.fontMetrics().horizontalAdvance(tabs.tabText(tab)) + padding,
                  tabs.tabRect(tab).width());
        EXPECT_LE(tabs.tabRect(tab).right(), tabs.width());
    }
}

// Texts of a run: counts are drawn smaller until they fit; a long name loses its middle but
// keeps what the line says it does and the size at its end.
TEST_P(TextFit, TextsOfARunFitTheirLabels) {
    mainwindow::MainWindow& w = window();
    // Entering the page resets the panel; the texts come after.
    w.TabPanel1->setCurrentIndex(2);
    QApplication::processEvents();
    const QString longName = QString(120, QLatin1Char('n')) + QStringLiteral(".mov");
    w.stx_Info->setText(QStringLiteral("Checking : ") + longName + QStringLiteral(" (12.34 Mb)"));
    w.stx_files->setText(QStringLiteral("1234567 / 1234567"));
    w.stx_fileCount->setText(QStringLiteral("1234567890"));
    w.stx_DataWritten->setText(QStringLiteral("1023.99 Gb"));
    w.stx_copyPath[6]->setText(QStringLiteral(":\u2026") + longName);

    for (QLabel* counter : {w.stx_files, w.stx_fileCount, w.stx_DataWritten})
        expectDrawnWhole(static_cast<const fw::StaticText&>(*counter));

    for (QLabel* line : {w.stx_Info, w.stx_copyPath[6]}) {
        const auto& label = static_cast<const fw::StaticText&>(*line);
        SCOPED_TRACE(label.objectName().toStdString());
        const QString drawn = label.fittedText();
        EXPECT_LE(QFontMetrics(label.fittedFont()).horizontalAdvance(drawn),
                  label.contentsRect().width());
        EXPECT_TRUE(drawn.contains(QChar(0x2026)));
        EXPECT_TRUE(drawn.startsWith(label.text().left(4))) << drawn.toStdString();
        EXPECT_TRUE(drawn.endsWith(label.text().right(4))) << drawn.toStdString();
        EXPECT_GE(label.fittedFont().pixelSize(), fw::StaticText::smallestPixelSize);
        // The label keeps its whole text for screen readers and for the code that reads it.
        EXPECT_EQ(label.text().size(), line == w.stx_Info ? 11 + 124 + 11 : 2 + 124);
    }
}

// A set whose folder has a long name shows its mark and the end of the name in the popup.
TEST_P(TextFit, TheSetPopupShowsALongNameCutInItsMiddle) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString name = QStringLiteral("Photographs of the summer holidays in 2024 - edited");
    chooseFolderInNextDialog(sets_testing::makeFolder(root.path(), name));
    window().btn_New->click();
    ASSERT_TRUE(waitForDialogs());
    auto& popup = static_cast<fw::PopupMenu&>(*window().pmn_Sets);
    ASSERT_EQ(popup.currentText(), QString::fromUtf8("\u221a ") + name);

    QStyleOptionComboBox option;
    option.initFrom(&popup);
    const QRect field = popup.style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, &popup);
    const QString shown = popup.shownText();
    EXPECT_LE(popup.fontMetrics().horizontalAdvance(shown), field.width());
    EXPECT_TRUE(shown.startsWith(QString::fromUtf8("\u221a Photo"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("edited"))) << shown.toStdString();
}

// What is painted is what fittedFont and fittedText say.
TEST_P(TextFit, ALabelPaintsItsFittedText) {
    QLabel& info = *window().stx_Info;
    window().TabPanel1->setCurrentIndex(2);
    QApplication::processEvents();
    info.setText(QStringLiteral("Copying : ") + QString(150, QLatin1Char('W')));
    ASSERT_NE(static_cast<const fw::StaticText&>(info).fittedText(), info.text());
    const auto& label = static_cast<const fw::StaticText&>(info);

    QPixmap expected(info.size());
    expected.fill(Qt::white);
    {
        QPainter painter(&expected);
        painter.setFont(label.fittedFont());
        painter.setPen(info.palette().color(QPalette::WindowText));
        painter.drawText(info.contentsRect(), int(info.alignment()), label.fittedText());
    }
    QPixmap painted(info.size());
    painted.fill(Qt::white);
    info.render(&painted, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(painted.toImage(), expected.toImage());
}

INSTANTIATE_TEST_SUITE_P(
    DesktopFonts, TextFit,
    ::testing::Values(DesktopFont{"DejaVu Sans", 9}, DesktopFont{"DejaVu Sans", 11},
                      DesktopFont{"DejaVu Sans", 13}, DesktopFont{"Cantarell", 11},
                      DesktopFont{"Cantarell", 13}, DesktopFont{"Noto Sans", 10},
                      DesktopFont{"Noto Sans", 13}),
    [](const auto& info) {
        std::string name = info.param.family;
        std::erase(name, ' ');
        return name + std::to_string(info.param.points);
    });

} // namespace
