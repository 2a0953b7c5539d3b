#include "FileTestSupport.h"
#include "fw/FolderItem.h"

#include <gtest/gtest.h>

using fw::FolderItem;
using namespace filetest;

namespace {

class TextStreamsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    FolderItem item(const std::string& name) const {
        return FolderItem::fromNativePath(tmp / name);
    }

    // Every line of a file with the given content, and whether the stream ended cleanly.
    std::vector<std::string> linesOf(const std::string& content) {
        writeFile(tmp / "in.txt", content);
        const auto stream = item("in.txt").OpenAsTextFile();
        std::vector<std::string> lines;
        if (!stream) {
            ADD_FAILURE() << "cannot open";
            return lines;
        }
        while (!stream->EndOfFile())
            lines.push_back(stream->ReadLine());
        EXPECT_FALSE(stream->ReadError());
        EXPECT_EQ(stream->ReadLine(), "");
        return lines;
    }

    TempFolder tmp;
};

using Lines = std::vector<std::string>;

TEST_F(TextStreamsTest, ReadsLfCrLfAndCrLineEnds) {
    EXPECT_EQ(linesOf("one\ntwo\n"), (Lines{"one", "two"}));
    EXPECT_EQ(linesOf("one\r\ntwo\r\n"), (Lines{"one", "two"}));
    EXPECT_EQ(linesOf("one\rtwo\r"), (Lines{"one", "two"}));
    EXPECT_EQ(linesOf("a\r\n\r\nb\n\rc\r\r\nd"), (Lines{"a", "", "b", "", "c", "", "d"}));
    EXPECT_EQ(linesOf("\n"), (Lines{""}));
}

TEST_F(TextStreamsTest, LastLineWithoutEndIsStillRead) {
    EXPECT_EQ(linesOf("first\nlast"), (Lines{"first", "last"}));
    EXPECT_EQ(linesOf("only"), (Lines{"only"}));
    EXPECT_EQ(linesOf("tab\tand \xff bytes"), (Lines{"tab\tand \xff bytes"}));
}

TEST_F(TextStreamsTest, EmptyFileIsAtItsEndAtOnce) {
    writeFile(tmp / "empty.txt", "");
    const auto stream = item("empty.txt").OpenAsTextFile();
    ASSERT_NE(stream, nullptr);
    EXPECT_TRUE(stream->EndOfFile());
    EXPECT_EQ(stream->ReadLine(), "");
    EXPECT_FALSE(stream->ReadError());
}

// A pipe without a writer would hold a blocking open for ever and /dev/zero would fill the
// memory line by line: only a regular file opens, a link only when it leads to one.
TEST_F(TextStreamsTest, OnlyARegularFileOpensAndNothingElseIsWaitedFor) {
    makeFolder(tmp / "folder");
    ASSERT_EQ(mkfifo((tmp / "pipe").c_str(), 0600), 0);
    makeLink("/dev/zero", tmp / "zero");
    makeLink(tmp / "pipe", tmp / "to-pipe");
    makeLink(tmp / "missing.txt", tmp / "dangling");
    for (const char* name : {"folder", "pipe", "zero", "to-pipe", "dangling", "missing.txt"})
        EXPECT_EQ(item(name).OpenAsTextFile(), nullptr) << name;

    writeFile(tmp / "real.txt", "line\n");
    makeLink(tmp / "real.txt", tmp / "to-real");
    const auto stream = item("to-real").OpenAsTextFile();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->ReadLine(), "line");
    EXPECT_TRUE(stream->EndOfFile());
    EXPECT_FALSE(stream->ReadError());
}

TEST_F(TextStreamsTest, ClosedStreamReadsNothingMore) {
    writeFile(tmp / "two.txt", "1\n2\n");
    const auto stream = item("two.txt").OpenAsTextFile();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->ReadLine(), "1");
    stream->Close();
    EXPECT_TRUE(stream->EndOfFile());
    EXPECT_EQ(stream->ReadLine(), "");
}

