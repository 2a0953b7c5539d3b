#include "mainwindow/MainWindow.h"
#include "shell/MenuBar1.h"
#include "shell/Startup.h"
#include "shell/Tolvane.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace {

// Runs the application's event loop with `during` called from inside it; returns the loop's
// exit code, or 99 when nothing ended the loop within five seconds.
int runEventLoop(const std::function<void()>& during) {
    QTimer::singleShot(0, qApp, during);
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(99); });
    return QApplication::exec();
}

QMenu* applicationMenu() {
    return ::MainWindow().menuBar()->findChild<QMenu*>(QStringLiteral("applicationMenu"));
}

struct Entry {
    QString name;
    QString text;
    bool separator;
};

TEST(MenuBar1, HelpMenuHoldsTheDesignedItemsInOrder) {
    shell::MenuBar1& bar = ::MenuBar1();
    auto* help = bar.findChild<QMenu*>(QStringLiteral("menuHelp"));
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->title(), "Help");
    EXPECT_TRUE(bar.actions().contains(help->menuAction()));

    const std::vector<Entry> expected = {
        {"menuInstructions", "Instructions", false},
        {"UntitledSeparator0", "", true},
        {"menuAbout", "About", false},
        {"menuCheckUpdate", "Check for Updates", false},
        {"UntitledSeparator", "", true},
    };
    const QList<QAction*> items = help->actions();
    ASSERT_EQ(items.size(), qsizetype(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name.toStdString());
        EXPECT_EQ(items[i]->objectName(), expected[i].name);
        EXPECT_EQ(items[i]->isSeparator(), expected[i].separator);
        if (!expected[i].separator) {
            EXPECT_EQ(items[i]->text(), expected[i].text);
        }
        EXPECT_TRUE(items[i]->shortcut().isEmpty());
        EXPECT_TRUE(items[i]->isEnabled());
    }
}

// Qt leaves a separator at the end of a menu undrawn unless told otherwise; the Help menu
// ends in one, which takes its place below "Check for Updates" in the open menu.
TEST(MenuBar1, HelpMenuDrawsBothSeparators) {
    mainwindow::MainWindow& window = ::MainWindow();
    window.show();
    auto* help = window.menuBar()->findChild<QMenu*>(QStringLiteral("menuHelp"));
    ASSERT_NE(help, nullptr);
    help->popup(window.mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));

    auto drawnAt = [help](QAction* item) { return help->actionGeometry(item); };
    const QRect first = drawnAt(window.UntitledSeparator0());
    const QRect last = drawnAt(window.UntitledSeparator());
    EXPECT_GT(first.height(), 0);
    EXPECT_GE(first.top(), drawnAt(window.menuInstructions()).bottom());
    EXPECT_LE(first.bottom(), drawnAt(window.menuAbout()).top());
    EXPECT_GT(last.height(), 0);
    EXPECT_GE(last.top(), drawnAt(window.menuCheckUpdate()).bottom());
    EXPECT_TRUE(help->rect().contains(last));
}

TEST(MenuBar1, IsBuiltOnceAndIsTheMainWindowsMenuBar) {
    shell::MenuBar1* first = &::MenuBar1();
    EXPECT_EQ(&::MenuBar1(), first);
    EXPECT_EQ(::MainWindow().menuBar(), first);
    EXPECT_EQ(&::MenuBar1(), first);
    EXPECT_EQ(first->findChildren<QMenu*>(QStringLiteral("menuHelp")).size(), 1);
    EXPECT_EQ(first->findChildren<QAction*>(QStringLiteral("menuAbout")).size(), 1);
}

TEST(MenuBar1, MainWindowFindsItsItemsByName) {
    mainwindow::MainWindow& window = ::MainWindow();
    auto* help = window.menuBar()->findChild<QMenu*>(QStringLiteral("menuHelp"));
    ASSERT_NE(help, nullptr);
    const QList<QAction*> items = help->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(window.menuHelp(), help->menuAction());
    EXPECT_EQ(window.menuInstructions(), items[0]);
    EXPECT_EQ(window.UntitledSeparator0(), items[1]);
    EXPECT_EQ(window.menuAbout(), items[2]);
    EXPECT_EQ(window.menuCheckUpdate(), items[3]);
    EXPECT_EQ(window.UntitledSeparator(), items[4]);
}

