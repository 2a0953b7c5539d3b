#include "mainwindow/MainWindow.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QPointer>

namespace {

// Asks for the main window from inside its own construction, the way the opening sequence
// does, and records what it got.
class ConstructionProbe : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = qobject_cast<mainwindow::MainWindow*>(watched);
        if (window && event->type() == QEvent::ChildAdded && !seen) {
            seen = window;
            returned = &::MainWindow();
            titleThen = returned->windowTitle();
            controlsThen = returned->btn_Backup != nullptr;
        }
        return false;
    }

    mainwindow::MainWindow* seen = nullptr;
    mainwindow::MainWindow* returned = nullptr;
    QString titleThen;
    bool controlsThen = true;
};

int mainWindowCount() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<mainwindow::MainWindow*>(widget) != nullptr;
    return count;
}

TEST(MainWindowAccessor, DuringConstructionReturnsTheWindowBeingBuilt) {
    ConstructionProbe probe;
    qApp->installEventFilter(&probe);
    mainwindow::MainWindow& window = ::MainWindow();
    qApp->removeEventFilter(&probe);

    ASSERT_NE(probe.seen, nullptr);
    EXPECT_EQ(probe.returned, probe.seen);
    EXPECT_EQ(probe.returned, &window);
    // It was reached before its controls existed and before it opened.
    EXPECT_FALSE(probe.controlsThen);
    EXPECT_NE(probe.titleThen, "Tolvane");
    EXPECT_EQ(mainWindowCount(), 1);
}

TEST(MainWindowAccessor, ReturnsTheSameWindowOnEveryCall) {
    mainwindow::MainWindow* first = &::MainWindow();
    EXPECT_EQ(&::MainWindow(), first);
    EXPECT_EQ(&::MainWindow(), first);
    EXPECT_EQ(mainWindowCount(), 1);
}

TEST(MainWindowState, AfterOpeningWithoutSettings) {
    mainwindow::MainWindow& window = ::MainWindow();
    EXPECT_EQ(window.softwareName, "Tolvane");
    EXPECT_EQ(window.windowTitle(), "Tolvane");
    EXPECT_FALSE(window.BackingUp);

    EXPECT_TRUE(window.DestinationFolder.empty());
    EXPECT_TRUE(window.SourceItems.empty());
    EXPECT_TRUE(window.Sets.empty());
    EXPECT_TRUE(window.ErrorList.empty());
    EXPECT_TRUE(window.setEnable.empty());
    EXPECT_TRUE(window.sourceSet.empty());
    EXPECT_FALSE(window.SourceFolder.has_value());
    EXPECT_FALSE(window.DestFolder.has_value());

    EXPECT_EQ(window.TotalItemCount, 0);
    EXPECT_EQ(window.TotalFileSize, 0u);
    EXPECT_EQ(window.FilesCopied, 0);
    EXPECT_EQ(window.FilesUpdated, 0);
    EXPECT_EQ(window.ErrorCount, 0);
    EXPECT_EQ(window.pmnCurrent, 0);
    EXPECT_EQ(window.sett, 0);
    EXPECT_TRUE(window.infoText.empty());
}

} // namespace
