#include "BackupRun.h"
#include "fw/DiskThread.h"
#include "fw/FileTestSupport.h"
#include "mainwindow/MainWindow.h"
#include "Trees.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <gtest/gtest.h>
#include <QPushButton>
#include <QTimer>

using namespace e2e;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

// A run that copies one file of 1 GiB, larger than anything the copy does in one step.
class LargeCopy : public BackupRunTest {
protected:
    static constexpr std::uint64_t kBytes = std::uint64_t(1) << 30;

    void SetUp() override {
        BackupRunTest::SetUp();
        writeOneSet();
        writeLargeFile(source("large.bin"), kBytes);
    }

    // The size of the copy's temporary, 0 while there is none.
    std::uint64_t temporarySize() const {
        std::uint64_t size = 0;
        for (const std::string& temporary : temporariesBelow(path("dst"))) {
            const struct stat status = filetest::statusOf(temporary, false);
            if (S_ISREG(status.st_mode))
                size = std::max(size, std::uint64_t(status.st_size));
        }
        return size;
    }
};

// A timer on the window's thread ticks between the worker's slices all through the copy. A
// freeze shows as a long gap between two ticks; the bound is far above a slice, so that a
// busy machine never breaks it. The copy used to look at the clock only every 64 chunks of
// 8 MiB, which let 512 MiB through between two ticks whatever the disk's speed.
TEST_F(LargeCopy, TheWindowKeepsAnsweringWhileAGigabyteIsCopied) {
    mainwindow::MainWindow& shown = window();
    QTimer ticker;
    auto lastTick = Clock::now();
    Clock::duration longestGap{};
    std::uint64_t lastSize = 0;
    std::uint64_t mostBytesBetweenTicks = 0;
    int ticksWhileCopying = 0;
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&] {
        const auto now = Clock::now();
        const std::uint64_t size = temporarySize();
        if (size > 0) {
            ++ticksWhileCopying;
            longestGap = std::max(longestGap, now - lastTick);
            mostBytesBetweenTicks =
                std::max(mostBytesBetweenTicks, size - std::min(size, lastSize));
        }
        lastTick = now;
        lastSize = size;
    });
    ticker.start(1);
    runBackup();

    ASSERT_GE(ticksWhileCopying, 2) << "the copy was never seen under way";
    EXPECT_LT(longestGap, 500ms);
    EXPECT_LT(mostBytesBetweenTicks, kBytes / 4);
    EXPECT_TRUE(temporariesBelow(path("dst")).empty());
    EXPECT_EQ(filetest::statusOf(copy("large.bin")).st_size, off_t(kBytes));
    EXPECT_TRUE(sameContents(source("large.bin"), copy("large.bin")));
    EXPECT_EQ(timeOf(copy("large.bin")), kBaseTime);
    EXPECT_EQ(shown.FilesCopied, 1);
}

// "Yes" to the cancel question while the file is copied: the copy stops before it is
// complete, and its temporary is gone.
TEST_F(LargeCopy, CancelAnsweredYesStopsTheCopyAndRemovesItsTemporary) {
    mainwindow::MainWindow& shown = window();
    shown.btn_Backup->click();
    ASSERT_TRUE(waitUntil([this] { return temporarySize() > 0; })) << "the copy never started";
    ASSERT_LT(temporarySize(), kBytes / 2) << "the copy was nearly over when first seen";

    const auto question = answerNextDialog("Yes");
    shown.btn_Backup->click();
    ASSERT_TRUE(waitForDialogs());
    ASSERT_TRUE(question->answered);
    EXPECT_EQ(question->title, "Cancel backup?");

    // The window answered at once; the worker ends once the copy on the disk thread stopped.
    ASSERT_TRUE(waitUntil([] { return !running(); })) << "the copy did not stop";
    fw::finishDiskJobs();
    EXPECT_EQ(temporariesBelow(path("dst")), std::vector<std::string>{});
    EXPECT_FALSE(filetest::exists(copy("large.bin"))) << "the copy was completed";
    EXPECT_EQ(shown.FilesCopied, 0);
    expectIdleLook("Cancelled");
}

} // namespace
