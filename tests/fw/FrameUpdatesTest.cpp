#include "fw/FrameUpdates.h"

#include "fw/Dialogs.h"
#include "fw/LabelText.h"
#include "fw/Thread.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <QLabel>
#include <QTest>
#include <QTimer>

// What a worker gives the frame must be on the widgets whenever anything else runs: the next
// event after it gives way, a dialog it shows. A text set at once must never be overwritten
// by an older one still waiting.
namespace {

constexpr int waitMs = 10000;

// Runs `step` as a worker, then lets the worker give way until the main loop has run `check`
// once, and ends it.
void runWorkerThenCheck(const std::function<void()>& step, const std::function<void()>& check) {
    fw::Thread thread;
    bool checked = false;
    thread.onRun([&] {
        step();
        QTimer::singleShot(0, [&] {
            check();
            checked = true;
        });
        while (!checked)
            fw::yieldPointAfterHeavyStep();
    });
    thread.Run();
    ASSERT_TRUE(QTest::qWaitFor([&] { return thread.State() == fw::Thread::NotRunning; }, waitMs));
    EXPECT_TRUE(checked);
}

} // namespace

TEST(FrameUpdates, TheLastStateAWorkerGaveIsShownWhenTheEventLoopRuns) {
    QWidget parent;
    auto* label = new QLabel(&parent);
    auto* banner = new QLabel(&parent);
    banner->move(5, 7);
    runWorkerThenCheck(
        [&] {
            fw::showText(label, "Checking : a.txt");
            fw::showText(label, "Checking : b.txt");
            fw::showMovedTo(banner, 40);
            fw::showMovedTo(banner, 41);
        },
        [&] {
            EXPECT_EQ(label->text(), QStringLiteral("Checking : b.txt"));
            EXPECT_EQ(banner->pos(), QPoint(41, 7));
        });

    // Outside a worker nothing waits.
    fw::showText(label, "Complete");
    EXPECT_EQ(label->text(), QStringLiteral("Complete"));
}

TEST(FrameUpdates, ATextSetAtOnceIsNeverOverwrittenByAnOlderOneWaiting) {
    QLabel label;
    runWorkerThenCheck(
        [&] {
            fw::showText(&label, "Checking : a.txt");
            fw::setText(&label, "");
        },
        [&] { EXPECT_EQ(label.text(), QString()); });
}

TEST(FrameUpdates, ADialogAWorkerShowsSeesWhatTheWorkerGaveBeforeIt) {
    QLabel label;
    QString shownUnderDialog;
    fw::Thread thread;
    thread.onRun([&] {
        fw::showText(&label, "3 / 20");
        QTimer::singleShot(0, [&] {
            shownUnderDialog = label.text();
            if (QWidget* dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        fw::MsgBox("Backup Complete");
    });
    thread.Run();
    ASSERT_TRUE(QTest::qWaitFor([&] { return thread.State() == fw::Thread::NotRunning; }, waitMs));
    EXPECT_EQ(shownUnderDialog, QStringLiteral("3 / 20"));
}

TEST(FrameUpdates, ALabelDestroyedWhileItsTextWaitsIsLeftOut) {
    auto label = std::make_unique<QLabel>();
    QLabel other;
    runWorkerThenCheck(
        [&] {
            fw::showText(label.get(), "gone");
            fw::showText(&other, "kept");
            label.reset();
        },
        [&] { EXPECT_EQ(other.text(), QStringLiteral("kept")); });
}
