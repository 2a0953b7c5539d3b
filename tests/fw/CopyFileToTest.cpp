#include "FileTestSupport.h"
#include "fw/DestinationTree.h"
#include "fw/DiskThread.h"
#include "fw/FolderItem.h"
#include "fw/Thread.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <QTest>
#include <sys/resource.h>
#include <unistd.h>

using fw::FolderItem;
using namespace filetest;

namespace {

std::string linkTarget(const std::string& path) {
    char target[4096];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
    return length < 0 ? std::string() : std::string(target, std::size_t(length));
}

// Every entry below `copy` matches the one below `original`: kind, permission bits,
// modification time to the nanosecond, and the bytes of files and link targets.
void expectSameTree(const std::string& original, const std::string& copy) {
    const struct stat a = statusOf(original, false);
    const struct stat b = statusOf(copy, false);
    EXPECT_EQ(a.st_mode, b.st_mode) << copy;
    EXPECT_EQ(a.st_mtim.tv_sec, b.st_mtim.tv_sec) << copy;
    EXPECT_EQ(a.st_mtim.tv_nsec, b.st_mtim.tv_nsec) << copy;
    if (S_ISREG(a.st_mode)) {
        EXPECT_EQ(readFile(original), readFile(copy)) << copy;
    }
    if (S_ISLNK(a.st_mode)) {
        EXPECT_EQ(linkTarget(original), linkTarget(copy)) << copy;
    }
    if (!S_ISDIR(a.st_mode))
        return;
    ASSERT_EQ(namesIn(original), namesIn(copy)) << copy;
    for (const std::string& name : namesIn(original))
        expectSameTree(original + '/' + name, copy + '/' + name);
}

// Nothing of a copy is left in `folder`: no temporary, only the names given.
void expectOnly(const std::string& folder, const std::vector<std::string>& names) {
    EXPECT_EQ(namesIn(folder), names) << folder;
}

class CopyFileToTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(source.isValid());
        ASSERT_TRUE(target.isValid());
    }
    // Read-only folders with contents would outlive the temporary folders without this.
    void TearDown() override {
        for (const std::string& folder : {source / "Project", target / "Project", source / "Tree"})
            ::chmod((folder + "/locked").c_str(), 0755);
    }
    static FolderItem at(const std::string& path) { return FolderItem::fromNativePath(path); }

    // A tree with nested folders, odd names, links and times, below source/name.
    void buildTree(const std::string& name) {
        const std::string root = source / name;
        makeFolder(root, 0750);
        makeFolder(root + "/sub", 0700);
        makeFolder(root + "/sub/empty", 0555);
        makeFolder(root + "/locked", 0755);
        writeFile(root + "/locked/inside.txt", "inside", 0600);
        ::chmod((root + "/locked").c_str(), 0555);
        writeFile(root + "/plain.txt", "plain text\n", 0644);
        writeFile(root + "/run.sh", "#!/bin/sh\n", 0755);
        writeFile(root + "/sub/na\xefve:\xff.bin", std::string("\0\1\2\3", 4), 0640);
        writeFile(root + "/sub/empty.dat", "", 0600);
        makeLink("../plain.txt", root + "/sub/to-plain");
        makeLink("/nowhere/at/all", root + "/broken");
        makeLink("sub", root + "/to-sub");
        setTimes(root + "/sub/to-plain", {1500000000, 111}, false);
        setTimes(root + "/plain.txt", {1400000000, 123456789});
        setTimes(root + "/sub/empty", {1300000000, 5});
        setTimes(root + "/sub", {1200000000, 6});
        setTimes(root + "/locked", {1100000000, 7});
        setTimes(root, {1000000000, 8});
    }

    TempFolder source;
    TempFolder target;
};

TEST_F(CopyFileToTest, FileKeepsBytesTimeAndPermissions) {
    std::string content;
    for (int i = 0; content.size() < (std::size_t(9) << 20); ++i)
        content += std::to_string(i) + ',';
    writeFile(source / "big.bin", content, 0751);
    setTimes(source / "big.bin", {1234567890, 987654321});
    writeFile(source / "small.txt", "small", 0604);

    at(source / "big.bin").CopyFileTo(at(target / "big copy.bin"));
    at(source / "small.txt").CopyFileTo(at(target / "small.txt"));

    expectSameTree(source / "big.bin", target / "big copy.bin");
    expectSameTree(source / "small.txt", target / "small.txt");
    expectOnly(target.path(), {"big copy.bin", "small.txt"});
}

TEST_F(CopyFileToTest, TreeKeepsEverythingAndLinksStayLinks) {
    buildTree("Project");
    at(source / "Project").CopyFileTo(at(target / "Project"));

    expectSameTree(source / "Project", target / "Project");
    expectOnly(target.path(), {"Project"});
    EXPECT_EQ(linkTarget(target / "Project/sub/to-plain"), "../plain.txt");
    EXPECT_EQ(readFile(target / "Project/sub/to-plain"), "plain text\n");
}

