#include "fw/FolderItem.h"

#include "FileTestSupport.h"
#include "fw/FolderListing.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QImage>

using fw::FolderItem;
using fw::GetFolderItem;
using namespace filetest;

namespace {

// The colon path of a native path below the root, as a folder would show it.
std::string colonPath(const std::string& nativePath) {
    std::string result = "/";
    for (const char c : nativePath)
        result += c == '/' ? ':' : c;
    return result;
}

class FolderItemTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    FolderItem item(const std::string& name) const {
        return FolderItem::fromNativePath(tmp / name);
    }

    TempFolder tmp;
};

TEST_F(FolderItemTest, RootHasColonPathAndNoParent) {
    const FolderItem root = GetFolderItem("/:");
    EXPECT_EQ(root.nativePath(), "/");
    EXPECT_EQ(root.AbsolutePath(), "/:");
    EXPECT_EQ(root.Name(), "/");
    EXPECT_TRUE(root.Directory());
    EXPECT_FALSE(root.Parent().has_value());
    EXPECT_EQ(FolderItem::fromNativePath("/").AbsolutePath(), "/:");
    EXPECT_EQ(root.Child("tmp").AbsolutePath(), "/:tmp:");
}

TEST_F(FolderItemTest, ColonPathsOfFoldersFilesAndMissingItems) {
    makeFolder(tmp / "Docs");
    writeFile(tmp / "Docs/a.txt", "hello");

    const FolderItem docs = item("Docs");
    EXPECT_EQ(docs.AbsolutePath(), colonPath(tmp.path()) + ":Docs:");
    EXPECT_EQ(docs.Name(), "Docs");
    const FolderItem file = docs.Child("a.txt");
    EXPECT_EQ(file.AbsolutePath(), colonPath(tmp.path()) + ":Docs:a.txt");
    EXPECT_EQ(file.Name(), "a.txt");
    ASSERT_TRUE(file.Parent().has_value());
    EXPECT_EQ(file.Parent()->AbsolutePath(), docs.AbsolutePath());

    // Only an existing folder's path ends in ":"; a missing one has no way to say.
    const FolderItem missing = docs.Child("Later");
    EXPECT_FALSE(missing.Exists());
    EXPECT_EQ(missing.AbsolutePath(), colonPath(tmp.path()) + ":Docs:Later");
    missing.CreateAsFolder();
    EXPECT_EQ(missing.AbsolutePath(), colonPath(tmp.path()) + ":Docs:Later:");

    // Back from text: existing or not, a trailing ":" or none gives the same place.
    EXPECT_EQ(GetFolderItem(docs.AbsolutePath()).nativePath(), tmp / "Docs");
    EXPECT_EQ(GetFolderItem(file.AbsolutePath()).nativePath(), tmp / "Docs/a.txt");
    EXPECT_EQ(GetFolderItem(colonPath(tmp.path()) + ":Nowhere:deeper:").nativePath(),
              tmp / "Nowhere/deeper");
    EXPECT_EQ(GetFolderItem(colonPath(tmp.path()) + ":Nowhere").Child("x").nativePath(),
              tmp / "Nowhere/x");
}

TEST_F(FolderItemTest, StoredFolderPathIsWrittenBackAsStoredWhileMissing) {
    // A destination on a drive that is not plugged in: its stored path must not lose its ":".
    const std::string stored = colonPath(tmp.path()) + ":Drive:Backups:";
    const FolderItem folder = GetFolderItem(stored);
    EXPECT_FALSE(folder.Exists());
    EXPECT_EQ(folder.AbsolutePath(), stored);

    // Once there, the path is what the disk says: a file in its place has no ":".
    makeFolder(tmp / "Drive");
    writeFile(tmp / "Drive/Backups", "not a folder");
    EXPECT_EQ(folder.AbsolutePath(), colonPath(tmp.path()) + ":Drive:Backups");
    EXPECT_EQ(GetFolderItem(colonPath(tmp.path()) + ":Drive:Gone").AbsolutePath(),
              colonPath(tmp.path()) + ":Drive:Gone");
}

