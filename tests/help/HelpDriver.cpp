#include "help/HelpDriver.h"

#include "help/Help.h"
#include "mainwindow/MainWindow.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTest>

namespace help_test {

help::Help& chooseInstructions() {
    QAction* instructions = MainWindow().menuInstructions();
    EXPECT_NE(instructions, nullptr);
    if (instructions)
        instructions->trigger();
    return Help();
}

QList<help::Help*> existingHelpWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<help::Help*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<help::Help*>(widget))
            windows.append(window);
    }
    return windows;
}

QLabel* label(help::Help& window, const QString& name) {
    auto* found = window.findChild<QLabel*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

void clickLink(help::Help& window, const QString& name) {
    if (QLabel* link = label(window, name))
        QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
}

} // namespace help_test