TEST_F(CopyFileToTest, EntryWithoutUtf8NameIsCopiedUnderItsOwnName) {
    const std::string name = "r\xe9sum\xe9.txt";
    writeFile(source / name, "cv");
    const FolderItem folder = at(source.path());
    ASSERT_EQ(folder.Count(), 1);
    const auto entry = folder.Item(1);
    ASSERT_TRUE(entry.has_value());

    entry->CopyFileTo(at(target.path()).Child(entry->Name()));

    EXPECT_EQ(readFile(target / name), "cv");
    expectOnly(target.path(), {name});
}

TEST_F(CopyFileToTest, LinkIsCopiedAsLinkOrAsItsTargetByHowItWasTaken) {
    writeFile(source / "data.txt", "data");
    makeLink("data.txt", source / "link");
    const FolderItem folder = at(source.path());
    ASSERT_EQ(folder.Count(), 2);

    folder.TrueItem(2)->CopyFileTo(at(target / "as-link"));
    folder.Item(2)->CopyFileTo(at(target / "as-file"));
    at(source / "link").CopyFileTo(at(target / "followed"));

    EXPECT_EQ(linkTarget(target / "as-link"), "data.txt");
    EXPECT_TRUE(S_ISREG(statusOf(target / "as-file", false).st_mode));
    EXPECT_EQ(readFile(target / "as-file"), "data");
    EXPECT_TRUE(S_ISREG(statusOf(target / "followed", false).st_mode));
}

TEST_F(CopyFileToTest, ExistingDestinationIsRefusedAndKept) {
    writeFile(source / "a.txt", "new");
    buildTree("Tree");
    writeFile(target / "a.txt", "old");
    makeFolder(target / "Tree");
    makeLink("nowhere", target / "dangling");

    EXPECT_THROW(at(source / "a.txt").CopyFileTo(at(target / "a.txt")), fw::FileError);
    EXPECT_THROW(at(source / "Tree").CopyFileTo(at(target / "Tree")), fw::FileError);
    EXPECT_THROW(at(source / "a.txt").CopyFileTo(at(target / "dangling")), fw::FileError);

    EXPECT_EQ(readFile(target / "a.txt"), "old");
    EXPECT_TRUE(namesIn(target / "Tree").empty());
    expectOnly(target.path(), {"Tree", "a.txt", "dangling"});
}

TEST_F(CopyFileToTest, FailedCopiesLeaveNothingBehind) {
    writeFile(source / "a.txt", "a");
    // A named pipe is never opened (that would block): taken by itself, it is not copied.
    ASSERT_EQ(::mkfifo((source / "pipe").c_str(), 0600), 0);

    EXPECT_THROW(at(source / "a.txt").CopyFileTo(at(target / "missing/a.txt")), fw::FileError);
    EXPECT_THROW(at(source / "gone.txt").CopyFileTo(at(target / "gone.txt")), fw::FileError);
    EXPECT_THROW(at(source / "pipe").CopyFileTo(at(target / "pipe")), fw::FileError);
    EXPECT_THROW(fw::GetFolderItem("Disk:a.txt").CopyFileTo(at(target / "x")), fw::FileError);
    EXPECT_THROW(at(source / "a.txt").CopyFileTo(fw::GetFolderItem("Disk:a.txt")), fw::FileError);

    expectOnly(target.path(), {});
}

// Inside a tree, pipes and sockets are left out and named; everything else is copied.
TEST_F(CopyFileToTest, SpecialEntriesInsideATreeAreLeftOutAndNamed) {
    buildTree("Tree");
    ASSERT_EQ(::mkfifo((source / "Tree/sub/pipe").c_str(), 0600), 0);
    ASSERT_EQ(::mknod((source / "Tree/socket").c_str(), S_IFSOCK | 0600, 0), 0);
    const auto keepTimes = [this] {
        setTimes(source / "Tree/sub", {1200000000, 6});
        setTimes(source / "Tree", {1000000000, 8});
    };
    keepTimes();

    const std::vector<std::string> leftOut = at(source / "Tree").CopyFileTo(at(target / "Tree"));

    EXPECT_EQ(leftOut, (std::vector<std::string>{"socket", "sub/pipe"}));
    ::unlink((source / "Tree/sub/pipe").c_str());
    ::unlink((source / "Tree/socket").c_str());
    keepTimes();
    expectSameTree(source / "Tree", target / "Tree");
}

