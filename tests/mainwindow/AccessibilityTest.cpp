#include "mainwindow/MainWindow.h"
#include "sets/SetsTesting.h"
#include "support/DialogDriver.h"

#include <gtest/gtest.h>
#include <map>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString spoken(QWidget* widget, QAccessible::Text text = QAccessible::Name) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(text) : QString();
}

int pageOf(QWidget* widget) {
    const QTabWidget& panel = *::MainWindow().TabPanel1;
    for (int page = 0; page < panel.count(); ++page)
        if (panel.widget(page)->isAncestorOf(widget))
            return page + 1;
    return 0;
}

class Accessibility : public ::testing::Test {
protected:
    void SetUp() override {
        ::MainWindow().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&::MainWindow()));
    }
};

// Each control that is no label says what it is, and no two controls of a page are heard
// alike: a listener tells them apart by role, name and description.
TEST_F(Accessibility, EveryControlHasANameThatSetsItApartOnItsPage) {
    static const QRegularExpression designControl(
        QStringLiteral("^(btn|cvs|pmn|chb|lsb|txf|prb)_|^GroupBox"));
    std::map<std::tuple<int, int, QString, QString>, QString> heard;
    const auto widgets = ::MainWindow().centralWidget()->findChildren<QWidget*>();
    int controls = 0;
    for (QWidget* widget : widgets) {
        if (!designControl.match(widget->objectName()).hasMatch())
            continue;
        ++controls;
        SCOPED_TRACE(widget->objectName().toStdString());
        const QString name = spoken(widget);
        EXPECT_FALSE(name.isEmpty());
        const auto key =
            std::tuple(pageOf(widget), int(QAccessible::queryAccessibleInterface(widget)->role()),
                       name, spoken(widget, QAccessible::Description));
        const auto [earlier, added] = heard.emplace(key, widget->objectName());
        EXPECT_TRUE(added) << "heard like " << earlier->second.toStdString() << ": "
                           << name.toStdString();
    }
    EXPECT_EQ(controls,
              19); // 8 buttons, popup, check box, field, 2 lists, bar, 2 pictures, 3 frames
}

TEST_F(Accessibility, TheAdvancedPageNamesItsFieldListsAndBothRemoveButtons) {
    mainwindow::MainWindow& window = ::MainWindow();
    EXPECT_EQ(spoken(window.txf_String), "Exclusion entry");
    EXPECT_EQ(spoken(window.lsb_Contains), window.stx_Contains->text());
    EXPECT_EQ(spoken(window.lsb_Extensions), window.stx_Exten->text());
    EXPECT_EQ(spoken(window.btn_DeleteContain), "Remove contains entry");
    EXPECT_EQ(spoken(window.btn_DeleteExt), "Remove extension");
    EXPECT_NE(spoken(window.btn_DeleteContain, QAccessible::Description),
              spoken(window.btn_DeleteExt, QAccessible::Description));
    EXPECT_EQ(spoken(window.prb_Progress), "Backup progress");
    // Captions are the names where they exist; help tags stay the descriptions.
    EXPECT_EQ(spoken(window.btn_AddToContains), "Contains");
    EXPECT_EQ(spoken(window.btn_AddToContains, QAccessible::Description),
              "Add the text to the 'Contains' list");
    // Nothing a user sees has changed.
    EXPECT_EQ(window.btn_DeleteExt->text(), "Remove");
    EXPECT_EQ(window.btn_DeleteExt->toolTip(), "Remove the currently selected from the list");
}

// The popup is heard as the set's name and its state, never as "square root".
TEST_F(Accessibility, ThePopupIsHeardAsTheSetNameAndItsState) {
    mainwindow::MainWindow& window = ::MainWindow();
    EXPECT_EQ(spoken(window.pmn_Sets), "No backup set");

    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString folder = sets_testing::makeFolder(root.path(), QStringLiteral("Photos"));
    chooseFolderInNextDialog(folder);
    window.btn_New->click();
    ASSERT_TRUE(waitForDialogs());
    ASSERT_EQ(window.pmn_Sets->currentText(), QString::fromUtf8("\u221a Photos"));
    EXPECT_EQ(spoken(window.pmn_Sets), "Photos, enabled for backup");

    window.chb_enableSet->click();
    ASSERT_EQ(window.pmn_Sets->currentText(), "- Photos");
    EXPECT_EQ(spoken(window.pmn_Sets), "Photos, not enabled for backup");
    EXPECT_FALSE(spoken(window.pmn_Sets).contains(QChar(0x221a)));

    // The rows of the list that opens are heard the same way.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(window.pmn_Sets->view());
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->childCount(), 1);
    EXPECT_EQ(list->child(0)->text(QAccessible::Name), "Photos, not enabled for backup");
}

} // namespace