TEST_F(FolderItemTest, ColonInNativeNameShowsAsSlash) {
    writeFile(tmp / "a:b.txt", "x");
    makeFolder(tmp / "x:y");

    const FolderItem file = item("a:b.txt");
    EXPECT_EQ(file.Name(), "a/b.txt");
    EXPECT_EQ(file.AbsolutePath(), colonPath(tmp.path()) + ":a/b.txt");
    EXPECT_EQ(GetFolderItem(file.AbsolutePath()).nativePath(), tmp / "a:b.txt");

    const FolderItem folder = FolderItem::fromNativePath(tmp.path()).Child("x/y");
    EXPECT_EQ(folder.nativePath(), tmp / "x:y");
    EXPECT_TRUE(folder.Directory());
    EXPECT_EQ(folder.AbsolutePath(), colonPath(tmp.path()) + ":x/y:");
    EXPECT_EQ(GetFolderItem(folder.AbsolutePath()).nativePath(), tmp / "x:y");
}

TEST_F(FolderItemTest, NameThatIsNotUtf8KeepsItsBytes) {
    const std::string name = "caf\xe9-\xff\xfe.txt";
    writeFile(tmp / name, "latin-1 name");

    const FolderItem folder = FolderItem::fromNativePath(tmp.path());
    ASSERT_EQ(folder.Count(), 1);
    const auto listed = folder.Item(1);
    ASSERT_TRUE(listed.has_value());
    EXPECT_EQ(listed->Name(), name);
    EXPECT_TRUE(listed->Exists());
    EXPECT_EQ(listed->Length(), 12u);
    EXPECT_EQ(listed->nativePath(), tmp / name);
    EXPECT_EQ(GetFolderItem(listed->AbsolutePath()).nativePath(), tmp / name);
    EXPECT_EQ(folder.Child(listed->Name()).nativePath(), tmp / name);
}

TEST_F(FolderItemTest, ForeignTextIsKeptAndNeverExists) {
    const std::string text = "Macintosh HD:Users:ann:Documents:";
    const FolderItem foreign = GetFolderItem(text);
    EXPECT_EQ(foreign.AbsolutePath(), text);
    EXPECT_EQ(foreign.Name(), "Documents");
    EXPECT_FALSE(foreign.Exists());
    EXPECT_FALSE(foreign.Directory());
    EXPECT_EQ(foreign.Length(), 0u);
    EXPECT_EQ(foreign.Count(), 0);
    EXPECT_FALSE(foreign.Parent().has_value());
    EXPECT_THROW(foreign.ModificationDate(), fw::FileError);
    EXPECT_THROW(foreign.CreateAsFolder(), fw::FileError);
    EXPECT_EQ(foreign.OpenAsTextFile(), nullptr);

    const FolderItem child = foreign.Child("notes");
    EXPECT_FALSE(child.Exists());
    EXPECT_EQ(child.AbsolutePath(), text + "notes");
    EXPECT_EQ(GetFolderItem("relative/path").AbsolutePath(), "relative/path");
    EXPECT_FALSE(GetFolderItem("").Exists());
}

TEST_F(FolderItemTest, ListingIsSortedByBytesAndSkipsDotEntries) {
    for (const char* name : {"b", "B", "a", ".hidden", "\xc3\xa9", "a b"})
        writeFile(tmp / name, name);
    makeFolder(tmp / "c");

    const FolderItem folder = FolderItem::fromNativePath(tmp.path());
    ASSERT_EQ(folder.Count(), 7);
    std::vector<std::string> names;
    for (int i = 1; i <= folder.Count(); ++i)
        names.push_back(folder.Item(i)->Name());
    const std::vector<std::string> expected = {".hidden", "B", "a", "a b", "b", "c", "\xc3\xa9"};
    EXPECT_EQ(names, expected);

    EXPECT_FALSE(folder.Item(0).has_value());
    EXPECT_FALSE(folder.Item(8).has_value());
    EXPECT_FALSE(folder.TrueItem(-1).has_value());
    EXPECT_EQ(item("a").Count(), 0);
    EXPECT_EQ(item("missing").Count(), 0);
    EXPECT_EQ(item("c").Count(), 0);
}