// A tree far deeper than the handles a process may hold open is copied whole.
TEST_F(CopyFileToTest, DeepTreeIsCopiedWithFewHandles) {
    std::string folder = source / "Deep";
    makeFolder(folder);
    for (int level = 0; level < 600; ++level) {
        folder += "/d";
        makeFolder(folder);
    }
    writeFile(folder + "/bottom.txt", "at the bottom");
    const rlimit few{64, 64};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);

    at(source / "Deep").CopyFileTo(at(target / "Deep"));

    std::string copy = target / "Deep";
    for (int level = 0; level < 600; ++level)
        copy += "/d";
    EXPECT_EQ(readFile(copy + "/bottom.txt"), "at the bottom");
}

TEST_F(CopyFileToTest, SparseFileKeepsItsHoles) {
    const std::string sparse = source / "sparse.img";
    const off_t size = off_t(4) << 30;
    {
        const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "middle", 6, size / 2), 6);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
    }
    ASSERT_LT(statusOf(sparse).st_blocks * 512, 1 << 20) << "this file system keeps no holes";

    at(sparse).CopyFileTo(at(target / "sparse.img"));

    const struct stat copy = statusOf(target / "sparse.img");
    EXPECT_EQ(copy.st_size, size);
    EXPECT_LT(copy.st_blocks * 512, 1 << 20) << "the holes were filled";
    const int fd = ::open((target / "sparse.img").c_str(), O_RDONLY);
    char middle[7] = {};
    EXPECT_EQ(::pread(fd, middle, 6, size / 2), 6);
    EXPECT_STREQ(middle, "middle");
    char start = 'x';
    EXPECT_EQ(::pread(fd, &start, 1, 0), 1);
    EXPECT_EQ(start, '\0');
    ::close(fd);
}

TEST_F(CopyFileToTest, FullDiskLeavesNoPartialCopy) {
    SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root and mount namespaces)";
    const std::string full = disk.folder().path();
    writeFile(source / "big.bin", std::string(std::size_t(2) << 20, 'b'));
    makeFolder(source / "Tree");
    for (int i = 0; i < 8; ++i)
        writeFile(source / ("Tree/part" + std::to_string(i)), std::string(200000, 'p'));
    writeFile(full + "/kept.txt", "kept");

    EXPECT_THROW(at(source / "big.bin").CopyFileTo(at(full + "/big.bin")), fw::FileError);
    EXPECT_THROW(at(source / "Tree").CopyFileTo(at(full + "/Tree")), fw::FileError);

    expectOnly(full, {"kept.txt"});
    EXPECT_EQ(readFile(full + "/kept.txt"), "kept");
}

TEST_F(CopyFileToTest, KilledWorkerLeavesNoTemporary) {
    makeFolder(source / "Many");
    for (int i = 0; i < 4000; ++i)
        writeFile(source / ("Many/f" + std::to_string(i)), std::string(100, 'x'));

    bool finished = false;
    fw::Thread worker;
    worker.onRun([&] {
        at(source / "Many").CopyFileTo(at(target / "Many"));
        finished = true;
    });
    worker.Run();
    // The copy gives way at its yield points; once its temporary folder is there, kill it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !namesIn(target.path()).empty(); }, 10000));
    ASSERT_EQ(worker.State(), fw::Thread::Running);
    worker.Kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return worker.State() == fw::Thread::NotRunning; }, 10000));

    EXPECT_FALSE(finished);
    expectOnly(target.path(), {});
}

// A copy staged in a destination takes its source as it was examined: a file that has become
// a link since, to a file elsewhere, fails the copy, and nothing of where the link leads
// reaches the destination.
TEST_F(CopyFileToTest, AStagedCopyNeverFollowsALinkItsSourceHasBecome) {
    writeFile(source / "item.txt", "own");
    writeFile(source / "elsewhere.txt", "from elsewhere");
    const FolderItem item = at(source / "item.txt");
    const fw::ItemStatus status = item.EntryStatus();
    ASSERT_TRUE(status.file());
    ASSERT_EQ(::unlink((source / "item.txt").c_str()), 0);
    makeLink(source / "elsewhere.txt", source / "item.txt");
    {
        fw::DestinationTree tree(at(target.path()));
        bool told = false;
        bool failed = false;
        tree.copyWhenSaved(
            item, status, "item.txt", fw::Placing::New, status.length(),
            [](const std::vector<fw::ItemStatus>&, std::uint64_t) { return fw::Date(); },
            [&](fw::StagedCopy* copy, const std::exception* failure) {
                told = true;
                failed = failure && !copy;
            });
        tree.placeWaiting();
        EXPECT_TRUE(told);
        EXPECT_TRUE(failed) << "the copy followed the link";
        expectOnly(target / fw::DestinationTree::stagingName, {});
    }
    // The staging folder and the hold on the destination go on the disk thread.
    fw::finishDiskJobs();
    expectOnly(target.path(), {});
}

} // namespace