TEST(ApplicationMenu, StandsLeftOfHelpWithQuit) {
    QMenuBar& bar = *::MainWindow().menuBar();
    QMenu* menu = applicationMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), "Tolvane");
    const QList<QAction*> top = bar.actions();
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top[0], menu->menuAction());
    EXPECT_EQ(top[1], ::MainWindow().menuHelp());

    ASSERT_EQ(menu->actions().size(), 1);
    QAction* quit = menu->actions().first();
    EXPECT_EQ(quit->text(), "Quit Tolvane");
    EXPECT_EQ(quit->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
}

TEST(ApplicationMenu, QuitEndsTheEventLoop) {
    ::MainWindow().show();
    QAction* quit = applicationMenu()->actions().first();
    EXPECT_EQ(runEventLoop([quit] { quit->trigger(); }), 0);
}

TEST(ApplicationMenu, CtrlQEndsTheEventLoop) {
    mainwindow::MainWindow& window = ::MainWindow();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(runEventLoop([&window] { QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier); }),
              0);
}

TEST(ApplicationMenu, ClosingTheMainWindowQuitsWhileOtherWindowsAreOpen) {
    mainwindow::MainWindow& window = ::MainWindow();
    window.show();
    QWidget other;
    other.show();
    EXPECT_EQ(runEventLoop([&window] { window.close(); }), 0);
}

TEST(Application, AppIsTheOneTolvaneObject) {
    shell::Tolvane* app = &App();
    EXPECT_EQ(static_cast<QObject*>(app), QCoreApplication::instance());
    EXPECT_EQ(&App(), app);
    EXPECT_EQ(QCoreApplication::applicationName(), "Tolvane");
    EXPECT_EQ(QCoreApplication::applicationVersion(), QStringLiteral("%1.%2.%3")
                                                          .arg(shell::Tolvane::MajorVersion)
                                                          .arg(shell::Tolvane::MinorVersion)
                                                          .arg(shell::Tolvane::BugVersion));

    // A second request for the application object keeps the first one.
    int argc = 1;
    char name[] = "tolvane";
    char* argv[] = {name, nullptr};
    shell::_NewAppInstance(argc, argv);
    EXPECT_EQ(&App(), app);
}

// App() gives the application object as a Tolvane, so an application object of another class
// is refused where the application object is made.
TEST(ApplicationDeathTest, AnApplicationObjectOfAnotherClassIsRefused) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto startWithAnotherApplication = [] {
        delete &App();
        int argc = 1;
        char name[] = "tolvane";
        char* argv[] = {name, nullptr};
        QCoreApplication other(argc, argv);
        shell::_NewAppInstance(argc, argv);
    };
    EXPECT_DEATH(startWithAnotherApplication(), "QCoreApplication, not a Tolvane");
}

TEST(Startup, MakeDefaultViewShowsTheMainWindow) {
    shell::_MakeDefaultView();
    mainwindow::MainWindow& window = ::MainWindow();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Tolvane");
    shell::_MakeDefaultView();
    EXPECT_EQ(&::MainWindow(), &window);
}

// The whole start-up: the window opens, the loop runs until the user quits, then the window,
// its menu bar and the application object are released, each once.
TEST(Startup, RunsUntilQuitThenReleasesEverything) {
    QPointer<QWidget> window;
    QPointer<QWidget> bar;
    bool visible = false;
    QTimer::singleShot(0, qApp, [&] {
        window = &::MainWindow();
        bar = &::MenuBar1();
        visible = window->isVisible();
        applicationMenu()->actions().first()->trigger();
    });
    int argc = 1;
    char name[] = "tolvane";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(shell::_Startup(argc, argv), 0);
    EXPECT_TRUE(visible);
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(bar.isNull());
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

} // namespace
