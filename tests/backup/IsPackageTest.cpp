#include "backup/PackageTest.h"
#include "fw/FileTestSupport.h"
#include "fw/FolderItem.h"

#include <gtest/gtest.h>

using filetest::makeFolder;
using filetest::writeFile;

TEST(IsPackage, TakesBundlesAndAppDirsButNotFilesPlainFoldersOrMissingItems) {
    filetest::TempFolder temp;
    makeFolder(temp / "Editor.APP");
    makeFolder(temp / "Tool");
    writeFile(temp / "Tool/AppRun", "#!/bin/sh\n", 0755);
    makeFolder(temp / "NotATool");
    writeFile(temp / "NotATool/AppRun", "#!/bin/sh\n", 0644);
    writeFile(temp / "File.app", "not a folder");
    const auto isPackage = [&temp](const char* name) {
        return backup::IsPackage(fw::FolderItem::fromNativePath(temp / name));
    };

    EXPECT_TRUE(isPackage("Editor.APP"));
    EXPECT_TRUE(isPackage("Tool"));
    EXPECT_FALSE(isPackage("NotATool"));
    EXPECT_FALSE(isPackage("File.app"));
    EXPECT_FALSE(isPackage("Gone.app"));
    EXPECT_FALSE(backup::IsPackage(fw::GetFolderItem("Backup:Work:Gone.app")));
}