TEST_F(FolderItemTest, ItemResolvesLinksAndTrueItemDoesNot) {
    makeFolder(tmp / "dir");
    makeFolder(tmp / "dir/sub");
    writeFile(tmp / "dir/file.txt", "0123456789");
    makeLink("file.txt", tmp / "dir/1-to-file");
    makeLink("sub", tmp / "dir/2-to-folder");
    makeLink("gone", tmp / "dir/3-broken");
    makeLink(".", tmp / "dir/4-to-own-folder");
    makeLink("5-loop-b", tmp / "dir/5-loop-a");
    makeLink("5-loop-a", tmp / "dir/5-loop-b");
    makeLink("1-to-file", tmp / "dir/6-chain");
    makeLink(tmp / "dir/sub/../file.txt", tmp / "dir/7-absolute");

    const FolderItem dir = item("dir");
    ASSERT_EQ(dir.Count(), 10);

    const auto toFile = dir.Item(1);
    ASSERT_TRUE(toFile.has_value());
    EXPECT_EQ(toFile->nativePath(), tmp / "dir/file.txt");
    EXPECT_EQ(toFile->Length(), 10u);
    const auto fileLink = dir.TrueItem(1);
    ASSERT_TRUE(fileLink.has_value());
    EXPECT_EQ(fileLink->nativePath(), tmp / "dir/1-to-file");
    EXPECT_TRUE(fileLink->Exists());
    EXPECT_EQ(fileLink->Length(), 0u);

    const auto toFolder = dir.Item(2);
    ASSERT_TRUE(toFolder.has_value());
    EXPECT_EQ(toFolder->nativePath(), tmp / "dir/sub");
    EXPECT_TRUE(toFolder->Directory());
    EXPECT_EQ(toFolder->AbsolutePath(), colonPath(tmp.path()) + ":dir:sub:");
    const auto folderLink = dir.TrueItem(2);
    EXPECT_FALSE(folderLink->Directory());
    EXPECT_TRUE(folderLink->Exists());
    EXPECT_EQ(folderLink->AbsolutePath(), colonPath(tmp.path()) + ":dir:2-to-folder");
    EXPECT_EQ(folderLink->Count(), 0);

    EXPECT_FALSE(dir.Item(3).has_value());
    ASSERT_TRUE(dir.TrueItem(3).has_value());
    EXPECT_TRUE(dir.TrueItem(3)->Exists());

    const auto ownFolder = dir.Item(4);
    ASSERT_TRUE(ownFolder.has_value());
    EXPECT_EQ(ownFolder->nativePath(), tmp / "dir");
    EXPECT_NE(ownFolder->Parent()->AbsolutePath(), dir.AbsolutePath());

    EXPECT_FALSE(dir.Item(5).has_value());
    EXPECT_FALSE(dir.Item(6).has_value());
    EXPECT_EQ(dir.Item(7)->nativePath(), tmp / "dir/file.txt");
    EXPECT_EQ(dir.Item(8)->nativePath(), tmp / "dir/file.txt");
    EXPECT_EQ(dir.Item(9)->nativePath(), tmp / "dir/file.txt");
    EXPECT_EQ(dir.Item(10)->nativePath(), tmp / "dir/sub");
}

TEST_F(FolderItemTest, FolderReachedThroughLinkKeepsItsPathForItsEntries) {
    makeFolder(tmp / "real");
    writeFile(tmp / "real/a.txt", "a");
    makeLink("real", tmp / "alias");

    const FolderItem alias = item("alias");
    EXPECT_TRUE(alias.Directory());
    ASSERT_EQ(alias.Count(), 1);
    const auto entry = alias.Item(1);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->nativePath(), tmp / "alias/a.txt");
    EXPECT_EQ(entry->Parent()->AbsolutePath(), alias.AbsolutePath());
    EXPECT_FALSE(FolderItem::fromNativePath(tmp / "alias", false).Directory());
}

// A listing is what the folder held when it was read; the next one sees it as it is now, and
// no item keeps a listing of its own.
TEST_F(FolderItemTest, EveryListingReadsTheFolderAfresh) {
    makeFolder(tmp / "many");
    for (int i = 0; i < 20000; ++i)
        writeFile(tmp / ("many/f" + std::to_string(i)), "");
    const FolderItem many = item("many");
    const fw::FolderListing first(many);
    ASSERT_EQ(first.Count(), 20000);
    EXPECT_EQ(first.error(), 0);

    writeFile(tmp / "many/added", "");
    ASSERT_EQ(::unlink((tmp / "many/f0").c_str()), 0);

    int found = 0;
    for (int i = 1; i <= first.Count(); ++i)
        found += first.Item(i).has_value() && first.TrueItem(i).has_value();
    EXPECT_EQ(found, 20000);
    const fw::FolderListing second(many);
    EXPECT_EQ(second.Count(), 20000);
    EXPECT_EQ(second.Item(1)->Name(), "added");
    EXPECT_EQ(many.Item(1)->Name(), "added");
    EXPECT_NE(fw::FolderListing(item("many/added")).error(), 0);
    EXPECT_NE(fw::FolderListing(item("missing")).error(), 0);
}

