#include "backup/PackageTest.h"
#include "fw/FileTestSupport.h"
#include "fw/FolderItem.h"

#include <gtest/gtest.h>

using filetest::makeFolder;
using filetest::writeFile;

namespace {

bool isPackage(const std::string& path) {
    return backup::IsPackage(fw::FolderItem::fromNativePath(path));
}

} // namespace

TEST(IsPackage, KnowsBundlesByTheirExtensionInAnyCase) {
    filetest::TempFolder temp;
    makeFolder(temp / "Editor.app");
    makeFolder(temp / "Notes.RTFD");
    makeFolder(temp / "Library.photoslibrary");
    EXPECT_TRUE(isPackage(temp / "Editor.app"));
    EXPECT_TRUE(isPackage(temp / "Notes.RTFD"));
    EXPECT_TRUE(isPackage(temp / "Library.photoslibrary"));
}

TEST(IsPackage, KnowsAnAppDirByItsExecutableAppRun) {
    filetest::TempFolder temp;
    makeFolder(temp / "Tool");
    writeFile(temp / "Tool/AppRun", "#!/bin/sh\n", 0755);
    makeFolder(temp / "NotATool");
    writeFile(temp / "NotATool/AppRun", "#!/bin/sh\n", 0644);
    EXPECT_TRUE(isPackage(temp / "Tool"));
    EXPECT_FALSE(isPackage(temp / "NotATool"));
}

TEST(IsPackage, RefusesFilesPlainFoldersAndMissingItems) {
    filetest::TempFolder temp;
    writeFile(temp / "Editor.app", "not a folder");
    makeFolder(temp / "Documents");
    EXPECT_FALSE(isPackage(temp / "Editor.app"));
    EXPECT_FALSE(isPackage(temp / "Documents"));
    EXPECT_FALSE(isPackage(temp / "Gone.app"));
    EXPECT_FALSE(backup::IsPackage(fw::GetFolderItem("Backup:Work:Gone.app")));
}
