#include "BackupRun.h"
#include "fw/DiskThread.h"
#include "fw/FileTestSupport.h"
#include "mainwindow/MainWindow.h"
#include "Trees.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <QPushButton>
#include <sys/stat.h>

using namespace e2e;

namespace {

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
            // The disk thread may put it in place between the listing and this read.
            struct stat status {};
            if (::lstat(temporary.c_str(), &status) == 0 && S_ISREG(status.st_mode))
                size = std::max(size, std::uint64_t(status.st_size));
        }
        return size;
    }
};

// A file larger than anything the copy does in one step arrives whole, with its time, and
// nothing is left in the staging folder. That the window answers while the disk works is
// shown by the disk-wait tests, which hold the disk thread instead of timing it.
TEST_F(LargeCopy, AGigabyteArrivesWholeWithItsTime) {
    mainwindow::MainWindow& shown = window();
    runBackup();

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