TEST_F(FolderItemTest, ExaminesSizesTimesAndKinds) {
    writeFile(tmp / "f", std::string(4321, 'x'));
    makeFolder(tmp / "d");
    setTimes(tmp / "f", {1700000000, 0});
    makeLink("f", tmp / "l");
    setTimes(tmp / "l", {1600000000, 0}, false);

    EXPECT_TRUE(item("f").Exists());
    EXPECT_FALSE(item("f").Directory());
    EXPECT_EQ(item("f").Length(), 4321u);
    EXPECT_EQ(item("d").Length(), 0u);
    EXPECT_TRUE(item("d").Directory());
    EXPECT_EQ(item("missing").Length(), 0u);
    EXPECT_FALSE(item("missing").Exists());
    EXPECT_EQ(item("f").ModificationDate().unixTime(), 1700000000);
    EXPECT_EQ(item("l").ModificationDate().unixTime(), 1700000000);
    EXPECT_EQ(FolderItem::fromNativePath(tmp / "l", false).ModificationDate().unixTime(),
              1600000000);
    EXPECT_THROW(item("missing").ModificationDate(), fw::FileError);
}

TEST_F(FolderItemTest, CreatesAndDeletesFoldersFilesAndLinks) {
    const FolderItem folder = item("new");
    folder.CreateAsFolder();
    EXPECT_TRUE(folder.Directory());
    EXPECT_THROW(folder.CreateAsFolder(), fw::FileError);
    EXPECT_THROW(item("missing/deeper").CreateAsFolder(), fw::FileError);

    writeFile(tmp / "new/file", "x");
    makeLink(tmp / "new", tmp / "link");
    EXPECT_THROW(folder.Delete(), fw::FileError);
    EXPECT_TRUE(exists(tmp / "new/file"));

    item("link").Delete();
    EXPECT_FALSE(exists(tmp / "link"));
    EXPECT_TRUE(exists(tmp / "new/file"));
    folder.Child("file").Delete();
    folder.Delete();
    EXPECT_FALSE(exists(tmp / "new"));
    EXPECT_THROW(folder.Delete(), fw::FileError);
}

TEST_F(FolderItemTest, SpecialFoldersFollowTheUsersDataAndDesktop) {
    const std::string home = QFile::encodeName(QDir::homePath()).toStdString();
    EXPECT_EQ(fw::SpecialFolder(fw::SpecialFolderKind::ApplicationSupport).nativePath(),
              home + "/.local/share");
    EXPECT_EQ(fw::SpecialFolder(fw::SpecialFolderKind::Desktop).nativePath(), home + "/Desktop");
    const std::string appDir =
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    const FolderItem resources = fw::ResourcesFolder();
    EXPECT_EQ(resources.Name(), "tolvane");
    EXPECT_EQ(resources.Parent()->Name(), "share");
    EXPECT_EQ(resources.Parent()->Parent()->nativePath(),
              FolderItem::fromNativePath(appDir).Parent()->nativePath());
}

TEST_F(FolderItemTest, OpensPicturesAndRefusesOtherFiles) {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    const std::string name = "pic\xff.png";
    ASSERT_TRUE(image.save(QString::fromStdString(tmp / "plain.png")));
    ASSERT_EQ(::rename((tmp / "plain.png").c_str(), (tmp / name).c_str()), 0);
    writeFile(tmp / "text.png", "not a picture");

    const QPixmap picture = item(name).OpenAsPicture();
    EXPECT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(3, 2));
    EXPECT_TRUE(item("text.png").OpenAsPicture().isNull());
    EXPECT_TRUE(item("missing.png").OpenAsPicture().isNull());
}

} // namespace