TEST_F(TextStreamsTest, WritesLinesWithLfAndKeepsTheirBytes) {
    const auto out = item("out.txt").CreateTextFile();
    out->WriteLine("first");
    out->WriteLine("");
    out->WriteLine("caf\xc3\xa9 and \xff");
    out->Close();

    EXPECT_EQ(readFile(tmp / "out.txt"), "first\n\ncaf\xc3\xa9 and \xff\n");
    EXPECT_EQ(namesIn(tmp.path()), (Lines{"out.txt"}));

    const auto again = item("out.txt").CreateTextFile();
    again->WriteLine("replaced");
    again->Close();
    EXPECT_EQ(readFile(tmp / "out.txt"), "replaced\n");
    EXPECT_EQ(namesIn(tmp.path()), (Lines{"out.txt"}));
}

TEST_F(TextStreamsTest, OldFileStaysWholeUntilTheNewOneIsCommitted) {
    writeFile(tmp / "settings", "old settings\n");
    {
        const auto abandoned = item("settings").CreateTextFile();
        abandoned->WriteLine("half written");
        EXPECT_EQ(readFile(tmp / "settings"), "old settings\n");
    }
    EXPECT_EQ(readFile(tmp / "settings"), "old settings\n");
    EXPECT_EQ(namesIn(tmp.path()), (Lines{"settings"}));

    // A folder holding a file cannot be replaced by a file: Close reports it.
    makeFolder(tmp / "busy");
    writeFile(tmp / "busy/keep", "keep");
    const auto blocked = item("busy").CreateTextFile();
    blocked->WriteLine("text");
    EXPECT_THROW(blocked->Close(), fw::FileError);
    EXPECT_EQ(readFile(tmp / "busy/keep"), "keep");
    EXPECT_EQ(namesIn(tmp.path()), (Lines{"busy", "settings"}));

    EXPECT_THROW(item("missing/file.txt").CreateTextFile(), fw::FileError);
    EXPECT_THROW(fw::GetFolderItem("Disk:file.txt").CreateTextFile(), fw::FileError);
}

// A settings file kept elsewhere (a dotfiles checkout) may be a link, or a chain of links,
// whose target is not there yet: the write creates the target and the links stay links.
TEST_F(TextStreamsTest, WritingThroughALinkWhoseTargetIsMissingCreatesTheTarget) {
    makeFolder(tmp / "dotfiles");
    makeLink("middle", tmp / "settings");
    makeLink("dotfiles/settings", tmp / "middle");
    const auto out = item("settings").CreateTextFile();
    out->WriteLine("kept");
    out->Close();
    EXPECT_EQ(readFile(tmp / "dotfiles/settings"), "kept\n");
    EXPECT_TRUE(S_ISLNK(statusOf(tmp / "settings", false).st_mode));
    EXPECT_TRUE(S_ISLNK(statusOf(tmp / "middle", false).st_mode));
    EXPECT_EQ(namesIn(tmp / "dotfiles"), (Lines{"settings"}));

    // Into a folder that is not there the write fails and the link stays as it was.
    makeLink(tmp / "unmounted/settings", tmp / "elsewhere");
    EXPECT_THROW(item("elsewhere").CreateTextFile(), fw::FileError);
    EXPECT_TRUE(S_ISLNK(statusOf(tmp / "elsewhere", false).st_mode));
}

TEST_F(TextStreamsTest, FullDiskKeepsTheOldFile) {
    SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root and mount namespaces)";
    const std::string file = disk.folder() / "settings";
    writeFile(file, "old settings\n");

    const auto out = FolderItem::fromNativePath(file).CreateTextFile();
    const std::string line(1000, 'x');
    for (int i = 0; i < 2000; ++i)
        out->WriteLine(line);
    EXPECT_THROW(out->Close(), fw::FileError);

    EXPECT_EQ(readFile(file), "old settings\n");
    EXPECT_EQ(namesIn(disk.folder().path()), (Lines{"settings"}));
}

} // namespace
