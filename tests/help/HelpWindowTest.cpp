#include "fw/Text.h"
#include "help/Help.h"
#include "help/HelpDriver.h"
#include "help/Topics.h"
#include "mainwindow/MainWindow.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>

using namespace help_test;

namespace {

const QStringList linkNames{"stx_Overview", "stx_BackUpSets", "stx_Advanced", "stx_BackUp"};

// The names of the underlined links, in their order.
QStringList underlinedLinks(help::Help& window) {
    QStringList underlined;
    for (const QString& name : linkNames) {
        if (QLabel* link = label(window, name); link && link->font().underline())
            underlined.append(name);
    }
    return underlined;
}

void expectTopic(help::Help& window, const help::Topic& topic, const QString& link) {
    EXPECT_EQ(label(window, "stx_Title")->text(), fw::toQString(std::string(topic.title)));
    EXPECT_EQ(label(window, "stx_Info")->text(), fw::toQString(help::topicBody(topic)));
    EXPECT_EQ(underlinedLinks(window), QStringList{link});
}

} // namespace

TEST(HelpWindow, FirstInstructionsOpensTheOverviewInAFixedWindowWithACloseBox) {
    help::Help& window = chooseInstructions();

    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Tolvane Help");
    EXPECT_EQ(window.size(), QSize(800, 480));
    EXPECT_EQ(window.minimumSize(), QSize(800, 480));
    EXPECT_EQ(window.maximumSize(), QSize(800, 480));
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(window.isModal());
    expectTopic(window, help::overviewTopic(), "stx_Overview");
}

TEST(HelpWindow, ControlsSitWhereTheyAreDrawn) {
    help::Help& window = chooseInstructions();
    auto windowRect = [&](const QWidget* control) {
        return QRect(control->mapTo(&window, QPoint()), control->size());
    };

    auto* frame = window.findChild<QGroupBox*>("GroupBox1");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(windowRect(frame), QRect(185, 71, 595, 372));
    EXPECT_TRUE(frame->title().isEmpty());

    QLabel* info = label(window, "stx_Info");
    EXPECT_EQ(info->parentWidget(), frame);
    EXPECT_EQ(windowRect(info), QRect(195, 127, 575, 316));
    EXPECT_TRUE(info->wordWrap());
    EXPECT_EQ(info->font().pixelSize(), 12);

    QLabel* title = label(window, "stx_Title");
    EXPECT_EQ(title->parentWidget(), frame);
    EXPECT_EQ(windowRect(title), QRect(195, 83, 140, 20));
    EXPECT_TRUE(title->font().underline());
    EXPECT_EQ(title->font().pixelSize(), 18);

    const QList<int> linkTops{82, 127, 159, 191};
    const QStringList linkTexts{"Overview", "Backup Sets", "Advanced", "Backup"};
    for (int i = 0; i < linkNames.size(); ++i) {
        QLabel* link = label(window, linkNames[i]);
        EXPECT_EQ(windowRect(link), QRect(35, linkTops[i], 129, 20));
        EXPECT_EQ(link->text(), linkTexts[i]);
        EXPECT_EQ(link->font().pixelSize(), 18);
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        EXPECT_LE(link->fontMetrics().horizontalAdvance(link->text()), link->width());
    }

    auto* line = window.findChild<QFrame*>("Line1");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(windowRect(line), QRect(16, 116, 163, 2));
}

TEST(HelpWindow, InstructionsAgainBringsTheSameWindowWithItsTopic) {
    help::Help& first = chooseInstructions();
    clickLink(first, "stx_Advanced");
    first.lower();

    help::Help& again = chooseInstructions();

    EXPECT_EQ(&again, &first);
    EXPECT_EQ(existingHelpWindows().size(), 1);
    EXPECT_TRUE(again.isVisible());
    expectTopic(again, help::advancedTopic(), "stx_Advanced");
}

TEST(HelpWindow, ClosingEndsTheWindowAndTheNextOneOpensOnTheOverview) {
    QPointer<help::Help> first = &chooseInstructions();
    clickLink(*first, "stx_BackUp");

    EXPECT_TRUE(first->close());
    EXPECT_TRUE(existingHelpWindows().isEmpty());
    EXPECT_TRUE(first.isNull());

    help::Help& second = chooseInstructions();
    EXPECT_EQ(existingHelpWindows(), QList<help::Help*>{&second});
    expectTopic(second, help::overviewTopic(), "stx_Overview");
}

TEST(HelpWindow, InstructionsRightAfterClosingMakesANewWindow) {
    QPointer<help::Help> first = &chooseInstructions();
    EXPECT_TRUE(first->close());

    // The closed window is deleted only when the event loop runs again.
    help::Help& second = chooseInstructions();

    EXPECT_NE(&second, first.data());
    EXPECT_EQ(existingHelpWindows(), QList<help::Help*>{&second});
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(second.isVisible());
}

TEST(HelpWindow, EachLinkShowsItsTopicAndUnderlinesOnlyItself) {
    help::Help& window = chooseInstructions();
    const std::vector<std::pair<QString, const help::Topic*>> links{
        {"stx_BackUpSets", &help::backupSetsTopic()}, {"stx_Advanced", &help::advancedTopic()},
        {"stx_Advanced", &help::advancedTopic()},     {"stx_BackUp", &help::backupTopic()},
        {"stx_Overview", &help::overviewTopic()},
    };
    for (const auto& [name, topic] : links) {
        SCOPED_TRACE(name.toStdString());
        clickLink(window, name);
        expectTopic(window, *topic, name);
        EXPECT_EQ(label(window, name)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    }
}

TEST(HelpWindow, ALinkShowsThePointingFingerOnceThePointerHasEnteredIt) {
    help::Help& window = chooseInstructions();
    QLabel* link = label(window, "stx_Advanced");
    QLabel* other = label(window, "stx_BackUp");
    EXPECT_FALSE(link->testAttribute(Qt::WA_SetCursor));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), link->mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(link, &enter);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);

    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(other->testAttribute(Qt::WA_SetCursor));
}
