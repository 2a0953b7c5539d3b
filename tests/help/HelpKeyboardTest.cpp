#include "help/Help.h"
#include "help/HelpDriver.h"
#include "help/Topics.h"

#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTest>

using namespace help_test;

namespace {

// The Help window, shown and active, as a keyboard user meets it.
help::Help& activeHelp() {
    help::Help& window = chooseInstructions();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    return window;
}

QString focusName() {
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QString();
}

void press(Qt::Key key) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, key);
}

QString title(help::Help& window) {
    return label(window, "stx_Title")->text();
}

} // namespace

TEST(HelpKeyboard, TabAndArrowsMoveBetweenTheTopicsAndReturnOrSpaceChoosesOne) {
    help::Help& window = activeHelp();
    EXPECT_EQ(focusName(), "stx_Overview");

    press(Qt::Key_Tab);
    EXPECT_EQ(focusName(), "stx_BackUpSets");
    EXPECT_EQ(title(window), "Overview"); // moving the focus chooses nothing
    press(Qt::Key_Return);
    EXPECT_EQ(title(window), "Backup Sets");
    EXPECT_TRUE(label(window, "stx_BackUpSets")->font().underline());
    EXPECT_FALSE(label(window, "stx_Overview")->font().underline());

    press(Qt::Key_Down);
    EXPECT_EQ(focusName(), "stx_Advanced");
    press(Qt::Key_Space);
    EXPECT_EQ(title(window), "Advanced");

    press(Qt::Key_Down);
    EXPECT_EQ(focusName(), "stx_BackUp");
    press(Qt::Key_Enter);
    EXPECT_EQ(title(window), "Backup");

    // From the last topic, Tab comes round to the first; Up goes back.
    press(Qt::Key_Tab);
    EXPECT_EQ(focusName(), "stx_Overview");
    press(Qt::Key_Up);
    EXPECT_EQ(focusName(), "stx_BackUp");
    press(Qt::Key_Backtab);
    EXPECT_EQ(focusName(), "stx_Advanced");
    EXPECT_EQ(title(window), "Backup");
}

TEST(HelpKeyboard, EscapeClosesTheWindow) {
    activeHelp();
    press(Qt::Key_Escape);
    EXPECT_TRUE(existingHelpWindows().isEmpty());
}

TEST(HelpKeyboard, ScreenReadersHearAWindowOfTopicLinksThatCanBePressed) {
    help::Help& window = activeHelp();
    QAccessibleInterface* accessibleWindow = QAccessible::queryAccessibleInterface(&window);
    ASSERT_NE(accessibleWindow, nullptr);
    EXPECT_EQ(accessibleWindow->role(), QAccessible::Window);
    EXPECT_EQ(accessibleWindow->text(QAccessible::Name), "Tolvane Help");

    for (const char* name : {"stx_Overview", "stx_BackUpSets", "stx_Advanced", "stx_BackUp"}) {
        SCOPED_TRACE(name);
        QAccessibleInterface* link = QAccessible::queryAccessibleInterface(label(window, name));
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->role(), QAccessible::Link);
        EXPECT_EQ(link->text(QAccessible::Name), label(window, name)->text());
        EXPECT_TRUE(link->state().focusable);
    }

    QAccessibleInterface* advanced =
        QAccessible::queryAccessibleInterface(label(window, "stx_Advanced"));
    QAccessibleActionInterface* actions = advanced->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(title(window), "Advanced");
    EXPECT_TRUE(label(window, "stx_Advanced")->font().underline());
}
